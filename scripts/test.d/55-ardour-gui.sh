#!/usr/bin/env bash
# Sorrel's editor in Ardour 7's own window on a private Xvfb display: the
# editor Ardour opens must look like the golden picture of a fresh editor, a
# fader drag must reach Ardour's saved session, and the window must close
# and reopen. A spy plug-in first records how Ardour drives an editor.
# Prints a SKIP line naming the reason when Ardour cannot run on this machine.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
# SORREL_LINUX_BUILD names another configured build folder of the linux preset.
build=${SORREL_LINUX_BUILD:-$root/build/linux}
display=:61

skip() {
  echo "SKIP: Ardour editor test: $*"
  exit 0
}

if ! bash scripts/deps.sh ardour gui; then
  skip "Debian's ardour, xvfb or xdotool package could not be installed"
fi

if [ ! -f "$build/build.ninja" ]; then
  cmake --preset linux -B "$build" >/dev/null
fi
cmake --build "$build" --target sorrel_plugin sorrel-host

mkdir -p "$build/hosts"
c++ -std=c++17 -O2 -shared -fPIC -fvisibility=hidden -Wall -Wextra -Wshadow -Werror -I"$root" \
  tests/hosts/spy/spy_plugin.cpp -o "$build/hosts/SorrelSpy.so" -lpthread

# The test starts and stops its own Xvfb; this catches one left behind when
# the test itself is killed.
cleanup() {
  local lock=/tmp/.X${display#:}-lock
  if [ -f "$lock" ]; then
    local pid
    pid=$(tr -d ' ' <"$lock")
    if [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xvfb ]; then
      kill "$pid" 2>/dev/null || true
    fi
  fi
}
started_clean=1
[ -f "/tmp/.X${display#:}-lock" ] && started_clean=0
[ $started_clean = 1 ] && trap cleanup EXIT

# The LV2 bundle's editor opens in Ardour too.
lv2=()
if grep -q '^SORREL_LV2_INCLUDE:PATH=/' "$build/CMakeCache.txt"; then
  cmake --build "$build" --target sorrel_lv2 sorrel_lv2_ui sorrel_lv2_ttl
  lv2=(--lv2 "$build")
else
  echo "SKIP: Ardour editor test of the LV2 build: the build found no LV2 headers (scripts/deps.sh lv2)"
fi

rc=0
timeout --kill-after=20 300 python3 tests/hosts/ardour/ardour_gui_test.py \
  --plugin "$build/Sorrel.so" --host "$build/tools/sorrel-host" --spy "$build/hosts/SorrelSpy.so" \
  --golden tests/golden/editor_fresh.png --shot "$build/hosts/ardour-editor.png" \
  --display "$display" "${lv2[@]}" || rc=$?
case $rc in
  0) ;;
  77) exit 0 ;; # the test printed its SKIP line
  124 | 137) echo "FAIL: Ardour editor test: no result within 5 minutes"; exit 1 ;;
  *) exit "$rc" ;;
esac
