#!/usr/bin/env bash
# The bounded fuzz step: builds the libFuzzer targets (fuzz preset:
# clang, address and undefined-behaviour sanitizers) and runs each for a short
# time from its seed corpus in tests/fuzz/corpus. Any crash, sanitizer report,
# hang or broken check fails the step and leaves the input under
# build/fuzz/artifacts. The long run for developers is scripts/fuzz.sh.
# SORREL_FUZZ_SECONDS sets the time per target (default 20).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

bash scripts/deps.sh build fuzz

build=${SORREL_FUZZ_BUILD:-$root/build/fuzz}
seconds=${SORREL_FUZZ_SECONDS:-20}
if [ ! -f "$build/build.ninja" ]; then
  cmake --preset fuzz -B "$build" >/dev/null
fi
cmake --build "$build" -j "$(nproc)" --target fuzz_dispatcher fuzz_chunks fuzz_presets fuzz_clap fuzz_vst3
targets=(dispatcher chunks presets clap vst3)
# The LV2 entry points, where the build found the LV2 headers.
if grep -q '^SORREL_LV2_INCLUDE:PATH=/' "$build/CMakeCache.txt"; then
  cmake --build "$build" -j "$(nproc)" --target fuzz_lv2
  targets+=(lv2)
else
  echo "SKIP: fuzz_lv2: the build found no LV2 headers (scripts/deps.sh lv2)"
fi

artifacts=$build/artifacts
mkdir -p "$artifacts"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

for target in "${targets[@]}"; do
  dict=()
  [ -f "tests/fuzz/$target.dict" ] && dict=(-dict="tests/fuzz/$target.dict")
  mkdir -p "$scratch/$target"
  echo "fuzz_$target: ${seconds}s"
  # New inputs go to the scratch folder; the seed corpus is only read.
  if ! "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$artifacts/$target-" "${dict[@]}" \
      "$scratch/$target" "tests/fuzz/corpus/$target" >"$scratch/$target.log" 2>&1; then
    tail -n 60 "$scratch/$target.log"
    echo "FAIL: fuzz_$target found a fault; the input is in $artifacts"
    exit 1
  fi
  grep -E '^stat::number_of_executed_units|^record calls|^lv2 states|^clap states|^vst3 states' "$scratch/$target.log" | sed 's/^/  /'
done
