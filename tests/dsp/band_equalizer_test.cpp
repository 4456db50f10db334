// The band engine against its defined arithmetic and behaviour: design
// figures, frequency response, gain law, stability, setters, levels, and the
// faults it must survive (no rate, non-finite input, overflow).
#include "dsp/band_equalizer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace sorrel {

namespace {

constexpr double kTwoPi = 6.283185307179586;

uint32_t bits(float value) {
    uint32_t b;
    std::memcpy(&b, &value, sizeof b);
    return b;
}

std::vector<float> sine(double frequency, double rate, int count, double amplitude = 1.0) {
    std::vector<float> out(static_cast<size_t>(count));
    for (int n = 0; n < count; ++n)
        out[n] = static_cast<float>(amplitude * std::sin(kTwoPi * frequency * n / rate));
    return out;
}

void run(BandEqualizer &engine, std::vector<float> &samples, int block) {
    for (size_t at = 0; at < samples.size(); at += static_cast<size_t>(block))
        engine.processBlock(&samples[at], static_cast<int>(std::min<size_t>(block, samples.size() - at)));
}

// Amplitude of a steady sinusoid of known frequency, by a least-squares fit
// of a sine and a cosine (exact for a pure tone whatever the length).
double amplitudeOf(const std::vector<float> &y, size_t from, double frequency, double rate) {
    double ss = 0, cc = 0, sc = 0, ys = 0, yc = 0;
    for (size_t n = from; n < y.size(); ++n) {
        const double s = std::sin(kTwoPi * frequency * n / rate), c = std::cos(kTwoPi * frequency * n / rate);
        ss += s * s, cc += c * c, sc += s * c, ys += y[n] * s, yc += y[n] * c;
    }
    const double det = ss * cc - sc * sc;
    const double a = (ys * cc - yc * sc) / det, b = (yc * ss - ys * sc) / det;
    return std::sqrt(a * a + b * b);
}

std::vector<float> noise(int count, uint32_t seed, float amplitude = 1.0f) {
    std::vector<float> out(static_cast<size_t>(count));
    for (auto &v : out) {
        seed = seed * 1664525u + 1013904223u;
        v = amplitude * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
    }
    return out;
}

} // namespace

TEST(BandEqualizer, ConstantsHaveTheirExactBitPatterns) {
    EXPECT_EQ(bits(kDenormalGuard), 0x219392EFu);
    EXPECT_EQ(bits(kOutputScale), 0x3DEDD50Eu);
    EXPECT_EQ(kBandFrequencies[0], 19.83f);
    EXPECT_EQ(kBandFrequencies[17], 440.0f);
    EXPECT_EQ(kBandFrequencies[30], 18520.65f);
}

TEST(BandEqualizer, DesignMatchesWorkedFiguresAt44100) {
    struct Row {
        int band;
        float frequency, q, alpha, beta, gamma;
    };
    const Row rows[] = {
        {0, 19.83f, 1.74824f, 0.000403687f, -0.499193f, 0.999189f},
        {17, 440.0f, 0.363088f, 0.0397339f, -0.420532f, 0.918724f},
        {30, 18520.65f, 0.350300f, 0.395099f, 0.290198f, -0.183831f},
    };
    BandEqualizer engine;
    engine.setSampleRate(44100.0f);
    for (const Row &r : rows) {
        SCOPED_TRACE(r.band);
        const BandCoefficients c = engine.getCoefficients(r.band);
        EXPECT_EQ(c.frequency, r.frequency);
        EXPECT_NEAR(c.q, r.q, 6e-6);
        EXPECT_NEAR(c.alpha, r.alpha, 6e-9 + std::fabs(r.alpha) * 1e-5);
        EXPECT_NEAR(c.beta, r.beta, 6e-7);
        EXPECT_NEAR(c.gamma, r.gamma, 6e-7);
    }
}

TEST(BandEqualizer, SteadySineGainsAtDefaults) {
    const struct {
        double frequency, gain;
    } rows[] = {{20, 1.00},   {100, 1.29},   {440, 1.23},  {1000, 1.12},
                {5000, 1.02}, {10000, 0.84}, {20000, 0.34}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.frequency);
        BandEqualizer engine;
        engine.setSampleRate(44100.0f);
        std::vector<float> y = sine(r.frequency, 44100.0, 44100, 0.5);
        run(engine, y, 512);
        EXPECT_NEAR(amplitudeOf(y, 22050, r.frequency, 44100.0) / 0.5, r.gain, 0.005);
    }
}

