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

source scripts/lib/xvfb.sh
if xvfb_start 24; then
  ctest --test-dir "$build" -L display >/dev/null || echo "coverage: some display tests failed"
else
  echo "coverage: Xvfb did not start; display tests left out"
fi

gcovr --root "$root" --object-directory "$build" --exclude "$root/tests/" --exclude "$root/bench/" \
  --exclude "$root/build/" --gcov-ignore-parse-errors -j "${SORREL_JOBS:-2}" --print-summary "$@" \
  2>"$build/gcovr.log" | tail -n 3
