#!/usr/bin/env bash
# Sorrel's editor at scales 2 and 3 end to end in `sorrel-host gui` on a
# private Xvfb display large enough for the 3x editor: the host's
# content-scale call (picture and gestures), Xft.dpi from the X resources,
# SORREL_SCALE, and the 32-bit DLL under Wine (tests/e2e/editor_scale_e2e.py).
# Prints SKIP lines for what cannot run here.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
linux=${SORREL_LINUX_BUILD:-$root/build/linux}
win32=${SORREL_WIN32_BUILD:-$root/build/win32}

for tool in Xvfb xdotool xdpyinfo xrdb python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: editor scale tests: $tool is not installed (scripts/deps.sh gui)"
    exit 0
  fi
done

fail=0
ready() {
  local preset=$1 build=$2
  shift 2
  if [ ! -f "$build/build.ninja" ]; then
    echo "SKIP: editor scale tests of $preset: $build is not configured"
    return 1
  fi
  if ! timeout 600 cmake --build "$build" --target "$@" >/dev/null; then
    echo "FAILED: editor scale tests of $preset: the build of $* failed"
    fail=1
    return 1
  fi
}

ready linux "$linux" sorrel_plugin sorrel-host || exit "$fail"
targets=("linux=$linux")
if ! command -v wine >/dev/null; then
  echo "SKIP: editor scale tests under Wine: wine is not installed (scripts/deps.sh wine)"
elif ready win32 "$win32" sorrel_plugin sorrel-host; then
  targets+=("win32=$win32")
fi

server=
cleanup() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
  fi
}
trap cleanup EXIT

# -noreset: the resources merged with xrdb stay when a program disconnects.
unset DISPLAY
numberfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 2400x1200x24 -nolisten tcp -noreset 3>"$numberfile" 2>/dev/null &
server=$!
for _ in $(seq 100); do
  if [ -s "$numberfile" ] && DISPLAY=":$(head -n1 "$numberfile")" xdpyinfo >/dev/null 2>&1; then
    export DISPLAY=":$(head -n1 "$numberfile")"
    break
  fi
  sleep 0.1
done
rm -f "$numberfile"
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  echo "FAILED: editor scale tests: Xvfb did not start"
  exit 1
fi

export WINEPREFIX="$root/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ${#targets[@]} -gt 1 ] && [ ! -d "$WINEPREFIX" ]; then
  timeout 300 wineboot -i >/dev/null 2>&1 || true
fi

out=$linux/tests/e2e-scale
mkdir -p "$out"
if ! timeout --kill-after=10 300 python3 tests/e2e/editor_scale_e2e.py "$out" "${targets[@]}" >"$out/log.txt" 2>&1; then
  grep -v '^ok:' "$out/log.txt"
  echo "FAILED: editor scale tests (all lines in $out/log.txt)"
  exit 1
fi
