#!/usr/bin/env bash
# Installs what is needed, builds the debug preset (AddressSanitizer + UndefinedBehaviorSanitizer,
# warnings as errors) and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup-debian.sh
cmake --preset debug
cmake --build --preset debug -j "$(nproc)"
ctest --preset debug -j "$(nproc)"
