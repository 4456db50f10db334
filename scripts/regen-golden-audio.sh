#!/usr/bin/env bash
# Rewrites the effect's golden audio (tests/golden/effect_*.f32) from the
# current build: a fixed input through a fixed program at 44100 Hz, rendered
# by the built plug-in loaded through its entry. Run it only after a change
# that is meant to alter the sound, and look at the diff before committing.
# Usage: scripts/regen-golden-audio.sh [preset]   (default: linux)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/regen.sh
regen_configure regen-golden-audio "${1:-}"
cmake --build "$build" -j "$(nproc)" --target test_plugin
SORREL_REGEN_GOLDEN_AUDIO=1 "$build/tests/plugin/test_plugin" --gtest_filter='AudioTest.GoldenRendering'
git status --short tests/golden/
