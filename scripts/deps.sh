#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine. Idempotent
# and quiet when everything is present. Usage: deps.sh [group...]
# Groups: build (default), wine, gui, fuzz, bench, ardour, lv2, qtractor, coverage.
set -euo pipefail

declare -A groups=(
  [build]="cmake ninja-build g++ dpkg-dev g++-multilib mingw-w64 binutils-mingw-w64 libgtest-dev googletest libbenchmark-dev pkg-config libsndfile1-dev libx11-dev libxext-dev libstb-dev fonts-liberation2 fonts-dejavu-core alsa-utils python3"
  [wine]="wine wine32:i386 wine64"
  [gui]="xvfb xdotool x11-utils x11-xserver-utils libxres1"
  [fuzz]="clang libclang-rt-14-dev"
  [bench]="zam-plugins lsp-plugins-vst"
  [ardour]="ardour"
  [qtractor]="qtractor jackd2"
  [lv2]="lv2-dev sordi serdi lilv-utils liblilv-dev jalv jackd2"
  [coverage]="gcovr"
)

want=("$@")
[ ${#want[@]} -eq 0 ] && want=(build)

missing=()
for g in "${want[@]}"; do
  for p in ${groups[$g]:?unknown group $g}; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}" >&2
if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq >/dev/null
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
