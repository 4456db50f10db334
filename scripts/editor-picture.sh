#!/usr/bin/env bash
# Writes docs/editor.png, the editor's picture in the README: the editor
# drawn without a display, with the shipped Telephone preset on its faders
# and its meters at the loudest moment of the demo recording (Front_Center.wav
# from Debian's alsa-utils), exactly as scripts/demo.sh draws out/editor.png,
# docs/editor-2x.png, the same at scale 2, which the README shows at the
# editor's size so that high-density screens see it sharp, and
# docs/editor-1.5x.png at 1.5, which the README shows beside the 1x one.
# Usage: scripts/editor-picture.sh [PRESET]   (default: telephone)
set -euo pipefail
cd "$(dirname "$0")/.."
name=${1:-telephone}
preset=resources/presets/$name.fxp
input=/usr/share/sounds/alsa/Front_Center.wav
[ -f "$preset" ] || { echo "editor-picture: no preset $preset" >&2; exit 2; }

bash scripts/deps.sh build >/dev/null
# An existing build folder keeps its settings (tests and benchmarks stay as
# they were configured); a fresh one is set up without them.
[ -f build/linux/build.ninja ] || cmake --preset linux -DSORREL_TESTS=OFF -DSORREL_BENCH=OFF >/dev/null
cmake --build --preset linux -j "$(nproc)" --target editor-snapshot >/dev/null
mkdir -p docs
build/linux/tools/editor-snapshot/editor-snapshot --preset "$preset" --input "$input" --output docs/editor.png
build/linux/tools/editor-snapshot/editor-snapshot --preset "$preset" --input "$input" --output docs/editor-2x.png \
  --scale 2
build/linux/tools/editor-snapshot/editor-snapshot --preset "$preset" --input "$input" --output docs/editor-1.5x.png \
  --scale 1.5
