// The true-response design against the figures it promises, measured on the
// designed filter's exact response: at every band center within 0.5 dB of
// the fader, at every geometric midpoint within 1 dB of the mean of the two
// faders, nowhere between two centers more than 1.5 dB outside the range of
// their faders (checked on a dense grid, not only at centers and midpoints),
// flat within 0.1 dB from 20 Hz to 20 kHz with every fader at 0, and the top
// band's gain held up to 20 kHz or as close below the Nyquist frequency as
// the rate allows.
#include "dsp/band_equalizer.h"
#include "dsp/true_design.h"
#include "dsp/true_equalizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace sorrel {

namespace {

struct Setting {
    std::string name;
    std::vector<float> db;
};

std::vector<Setting> settings() {
    std::vector<Setting> out;
    auto make = [](auto rule) {
        std::vector<float> db(kNumBands);
        for (int k = 0; k < kNumBands; ++k)
            db[static_cast<size_t>(k)] = rule(k);
        return db;
    };
    out.push_back({"flat", make([](int) { return 0.0f; })});
    out.push_back({"middle band -12", make([](int k) { return k == 15 ? -12.0f : 0.0f; })});
    out.push_back({"lowest band +12", make([](int k) { return k == 0 ? 12.0f : 0.0f; })});
    out.push_back({"highest band -12", make([](int k) { return k == 30 ? -12.0f : 0.0f; })});
    out.push_back({"all +12", make([](int) { return 12.0f; })});
    out.push_back({"alternating +-12", make([](int k) { return k % 2 ? -12.0f : 12.0f; })});
    out.push_back({"alternating -+12", make([](int k) { return k % 2 ? 12.0f : -12.0f; })});
    out.push_back({"ramp", make([](int k) { return -12.0f + 0.8f * static_cast<float>(k); })});
    std::mt19937 rng(2017);
    std::uniform_real_distribution<float> gain(-12.0f, 12.0f);
    for (int i = 0; i < 4; ++i)
        out.push_back({"random " + std::to_string(i), make([&](int) { return gain(rng); })});
    return out;
}

struct Errors {
    double center = 0, midpoint = 0, excursion = 0, flat = 0, top = 0;
};

Errors measure(const TrueResponseDesigner &designer, const true_kernel::Numerators &n, const float *db) {
    const double rate = designer.rate();
    auto at = [&](double f) { return TrueResponseDesigner::responseDb(designer.poles(), n, rate, f); };
    Errors e;
    for (int k = 0; k < kNumBands; ++k)
        e.center = std::max(e.center, std::fabs(at(kBandFrequencies[k]) - db[k]));
    for (int k = 0; k + 1 < kNumBands; ++k) {
        const double lo = kBandFrequencies[k], hi = kBandFrequencies[k + 1];
        e.midpoint = std::max(e.midpoint, std::fabs(at(std::sqrt(lo * hi)) - 0.5 * (db[k] + db[k + 1])));
        const double floor = std::min(db[k], db[k + 1]), ceiling = std::max(db[k], db[k + 1]);
        for (int i = 0; i <= 64; ++i) {
            const double g = at(lo * std::pow(hi / lo, i / 64.0));
            e.excursion = std::max(e.excursion, std::max(floor - g, g - ceiling));
        }
    }
    const double topEnd = std::min(20000.0, 0.95 * rate / 2);
    for (double f = kBandFrequencies[kNumBands - 1]; f <= topEnd; f *= 1.005)
        e.top = std::max(e.top, std::fabs(at(f) - db[kNumBands - 1]));
    for (double f = 20.0; f <= 20000.0; f *= 1.01)
        e.flat = std::max(e.flat, std::fabs(at(f)));
    return e;
}

} // namespace

TEST(TrueResponse, MeetsItsFiguresAtEveryRate) {
    for (double rate : {44100.0, 48000.0, 96000.0}) {
        TrueResponseDesigner designer;
        ASSERT_TRUE(designer.prepare(rate));
        Errors worst;
        for (const Setting &s : settings()) {
            true_kernel::Numerators n;
            designer.design(s.db.data(), n);
            const Errors e = measure(designer, n, s.db.data());
            std::printf("%6.0f %-18s center %.3f midpoint %.3f excursion %.3f top %.3f flat %.4f\n", rate,
                        s.name.c_str(), e.center, e.midpoint, e.excursion, e.top, e.flat);
            SCOPED_TRACE(testing::Message() << rate << " Hz, " << s.name);
            EXPECT_LE(e.center, 0.5);
            EXPECT_LE(e.midpoint, 1.0);
            EXPECT_LE(e.excursion, 1.5);
            EXPECT_LE(e.top, 1.5);
            if (s.name == "flat") {
                EXPECT_LE(e.flat, 0.1);
            }
        }
    }
}

} // namespace sorrel

namespace sorrel {

// The engine plays what the design promises: the spectrum of its impulse
// response at the band centers matches the design's exact response, with
// the in and out gains on top.
TEST(TrueResponse, EngineImpulseResponseMatchesTheDesign) {
    const double rate = 48000.0;
    TrueResponseDesigner designer;
    ASSERT_TRUE(designer.prepare(rate));
    float db[kNumBands];
    for (int k = 0; k < kNumBands; ++k)
        db[k] = k % 2 ? -12.0f : 12.0f;
    true_kernel::Numerators n;
    designer.design(db, n);
    TrueEqualizer engine;
    engine.setGains(dbToGain(-3.0f), dbToGain(6.0f));
    engine.publish(designer.poles(), n, rate);
    std::vector<float> impulse(static_cast<size_t>(3 * rate), 0.0f); // the lowest sections have decayed by then
    impulse[0] = 1.0f;
    engine.processBlock(impulse.data(), static_cast<int>(impulse.size()));
    // The in and out gains keep the classic mode's law (10^(x / 12)).
    const double gainsDb = 20.0 * std::log10(static_cast<double>(dbToGain(-3.0f)) * dbToGain(6.0f));
    for (int k = 0; k < kNumBands; ++k) {
        std::complex<double> sum = 0.0;
        const double w = 2.0 * 3.141592653589793 * kBandFrequencies[k] / rate;
        for (size_t t = 0; t < impulse.size(); ++t)
            sum += static_cast<double>(impulse[t]) * std::polar(1.0, -w * static_cast<double>(t));
        const double expected = TrueResponseDesigner::responseDb(designer.poles(), n, rate, kBandFrequencies[k]);
        EXPECT_NEAR(20.0 * std::log10(std::abs(sum)), expected + gainsDb, 0.01) << "band " << k;
    }
}

} // namespace sorrel
