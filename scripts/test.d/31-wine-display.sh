#!/usr/bin/env bash
# The Windows backend on a private X server: starts Xvfb and runs the display
# tests (CTest label "display") of the win32 and win64 builds under Wine. The
# ordinary test runs skip them for want of a display; here they get one.
# Prints a SKIP line naming the reason when Xvfb, Wine or a build is missing.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
# SORREL_WIN32_BUILD and SORREL_WIN64_BUILD name other configured build
# folders of the two presets.
builds=("win32:${SORREL_WIN32_BUILD:-$root/build/win32}" "win64:${SORREL_WIN64_BUILD:-$root/build/win64}")

skip() {
  echo "SKIP: Windows display tests: $*"
  exit 0
}
for tool in Xvfb xdpyinfo wine; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/deps.sh wine gui)"
done

server=
cleanup() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
  fi
}
trap cleanup EXIT

# Xvfb picks a free display number itself (-displayfd), so parallel runs do
# not collide; -noreset keeps it from restarting when Wine's last client
# disconnects between the two builds.
numberfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$numberfile" 2>/dev/null &
server=$!
started=
for _ in $(seq 100); do
  if [ -s "$numberfile" ] && DISPLAY=":$(head -n1 "$numberfile")" xdpyinfo >/dev/null 2>&1; then
    export DISPLAY=":$(head -n1 "$numberfile")"
    started=yes
    break
  fi
  sleep 0.1
done
rm -f "$numberfile"
[ -n "$started" ] || { echo "FAIL: Windows display tests: Xvfb did not start"; exit 1; }

export WINEPREFIX="$root/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -d "$WINEPREFIX" ]; then
  wineboot -i >/dev/null 2>&1 || true
fi

# The tests move the pointer and read the screen: one program at a time.
for entry in "${builds[@]}"; do
  preset=${entry%%:*} build=${entry#*:}
  if [ ! -f "$build/build.ninja" ]; then
    echo "SKIP: Windows display tests of $preset: $build is not configured"
    continue
  fi
  cmake --build "$build" --target test_wine_display
  echo "Windows display tests of $preset on $DISPLAY"
  ctest --test-dir "$build" -L display --output-on-failure -j 1
done
