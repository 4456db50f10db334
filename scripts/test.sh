#!/usr/bin/env bash
# Runs every test of the project on a fresh Debian machine: installs what is
# missing, builds each preset and runs its suites (Windows builds under Wine).
# Usage: scripts/test.sh [preset...]   (default: all)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

presets=("$@")
[ ${#presets[@]} -eq 0 ] && presets=(linux asan linux32 win32 win64 tsan)

bash scripts/deps.sh build wine gui lv2

source scripts/lib/wine.sh
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1
jobs=$(nproc)

# Each step says how long the run has taken so far, so a slow step shows.
started=$SECONDS
step() { printf '\n==== %s (at %dm%02ds)\n' "$*" $(((SECONDS - started) / 60)) $(((SECONDS - started) % 60)); }

step "layers"
bash scripts/check-layers.sh

for p in "${presets[@]}"; do
  step "configure $p"
  cmake --preset "$p" >/dev/null
  step "build $p"
  cmake --build --preset "$p" -j "$jobs"
  if [[ $p == win* ]] && [ ! -d "$WINEPREFIX" ]; then
    step "wine prefix"
    wine_prefix
  fi
  step "test $p"
  ctest --preset "$p" -j "$jobs"
  if [ -x "scripts/check-$p.sh" ]; then
    step "checks $p"
    bash "scripts/check-$p.sh"
  fi
done

for extra in scripts/test.d/*.sh; do
  [ -e "$extra" ] || continue
  step "$(basename "$extra" .sh)"
  bash "$extra"
done
step "all tests passed"
