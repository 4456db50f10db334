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

# The LV2 and VST 3 bundles of the same build go through the same flow.
ardour_formats "Ardour host test" sorrel_lv2 sorrel_lv2_ttl

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
