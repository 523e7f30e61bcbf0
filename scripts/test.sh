#!/usr/bin/env bash
# Installs what is needed, builds the debug preset (AddressSanitizer + UndefinedBehaviorSanitizer,
# warnings as errors) and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup-debian.sh
cmake --preset debug
cmake --build --preset debug -j "$(nproc)"
ctest --preset debug -j "$(nproc)"

# The reader fuzz target must keep building; a short run over its seeds catches regressions.
cmake --preset fuzz
cmake --build --preset fuzz -j "$(nproc)" --target artifact_readers_fuzz
corpus=$(mktemp -d "${TMPDIR:-/tmp}/veltra-fuzz-XXXXXX")
trap 'rm -rf "$corpus"' EXIT
build/fuzz/fuzz/artifact_readers/artifact_readers_fuzz -max_total_time=20 -timeout=10 "$corpus" fuzz/artifact_readers/seeds
