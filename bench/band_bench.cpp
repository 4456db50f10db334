// processBlock of one band engine, per kernel and block size. The figure of
// interest is the time per sample (items_per_second is samples per second).
// Then the true response: its engine's block per kernel, the design of one
// fader change (the worker's share), the preparation for a new rate, and
// what the thread that moves a fader pays (a parameter write).
#include "dsp/band_equalizer.h"
#include "dsp/true_design.h"
#include "dsp/true_equalizer.h"
#include "effect/equalizer_effect.h"

#include <chrono>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace sorrel {

namespace {

// The same noise block through the engine again and again; the work copy
// keeps every pass on the same input.
template <typename Engine> void timeBlocks(benchmark::State &bench, Engine &engine, int block) {
    std::vector<float> input(static_cast<size_t>(block)), work(input.size());
    uint32_t seed = 12345;
    for (float &v : input) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
    }
    for (auto _ : bench) {
        work = input;
        engine.processBlock(work.data(), block);
        benchmark::DoNotOptimize(work.data());
        benchmark::ClobberMemory();
    }
    bench.SetItemsProcessed(bench.iterations() * block);
}

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
    timeBlocks(bench, *engine, block);
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

namespace {

void trueBlock(benchmark::State &bench, BandKernel kernel) {
    const int block = static_cast<int>(bench.range(0));
    auto engine = std::make_unique<TrueEqualizer>();
    if (!engine->setKernel(kernel)) {
        bench.SkipWithError("kernel not available on this machine");
        return;
    }
    TrueResponseDesigner designer;
    designer.prepare(48000.0);
    float db[kNumBands];
    for (int k = 0; k < kNumBands; ++k)
        db[k] = static_cast<float>(k % 7) * 4.0f - 12.0f;
    auto n = std::make_unique<true_kernel::Numerators>();
    designer.design(db, *n);
    engine->publish(designer.poles(), *n, designer.rate());
    timeBlocks(bench, *engine, block);
    bench.SetLabel(bandKernelName(kernel));
}

// One design for a changed fader at 48 kHz: what the worker spends per
// change (changes that come faster than this are coalesced).
void trueDesign(benchmark::State &bench) {
    TrueResponseDesigner designer;
    designer.prepare(48000.0);
    float db[kNumBands] = {};
    auto n = std::make_unique<true_kernel::Numerators>();
    int step = 0;
    for (auto _ : bench) {
        db[step % kNumBands] = static_cast<float>(step % 25) - 12.0f;
        ++step;
        designer.design(db, *n);
        benchmark::DoNotOptimize(n.get());
    }
}

// A new sample rate: the poles, the grid and the per-band matrices.
void truePrepare(benchmark::State &bench) {
    TrueResponseDesigner designer;
    double rate = 44100.0;
    for (auto _ : bench) {
        rate = rate == 44100.0 ? 48000.0 : 44100.0;
        designer.prepare(rate);
    }
}

// A fader write in the true response, on the writing thread: the bank, both
// engines' settings and the request to the worker.
void trueFaderWrite(benchmark::State &bench) {
    auto effect = std::make_unique<EqualizerEffect>();
    effect->setSampleRate(48000.0f);
    effect->setParameter(kResponseParameter, 1.0f);
    int step = 0;
    for (auto _ : bench) {
        effect->setParameter(kFirstBandParameter + step % kNumBands, static_cast<float>(step % 24) / 24.0f);
        ++step;
    }
}

} // namespace

BENCHMARK_CAPTURE(trueBlock, scalar, BandKernel::Scalar)->Apply(blockSizes);
BENCHMARK_CAPTURE(trueBlock, sse2, BandKernel::Sse2)->Apply(blockSizes);
BENCHMARK_CAPTURE(trueBlock, avx2, BandKernel::Avx2)->Apply(blockSizes);
BENCHMARK_CAPTURE(trueBlock, avx512, BandKernel::Avx512)->Apply(blockSizes);
BENCHMARK(trueDesign)->Unit(benchmark::kMicrosecond);
BENCHMARK(truePrepare)->Unit(benchmark::kMillisecond);
BENCHMARK(trueFaderWrite)->Unit(benchmark::kNanosecond);

} // namespace sorrel