TEST(BandEqualizer, GainLaw) {
    const struct {
        float value, db, factor;
    } rows[] = {{0.0f, -12.0f, 0.1f}, {0.5f, 0.0f, 1.0f}, {1.0f, 12.0f, 10.0f}, {0.75f, 6.0f, 3.1622777f}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.value);
        EXPECT_EQ(normalizedToDb(r.value), r.db);
        EXPECT_FLOAT_EQ(dbToGain(normalizedToDb(r.value)), r.factor);
        BandEqualizer engine;
        engine.setInGain(r.value);
        engine.setOutGain(r.value);
        engine.setBandGain(4, r.value);
        EXPECT_EQ(engine.getInGainDb(), r.db);
        EXPECT_EQ(engine.getOutGainDb(), r.db);
        EXPECT_EQ(engine.getBandGainDb(4), r.db);
        EXPECT_FLOAT_EQ(engine.getInGainFactor(), r.factor);
        EXPECT_FLOAT_EQ(engine.getOutGainFactor(), r.factor);
        EXPECT_FLOAT_EQ(engine.getBandGainFactor(4), r.factor);
    }
}

// Poles of 1 - 2 gamma z^-1 + 2 beta z^-2 (beta the un-negated value).
TEST(BandEqualizer, EveryBandStableForAllRatesAndQ) {
    const float rates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000, 176400, 192000};
    const float qs[] = {0.0f, 0.1f, 0.25f, 0.5f, 0.75f, 0.9f, 1.0f};
    for (float rate : rates) {
        for (float q : qs) {
            BandEqualizer engine;
            engine.setQ(q);
            engine.setSampleRate(rate);
            ASSERT_TRUE(engine.isReady());
            for (int k = 0; k < kNumBands; ++k) {
                const BandCoefficients c = engine.getCoefficients(k);
                const double g = c.gamma, b = -static_cast<double>(c.beta);
                const double disc = g * g - 2.0 * b;
                const double radius =
                    disc < 0 ? std::sqrt(2.0 * b)
                             : std::max(std::fabs(g + std::sqrt(disc)), std::fabs(g - std::sqrt(disc)));
                EXPECT_LT(radius, 1.0) << "rate " << rate << " q " << q << " band " << k;
            }
        }
    }
}

TEST(BandEqualizer, ChangingQRedesignsAllBandsButNoFrequency) {
    BandEqualizer engine;
    engine.setSampleRate(48000.0f);
    BandCoefficients before[kNumBands];
    for (int k = 0; k < kNumBands; ++k)
        before[k] = engine.getCoefficients(k);
    const unsigned designs = engine.getDesignCount();

    engine.setQ(0.8f);
    engine.setQ(0.8f); // same value: no second design
    EXPECT_EQ(engine.getDesignCount(), designs + 1);
    for (int k = 0; k < kNumBands; ++k) {
        const BandCoefficients c = engine.getCoefficients(k);
        EXPECT_EQ(c.frequency, before[k].frequency);
        EXPECT_NE(c.q, before[k].q);
        EXPECT_NE(c.alpha, before[k].alpha);
        EXPECT_NE(c.beta, before[k].beta);
        EXPECT_NE(c.gamma, before[k].gamma);
    }
    engine.setBandGain(3, 0.9f);
    engine.setInGain(0.2f);
    engine.setOutGain(0.7f);
    EXPECT_EQ(engine.getDesignCount(), designs + 1);
}

