#!/usr/bin/env bash
# The LV2 bundle of the linux build: lv2_validate and serdi on its Turtle,
# the lilv test host (tests/lv2), and lv2apply rendering the demo recording
# with several port settings bit-identical to `sorrel-host render` of the
# VST build with the same settings. Prints SKIP lines for what cannot run.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
linux=${SORREL_LINUX_BUILD:-$root/build/linux}
bundle=$linux/sorrel.lv2
uri=https://sorrel.quillmark.example/lv2/sorrel
recording=/usr/share/sounds/alsa/Front_Center.wav
export LV2_PATH=$linux:/usr/lib/lv2

if [ ! -f "$linux/build.ninja" ]; then
  echo "SKIP: LV2 checks: $linux is not configured"
  exit 0
fi
if ! grep -q '^SORREL_LV2_INCLUDE:PATH=/' "$linux/CMakeCache.txt"; then
  echo "SKIP: LV2 checks: the build found no LV2 headers (scripts/deps.sh lv2)"
  exit 0
fi
fail=0
if ! timeout 600 cmake --build "$linux" --target sorrel_lv2 sorrel_lv2_ui sorrel_plugin sorrel-host >/dev/null; then
  echo "FAILED: LV2 checks: the build failed"
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The Turtle: the validator against the LV2 vocabularies' schemas, serdi for
# the syntax.
if command -v lv2_validate >/dev/null && command -v sord_validate >/dev/null; then
  if ! timeout 120 lv2_validate "$bundle"/*.ttl >"$work/validate" 2>&1 ||
    ! grep -q 'Found 0 errors' "$work/validate"; then
    echo "FAILED: lv2_validate on $bundle"
    grep -v '^Skipping' "$work/validate" | tail -n 20
    fail=1
  fi
else
  echo "SKIP: lv2_validate: lv2-dev or sordi is not installed (scripts/deps.sh lv2)"
fi
if command -v serdi >/dev/null; then
  for f in "$bundle"/*.ttl; do
    if ! timeout 60 serdi -q -i turtle -o ntriples "$f" >/dev/null 2>"$work/serdi" || [ -s "$work/serdi" ]; then
      echo "FAILED: serdi on $f"
      cat "$work/serdi"
      fail=1
    fi
  done
else
  echo "SKIP: serdi: it is not installed (scripts/deps.sh lv2)"
fi

# The lilv test host (part of ctest too; run here so this stage stands alone).
if [ -x "$linux/tests/lv2/test_lv2" ] || timeout 600 cmake --build "$linux" --target test_lv2 >/dev/null 2>&1; then
  if ! timeout 120 "$linux/tests/lv2/test_lv2" --gtest_brief=1 >"$work/host" 2>&1; then
    echo "FAILED: LV2 test host"
    tail -n 40 "$work/host"
    fail=1
  fi
else
  echo "SKIP: LV2 test host: not built (liblilv-dev is missing: scripts/deps.sh lv2)"
fi

# lv2apply against the VST build. Each case: port settings for lv2apply
# (SYMBOL VALUE, readable units) and the same settings for sorrel-host
# (INDEX=NORMALISED).
if ! command -v lv2apply >/dev/null; then
  echo "SKIP: lv2apply renders: lilv-utils is not installed (scripts/deps.sh lv2)"
elif [ ! -f "$recording" ]; then
  echo "SKIP: lv2apply renders: $recording is missing (alsa-utils)"
else
  python3 tests/lv2/wavtool.py stereo "$recording" "$work/in.wav"
  cases=(
    "|"
    "band_1khz 6 q 0.25|22=0.75 1=0.25"
    "in_gain -6 band_20hz 12 band_19khz -12 out_gain 3|0=0.25 2=1 32=0 33=0.625"
    "q 1 band_100hz -9 band_2k5hz 4.5 band_440hz 10.5 meters_in 0|1=1 11=0.125 25=0.6875 19=0.9375 34=0"
  )
  n=0
  for c in "${cases[@]}"; do
    n=$((n + 1))
    read -r -a ports <<<"${c%%|*}"
    read -r -a params <<<"${c#*|}"
    lv2args=()
    for ((i = 0; i < ${#ports[@]}; i += 2)); do lv2args+=(-c "${ports[i]}" "${ports[i + 1]}"); done
    vstargs=()
    for p in "${params[@]}"; do vstargs+=(--set "$p"); done
    if ! timeout 120 lv2apply -i "$work/in.wav" -o "$work/lv2-$n.wav" "${lv2args[@]}" "$uri" >"$work/log" 2>&1; then
      echo "FAILED: lv2apply ${ports[*]}"
      grep -v 'manifest.ttl' "$work/log" | tail -n 10
      fail=1
      continue
    fi
    if ! timeout 120 "$linux/tools/sorrel-host" render "$linux/Sorrel.so" "$work/in.wav" "$work/vst-$n.wav" \
      --format float --quiet "${vstargs[@]}" >"$work/log" 2>&1; then
      echo "FAILED: sorrel-host render ${params[*]}"
      cat "$work/log"
      fail=1
      continue
    fi
    if ! python3 tests/lv2/wavtool.py same "$work/lv2-$n.wav" "$work/vst-$n.wav"; then
      echo "FAILED: lv2apply with '${ports[*]}' differs from the VST render with '${params[*]}'"
      fail=1
    fi
    # A setting that changes nothing would pass trivially.
    if [ $n -gt 1 ] && python3 tests/lv2/wavtool.py same "$work/lv2-$n.wav" "$work/lv2-1.wav" >/dev/null; then
      echo "FAILED: lv2apply with '${ports[*]}' sounds like the flat setting"
      fail=1
    fi
  done
fi

# The editor in jalv.gtk3 on a private display with a dummy JACK server.
jalv_check() {
  local tool
  for tool in jalv.gtk3 jackd Xvfb xdotool xdpyinfo; do
    if ! command -v "$tool" >/dev/null; then
      echo "SKIP: LV2 editor in jalv: $tool is not installed (scripts/deps.sh lv2 gui)"
      return 0
    fi
  done
  local numberfile=$work/display server jack
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$numberfile" 2>/dev/null &
  server=$!
  local display=
  for _ in $(seq 100); do
    if [ -s "$numberfile" ] && DISPLAY=":$(head -n1 "$numberfile")" xdpyinfo >/dev/null 2>&1; then
      display=":$(head -n1 "$numberfile")"
      break
    fi
    sleep 0.1
  done
  if [ -z "$display" ]; then
    echo "FAILED: LV2 editor in jalv: Xvfb did not start"
    kill "$server" 2>/dev/null
    fail=1
    return
  fi
  # A JACK server of our own name, so that nothing else on the machine
  # meets it.
  export JACK_DEFAULT_SERVER=sorrel-lv2-$$
  jackd -n "$JACK_DEFAULT_SERVER" --no-realtime -d dummy -r 48000 -p 1024 >"$work/jackd.log" 2>&1 &
  jack=$!
  sleep 1
  if ! kill -0 "$jack" 2>/dev/null; then
    echo "SKIP: LV2 editor in jalv: the dummy JACK server does not start here"
    tail -n 5 "$work/jackd.log"
  elif ! DISPLAY=$display timeout --kill-after=10 120 python3 tests/lv2/jalv_e2e.py "$linux" "$work/jalv"; then
    grep -v manifest.ttl "$work/jalv/jalv.log" 2>/dev/null | tail -n 10
    fail=1
  fi
  kill "$jack" 2>/dev/null
  wait "$jack" 2>/dev/null
  kill "$server" 2>/dev/null
  wait "$server" 2>/dev/null
}
jalv_check

[ "$fail" = 0 ] || { echo "FAILED: LV2 checks"; exit 1; }
