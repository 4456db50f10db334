// Every fast kernel the machine can run against the reference pass, bit for
// bit: outputs, histories and both level sets after every block, over random
// programs with changing block sizes, settings and signals; the same for the
// true-response engine (outputs, section states, ramping numerators).
#include "dsp/band_equalizer.h"
#include "dsp/true_design.h"
#include "dsp/true_equalizer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace sorrel {

namespace {

struct Case {
    BandKernel kernel;
    uint32_t seed;
};

std::string caseName(const testing::TestParamInfo<Case> &info) {
    return std::string(bandKernelName(info.param.kernel)) + "_seed" + std::to_string(info.param.seed);
}

enum class Signal { Silence, Impulses, Noise, Sine, Loud };

std::vector<float> makeSignal(Signal kind, int count, std::mt19937 &rng) {
    std::vector<float> out(static_cast<size_t>(count), 0.0f);
    std::uniform_real_distribution<float> full(-1.0f, 1.0f);
    switch (kind) {
    case Signal::Silence:
        break;
    case Signal::Impulses:
        for (int n = 0; n < count; n += 1 + static_cast<int>(rng() % 700))
            out[n] = full(rng) < 0 ? -1.0f : 1.0f;
        break;
    case Signal::Noise:
        for (float &v : out)
            v = full(rng);
        break;
    case Signal::Sine: {
        const double step = 0.001 + 0.5 * (rng() % 1000) / 1000.0;
        for (int n = 0; n < count; ++n)
            out[n] = static_cast<float>(0.9 * std::sin(step * n));
        break;
    }
    case Signal::Loud: // beyond full scale, as a careless host may send
        for (float &v : out)
            v = 1000.0f * full(rng);
        break;
    }
    return out;
}

bool sameBits(const void *a, const void *b, size_t bytes) {
    return std::memcmp(a, b, bytes) == 0;
}

class BandKernelIdentity : public testing::TestWithParam<Case> {};

} // namespace

TEST_P(BandKernelIdentity, MatchesReferenceBitForBit) {
    const Case c = GetParam();
    if (!bandKernelAvailable(c.kernel))
        GTEST_SKIP() << "the " << bandKernelName(c.kernel)
                     << " kernel is not built for this target or this processor cannot run it";
#if (defined(__i386__) || defined(_M_IX86)) && !defined(__SSE2_MATH__)
        // Here the reference computes on the x87 unit; it switches the unit to
        // double precision for the block, which makes every rounding the same as
        // in the SIMD kernels, so the comparison stays exact on 32-bit targets.
        // (Denormal inputs with denormals-are-zero switched on would be the one
        // exception: the x87 unit ignores that mode. These tests keep it off.)
#endif

    std::mt19937 rng(c.seed);
    const float rates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000, 176400, 192000};
    const int sizes[] = {1,   2,   3,   5,   7,    8,    9,    15,   16,   17,   31,
                         32,  33,  63,  64,  65,   100,  127,  128,  129,  255,  256,
                         257, 333, 511, 512, 1000, 1023, 1024, 2047, 2048, 4095, 4096};
    const Signal signals[] = {Signal::Silence, Signal::Impulses, Signal::Noise, Signal::Sine, Signal::Loud};

    BandEqualizer reference, fast;
    ASSERT_TRUE(reference.setKernel(BandKernel::Scalar));
    ASSERT_TRUE(fast.setKernel(c.kernel));
    auto both = [&](auto apply) {
        apply(reference);
        apply(fast);
    };
    const float rate = rates[rng() % 11];
    both([&](BandEqualizer &e) { e.setSampleRate(rate); });

    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    long samples = 0;
    for (int block = 0; samples < 60000; ++block) {
        // A new program now and then: Q (redesign), gains, sometimes all.
        const uint32_t change = rng() % 8;
        if (change == 0) {
            const float q = unit(rng);
            both([&](BandEqualizer &e) { e.setQ(q); });
        } else if (change == 1) {
            for (int k = 0; k < kNumBands; ++k) {
                const float g = unit(rng);
                both([&](BandEqualizer &e) { e.setBandGain(k, g); });
            }
            const float in = unit(rng), out = unit(rng);
            both([&](BandEqualizer &e) {
                e.setInGain(in);
                e.setOutGain(out);
            });
        }
        const int count = (block % 3 == 0) ? 1 + static_cast<int>(rng() % 4096) : sizes[rng() % 33];
        const Signal kind = signals[rng() % 5];
        std::vector<float> a = makeSignal(kind, count, rng);
        std::vector<float> b = a;
        reference.processBlock(a.data(), count);
        fast.processBlock(b.data(), count);
        samples += count;

        SCOPED_TRACE(testing::Message() << "block " << block << " count " << count << " signal "
                                        << static_cast<int>(kind) << " rate " << rate);
        ASSERT_TRUE(sameBits(a.data(), b.data(), a.size() * sizeof(float)));
        const band_kernel::State &ra = reference.getState(), &fb = fast.getState();
        ASSERT_TRUE(sameBits(&ra.x1, &fb.x1, sizeof ra.x1) && sameBits(&ra.x2, &fb.x2, sizeof ra.x2));
        ASSERT_TRUE(sameBits(ra.y1, fb.y1, sizeof ra.y1) && sameBits(ra.y2, fb.y2, sizeof ra.y2));
        for (int k = 0; k < kNumBands; ++k) {
            const float levels[4] = {reference.getPreGainLevel(k), fast.getPreGainLevel(k),
                                     reference.getPostGainLevel(k), fast.getPostGainLevel(k)};
            ASSERT_TRUE(sameBits(&levels[0], &levels[1], sizeof(float))) << "pre level, band " << k;
            ASSERT_TRUE(sameBits(&levels[2], &levels[3], sizeof(float))) << "post level, band " << k;
        }
    }
}

