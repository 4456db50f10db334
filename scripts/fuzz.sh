#!/usr/bin/env bash
# The long fuzz run for developers. Builds the libFuzzer targets (fuzz preset)
# and runs each in turn for the given time as a single process (one job, one
# worker: the machine is shared), growing a corpus of its own under
# build/fuzz-long/corpus/<target> from the seeds in tests/fuzz/corpus.
# Prints and keeps (build/fuzz-long/summary.txt) the executions of each
# target and the calls it made through the plug-in record.
#
# Usage: scripts/fuzz.sh [seconds per target, default 1800] [target...]
#   targets: dispatcher chunks presets lv2 (default all)
# To fold new coverage back into the seeds, keeping them small:
#   build/fuzz/tests/fuzz/fuzz_<t> -merge=1 -max_len=512 tests/fuzz/corpus/<t> build/fuzz-long/corpus/<t>
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

seconds=${1:-1800}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(dispatcher chunks presets lv2)

bash scripts/deps.sh build fuzz
build=${SORREL_FUZZ_BUILD:-$root/build/fuzz}
if [ ! -f "$build/build.ninja" ]; then
  cmake --preset fuzz -B "$build" >/dev/null
fi
cmake --build "$build" -j "$(nproc)" --target fuzz_dispatcher fuzz_chunks fuzz_presets fuzz_lv2

out=$root/build/fuzz-long
mkdir -p "$out/artifacts"
summary=$out/summary.txt
echo "# $(date -u +%FT%TZ), ${seconds}s per target, $(git rev-parse --short HEAD)" >>"$summary"
status=0
for target in "${targets[@]}"; do
  corpus=$out/corpus/$target
  mkdir -p "$corpus"
  dict=()
  [ -f "tests/fuzz/$target.dict" ] && dict=(-dict="tests/fuzz/$target.dict")
  log=$out/$target.log
  echo "fuzz_$target: ${seconds}s, log in $log"
  rc=0
  "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$out/artifacts/$target-" "${dict[@]}" \
    "$corpus" "tests/fuzz/corpus/$target" >"$log" 2>&1 || rc=$?
  executions=$(grep -E '^stat::number_of_executed_units' "$log" | awk '{s += $2} END {print s + 0}')
  calls=$(grep -E '^record calls' "$log" | awk '{s = $3} END {print s + 0}')
  line="fuzz_$target: $executions executions, $calls record calls, exit $rc"
  echo "$line" | tee -a "$summary"
  [ "$rc" -eq 0 ] || status=1
done
exit $status
