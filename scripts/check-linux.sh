#!/usr/bin/env bash
# Checks a built Linux plug-in: it exports exactly VSTPluginMain, main and
# MAIN, and needs no C++ runtime (libstdc++ and libgcc are linked in).
# Usage: check-linux.sh [path/to/Sorrel.so]   (default build/linux/Sorrel.so)
set -euo pipefail
cd "$(dirname "$0")/.."

so=${1:-build/linux/Sorrel.so}
if [ ! -f "$so" ]; then
  echo "FAIL: $so missing" >&2
  exit 1
fi

status=0
exports=$(nm -D --defined-only "$so" | awk '$2 ~ /^[TtWwVviDdBbRr]$/ {print $3}' | sed 's/@.*//' | sort | tr '\n' ' ')
if [ "$exports" != "MAIN VSTPluginMain main " ]; then
  echo "FAIL: $so exports '$exports', expected exactly MAIN VSTPluginMain main" >&2
  status=1
fi

needed=$(readelf -d "$so" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | tr '\n' ' ')
if grep -Eq 'libstdc\+\+|libgcc_s' <<<"$needed"; then
  echo "FAIL: $so needs the C++ runtime: $needed" >&2
  status=1
fi

[ $status -eq 0 ] && echo "ok: $so exports $exports and needs only: $needed"
exit $status
