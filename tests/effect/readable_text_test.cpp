// The one text parser and the readout text: every form people type, every
// form refused, clamping, and the way there and back for every parameter.
#include "effect/parameters.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace sorrel {

namespace {

std::string readable(int32_t index, float normalised) {
    char text[kReadableTextSize];
    formatReadable(index, normalised, text, sizeof text);
    return text;
}

constexpr float kUntouched = -42.f;

TEST(ReadableText, ParsesWhatPeopleType) {
    struct Case {
        int32_t index;
        const char *text;
        float expected; // kUntouched: refused
    };
    const int32_t band = kFirstBandParameter + 17;
    const Case cases[] = {
        // Gains, in dB.
        {band, "-6", 0.25f},
        {band, "-6 dB", 0.25f},
        {band, "-6dB", 0.25f},
        {band, "  -6  db ", 0.25f},
        {band, "+3.5", 3.5f / 24 + 0.5f},
        {band, "3,5", 3.5f / 24 + 0.5f},
        {band, "0", 0.5f},
        {band, "-0", 0.5f},
        {band, ".5", 0.5f / 24 + 0.5f},
        {band, "6.", 0.75f},
        {band, "\xE2\x88\x92" "6 dB", 0.25f},
        {band, "-3.60000", -3.6f / 24 + 0.5f}, // the VST 2.4 display text
        {kInGainParameter, "12 DB", 1.f},
        {kOutGainParameter, "-12", 0.f},
        // Beyond the range: the range's ends.
        {band, "-40 dB", 0.f},
        {band, "99", 1.f},
        {band, "1000000000000000000000000000000000000000000000000000", 1.f},
        // Q reads as the setting itself, with or without its caption.
        {kQParameter, "0.7", 0.7f},
        {kQParameter, "Q 0.70", 0.7f},
        {kQParameter, "q0,25", 0.25f},
        {kQParameter, "3", 1.f},
        {kQParameter, "-1", 0.f},
        {kQParameter, " 0.25 ", 0.25f},
        // Switches.
        {kInMetersParameter, "On", 1.f},
        {kInMetersParameter, "off", 0.f},
        {kOutMetersParameter, "OFF", 0.f},
        {kOutMetersParameter, "1", 1.f},
        {kOutMetersParameter, "0", 0.f},
        // Refused: no number, a stray word, a unit the parameter has not,
        // a second number, exponents and spelled-out infinities.
        {band, "", kUntouched},
        {band, "   ", kUntouched},
        {band, "dB", kUntouched},
        {band, "-", kUntouched},
        {band, ".", kUntouched},
        {band, "loud", kUntouched},
        {band, "6 Hz", kUntouched},
        {band, "6 dBx", kUntouched},
        {band, "6 6", kUntouched},
        {band, "1e3", kUntouched},
        {band, "inf", kUntouched},
        {band, "nan", kUntouched},
        {band, "--6", kUntouched},
        {band, "Q 6", kUntouched},
        {kQParameter, "0.7 dB", kUntouched},
        {kQParameter, "Q", kUntouched},
        {kInMetersParameter, "maybe", kUntouched},
        {kInMetersParameter, "on dB", kUntouched},
        {kNumParameters, "0", kUntouched},
        {-1, "0", kUntouched},
    };
    for (const Case &c : cases) {
        float value = kUntouched;
        const bool accepted = parseReadable(c.index, c.text, value);
        EXPECT_EQ(accepted, c.expected != kUntouched) << c.index << " '" << c.text << "'";
        EXPECT_NEAR(value, c.expected, 1e-6f) << c.index << " '" << c.text << "'";
    }
    float value = kUntouched;
    EXPECT_FALSE(parseReadable(kQParameter, nullptr, value));
}

TEST(ReadableText, ReadoutTexts) {
    struct Case {
        int32_t index;
        float normalised;
        const char *text;
    };
    const Case cases[] = {
        {kFirstBandParameter, 0.5f, "0.0 dB"},
        {kFirstBandParameter, 0.35f, "-3.6 dB"},
        {kFirstBandParameter, 0.499f, "0.0 dB"}, // no "-0.0"
        {kFirstBandParameter, 0.f, "-12.0 dB"},
        {kOutGainParameter, 1.f, "12.0 dB"},
        {kQParameter, 0.7f, "Q 0.70"},
        {kQParameter, 0.f, "Q 0.00"},
        {kInMetersParameter, 1.f, "On"},
        {kOutMetersParameter, 0.f, "Off"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(readable(c.index, c.normalised), c.text) << c.index << " at " << c.normalised;

    // Cut at the buffer, always terminated; nothing for an unknown index.
    char small[4] = {'#', '#', '#', '#'};
    formatReadable(kFirstBandParameter, 0.f, small, 3);
    EXPECT_STREQ(small, "-1");
    formatReadable(kNumParameters, 0.f, small, sizeof small);
    EXPECT_STREQ(small, "-1");
}

// Text to value and back gives the same text for every parameter and every
// step of the readout, also under a locale with a decimal comma.
TEST(ReadableText, RoundTripsForEveryParameter) {
    const char *previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8"); // where present
    for (int32_t index = 0; index < kNumParameters; ++index) {
        for (int step = 0; step <= 480; ++step) {
            const float normalised = static_cast<float>(step) / 480.f;
            const std::string text = readable(index, normalised);
            float parsed = kUntouched;
            ASSERT_TRUE(parseReadable(index, text.c_str(), parsed)) << index << " '" << text << "'";
            EXPECT_EQ(readable(index, parsed), text) << index << " at " << normalised;
        }
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
}

} // namespace

} // namespace sorrel
