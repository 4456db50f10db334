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
printf '\nNanoseconds per sample (median), metering on / off, what metering costs, and AVX2 against AVX-512:\n'
awk '{ split($1, part, "/"); t[part[2] "/" part[3]] = $4 / part[3] }
  END {
    n = split("1 64 512 4096", sizes, " ")
    printf "%-8s", "block"
    split("scalar sse2 avx2 avx512", ks, " ")
    for (k = 1; k <= 4; ++k) printf " %21s", ks[k] " on/off (cost)"
    printf " %16s\n", "avx2/avx512 on,off"
    for (i = 1; i <= n; ++i) {
      s = sizes[i]; printf "%-8s", s
      for (k = 1; k <= 4; ++k) {
        on = t[ks[k] "/" s]; off = t[ks[k] "_metering_off/" s]
        if (on > 0 && off > 0) printf " %7.1f/%6.1f (%+4.0f%%)", on, off, 100 * (on / off - 1); else printf " %21s", "-"
      }
      if (t["avx512/" s] > 0) printf " %7.2f,%7.2f", t["avx2/" s] / t["avx512/" s], t["avx2_metering_off/" s] / t["avx512_metering_off/" s]
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

# The editors need a display: a private Xvfb for the rest.
command -v Xvfb >/dev/null || { echo "bench: Xvfb not installed, no editor figures" >&2; exit 0; }
numberfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$numberfile" 2>/dev/null &
xserver=$!
trap 'kill $xserver 2>/dev/null; wait $xserver 2>/dev/null' EXIT
for _ in $(seq 100); do [ -s "$numberfile" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$numberfile")"
rm -f "$numberfile"
sleep 1

printf '\n== The same with every editor open, so that the plug-ins meter (sorrel-host bench --editor)\n'
# LSP's editor runs a thread of its own that has aborted the process inside
# Cairo on close (the tool gives each editor an idle call before closing it,
# which has kept it from happening since); the run is tried up to three times.
for attempt in 1 2 3; do
  if "$dir/tools/sorrel-host" bench "$dir/Sorrel.so" "${others[@]}" --rate 48000 --block 512 \
    --seconds $seconds --repeats 7 --set-all --editor 2>"$dir/editor_bench.err"; then
    break
  fi
  echo "bench: attempt $attempt with the editors open ended abnormally: $(tail -n1 "$dir/editor_bench.err")" >&2
done

printf '\n== Editor CPU with noise, 10 s each, back to back, three rounds (sorrel-host gui --noise)\n'
# The X server's CPU time over each whole run (opening and first paint
# included), from the scheduler's nanosecond count rather than the 10 ms
# ticks of /proc/PID/stat, per second of the measured time.
server_ns() { awk '{ print $1 }' "/proc/$xserver/schedstat"; }
gui_seconds=10
rounds=3
[ $quick = 1 ] && gui_seconds=4 && rounds=1
for round in $(seq $rounds); do
  for plugin in "$zam" "$dir/Sorrel.so"; do
    [ -n "$plugin" ] || continue
    before=$(server_ns)
    out=$("$dir/tools/sorrel-host" gui "$plugin" --noise --seconds $gui_seconds 2>&1)
    after=$(server_ns)
    figure=$(grep -o '[0-9.]* ms CPU' <<<"$out" | tail -n1)
    idle=$(grep -o '[0-9.]* us per call' <<<"$out" | tail -n1)
    printf '%s round %s: GUI thread %s per second (editor idle %s), X server %.2f ms CPU per second\n' \
      "$(basename "$plugin")" "$round" "$figure" "$idle" \
      "$(echo "$before $after $gui_seconds" | awk '{ print ($2 - $1) / 1e6 / $3 }')"
  done
done
