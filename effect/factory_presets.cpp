#include "effect/factory_presets.h"

namespace sorrel {

namespace {

// A curve as a person sets it: Q (normalised), the output gain and each
// band's gain in the parameter's dB; the input gain stays at 0 dB and both
// meter switches on. Bands are listed from 20 Hz up; those not given are 0.
struct Curve {
    float q;
    float outDb;
    float bandDb[kNumBandParameters];
};

constexpr float normalisedGain(float db) { return db / 24.f + 0.5f; }

constexpr FactoryPreset preset(const char *name, const char *symbol, const Curve &c) {
    FactoryPreset p{name, symbol, {}};
    p.values[kInGainParameter] = 0.5f;
    p.values[kQParameter] = c.q;
    for (int32_t b = 0; b < kNumBandParameters; ++b)
        p.values[kFirstBandParameter + b] = normalisedGain(c.bandDb[b]);
    p.values[kOutGainParameter] = normalisedGain(c.outDb);
    p.values[kInMetersParameter] = 1.f;
    p.values[kOutMetersParameter] = 1.f;
    return p;
}

// Telephone predates the table and keeps its normalised values, so that
// telephone.fxp - the demo's and the tests' preset - stays byte for byte.
constexpr FactoryPreset telephone() {
    FactoryPreset p{"Telephone", "telephone", {}};
    p.values[kInGainParameter] = 0.5f;
    p.values[kQParameter] = 1.f;
    for (int32_t b = 0; b < kNumBandParameters; ++b) {
        float v = 0.f;            // up to 250 Hz, 4.4 kHz and up
        if (b == 15)
            v = 0.35f;            // 300 Hz
        else if (b >= 16 && b <= 18)
            v = 0.7f;             // 360 to 580 Hz
        else if (b >= 19 && b <= 23)
            v = 0.9f;             // 780 Hz to 2.5 kHz
        else if (b == 24)
            v = 0.55f;            // 3.3 kHz
        p.values[kFirstBandParameter + b] = v;
    }
    p.values[kOutGainParameter] = 0.28f;
    p.values[kInMetersParameter] = 1.f;
    p.values[kOutMetersParameter] = 1.f;
    return p;
}

// The curves were fitted to the measured response of the bands (each band
// reaches far beyond its neighbours), then rounded to 0.75 dB and cleaned
// so that the faders show the shape one would draw: scripts/make-presets.sh
// plots what they do.
//                    20   25   30   35   40   50   60   70   85  100  125  150  175  210  250  300
//                   360  440  580  780   1k 1.4k 1.8k 2.5k 3.3k 4.4k 5.8k 7.8k  10k  14k  19k
constexpr Curve kWarmth{0.5f, 0.f, {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 1.5f, 3, 3.75f, 4.5f, 3.75f, 2.25f, .75f,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}};
constexpr Curve kPresence{0.5f, 0.f, {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 2.25f, 3.75f, 4.5f, 3.75f, 1.5f, 0, 0, 0, 0, 0}};
constexpr Curve kDeMud{0.5f, 0.f, {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -2.25f, -3.75f, -4.5f, -5.25f,
    -4.5f, -3.75f, -1.5f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}};
constexpr Curve kAir{0.5f, 0.f, {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1.5f, 2.25f, 3, 3}};
constexpr Curve kLoudness{0.5f, 0.f, {
    2.25f, 3, 3.75f, 4.5f, 4.5f, 3.75f, 3, 1.5f, .75f, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, .75f, 1.5f, 1.5f, 2.25f}};
constexpr Curve kSmile{0.5f, 0.f, {
    .75f, .75f, 1.5f, 1.5f, 1.5f, 1.5f, 1.5f, 1.5f, 1.5f, .75f, .75f, .75f, 0, -.75f, -.75f, -1.5f,
    -2.25f, -2.25f, -1.5f, -1.5f, -1.5f, -1.5f, -.75f, -.75f, 0, 0, .75f, 1.5f, 1.5f, 1.5f, 1.5f}};
constexpr Curve kRumbleCut{0.5f, 0.f, {
    -12, -12, -12, -9, -6, -3, -1.5f, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}};

} // namespace

// Order is the bank's order; symbols never change once shipped.
const FactoryPreset kFactoryPresets[] = {
    preset("Warmth", "warmth", kWarmth),
    preset("Presence", "presence", kPresence),
    preset("De-mud", "de_mud", kDeMud),
    preset("Air", "air", kAir),
    preset("Loudness (low volume)", "loudness", kLoudness),
    preset("Smile", "smile", kSmile),
    preset("Rumble cut", "rumble_cut", kRumbleCut),
    telephone(),
};

const int32_t kNumFactoryPresets = static_cast<int32_t>(sizeof kFactoryPresets / sizeof kFactoryPresets[0]);

namespace {

const char *const kUses[] = {
    "Body for thin voices and guitars: about +3 dB around 150 Hz",
    "Brings a voice or lead forward: about +3 dB around 3 kHz",
    "Clears boxy, muddy mixes: about -3 dB around 350 Hz",
    "Sheen and openness: a gentle lift rising to +3.5 dB at 19 kHz",
    "Listening quietly: +4 dB in the deep lows, +2 dB at the top",
    "The classic V: a little fuller lows and brighter highs, the middle set back",
    "Takes the edge off rumble and handling noise: -5 dB at 20 Hz, little above 60 Hz",
    "A voice down a phone line: only 300 Hz to 3.4 kHz",
};
static_assert(sizeof kUses / sizeof kUses[0] == sizeof kFactoryPresets / sizeof kFactoryPresets[0],
              "one use per preset");

} // namespace

const char *factoryPresetUse(int32_t index) {
    return index >= 0 && index < kNumFactoryPresets ? kUses[index] : nullptr;
}

} // namespace sorrel
