#!/usr/bin/env bash
# The X11 backend on a private X server: starts Xvfb, runs the display tests
# of the linux and asan builds against a 24-bit screen, and those of the
# linux build once more against a 16-bit screen, where every pixel goes
# through conversion, and against 24-bit screens whose server offers no
# shared-memory images or cannot reach our segments (its own IPC namespace),
# where the pixels go through the socket. Prints a SKIP line naming the
# reason when the X tools are missing.
set -euo pipefail
step="display tests"
source "$(dirname "$0")/../lib/step.sh"
# SORREL_LINUX_BUILD and SORREL_ASAN_BUILD name other configured build
# folders of the two presets.
builds=("linux:${SORREL_LINUX_BUILD:-$root/build/linux}" "asan:${SORREL_ASAN_BUILD:-$root/build/asan}")

step_needs gui Xvfb xdotool xdpyinfo

source scripts/lib/xvfb.sh
start_server() {
  xvfb_start "$1" 1280x1024 "${@:2}" || { echo "FAIL: display tests: Xvfb did not start"; exit 1; }
}

run_tests() {
  local preset=$1 build=$2
  if [ ! -f "$build/build.ninja" ]; then
    cmake --preset "$preset" -B "$build" >/dev/null
  fi
  timeout 900 cmake --build "$build" --target test_display
  ctest --test-dir "$build" -L display --output-on-failure --timeout 300 >"$build/display-tests.log" ||
    { cat "$build/display-tests.log"; echo "FAIL: display tests of $preset"; exit 1; }
}

start_server 24
for entry in "${builds[@]}"; do
  run_tests "${entry%%:*}" "${entry#*:}"
done
start_server 16
run_tests linux "${builds[0]#*:}"
start_server 24 -extension MIT-SHM
run_tests linux "${builds[0]#*:}"
if unshare --ipc true 2>/dev/null; then
  XVFB_WRAPPER="unshare --ipc" start_server 24
  SORREL_TEST_SHM_REACHABLE=0 run_tests linux "${builds[0]#*:}"
else
  echo "SKIP: display tests against a server in another IPC namespace: unshare --ipc is not permitted here"
fi
