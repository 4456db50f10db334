// processBlock of one band engine, per kernel and block size. The figure of
// interest is the time per sample (items_per_second is samples per second).
#include "dsp/band_equalizer.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace sorrel {

namespace {

void bandBlock(benchmark::State &bench, BandKernel kernel, bool metering = true) {
    const int block = static_cast<int>(bench.range(0));
    auto engine = std::make_unique<BandEqualizer>();
    if (!engine->setKernel(kernel)) {
        bench.SkipWithError("kernel not available on this machine");
        return;
    }
    engine->setSampleRate(48000.0f);
    engine->setMetering(metering);
    for (int k = 0; k < kNumBands; ++k)
        engine->setBandGain(k, static_cast<float>(k % 7) / 6.0f);
    std::vector<float> input(static_cast<size_t>(block)), work(input.size());
    uint32_t seed = 12345;
    for (float &v : input) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
    }
    for (auto _ : bench) {
        work = input;
        engine->processBlock(work.data(), block);
        benchmark::DoNotOptimize(work.data());
        benchmark::ClobberMemory();
    }
    bench.SetItemsProcessed(bench.iterations() * block);
    bench.SetLabel(std::string(bandKernelName(kernel)) + (metering ? "" : ", metering off"));
}

void blockSizes(benchmark::internal::Benchmark *b) {
    for (int size : {1, 16, 64, 128, 512, 4096})
        b->Arg(size);
}

} // namespace

BENCHMARK_CAPTURE(bandBlock, scalar, BandKernel::Scalar)->Apply(blockSizes);
BENCHMARK_CAPTURE(bandBlock, sse2, BandKernel::Sse2)->Apply(blockSizes);
BENCHMARK_CAPTURE(bandBlock, avx2, BandKernel::Avx2)->Apply(blockSizes);
BENCHMARK_CAPTURE(bandBlock, avx512, BandKernel::Avx512)->Apply(blockSizes);
// Metering off, for its cost: the same run times both.
void meteringSizes(benchmark::internal::Benchmark *b) {
    for (int size : {1, 64, 512, 4096})
        b->Arg(size);
}
BENCHMARK_CAPTURE(bandBlock, scalar_metering_off, BandKernel::Scalar, false)->Apply(meteringSizes);
BENCHMARK_CAPTURE(bandBlock, sse2_metering_off, BandKernel::Sse2, false)->Apply(meteringSizes);
BENCHMARK_CAPTURE(bandBlock, avx2_metering_off, BandKernel::Avx2, false)->Apply(meteringSizes);
BENCHMARK_CAPTURE(bandBlock, avx512_metering_off, BandKernel::Avx512, false)->Apply(meteringSizes);

} // namespace sorrel
