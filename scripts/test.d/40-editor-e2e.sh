#!/usr/bin/env bash
# Sorrel's editor used end to end in `sorrel-host gui` on a private Xvfb
# display: its picture against the golden one, fader drags, Ctrl+clicks,
# wheel notches, the meter switch and the logo, on Linux and with the win32
# and win64 builds under Wine, and two instances in one process
# (tests/e2e/editor_e2e.py); then tests/tools/gui_check.sh (ZamGEQ31 and a
# Windows test plug-in). Prints SKIP lines for what cannot run here.
set -uo pipefail
step="editor end-to-end tests"
source "$(dirname "$0")/../lib/step.sh"
# SORREL_LINUX_BUILD, SORREL_WIN32_BUILD and SORREL_WIN64_BUILD name other
# configured build folders of the three presets.
linux=${SORREL_LINUX_BUILD:-$root/build/linux}
win32=${SORREL_WIN32_BUILD:-$root/build/win32}
win64=${SORREL_WIN64_BUILD:-$root/build/win64}

step_needs gui Xvfb xdotool xdpyinfo python3

fail=0
step_ready linux "$linux" sorrel_plugin sorrel-host || exit "$fail"
targets=("linux=$linux")
windows=
if ! command -v wine >/dev/null; then
  echo "SKIP: editor end-to-end tests under Wine: wine is not installed (scripts/deps.sh wine)"
else
  for entry in "win32:$win32" "win64:$win64"; do
    if step_ready "${entry%%:*}" "${entry#*:}" sorrel_plugin sorrel-host editorplug; then
      targets+=("${entry%%:*}=${entry#*:}")
      windows=${windows:-${entry#*:}}
    fi
  done
fi

unset DISPLAY
source scripts/lib/xvfb.sh
xvfb_start 24 || { echo "FAILED: editor end-to-end tests: Xvfb did not start"; exit 1; }

source scripts/lib/wine.sh
[ -n "$windows" ] && wine_prefix

echo "editor end-to-end tests on $DISPLAY: ${targets[*]%%=*}"
timeout --kill-after=10 240 python3 tests/e2e/editor_e2e.py "$linux/tests/e2e" "${targets[@]}" || fail=1
# gui_check.sh opens Debian's ZamGEQ31 when it is there (SKIP otherwise).
bash scripts/deps.sh bench >/dev/null 2>&1 || true
timeout --kill-after=10 180 bash tests/tools/gui_check.sh "$linux" $windows || fail=1
[ "$fail" = 0 ] || { echo "FAILED: editor end-to-end tests"; exit 1; }
