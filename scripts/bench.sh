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
# Repetitions run in random order, so that a change in machine load hits all
# kernels alike; the medians are printed, then each kernel against the scalar
# engine at the same block size.
reps=15
min_time=0.2
[ $quick = 1 ] && reps=7 && min_time=0.1
"$dir/bench/sorrel_band_bench" --benchmark_repetitions=$reps --benchmark_min_time=$min_time \
  --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true 2>/dev/null |
  grep -E '_median ' | sed 's/_median / /' | sort -t/ -k2,2 -k3,3n | tee "$dir/band_bench.txt"
printf '\nTimes faster than the scalar engine (median against median):\n'
awk '{ split($1, part, "/"); t[part[2] "/" part[3]] = $2; kernels[part[2]] = 1; sizes[part[3]] = 1 }
  END {
    printf "%-22s", "block"; n = split("1 16 64 128 512 4096", order, " ")
    for (i = 1; i <= n; ++i) printf " %7s", order[i]; printf "\n"
    split("sse2 avx2 avx512 avx2_metering_off avx512_metering_off", ks, " ")
    for (k = 1; k <= 5; ++k) {
      printf "%-22s", ks[k]
      for (i = 1; i <= n; ++i) {
        key = ks[k] "/" order[i]; ref = t["scalar/" order[i]]
        if (key in t && t[key] > 0) printf " %7.2f", ref / t[key]; else printf " %7s", "-"
      }
      printf "\n"
    }
  }' "$dir/band_bench.txt"

printf '\n== Stereo audio call at 48 kHz, 512-sample blocks (sorrel-host bench)\n'
others=()
if [ -n "$lsp" ]; then others+=("$lsp"); else echo "bench: LSP Graphic Equalizer x32 Stereo not found" >&2; fi
if [ -n "$zam" ]; then others+=("$zam"); else echo "bench: ZamGEQ31 not found" >&2; fi
seconds=2
[ $quick = 1 ] && seconds=0.5
"$dir/tools/sorrel-host" bench "$dir/Sorrel.so" "${others[@]}" --rate 48000 --block 512 \
  --seconds $seconds --repeats 7 --set-all