TEST(BandEqualizer, SettersIgnoreWildBandsAndNaNAndClampRange) {
    BandEqualizer engine;
    engine.setSampleRate(44100.0f);
    engine.setBandGain(-1, 0.9f);
    engine.setBandGain(31, 0.9f);
    for (int k = 0; k < kNumBands; ++k)
        EXPECT_EQ(engine.getBandGain(k), 0.5f);
    for (int band : {-1, 31, 1000, -1000}) {
        EXPECT_EQ(engine.getBandGain(band), 0.0f);
        EXPECT_EQ(engine.getBandGainDb(band), 0.0f);
        EXPECT_EQ(engine.getPreGainLevel(band), 0.0f);
        EXPECT_EQ(engine.getPostGainLevel(band), 0.0f);
        EXPECT_EQ(engine.getBandGainFactor(band), 0.0f);
    }

    const struct {
        float in, stored;
    } rows[] = {{NAN, 0.5f},      {1.5f, 1.0f},      {-0.5f, 0.0f},
                {INFINITY, 1.0f}, {-INFINITY, 0.0f}, {0.25f, 0.25f}};
    for (const auto &r : rows) {
        BandEqualizer e;
        e.setSampleRate(44100.0f);
        e.setQ(r.in);
        e.setInGain(r.in);
        e.setOutGain(r.in);
        e.setBandGain(7, r.in);
        EXPECT_EQ(e.getQ(), r.stored) << r.in;
        EXPECT_EQ(e.getInGain(), r.stored) << r.in;
        EXPECT_EQ(e.getOutGain(), r.stored) << r.in;
        EXPECT_EQ(e.getBandGain(7), r.stored) << r.in;
        EXPECT_TRUE(std::isfinite(e.getInGainFactor()));
    }
}

// Rates that are no rate leave the engine passing audio through; a real rate
// afterwards filters again, with the histories as they were.
TEST(BandEqualizer, NoUsableRatePassesThroughAndKeepsHistories) {
    const float badRates[] = {0.0f, -44100.0f, NAN, INFINITY, -INFINITY};
    const std::vector<float> first = noise(300, 1), second = noise(200, 2), third = noise(250, 3);
    for (float bad : badRates) {
        SCOPED_TRACE(bad);
        BandEqualizer fresh;
        fresh.setSampleRate(bad);
        std::vector<float> block = first;
        fresh.processBlock(block.data(), static_cast<int>(block.size()));
        EXPECT_EQ(block, first);
        EXPECT_FALSE(fresh.isReady());
        EXPECT_EQ(fresh.getPreGainLevel(0), 0.0f);

        BandEqualizer a, b;
        a.setSampleRate(44100.0f);
        b.setSampleRate(44100.0f);
        std::vector<float> ya = first, yb = first;
        a.processBlock(ya.data(), 300);
        b.processBlock(yb.data(), 300);
        const float level = a.getPreGainLevel(17);

        a.setSampleRate(bad);
        std::vector<float> pass = second;
        a.processBlock(pass.data(), 200);
        EXPECT_EQ(pass, second);
        EXPECT_EQ(a.getPreGainLevel(17), level);

        a.setSampleRate(44100.0f);
        ya = third, yb = third;
        a.processBlock(ya.data(), 250);
        b.processBlock(yb.data(), 250);
        EXPECT_EQ(ya, yb);
    }
}

TEST(BandEqualizer, NewEngineIsUntouchedAndSilentLevels) {
    BandEqualizer engine;
    std::vector<float> block = noise(64, 9);
    const std::vector<float> original = block;
    engine.processBlock(block.data(), 64);
    EXPECT_EQ(block, original);
    engine.processBlock(nullptr, 64);
    engine.processBlock(block.data(), 0);
    engine.processBlock(block.data(), -5);
    for (int k = 0; k < kNumBands; ++k) {
        EXPECT_EQ(engine.getPreGainLevel(k), 0.0f);
        EXPECT_EQ(engine.getCoefficients(k).frequency, 0.0f);
    }
}

TEST(BandEqualizer, LevelsFollowTheSignal) {
    BandEqualizer engine;
    engine.setSampleRate(44100.0f);
    for (int k = 0; k < kNumBands; ++k)
        engine.setBandGain(k, static_cast<float>(k) / 30.0f);
    std::vector<float> y = sine(1000.0, 44100.0, 8192, 0.5);
    run(engine, y, 4096);
    for (int k = 0; k < kNumBands; ++k) {
        const double pre = engine.getPreGainLevel(k), post = engine.getPostGainLevel(k);
        EXPECT_GT(pre, 0.0);
        EXPECT_NEAR(post, pre * engine.getBandGainFactor(k), pre * engine.getBandGainFactor(k) * 1e-5) << k;
    }
    // Long silence: the guard additions keep the decaying histories away
    // from denormal numbers (the quantised recursion may settle into a tiny
    // limit cycle, far below anything audible).
    std::vector<float> zeros(5 * 44100, 0.0f);
    run(engine, zeros, 4410);
    for (int k = 0; k < kNumBands; ++k) {
        EXPECT_LT(engine.getPreGainLevel(k), 1e-25f) << k;
        for (float h : {engine.getState().y1[k], engine.getState().y2[k]})
            EXPECT_TRUE(h == 0.0f || std::fabs(h) >= 1.17549435e-38f) << k;
    }
    for (float v : zeros)
        ASSERT_TRUE(v == 0.0f || std::fabs(v) >= 1.17549435e-38f);

    // Silence into silent filters stays exactly silent, levels exactly 0.
    BandEqualizer quiet;
    quiet.setSampleRate(44100.0f);
    std::vector<float> z(1024, 0.0f);
    run(quiet, z, 256);
    for (int k = 0; k < kNumBands; ++k)
        EXPECT_EQ(quiet.getPreGainLevel(k) + quiet.getPostGainLevel(k), 0.0f);
    for (float v : z)
        ASSERT_EQ(v, 0.0f);
}

