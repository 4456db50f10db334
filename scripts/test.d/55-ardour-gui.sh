#!/usr/bin/env bash
# Sorrel's editor in Ardour 7's own window on a private Xvfb display: the
# editor Ardour opens must look like the golden picture of a fresh editor, a
# fader drag must reach Ardour's saved session, and the window must close
# and reopen. A spy plug-in first records how Ardour drives an editor.
# Prints a SKIP line naming the reason when Ardour cannot run on this machine.
set -euo pipefail
step="Ardour editor test"
source "$(dirname "$0")/../lib/step.sh"
# SORREL_LINUX_BUILD names another configured build folder of the linux preset.
build=${SORREL_LINUX_BUILD:-$root/build/linux}

if ! bash scripts/deps.sh ardour gui; then
  step_skip "Debian's ardour, xvfb or xdotool package could not be installed"
fi

source scripts/lib/ardour.sh
ardour_prepare

source scripts/lib/xvfb.sh
xvfb_start 24 1600x1000 || { echo "FAIL: Ardour editor test: Xvfb did not start"; exit 1; }

# The LV2 and VST 3 bundles of the same build go through the same flow.
ardour_formats "Ardour editor test" sorrel_lv2 sorrel_lv2_ui sorrel_lv2_ttl

rc=0
timeout --kill-after=20 300 python3 tests/daw/ardour/ardour_gui_test.py \
  --plugin "$build/Sorrel.so" --host "$build/tools/sorrel-host" --spy "$build/daw/SorrelSpy.so" \
  --golden tests/golden/editor_fresh.png --shot "$build/daw/ardour-editor.png" \
  --display "$DISPLAY" "${lv2[@]}" "${vst3[@]}" || rc=$?
case $rc in
  0) ;;
  77) exit 0 ;; # the test printed its SKIP line
  124 | 137) echo "FAIL: Ardour editor test: no result within 5 minutes"; exit 1 ;;
  *) exit "$rc" ;;
esac
