#!/usr/bin/env bash
# The X11 backend on a private X server: starts Xvfb, runs the display tests
# of the linux and asan builds against a 24-bit screen, and those of the
# linux build once more against a 16-bit screen, where every pixel goes
# through conversion. Prints a SKIP line naming the reason when the X tools
# are missing.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
# SORREL_LINUX_BUILD and SORREL_ASAN_BUILD name other configured build
# folders of the two presets.
builds=("linux:${SORREL_LINUX_BUILD:-$root/build/linux}" "asan:${SORREL_ASAN_BUILD:-$root/build/asan}")

skip() {
  echo "SKIP: display tests: $*"
  exit 0
}
for tool in Xvfb xdotool xdpyinfo; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/deps.sh gui)"
done

servers=()
cleanup() {
  for pid in "${servers[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
trap cleanup EXIT

# Starts a private server of the given depth and sets DISPLAY to it. Xvfb
# picks a free display number itself (-displayfd), so parallel runs do not
# collide. -noreset: the server must not restart between two tests, when
# the last client has gone.
start_server() {
  local depth=$1 numberfile
  numberfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x"$depth" -nolisten tcp -noreset 3>"$numberfile" 2>/dev/null &
  servers+=($!)
  for _ in $(seq 100); do
    if [ -s "$numberfile" ] && DISPLAY=":$(head -n1 "$numberfile")" xdpyinfo >/dev/null 2>&1; then
      export DISPLAY=":$(head -n1 "$numberfile")"
      rm -f "$numberfile"
      return 0
    fi
    sleep 0.1
  done
  rm -f "$numberfile"
  echo "FAIL: display tests: Xvfb did not start"
  exit 1
}

run_tests() {
  local preset=$1 build=$2
  if [ ! -f "$build/build.ninja" ]; then
    cmake --preset "$preset" -B "$build" >/dev/null
  fi
  cmake --build "$build" --target test_display
  echo "display tests of $preset on $DISPLAY"
  ctest --test-dir "$build" -L display --output-on-failure
}

start_server 24
for entry in "${builds[@]}"; do
  run_tests "${entry%%:*}" "${entry#*:}"
done
start_server 16
run_tests linux "${builds[0]#*:}"
