#!/usr/bin/env bash
# Fails, listing them, when tracked C++ files (*.cc, *.h) differ from what clang-format 14 makes of
# them under the root .clang-format. Fix with: clang-format -i FILE...
set -euo pipefail
cd "$(dirname "$0")/.."

format=clang-format-14
command -v "$format" >/dev/null || format=clang-format

mapfile -d '' files < <(git ls-files -z -- '*.cc' '*.h')
# One run over every file; each violation is reported as "FILE:LINE:COLUMN: error: ...".
if report=$("$format" --dry-run --Werror "${files[@]}" 2>&1); then exit 0; fi
failing=$(grep -oE '^[^:]+:[0-9]+:[0-9]+: error: code should be clang-formatted' <<<"$report" |
  cut -d: -f1 | sort -u || true)
if [ -z "$failing" ]; then
  echo "check-format: $format failed:" >&2
  echo "$report" >&2
  exit 1
fi
echo "check-format: $(wc -l <<<"$failing") file(s) not formatted with $format:" >&2
sed 's/^/  /' <<<"$failing" >&2
exit 1
