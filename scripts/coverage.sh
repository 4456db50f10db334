#!/usr/bin/env bash
# Line coverage of the product code (everything but tests/ and bench/): builds
# the coverage preset, runs its tests, the display tests on a private Xvfb,
# and prints gcovr's summary. Not part of scripts/test.sh; for comparing a
# change's coverage before and after. Usage: scripts/coverage.sh [gcovr args]
# (e.g. --html-details build/coverage/index.html). gcovr's warnings (branch
# counts that concurrent tests raced on) go to build/coverage/gcovr.log.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/deps.sh build gui coverage
build=$root/build/coverage

cmake --preset coverage >/dev/null
cmake --build --preset coverage -j "${SORREL_JOBS:-2}" >/dev/null
find "$build" -name '*.gcda' -delete
ctest --preset coverage -j "${SORREL_JOBS:-2}" -LE display >/dev/null || echo "coverage: some tests failed"

# The display tests against the same servers as the display stage: 24 and
# 16 bits, one without MIT-SHM and one in another IPC namespace (the paths
# that present through the socket).
source scripts/lib/xvfb.sh
display_run() { # label, Xvfb arguments...
  local label=$1
  shift
  if xvfb_start "$@"; then
    ctest --test-dir "$build" -L display >/dev/null || echo "coverage: some display tests failed ($label)"
  else
    echo "coverage: Xvfb did not start; display tests left out ($label)"
  fi
}
display_run "24 bits" 24
display_run "16 bits" 16
display_run "no MIT-SHM" 24 1280x1024 -extension MIT-SHM
if unshare --ipc true 2>/dev/null; then
  XVFB_WRAPPER="unshare --ipc" SORREL_TEST_SHM_REACHABLE=0 display_run "other IPC namespace" 24
fi

gcovr --root "$root" --object-directory "$build" --exclude "$root/tests/" --exclude "$root/bench/" \
  --exclude "$root/build/" --gcov-ignore-parse-errors -j "${SORREL_JOBS:-2}" --print-summary "$@" \
  2>"$build/gcovr.log" | tail -n 3
