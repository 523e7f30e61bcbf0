#!/usr/bin/env bash
# Installs what is needed, builds the release preset and runs the updater against a temporary
# data folder: a cleanup, then a format-4 update run. Nothing outside the temporary folder is
# touched.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup-debian.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target VeltraUpdater

work=$(mktemp -d "${TMPDIR:-/tmp}/veltra-demo-XXXXXX")
trap 'rm -rf "$work"' EXIT
export VELTRA_DATA_DIR="$work/data" VELTRA_NOTIFY_DIR="$work/notify" VELTRA_APP_BUNDLE="$work/Veltra.app"
updater=build/release/src/updater/VeltraUpdater

echo "== VeltraUpdater --cleanup --verbose"
"$updater" --cleanup --verbose
echo "== VeltraUpdater --update-blocklist --verbose --format 4 --trigger daemon"
set +e
"$updater" --update-blocklist --verbose --format 4 --trigger daemon
code=$?
set -e
echo "== exit code: $code"
echo "== $VELTRA_DATA_DIR/updater-status.json"
cat "$VELTRA_DATA_DIR/updater-status.json"; echo
echo "== notifications posted"
for f in "$VELTRA_NOTIFY_DIR"/*; do echo "$(basename "$f"): $(cat "$f")"; done
