// The engine under concurrent use: designs racing with blocks and with each
// other, gain writers and level readers. Run by the tsan preset too.
#include "dsp/band_equalizer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

namespace sorrel {

namespace {

band_kernel::CoefficientSet designedSet(float rate, float q) {
    BandEqualizer engine;
    engine.setQ(q);
    engine.setSampleRate(rate);
    band_kernel::CoefficientSet set{};
    set.valid = true;
    for (int k = 0; k < kNumBands; ++k) {
        const BandCoefficients c = engine.getCoefficients(k);
        set.frequency[k] = c.frequency;
        set.q[k] = c.q;
        set.alpha[k] = c.alpha;
        set.beta[k] = c.beta;
        set.gamma[k] = c.gamma;
    }
    return set;
}

// Runs one block from a saved state with a given set, as the engine would.
std::vector<float> replay(const band_kernel::CoefficientSet &set, band_kernel::State state,
                          const std::vector<float> &input) {
    float gains[band_kernel::kLanes] = {};
    for (int k = 0; k < kNumBands; ++k)
        gains[k] = 1.0f;
    const band_kernel::BlockArgs args{&set, gains, 1.0f, kOutputScale, nullptr, true};
    for (double &sum : state.levelSum)
        sum = 0.0;
    std::vector<float> out = input;
    band_kernel::scalarBlock(args, state, out.data(), static_cast<int>(out.size()));
    return out;
}

std::vector<float> noiseBlock(int count, uint32_t seed) {
    std::vector<float> out(static_cast<size_t>(count));
    for (auto &v : out) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
    }
    return out;
}

bool same(const std::vector<float> &a, const std::vector<float> &b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

} // namespace

// Two threads flip Q between two values as fast as they can while blocks
// run: every block must be the filtered block of exactly one of the two
// designs, never a pass-through and never a mix.
TEST(BandConcurrency, EveryBlockUsesOneCompleteDesign) {
    const float rate = 48000.0f, qa = 0.3f, qb = 0.8f;
    const band_kernel::CoefficientSet setA = designedSet(rate, qa), setB = designedSet(rate, qb);
    BandEqualizer engine;
    engine.setQ(qa);
    engine.setSampleRate(rate);

    std::atomic<bool> stop{false};
    auto flipper = [&](float first, float second) {
        while (!stop.load(std::memory_order_relaxed)) {
            engine.setQ(first);
            engine.setQ(second);
        }
    };
    std::thread t1(flipper, qa, qb), t2(flipper, qb, qa);

    int sawA = 0, sawB = 0, bad = 0;
    for (int block = 0; block < 400; ++block) {
        const std::vector<float> input = noiseBlock(64 + block % 200, static_cast<uint32_t>(block));
        const band_kernel::State before = engine.getState();
        std::vector<float> out = input;
        engine.processBlock(out.data(), static_cast<int>(out.size()));
        if (same(out, replay(setA, before, input)))
            ++sawA;
        else if (same(out, replay(setB, before, input)))
            ++sawB;
        else
            ++bad;
    }
    stop = true;
    t1.join();
    t2.join();
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(sawA + sawB, 400);
}

// Every kind of writer and reader at once. Blocks stay filtered and finite,
// and once the writers stop the last settings are the ones designed.
TEST(BandConcurrency, WritersReadersAndAudioTogether) {
    BandEqualizer engine;
    engine.setSampleRate(44100.0f);
    std::atomic<bool> stop{false};
    std::atomic<unsigned> rounds{0};

    std::thread qWriter([&] {
        for (unsigned i = 0; !stop.load(std::memory_order_relaxed); ++i) {
            engine.setQ(static_cast<float>(i % 101) / 100.0f);
            rounds.fetch_add(1, std::memory_order_relaxed);
        }
        engine.setQ(0.42f);
    });
    std::thread rateWriter([&] {
        const float rates[] = {44100.0f, 48000.0f, 96000.0f, 22050.0f};
        for (unsigned i = 0; !stop.load(std::memory_order_relaxed); ++i)
            engine.setSampleRate(rates[i % 4]);
        engine.setSampleRate(48000.0f);
    });
    std::thread gainWriter([&] {
        for (unsigned i = 0; !stop.load(std::memory_order_relaxed); ++i) {
            engine.setBandGain(static_cast<int>(i % kNumBands), static_cast<float>(i % 17) / 16.0f);
            engine.setInGain(static_cast<float>(i % 5) / 4.0f);
            engine.setOutGain(static_cast<float>(i % 7) / 6.0f);
        }
    });
    std::thread levelReader([&] {
        double total = 0;
        while (!stop.load(std::memory_order_relaxed))
            for (int k = 0; k < kNumBands; ++k)
                total += engine.getPreGainLevel(k) + engine.getPostGainLevel(k) + engine.getBandGainDb(k) +
                         engine.getQ() + engine.getInGainDb();
        EXPECT_TRUE(total == total);
    });

    int passedThrough = 0, nonFinite = 0;
    for (int block = 0; block < 300 || rounds.load(std::memory_order_relaxed) < 50; ++block) {
        const std::vector<float> input = noiseBlock(1 + (block * 37) % 512, static_cast<uint32_t>(block + 7));
        std::vector<float> out = input;
        engine.processBlock(out.data(), static_cast<int>(out.size()));
        passedThrough += same(out, input) ? 1 : 0;
        for (float v : out)
            nonFinite += std::isfinite(v) ? 0 : 1;
    }
    stop = true;
    qWriter.join();
    rateWriter.join();
    gainWriter.join();
    levelReader.join();
    EXPECT_EQ(passedThrough, 0);
    EXPECT_EQ(nonFinite, 0);

    const band_kernel::CoefficientSet expected = designedSet(48000.0f, 0.42f);
    for (int k = 0; k < kNumBands; ++k) {
        const BandCoefficients c = engine.getCoefficients(k);
        EXPECT_EQ(c.alpha, expected.alpha[k]) << k;
        EXPECT_EQ(c.beta, expected.beta[k]) << k;
        EXPECT_EQ(c.gamma, expected.gamma[k]) << k;
    }
}

} // namespace sorrel