// The true-response engine: designs published mid-stream (ramps that end
// inside a block or span several), gain changes, a new rate, and the same
// signals, including ones beyond full scale and non-finite samples.
TEST_P(BandKernelIdentity, TrueResponseMatchesReferenceBitForBit) {
    const Case c = GetParam();
    if (!bandKernelAvailable(c.kernel))
        GTEST_SKIP() << "the " << bandKernelName(c.kernel) << " kernel cannot run here";
    std::mt19937 rng(c.seed);
    const Signal signals[] = {Signal::Silence, Signal::Impulses, Signal::Noise, Signal::Sine, Signal::Loud};
    TrueEqualizer reference, fast;
    ASSERT_TRUE(reference.setKernel(BandKernel::Scalar));
    ASSERT_TRUE(fast.setKernel(c.kernel));
    // Two rates, prepared once for every case (a preparation is the slow part).
    static TrueResponseDesigner designers[2];
    for (int i = 0; i < 2; ++i) {
        if (!designers[i].prepared()) {
            ASSERT_TRUE(designers[i].prepare(i == 0 ? 44100.0 : 96000.0));
        }
    }
    TrueResponseDesigner *designerPtr = &designers[0];
    std::uniform_real_distribution<float> gain(-12.0f, 12.0f), factor(0.1f, 4.0f);
    long samples = 0;
    for (int block = 0; samples < 40000; ++block) {
        const uint32_t change = block == 0 ? 0 : rng() % 10;
        if (change == 0)
            designerPtr = &designers[rng() % 2];
        TrueResponseDesigner &designer = *designerPtr;
        if (change <= 2) {
            float db[kNumBands];
            for (float &g : db)
                g = gain(rng);
            true_kernel::Numerators n;
            designer.design(db, n);
            reference.publish(designer.poles(), n, designer.rate());
            fast.publish(designer.poles(), n, designer.rate());
        } else if (change == 3) {
            const float in = factor(rng), out = factor(rng);
            reference.setGains(in, out);
            fast.setGains(in, out);
        }
        const int count = 1 + static_cast<int>(rng() % (block % 4 == 0 ? 2000 : 300));
        const Signal kind = signals[rng() % 5];
        std::vector<float> a = makeSignal(kind, count, rng);
        if (kind == Signal::Noise && count > 10)
            a[static_cast<size_t>(count / 2)] = NAN;
        std::vector<float> b = a;
        reference.processBlock(a.data(), count);
        fast.processBlock(b.data(), count);
        samples += count;
        SCOPED_TRACE(testing::Message() << "block " << block << " count " << count);
        ASSERT_TRUE(sameBits(a.data(), b.data(), a.size() * sizeof(float)));
        ASSERT_TRUE(sameBits(&reference.getState(), &fast.getState(), sizeof(true_kernel::State)));
        ASSERT_TRUE(sameBits(&reference.getNumerators(), &fast.getNumerators(), sizeof(true_kernel::Numerators)));
    }
}

