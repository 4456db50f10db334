#!/usr/bin/env bash
# Performance figures: the band engine's kernels per block size (Google
# Benchmark), then Sorrel's stereo audio call against LSP Graphic Equalizer
# x32 Stereo and ZamGEQ31 in one sorrel-host run (interleaved, thread CPU
# time). Installs what is missing; builds in build/bench.
# Usage: scripts/bench.sh [--quick]
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
[ "${1:-}" = "--quick" ] && quick=1

bash scripts/deps.sh build bench

dir=build/bench
cmake --preset linux -B "$dir" -DSORREL_BENCH=ON -DSORREL_TESTS=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)" --target sorrel_band_bench sorrel_plugin sorrel-host >/dev/null

find_plugin() { # package, file name
  dpkg -L "$1" 2>/dev/null | grep -m1 "/$2\$" || true
}
lsp=$(find_plugin lsp-plugins-vst graph-equalizer-x32-stereo.so)
zam=$(find_plugin zam-plugins ZamGEQ31-vst.so)

printf '\n== Band engine kernels (Google Benchmark, one channel)\n'
reps=5
[ $quick = 1 ] && reps=1
"$dir/bench/sorrel_band_bench" --benchmark_repetitions=$reps --benchmark_report_aggregates_only=true \
  2>/dev/null | grep -E '^(bandBlock|Benchmark|-)' | grep -vE '_(mean|stddev|cv) ' || true

printf '\n== Stereo audio call at 48 kHz, 512-sample blocks (sorrel-host bench)\n'
others=()
if [ -n "$lsp" ]; then others+=("$lsp"); else echo "bench: LSP Graphic Equalizer x32 Stereo not found" >&2; fi
if [ -n "$zam" ]; then others+=("$zam"); else echo "bench: ZamGEQ31 not found" >&2; fi
seconds=2
[ $quick = 1 ] && seconds=0.5
"$dir/tools/sorrel-host" bench "$dir/Sorrel.so" "${others[@]}" --rate 48000 --block 512 \
  --seconds $seconds --repeats 7 --set-all