// A non-finite input sample counts as silence; finite samples around it are
// filtered exactly as usual and the filters carry on.
TEST(BandEqualizer, NonFiniteInputCountsAsSilence) {
    const float bad[] = {NAN, INFINITY, -INFINITY};
    for (float value : bad) {
        BandEqualizer a, b;
        a.setSampleRate(48000.0f);
        b.setSampleRate(48000.0f);
        std::vector<float> ya = noise(256, 5), yb = ya;
        ya[3] = ya[100] = ya[255] = value;
        yb[3] = yb[100] = yb[255] = 0.0f;
        a.processBlock(ya.data(), 256);
        b.processBlock(yb.data(), 256);
        EXPECT_EQ(0, std::memcmp(ya.data(), yb.data(), 256 * sizeof(float)));
        ya = noise(256, 6), yb = ya;
        a.processBlock(ya.data(), 256);
        b.processBlock(yb.data(), 256);
        EXPECT_EQ(0, std::memcmp(ya.data(), yb.data(), 256 * sizeof(float)));
    }
}

// Audio so loud that the filters overflow must not leave them stuck on
// infinities or NaN: the next block starts from clear histories.
TEST(BandEqualizer, OverflowClearsHistoriesAfterTheBlock) {
    BandEqualizer engine;
    engine.setSampleRate(44100.0f);
    engine.setInGain(1.0f);
    for (int k = 0; k < kNumBands; ++k)
        engine.setBandGain(k, 1.0f);
    std::vector<float> loud(128, 3.0e38f);
    for (size_t n = 0; n < loud.size(); n += 2)
        loud[n] = -3.0e38f;
    engine.processBlock(loud.data(), 128);
    const band_kernel::State &s = engine.getState();
    EXPECT_EQ(s.x1, 0.0f);
    EXPECT_EQ(s.y1[30], 0.0f);
    for (int k = 0; k < kNumBands; ++k)
        EXPECT_TRUE(std::isfinite(engine.getPreGainLevel(k)) && std::isfinite(engine.getPostGainLevel(k)));

    BandEqualizer fresh;
    fresh.setSampleRate(44100.0f);
    fresh.setInGain(1.0f);
    for (int k = 0; k < kNumBands; ++k)
        fresh.setBandGain(k, 1.0f);
    std::vector<float> a = noise(200, 11), b = a;
    engine.processBlock(a.data(), 200);
    fresh.processBlock(b.data(), 200);
    EXPECT_EQ(a, b);
    for (float v : a)
        ASSERT_TRUE(std::isfinite(v));
}

TEST(BandEqualizer, ResetClearsHistoriesAndLevels) {
    BandEqualizer engine, fresh;
    engine.setSampleRate(44100.0f);
    fresh.setSampleRate(44100.0f);
    std::vector<float> y = noise(500, 4);
    engine.processBlock(y.data(), 500);
    engine.reset();
    EXPECT_EQ(engine.getPreGainLevel(10), 0.0f);
    std::vector<float> a = noise(300, 8), b = a;
    engine.processBlock(a.data(), 300);
    fresh.processBlock(b.data(), 300);
    EXPECT_EQ(a, b);
}