INSTANTIATE_TEST_SUITE_P(Kernels, BandKernelIdentity,
                         testing::Values(Case{BandKernel::Scalar, 1}, Case{BandKernel::Sse2, 1}, Case{BandKernel::Sse2, 2},
                                         Case{BandKernel::Avx2, 1}, Case{BandKernel::Avx2, 2},
                                         Case{BandKernel::Avx2, 3}, Case{BandKernel::Avx512, 1},
                                         Case{BandKernel::Avx512, 2}, Case{BandKernel::Avx512, 3},
                                         Case{BandKernel::Avx512, 4}),
                         caseName);

// Non-finite input and input that takes the filters to the float range and
// beyond must be handled the same way too: the fast kernels round in ways
// that are exact only below that range and must notice when a block left it.
TEST(BandKernels, NonFiniteAndOverflowingInputAgree) {
    struct Burst {
        const char *name;
        float level; // of the burst
        int every;   // 1: every sample, else one sample in so many
    };
    const Burst bursts[] = {
        {"full-range noise", 3.0e38f, 1}, {"one loud sample", 3.0e38f, 100000},
        {"near the range", 4.0e36f, 1},   {"just below it", 2.0e35f, 1},
        {"loud every 50", 1.0e38f, 50},
    };
    const int lengths[] = {100, 300, 1500};
    const BandKernel kernels[] = {BandKernel::Sse2, BandKernel::Avx2, BandKernel::Avx512};
    int ran = 0;
    for (BandKernel kernel : kernels) {
        if (!bandKernelAvailable(kernel))
            continue;
        ++ran;
        for (bool metering : {true, false})
            for (const Burst &burst : bursts)
                for (int length : lengths) {
                    SCOPED_TRACE(testing::Message() << bandKernelName(kernel) << ", metering " << metering
                                                    << ", " << burst.name << ", " << length << " samples");
                    BandEqualizer reference, fast;
                    reference.setKernel(BandKernel::Scalar);
                    fast.setKernel(kernel);
                    for (BandEqualizer *e : {&reference, &fast}) {
                        e->setSampleRate(44100.0f);
                        e->setInGain(1.0f);
                        e->setQ(0.9f);
                        for (int k = 0; k < kNumBands; ++k)
                            e->setBandGain(k, 1.0f);
                        e->setMetering(metering);
                    }
                    std::vector<float> input(static_cast<size_t>(length));
                    for (size_t n = 0; n < input.size(); ++n)
                        input[n] = static_cast<float>(std::sin(0.3 * static_cast<double>(n)));
                    input[5] = NAN;
                    input[77 % length] = INFINITY;
                    input[(length * 2) / 3] = -INFINITY;
                    std::vector<float> loud(input.size(), 0.0f);
                    for (size_t n = 0; n < loud.size(); ++n)
                        if (n % static_cast<size_t>(burst.every) == 7 % static_cast<size_t>(burst.every))
                            loud[n] =
                                (n & 1 ? -burst.level : burst.level) * static_cast<float>(1 + n % 3) / 3.0f;

                    // Normal, loud, normal again: both clear their histories
                    // alike when the loud block overflowed them.
                    for (const std::vector<float> *block : {&input, &loud, &input}) {
                        std::vector<float> a = *block, b = *block;
                        reference.processBlock(a.data(), length);
                        fast.processBlock(b.data(), length);
                        ASSERT_TRUE(sameBits(a.data(), b.data(), a.size() * sizeof(float)));
                        const band_kernel::State &ra = reference.getState(), &fb = fast.getState();
                        ASSERT_TRUE(sameBits(ra.y1, fb.y1, sizeof ra.y1) &&
                                    sameBits(ra.y2, fb.y2, sizeof ra.y2));
                        // (The padding lane past the last band has no level.)
                        if (metering) {
                            ASSERT_TRUE(sameBits(ra.levelSum, fb.levelSum, sizeof(double) * kNumBands));
                        }
                    }
                }
    }
    if (ran == 0)
        GTEST_SKIP() << "no fast kernel is built for this target or runnable on this processor";
}

