#!/usr/bin/env bash
# Installs what is needed, builds the release preset and performs a real update on this machine:
# compiles the example lists into a V4 artifact, publishes it into a temporary CDN folder served
# by veltra-cdn on 127.0.0.1, runs VeltraUpdater against a temporary data folder (an update, then
# a second run that finds it up to date, then a cleanup), and stops the server.
# Nothing outside the temporary folder is touched.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup-debian.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target VeltraUpdater veltra-cdn veltra-artifact

bin=build/release
work=$(mktemp -d "${TMPDIR:-/tmp}/veltra-demo-XXXXXX")
cdn_pid=""
cleanup() {
  if [ -n "$cdn_pid" ]; then kill -TERM "$cdn_pid" 2>/dev/null || true; wait "$cdn_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/cdn" "$work/Veltra.app/Contents"

echo "== Starting the local CDN"
"$bin/tools/veltra-cdn/veltra-cdn" --root "$work/cdn" >"$work/cdn.out" &
cdn_pid=$!
for _ in $(seq 1 100); do [ -s "$work/cdn.out" ] && break; sleep 0.05; done
base=$(head -n 1 "$work/cdn.out")
echo "serving $work/cdn at $base"

echo "== Compiling and publishing the example blocklist"
"$bin/tools/veltra-artifact/veltra-artifact" publish --registry examples/registry.json --lists examples/lists \
  --cdn-root "$work/cdn" --base-url "$base" --version "$(date -u +%Y.%m.%d)" --build-id demo-1 \
  --min-app-version 1.0
find "$work/cdn" -type f | sed "s|$work/cdn|  |"

cat >"$work/Veltra.app/Contents/Info.plist" <<'PLIST'
<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>CFBundleShortVersionString</key><string>1.0</string></dict></plist>
PLIST
export VELTRA_DATA_DIR="$work/data" VELTRA_NOTIFY_DIR="$work/notify" VELTRA_APP_BUNDLE="$work/Veltra.app"
export VELTRA_CDN_BASE="$base"
updater="$bin/src/updater/VeltraUpdater"

echo
echo "== VeltraUpdater --update-blocklist --verbose --trigger daemon"
"$updater" --update-blocklist --verbose --trigger daemon
echo "== exit code: $?"
echo "== $VELTRA_DATA_DIR/updater-status.json"
cat "$VELTRA_DATA_DIR/updater-status.json"; echo
echo "== installed files"
ls -l "$VELTRA_DATA_DIR"

echo
echo "== Second run: nothing to do"
"$updater" --update-blocklist --trigger launchd
echo "== exit code: $?"

echo
echo "== VeltraUpdater --cleanup --verbose"
"$updater" --cleanup --verbose

echo
echo "== notifications posted (name: count)"
for f in "$VELTRA_NOTIFY_DIR"/*; do echo "  $(basename "$f"): $(cat "$f")"; done
