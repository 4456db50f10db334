#!/usr/bin/env bash
# The main job: builds the plug-in for every target and shows what it exports.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh build
for p in linux linux32 win32 win64; do
  cmake --preset "$p" -DSORREL_TESTS=OFF >/dev/null
  cmake --build --preset "$p" -j "$(nproc)" --target sorrel_plugin >/dev/null
done
echo "Linux x86_64: build/linux/Sorrel.so"
nm -D --defined-only build/linux/Sorrel.so | awk '{print "  " $3}'
echo "Linux i686:   build/linux32/Sorrel.so"
nm -D --defined-only build/linux32/Sorrel.so | awk '{print "  " $3}'
for p in win32 win64; do
  echo "Windows ($p): build/$p/Sorrel.dll"
  objdump -p "build/$p/Sorrel.dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | tail -n +2 | sed 's/^\s*/  /'
done
