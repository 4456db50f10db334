#!/usr/bin/env bash
# Sorrel's editor at 1.25x, 2x and 3x end to end in `sorrel-host gui` on a
# private Xvfb display large enough for the 3x editor: the host's
# content-scale call (picture and gestures), Xft.dpi from the X resources,
# SORREL_SCALE, and the 32-bit DLL under Wine (tests/e2e/editor_scale_e2e.py).
# Prints SKIP lines for what cannot run here.
set -uo pipefail
step="editor scale tests"
source "$(dirname "$0")/../lib/step.sh"
linux=${SORREL_LINUX_BUILD:-$root/build/linux}
win32=${SORREL_WIN32_BUILD:-$root/build/win32}

step_needs gui Xvfb xdotool xdpyinfo xrdb python3

fail=0
step_ready linux "$linux" sorrel_plugin sorrel-host || exit "$fail"
targets=("linux=$linux")
if ! command -v wine >/dev/null; then
  echo "SKIP: editor scale tests under Wine: wine is not installed (scripts/deps.sh wine)"
elif step_ready win32 "$win32" sorrel_plugin sorrel-host; then
  targets+=("win32=$win32")
fi

# The server keeps the resources merged with xrdb (-noreset) and is large
# enough for the 3x editor.
unset DISPLAY
source scripts/lib/xvfb.sh
xvfb_start 24 2400x1200 || { echo "FAILED: editor scale tests: Xvfb did not start"; exit 1; }

source scripts/lib/wine.sh
[ ${#targets[@]} -gt 1 ] && wine_prefix

out=$linux/tests/e2e-scale
mkdir -p "$out"
if ! timeout --kill-after=10 300 python3 tests/e2e/editor_scale_e2e.py "$out" "${targets[@]}" >"$out/log.txt" 2>&1; then
  grep -v '^ok:' "$out/log.txt"
  echo "FAILED: editor scale tests (all lines in $out/log.txt)"
  exit 1
fi
