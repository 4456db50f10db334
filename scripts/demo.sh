#!/usr/bin/env bash
# The main job: installs what is missing, builds the plug-in for every target
# and sorrel-host, runs a real recording through Sorrel with a shipped preset
# and shows what changed: out/<preset>.wav, its response plot
# out/<preset>.png, levels before and after, and out/editor.png, the editor
# with the preset on its faders and the recording's loudest moment on its
# meters (drawn without a display).
# The recording also goes through the LV2 build with the same preset's port
# values (out/<preset>-lv2.wav), and the demo says whether that equals the
# VST render sample for sample.
# Usage: scripts/demo.sh [PRESET]   (default: telephone, from resources/presets)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
name=${1:-telephone}
preset=resources/presets/$name.fxp
input=/usr/share/sounds/alsa/Front_Center.wav
[ -f "$preset" ] || { echo "demo: no preset $preset" >&2; exit 2; }

# lv2: the standard's headers for the LV2 bundle and lv2apply to render it.
bash scripts/deps.sh build lv2

# One status line on standard error, redrawn in place, only on a terminal.
tty=0
[ -t 2 ] && tty=1
status() { [ $tty = 1 ] && printf '\r\033[K%s' "$*" >&2 || true; }
log=$(mktemp)
trap 'rm -f "$log"' EXIT
run() {
  if ! "$@" >"$log" 2>&1; then
    status ""
    echo "demo: failed: $*" >&2
    tail -n 40 "$log" >&2
    exit 1
  fi
}

presets=(linux linux32 win32 win64)
jobs=$(nproc)
i=0
for p in "${presets[@]}"; do
  i=$((i + 1))
  status "[$i/${#presets[@]}] building $p"
  # An existing build folder keeps its settings; a fresh one skips the tests.
  [ -f "build/$p/build.ninja" ] || run cmake --preset "$p" -DSORREL_TESTS=OFF -DSORREL_BENCH=OFF
  # A folder configured before the LV2 headers were there looks for them
  # again (without the preset, which would reset the folder's settings).
  if [ "$p" = linux ] && ! grep -q '^SORREL_LV2_INCLUDE:PATH=/' "build/$p/CMakeCache.txt"; then
    run cmake -S . -B "build/$p"
  fi
  targets=(--target sorrel_plugin)
  [ "$p" = linux ] && targets+=(--target sorrel-host --target editor-snapshot)
  [ "$p" = linux ] && grep -q '^SORREL_LV2_INCLUDE:PATH=/' "build/$p/CMakeCache.txt" &&
    targets+=(--target sorrel_lv2 --target sorrel_lv2_ttl)
  run cmake --build --preset "$p" -j "$jobs" "${targets[@]}"
done
status ""

host=build/linux/tools/sorrel-host
plugin=build/linux/Sorrel.so
mkdir -p out
wav=out/$name.wav
png=out/$name.png
stats=$("$host" render "$plugin" "$input" "$wav" --preset "$preset" --stats)
"$host" response "$plugin" --preset "$preset" --png "$png" --title "Sorrel with the $name preset"
shape=$("$host" response "$plugin" --preset "$preset" --freq 100,1000,10000)
editor=out/editor.png
build/linux/tools/editor-snapshot/editor-snapshot --preset "$preset" --input "$input" --output "$editor" >/dev/null

# The LV2 build: lv2apply takes a stereo float copy of the recording (the
# VST render feeds the mono channel to both inputs) and the preset's port
# values from the bundle.
lv2=build/linux/sorrel.lv2
lv2_line="not rendered: lilv-utils (lv2apply) is not installed (scripts/deps.sh lv2)"
if [ ! -f "$lv2/presets.ttl" ]; then
  lv2_line="not rendered: the linux build has no LV2 bundle (scripts/deps.sh lv2, then build again)"
elif command -v lv2apply >/dev/null; then
  ports=$(python3 - "$lv2/presets.ttl" "$name" <<'PY'
import re, sys
ttl = open(sys.argv[1]).read()
block = re.search(r"#preset-" + re.escape(sys.argv[2]) + r">(.*?)\.\s*$", ttl, re.S | re.M)
if block:
    print(" ".join(f"-c {s} {v}" for s, v in re.findall(r'lv2:symbol "(\w+)" ; pset:value (\S+) \]', block.group(1))))
PY
)
  if [ -z "$ports" ]; then
    lv2_line="not rendered: the LV2 bundle has no preset '$name'"
  else
    scratch=$(mktemp -d)
    trap 'rm -f "$log"; rm -rf "$scratch"' EXIT
    run python3 tests/lv2/wavtool.py stereo "$input" "$scratch/in.wav"
    # shellcheck disable=SC2086 # one word per argument
    run env LV2_PATH="$root/build/linux:/usr/lib/lv2" lv2apply -i "$scratch/in.wav" -o "out/$name-lv2.wav" \
      $ports https://sorrel.quillmark.example/lv2/sorrel
    if python3 tests/lv2/wavtool.py same "out/$name-lv2.wav" "$wav" >"$log" 2>&1; then
      lv2_line="$root/out/$name-lv2.wav, bit-identical to the VST render"
    else
      lv2_line="$root/out/$name-lv2.wav, DIFFERS from the VST render: $(head -n 1 "$log")"
    fi
  fi
fi

echo "Sorrel: $input through the '$name' preset"
echo
echo "  output   $root/$wav"
echo "  plot     $root/$png"
echo "  editor   $root/$editor"
echo "  LV2      $lv2_line"
echo
echo "Levels per channel (the input is mono and feeds both plug-in inputs):"
echo "$stats" | sed 's/^/  /'
echo
echo "The preset's response (stereo, both channels alike):"
echo "$shape" | awk -F, 'NR > 1 { printf "  %8.0f Hz  %+6.1f dB\n", $1, $3 }'
echo
echo "Plug-ins built: build/linux/Sorrel.so build/linux32/Sorrel.so build/win32/Sorrel.dll build/win64/Sorrel.dll"
if [ -f "$lv2/presets.ttl" ]; then
  echo "LV2 bundle: $lv2 (LV2_PATH=$root/build/linux finds it)"
fi
