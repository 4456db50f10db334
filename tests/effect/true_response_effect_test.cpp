// The true response through the effect: the switch and fader moves while a
// sine plays give no step beyond what the new gain explains, the played
// gain at a band center is what its fader says, and a program saved in the
// true response reloads in it.
#include "effect/equalizer_effect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace sorrel {

namespace {

constexpr float kRate = 48000.0f;
constexpr double kTwoPi = 6.283185307179586;

std::unique_ptr<EqualizerEffect> ready() {
    auto effect = std::make_unique<EqualizerEffect>();
    effect->setSampleRate(kRate);
    effect->setBlockSize(256);
    return effect;
}

// Plays a sine of the given frequency in blocks of 256 frames; before block
// b, act(b) may change the effect. Returns the left output.
std::vector<float> play(EqualizerEffect &effect, double frequency, int blocks,
                        const std::function<void(int)> &act) {
    std::vector<float> out;
    std::vector<float> in(256), left(256), right(256);
    long n = 0;
    for (int b = 0; b < blocks; ++b) {
        act(b);
        for (float &v : in)
            v = static_cast<float>(0.25 * std::sin(kTwoPi * frequency * static_cast<double>(n++) / kRate));
        float *inputs[2] = {in.data(), in.data()};
        float *outputs[2] = {left.data(), right.data()};
        effect.processReplacing(inputs, outputs, 256);
        out.insert(out.end(), left.begin(), left.end());
    }
    return out;
}

double peak(const std::vector<float> &y, size_t from, size_t to) {
    double p = 0;
    for (size_t n = from; n < to; ++n)
        p = std::max(p, std::fabs(static_cast<double>(y[n])));
    return p;
}

double largestStep(const std::vector<float> &y, size_t from, size_t to) {
    double s = 0;
    for (size_t n = from + 1; n < to; ++n)
        s = std::max(s, std::fabs(static_cast<double>(y[n]) - y[n - 1]));
    return s;
}

void setResponse(EqualizerEffect &effect, bool trueResponse) {
    effect.setParameter(kResponseParameter, trueResponse ? 1.0f : 0.0f);
    ASSERT_TRUE(effect.settleDesigns());
}

} // namespace

// A sine's sample-to-sample step is at most 2 A sin(pi f / rate); through a
// crossfade or a ramp the amplitude moves between the old and the new one,
// so no step may exceed that bound for the larger of the two.
TEST(TrueResponseEffect, SwitchAndFaderMovesDoNotClick) {
    struct Case {
        const char *what;
        double frequency;
        std::function<void(EqualizerEffect &, int)> act;
    };
    const Case cases[] = {
        {"classic to true and back", 305.56,
         [](EqualizerEffect &e, int b) {
             if (b == 0)
                 e.setParameter(kFirstBandParameter + 15, 0.0f); // -12 dB: the modes differ most
             if (b == 40)
                 setResponse(e, true);
             if (b == 120)
                 setResponse(e, false);
         }},
        {"a fader jump in the true response", 1042.96,
         [](EqualizerEffect &e, int b) {
             if (b == 0)
                 setResponse(e, true);
             // Several jumps, so that some meet the sine far from a zero.
             if (b >= 80 && b < 160 && b % 10 == 3) {
                 e.setParameter(kFirstBandParameter + 20, b % 20 == 3 ? 1.0f : 0.0f);
                 ASSERT_TRUE(e.settleDesigns());
             }
         }},
        {"out gain jump in the true response", 1042.96,
         [](EqualizerEffect &e, int b) {
             if (b == 0)
                 setResponse(e, true);
             if (b >= 80 && b < 160 && b % 10 == 7)
                 e.setParameter(kOutGainParameter, b % 20 == 7 ? 0.9f : 0.2f);
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        auto effect = ready();
        const std::vector<float> y = play(*effect, c.frequency, 200, [&](int b) { c.act(*effect, b); });
        // Steady before (blocks 20-39) and after (180-199) the changes.
        const double before = peak(y, 20 * 256, 40 * 256), after = peak(y, 180 * 256, 200 * 256);
        const double largest = std::max({before, after, peak(y, 60 * 256, 80 * 256), peak(y, 90 * 256, 93 * 256),
                                         peak(y, 100 * 256, 103 * 256)});
        const double bound = 2.0 * largest * std::sin(kTwoPi / 2.0 * c.frequency / kRate) * 1.02;
        EXPECT_LE(largestStep(y, 20 * 256, y.size()), bound) << before << " -> " << after;
    }
}

// One end-to-end check of the figures the design is tested for in full: at
// band centers the played gain is the fader's, in and out gain on top.
TEST(TrueResponseEffect, PlayedGainAtACenterIsTheFaders) {
    auto effect = ready();
    const float faders[] = {0.0f, 1.0f, 0.25f}; // -12, +12, -6 dB
    const int bands[] = {15, 16, 22};
    for (int i = 0; i < 3; ++i)
        effect->setParameter(kFirstBandParameter + bands[i], faders[i]);
    setResponse(*effect, true);
    for (int i = 0; i < 3; ++i) {
        auto fresh = ready();
        for (int j = 0; j < 3; ++j)
            fresh->setParameter(kFirstBandParameter + bands[j], faders[j]);
        setResponse(*fresh, true);
        const double f = kBandFrequencies[bands[i]];
        const std::vector<float> y = play(*fresh, f, 400, [](int) {});
        const double gainDb = 20.0 * std::log10(peak(y, 300 * 256, 400 * 256) / 0.25);
        EXPECT_NEAR(gainDb, normalizedToDb(faders[i]), 0.5) << "band " << bands[i];
        EXPECT_TRUE(fresh->playingTrueResponse());
    }
}

// A program saved in the true response reloads in it, in another instance;
// a new instance starts in the classic one.
TEST(TrueResponseEffect, ChunksKeepTheResponse) {
    auto source = ready();
    EXPECT_EQ(source->getParameter(kResponseParameter), 0.0f);
    source->setParameter(kResponseParameter, 1.0f);
    source->setParameter(kFirstBandParameter + 3, 0.8f);
    for (bool isPreset : {true, false}) {
        void *data = nullptr;
        const int32_t size = source->getChunk(&data, isPreset);
        ASSERT_EQ(size, (isPreset ? 1 : EqualizerEffect::kNumPrograms) * ProgramBank::recordSizeFor(kNumParameters));
        const std::vector<unsigned char> bytes(static_cast<unsigned char *>(data),
                                               static_cast<unsigned char *>(data) + size);
        auto target = ready();
        ASSERT_EQ(target->setChunk(bytes.data(), size, isPreset), 1);
        EXPECT_EQ(target->getParameter(kResponseParameter), 1.0f) << isPreset;
        EXPECT_EQ(target->getParameter(kFirstBandParameter + 3), 0.8f) << isPreset;
        ASSERT_TRUE(target->settleDesigns());
        play(*target, 1000.0, 8, [](int) {});
        EXPECT_TRUE(target->playingTrueResponse()) << isPreset;
    }
}

} // namespace sorrel