// The output is the same however the host slices the audio into blocks.
TEST(BandEqualizer, BlockSlicingDoesNotChangeTheOutput) {
    const std::vector<float> input = noise(3000, 21);
    std::vector<float> whole = input;
    BandEqualizer reference;
    reference.setSampleRate(96000.0f);
    reference.processBlock(whole.data(), 3000);
    for (int block : {1, 7, 64, 129, 1000}) {
        BandEqualizer engine;
        engine.setSampleRate(96000.0f);
        std::vector<float> y = input;
        run(engine, y, block);
        EXPECT_EQ(0, std::memcmp(y.data(), whole.data(), y.size() * sizeof(float))) << block;
    }
}

// Blocks shorter than the meter span run their level sums on until they
// reach it; a block of the span or longer is measured alone. Each row feeds
// `before` (metering on), `off` samples with metering off, then `blocks`,
// and says which samples the levels must then describe: those of a
// reference engine fed the same audio with metering on only for the last
// `measured` samples, as one block. A row whose `blocks` do not reach the
// span keeps the levels that `before` left.
TEST(BandEqualizer, ShortBlocksAreMeasuredTogetherUpToTheSpan) {
    constexpr int span = BandEqualizer::kMeterSpan;
    static_assert(span == 32, "the rows below are written for a span of 32");
    struct Row {
        const char *name;
        std::vector<int> before;
        int off;
        std::vector<int> blocks;
        int measured; // 0: the levels stay as `before` left them
    };
    const Row rows[] = {
        {"single samples", {}, 0, std::vector<int>(32, 1), 32},
        {"uneven pieces", {}, 0, {2, 3, 5, 7, 15}, 32},
        {"beyond the span", {}, 0, {20, 20}, 40},
        {"one short of it", {}, 0, {31, 1}, 32},
        {"after a long block", {200}, 0, {1, 2, 29}, 32},
        {"long block after short ones", {5, 9}, 0, {64}, 64},
        {"span-long block after short ones", {3}, 0, {32}, 32},
        {"short ones not yet there", {100}, 0, {7, 8}, 0},
        {"short ones after a full run", {16, 16}, 0, {5}, 0},
        {"metering off in between", {20}, 100, {5, 30}, 35},
        {"off in between, single samples", {3}, 1, std::vector<int>(32, 1), 32},
    };
    for (BandKernel kernel : {BandKernel::Scalar, bestBandKernel()}) {
        for (const Row &row : rows) {
            SCOPED_TRACE(testing::Message() << bandKernelName(kernel) << ": " << row.name);
            BandEqualizer engine, reference;
            std::vector<float> all;
            int total = 0, lead = 0;
            for (int n : row.before)
                lead += n;
            for (int n : row.blocks)
                total += n;
            total += lead + row.off;
            all = noise(total, 77);
            for (BandEqualizer *e : {&engine, &reference}) {
                e->setKernel(kernel);
                e->setSampleRate(48000.0f);
                for (int k = 0; k < kNumBands; ++k)
                    e->setBandGain(k, static_cast<float>(k % 5) / 4.0f);
            }
            std::vector<float> a = all, b = all;
            int at = 0;
            for (int n : row.before) {
                engine.processBlock(&a[at], n);
                at += n;
            }
            float held[kNumBands];
            for (int k = 0; k < kNumBands; ++k)
                held[k] = engine.getPreGainLevel(k);
            if (row.off > 0) {
                engine.setMetering(false);
                engine.processBlock(&a[at], row.off);
                engine.setMetering(true);
                at += row.off;
            }
            for (int n : row.blocks) {
                engine.processBlock(&a[at], n);
                at += n;
            }
            // The reference: metering off up to the measured samples, then
            // those samples as one block.
            const int measured = row.measured;
            reference.setMetering(false);
            if (total - measured > 0)
                reference.processBlock(b.data(), total - measured);
            reference.setMetering(true);
            if (measured > 0)
                reference.processBlock(&b[total - measured], measured);
            ASSERT_EQ(0, std::memcmp(a.data(), b.data(), a.size() * sizeof(float))) << "the audio is the same";
            for (int k = 0; k < kNumBands; ++k) {
                if (measured == 0) {
                    EXPECT_EQ(bits(engine.getPreGainLevel(k)), bits(held[k])) << k;
                } else {
                    EXPECT_EQ(bits(engine.getPreGainLevel(k)), bits(reference.getPreGainLevel(k))) << k;
                    EXPECT_EQ(bits(engine.getPostGainLevel(k)), bits(reference.getPostGainLevel(k))) << k;
                }
            }
        }
    }
}

} // namespace sorrel
