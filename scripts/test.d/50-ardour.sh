#!/usr/bin/env bash
# Sorrel inside a real host: Debian's Ardour 7 scans the Linux plug-in,
# renders a track through it, saves and reloads the session, all headless.
# Prints a SKIP line naming the reason when Ardour cannot run on this machine.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
# SORREL_LINUX_BUILD names another configured build folder of the linux preset.
build=${SORREL_LINUX_BUILD:-$root/build/linux}

skip() {
  echo "SKIP: Ardour host test: $*"
  exit 0
}

if ! bash scripts/deps.sh ardour; then
  skip "Debian's ardour package could not be installed"
fi

source scripts/lib/ardour.sh
ardour_prepare

rc=0
timeout --kill-after=30 900 python3 tests/hosts/ardour/ardour_test.py \
  --plugin "$build/Sorrel.so" --host "$build/tools/sorrel-host" --spy "$build/hosts/SorrelSpy.so" || rc=$?
case $rc in
  0) ;;
  77) exit 0 ;; # the test printed its SKIP line
  124 | 137) echo "FAIL: Ardour host test: no result within 15 minutes"; exit 1 ;;
  *) exit "$rc" ;;
esac
