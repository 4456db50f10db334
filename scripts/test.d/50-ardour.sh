#!/usr/bin/env bash
# Sorrel inside a real host: Debian's Ardour 7 scans the Linux plug-ins,
# renders a track through it, saves and reloads the session, all headless.
# Prints a SKIP line naming the reason when Ardour cannot run on this machine.
set -euo pipefail
step="Ardour host test"
source "$(dirname "$0")/../lib/step.sh"
# SORREL_LINUX_BUILD names another configured build folder of the linux preset.
build=${SORREL_LINUX_BUILD:-$root/build/linux}

if ! bash scripts/deps.sh ardour; then
  step_skip "Debian's ardour package could not be installed"
fi

source scripts/lib/ardour.sh
ardour_prepare

# The LV2 bundle of the same build goes through the same flow.
lv2=()
if grep -q '^SORREL_LV2_INCLUDE:PATH=/' "$build/CMakeCache.txt"; then
  cmake --build "$build" --target sorrel_lv2 sorrel_lv2_ttl
  lv2=(--lv2 "$build")
else
  echo "SKIP: Ardour host test of the LV2 build: the build found no LV2 headers (scripts/deps.sh lv2)"
fi

# And the VST 3 bundle, where the build makes one.
vst3=()
if cmake --build "$build" --target sorrel_vst3_module >/dev/null 2>&1; then
  vst3=(--vst3 "$build/Sorrel.vst3")
else
  echo "SKIP: Ardour host test of the VST 3 build: the build makes no VST 3 bundle"
fi

rc=0
timeout --kill-after=30 900 python3 tests/daw/ardour/ardour_test.py \
  --plugin "$build/Sorrel.so" --host "$build/tools/sorrel-host" --spy "$build/daw/SorrelSpy.so" "${lv2[@]}" \
  "${vst3[@]}" || rc=$?
case $rc in
  0) ;;
  77) exit 0 ;; # the test printed its SKIP line
  124 | 137) echo "FAIL: Ardour host test: no result within 15 minutes"; exit 1 ;;
  *) exit "$rc" ;;
esac
