#!/usr/bin/env bash
# The same samples from every build: sorrel-host renders the same recordings
# with the same settings through the linux, linux32, win32 and win64 builds
# (the Windows ones under Wine) and the output files must be equal byte for
# byte. The 32-bit builds compute doubles on the x87 unit, the Windows
# builds use another run-time library; none of that may reach the audio.
# Quiet when green; prints SKIP lines for builds that cannot run here.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

inputs=()
for f in /usr/share/sounds/alsa/Front_Center.wav /usr/share/sounds/alsa/Noise.wav; do
  [ -f "$f" ] && inputs+=("$f")
done
if [ ${#inputs[@]} -eq 0 ]; then
  echo "SKIP: builds-agree: no recordings in /usr/share/sounds/alsa (alsa-utils)"
  exit 0
fi

# Settings: the shipped preset in whole and cut blocks (the engine runs
# blocks of one or two samples, short blocks and long blocks through
# different passes), a hand-made program with strong gains and a wide Q, and
# one in the true response (whose design the render waits for, offline).
settings=(
  "--preset resources/presets/telephone.fxp"
  "--preset resources/presets/telephone.fxp --split --block 1500"
  "--set 0=1 --set 3=0 --set 9=0.8 --set 17=0.05 --set 24=1 --set 30=0.7 --set 31=0.9 --set 32=0.35 --set 33=0.02 --block 64 --split"
  "--set 36=1 --set 0=0.4 --set 3=0 --set 4=1 --set 9=0.8 --set 17=0.05 --set 24=1 --set 32=0.2 --block 64 --split"
)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0

# Brings a configured build's plug-in and tool up to date; false (with a
# SKIP line) when that cannot be done here.
ready() {
  local preset=$1 build=$2
  if [ ! -f "$build/build.ninja" ]; then
    echo "SKIP: builds-agree: $preset is not configured ($build)"
    return 1
  fi
  if [[ $preset == win* ]] && ! command -v wine >/dev/null; then
    echo "SKIP: builds-agree: wine is not installed (scripts/deps.sh wine)"
    return 1
  fi
  if ! timeout 900 cmake --build "$build" --target sorrel_plugin sorrel-host >"$work/build.log" 2>&1; then
    echo "FAILED: builds-agree: the build of $preset failed"
    tail -n 20 "$work/build.log"
    fail=1
    return 1
  fi
}

export WINEPREFIX="$root/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

builds=()
for preset in linux linux32 win32 win64; do
  build=build/$preset
  ready "$preset" "$build" || continue
  case $preset in
  linux*) run=("$build/tools/sorrel-host") plugin=$build/Sorrel.so ;;
  win*)
    if [ ! -d "$WINEPREFIX" ]; then timeout 300 wineboot -i >/dev/null 2>&1 || true; fi
    run=(wine "$build/tools/sorrel-host.exe") plugin=$build/Sorrel.dll
    ;;
  esac
  i=0
  for input in "${inputs[@]}"; do
    cp "$input" "$work/in$i.wav"
    j=0
    for s in "${settings[@]}"; do
      # shellcheck disable=SC2086 # the settings are words
      if ! timeout 300 "${run[@]}" render "$plugin" "$work/in$i.wav" "$work/$preset-$i-$j.wav" --quiet \
        $s >"$work/render.log" 2>&1; then
        echo "FAILED: builds-agree: $preset could not render $input with $s"
        cat "$work/render.log"
        fail=1
      fi
      j=$((j + 1))
    done
    i=$((i + 1))
  done
  builds+=("$preset")
done

if [ ${#builds[@]} -lt 2 ]; then
  echo "SKIP: builds-agree: fewer than two builds to compare (${builds[*]:-none})"
  exit "$fail"
fi
# The sample format and the samples: the files' other chunks may differ
# (one writer stamps a peak chunk with the time).
samples() { # wav file -> its fmt and data chunks
  python3 - "$1" "$1.samples" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
out, at = b'', 12
while at + 8 <= len(data):
    tag, size = data[at:at + 4], struct.unpack('<I', data[at + 4:at + 8])[0]
    if tag in (b'fmt ', b'data'):
        out += tag + data[at + 8:at + 8 + size]
    at += 8 + size + (size & 1)
open(sys.argv[2], 'wb').write(out)
PY
}
first=${builds[0]}
for out in "$work/$first"-*.wav; do
  case=${out#"$work/$first"-}
  [ -f "$out" ] && samples "$out" || continue
  for preset in "${builds[@]:1}"; do
    other=$work/$preset-$case
    [ -f "$other" ] && samples "$other" || continue
    if ! cmp -s "$out.samples" "$other.samples"; then
      echo "FAILED: builds-agree: $preset renders case ${case%.wav} differently from $first:" \
        "$(cmp "$out.samples" "$other.samples" | head -n1)"
      fail=1
    fi
  done
done
exit "$fail"
