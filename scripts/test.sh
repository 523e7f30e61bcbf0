#!/usr/bin/env bash
# Installs what is needed, builds the debug preset (AddressSanitizer + UndefinedBehaviorSanitizer,
# warnings as errors) and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup-debian.sh
cmake --preset debug
cmake --build --preset debug -j "$(nproc)"
ctest --preset debug -j "$(nproc)"

# The fuzz targets must keep building; a short run of each over its seeds catches regressions.
json_targets=(json_parse_fuzz v4_manifest_fuzz legacy_metadata_fuzz config_fuzz updater_status_fuzz
  category_registry_fuzz debug_log_entry_fuzz)
cmake --preset fuzz
cmake --build --preset fuzz -j "$(nproc)" --target artifact_readers_fuzz "${json_targets[@]}"
corpus=$(mktemp -d "${TMPDIR:-/tmp}/veltra-fuzz-XXXXXX")
trap 'rm -rf "$corpus"' EXIT
mkdir "$corpus/artifact_readers"
build/fuzz/fuzz/artifact_readers/artifact_readers_fuzz -max_total_time=20 -timeout=10 \
  "$corpus/artifact_readers" fuzz/artifact_readers/seeds
for target in "${json_targets[@]}"; do
  mkdir "$corpus/$target"
  build/fuzz/fuzz/json_documents/"$target" -max_total_time=5 -timeout=10 \
    "$corpus/$target" fuzz/json_documents/seeds/"${target%_fuzz}"
done