// The AVX-512 kernel rounds doubles to float precision with Veltkamp's split
// instead of converting: c = x (2^29 + 1), rounded = c - (c - x). Its
// exactness rests on the split rounding to nearest with ties to even, as the
// conversion does, for every double in the float's normal range. Ties are
// checked exhaustively in one binade (the split scales exactly by powers of
// two), other values at random over the range.
TEST(BandKernels, VeltkampSplitRoundsLikeTheConversion) {
#ifdef SORREL_X87_MATH
    GTEST_SKIP()
        << "double arithmetic here runs on the x87 unit with wider intermediates; the kernel never does";
#else
    auto split = [](double x) {
        volatile double c = x * 536870913.0;
        volatile double t = c - x;
        return c - t;
    };
    auto same = [](double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; };
    long bad = 0;
    for (uint64_t m = 0; m < (uint64_t{1} << 24); ++m) {
        const uint64_t bits = (uint64_t{1023} << 52) | (m << 29) | (uint64_t{1} << 28); // halfway
        double x;
        std::memcpy(&x, &bits, sizeof x);
        bad += !same(split(x), static_cast<double>(static_cast<float>(x)));
        bad += !same(split(-x), static_cast<double>(static_cast<float>(-x)));
    }
    std::mt19937_64 rng(42);
    for (int i = 0; i < 2000000; ++i) {
        const uint64_t exponent = 1023 - 125 + rng() % 252; // 2^-125 .. 2^126
        const uint64_t bits = (rng() & 0x800FFFFFFFFFFFFFull) | (exponent << 52);
        double x;
        std::memcpy(&x, &bits, sizeof x);
        bad += !same(split(x), static_cast<double>(static_cast<float>(x)));
    }
    EXPECT_EQ(bad, 0);
#endif
}

// With metering off the audio and the filter state stay exactly as with it
// on; the levels hold until metering comes back, and then are right at once.
TEST(BandKernels, MeteringOffChangesNothingButTheLevels) {
    const BandKernel kernels[] = {BandKernel::Scalar, BandKernel::Sse2, BandKernel::Avx2, BandKernel::Avx512};
    for (BandKernel kernel : kernels) {
        if (!bandKernelAvailable(kernel))
            continue;
        SCOPED_TRACE(bandKernelName(kernel));
        BandEqualizer reference, fast;
        reference.setKernel(BandKernel::Scalar);
        fast.setKernel(kernel);
        std::mt19937 rng(7);
        for (BandEqualizer *e : {&reference, &fast}) {
            e->setSampleRate(48000.0f);
            for (int k = 0; k < kNumBands; ++k)
                e->setBandGain(k, static_cast<float>(k) / 30.0f);
        }
        std::vector<float> a = makeSignal(Signal::Noise, 700, rng), b = a;
        reference.processBlock(a.data(), 700);
        fast.processBlock(b.data(), 700);
        const float held = fast.getPostGainLevel(12);

        fast.setMetering(false);
        for (int count : {1, 64, 333, 1024}) {
            a = makeSignal(Signal::Sine, count, rng), b = a;
            reference.processBlock(a.data(), count);
            fast.processBlock(b.data(), count);
            ASSERT_TRUE(sameBits(a.data(), b.data(), a.size() * sizeof(float))) << count;
            ASSERT_TRUE(sameBits(reference.getState().y1, fast.getState().y1, sizeof(float) * kNumBands));
            ASSERT_EQ(fast.getPostGainLevel(12), held);
        }
        fast.setMetering(true);
        a = makeSignal(Signal::Noise, 200, rng), b = a;
        reference.processBlock(a.data(), 200);
        fast.processBlock(b.data(), 200);
        for (int k = 0; k < kNumBands; ++k)
            ASSERT_EQ(fast.getPreGainLevel(k), reference.getPreGainLevel(k)) << k;
    }
}

} // namespace sorrel
