#!/usr/bin/env bash
# Rewrites every golden image of the project (tests/golden/*.png) from the
# current build: builds the test programs of every test area that compares
# images and runs them with SORREL_REGEN_GOLDEN=1, which makes each image
# comparison write its golden file instead of checking it. Run it only after
# a change that is meant to alter pixels, and look at the images before
# committing; every target must then pass against the same files.
# Usage: scripts/regen-golden-images.sh [preset]   (default: linux)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/regen.sh
regen_configure regen-golden-images "${1:-}"

# The areas whose tests use the golden-image comparison.
areas=()
for dir in tests/*/; do
  area=$(basename "$dir")
  [[ $area == support || $area == golden ]] && continue
  if grep -lq 'matchesGolden' "$dir"*.cpp 2>/dev/null; then
    areas+=("$area")
  fi
done
[ ${#areas[@]} -eq 0 ] && { echo "no image tests found"; exit 0; }

targets=()
for a in "${areas[@]}"; do targets+=(--target "test_$a"); done
cmake --build "$build" -j "$(nproc)" "${targets[@]}"

run=()
if [[ $preset == win* ]]; then
  bash scripts/deps.sh wine >/dev/null
  export WINEPREFIX="$PWD/build/wineprefix" WINEDEBUG=-all
  run=(wine)
fi
for a in "${areas[@]}"; do
  exe=$(find "$build/tests" \( -name "test_$a" -o -name "test_$a.exe" \) -type f | head -n 1)
  [ -n "$exe" ] || { echo "test_$a not built" >&2; exit 1; }
  # Run from the area's build folder, as ctest does.
  (cd "$(dirname "$exe")" && SORREL_REGEN_GOLDEN=1 "${run[@]}" "./$(basename "$exe")" --gtest_brief=1)
done
git status --short tests/golden/
