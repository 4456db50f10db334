#!/usr/bin/env bash
# The Windows backend on a private X server: starts Xvfb and runs the display
# tests (CTest label "display") of the win32 and win64 builds under Wine. The
# ordinary test runs skip them for want of a display; here they get one.
# Prints a SKIP line naming the reason when Xvfb, Wine or a build is missing.
set -euo pipefail
step="Windows display tests"
source "$(dirname "$0")/../lib/step.sh"
# SORREL_WIN32_BUILD and SORREL_WIN64_BUILD name other configured build
# folders of the two presets.
builds=("win32:${SORREL_WIN32_BUILD:-$root/build/win32}" "win64:${SORREL_WIN64_BUILD:-$root/build/win64}")

step_needs "wine gui" Xvfb xdpyinfo wine

source scripts/lib/xvfb.sh
source scripts/lib/wine.sh
xvfb_start 24 || { echo "FAIL: Windows display tests: Xvfb did not start"; exit 1; }
wine_prefix

# The tests move the pointer and read the screen: one program at a time.
for entry in "${builds[@]}"; do
  preset=${entry%%:*} build=${entry#*:}
  if [ ! -f "$build/build.ninja" ]; then
    echo "SKIP: Windows display tests of $preset: $build is not configured"
    continue
  fi
  timeout 900 cmake --build "$build" --target test_wine_display
  ctest --test-dir "$build" -L display --output-on-failure -j 1 --timeout 300 >"$build/display-tests.log" ||
    { cat "$build/display-tests.log"; echo "FAIL: Windows display tests of $preset"; exit 1; }
done
