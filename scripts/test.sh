#!/usr/bin/env bash
# Installs what is needed, checks the formatting, builds the debug preset (AddressSanitizer +
# UndefinedBehaviorSanitizer, warnings as errors) and runs the whole test suite, then the tests
# that start threads under ThreadSanitizer (clang, with its thread-safety analysis as errors), then
# a short run of every fuzz target. Each phase prints how long it took.
set -euo pipefail
cd "$(dirname "$0")/.."

phase_start=$SECONDS
phase() {
  echo "test.sh: $1 took $((SECONDS - phase_start)) s"
  phase_start=$SECONDS
}

./scripts/setup-debian.sh
./scripts/check-format.sh
phase "setup and format check"

cmake --preset debug
cmake --build --preset debug -j "$(nproc)"
phase "debug build"
ctest --preset debug -j "$(nproc)"
phase "debug tests"

# The tsan build preset builds every library under src/ (so the thread-safety analysis sees all
# of them) and the test executables with tests labelled "threads"; the tsan test preset runs those.
cmake --preset tsan
cmake --build --preset tsan -j "$(nproc)"
phase "tsan build"
ctest --preset tsan -j "$(nproc)"
phase "tsan tests"

# The fuzz targets must keep building; a short run of each over its seeds catches regressions.
json_targets=(json_parse_fuzz v4_manifest_fuzz legacy_metadata_fuzz config_fuzz updater_status_fuzz
  category_registry_fuzz debug_log_entry_fuzz)
cmake --preset fuzz
cmake --build --preset fuzz -j "$(nproc)" --target artifact_readers_fuzz "${json_targets[@]}"
phase "fuzz build"
corpus=$(mktemp -d "${TMPDIR:-/tmp}/veltra-fuzz-XXXXXX")
trap 'rm -rf "$corpus"' EXIT
mkdir "$corpus/artifact_readers"
build/fuzz/fuzz/artifact_readers/artifact_readers_fuzz -max_total_time=15 -timeout=10 \
  "$corpus/artifact_readers" fuzz/artifact_readers/seeds
for target in "${json_targets[@]}"; do
  mkdir "$corpus/$target"
  build/fuzz/fuzz/json_documents/"$target" -max_total_time=3 -timeout=10 \
    "$corpus/$target" fuzz/json_documents/seeds/"${target%_fuzz}"
done
phase "fuzz runs"
