#!/usr/bin/env bash
# Sorrel's three Linux formats (CLAP, VST 2.4, LV2) in Debian's Qtractor on a
# private Xvfb display with a dummy JACK server: each loads on a stereo
# track and shows the golden picture, a drag in the CLAP editor reaches the
# value Qtractor saves, the session reopens with the same values and state,
# and Qtractor exits cleanly. Where the machine has no ALSA sequencer (a
# container, a VM), Qtractor runs with the sequencer stand-in preloaded.
# Prints a SKIP line naming the reason when Qtractor cannot run here.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
# SORREL_LINUX_BUILD names another configured build folder of the linux preset.
build=${SORREL_LINUX_BUILD:-$root/build/linux}

step="Qtractor test"
source scripts/lib/step.sh

if ! bash scripts/deps.sh qtractor gui; then
  step_skip "Debian's qtractor, jackd2, xvfb or xdotool package could not be installed"
fi
step_needs qtractor qtractor jackd jack_lsp
step_needs gui Xvfb xdotool
if [ ! -f "$build/build.ninja" ]; then
  cmake --preset linux -B "$build" >/dev/null
fi
grep -q '^SORREL_LV2_INCLUDE:PATH=/' "$build/CMakeCache.txt" ||
  step_skip "the build found no LV2 headers (scripts/deps.sh lv2)"
cmake --build "$build" --target sorrel_plugin sorrel_clap_bundle sorrel_lv2 sorrel_lv2_ui sorrel_lv2_ttl

standin=()
if [ ! -e /dev/snd/seq ]; then
  mkdir -p "$build/daw"
  cc -O2 -shared -fPIC -Wall -Werror tests/daw/qtractor/seq_standin.c -o "$build/daw/seq_standin.so"
  standin=(--seq-standin "$build/daw/seq_standin.so")
  echo "no /dev/snd/seq: Qtractor runs with the sequencer stand-in"
fi

source scripts/lib/xvfb.sh
xvfb_start 24 1600x1000 || { echo "FAIL: $step: Xvfb did not start"; exit 1; }

rc=0
timeout --kill-after=20 240 python3 tests/daw/qtractor/qtractor_test.py \
  --clap "$build/Sorrel.clap" --vst2 "$build/Sorrel.so" --lv2 "$build" \
  --golden tests/golden/editor_fresh.png --shots "$build/daw" --display "$DISPLAY" "${standin[@]}" || rc=$?
case $rc in
  0) ;;
  77) exit 0 ;; # the test printed its SKIP line
  124 | 137) echo "FAIL: $step: no result within 4 minutes"; exit 1 ;;
  *) exit "$rc" ;;
esac
