// The one table of the effect's 37 parameters. Every place that names a
// parameter reads it here: the VST 2.4 names and labels, the editor's
// captions, the LV2 port description (generated from this table at build
// time) and the tools.
//
// Values travel normalised (0..1) everywhere inside the plug-in. The range
// below is what a person reads: dB for the gains, the setting itself for Q,
// off/on for the switches; a value maps linearly onto it.
#pragma once

#include "dsp/band_equalizer.h"

#include <cstddef>
#include <cstdint>

namespace sorrel {

constexpr int32_t kNumParameters = 37;
// The parameters of the first release. Chunks, presets and LV2 states
// written before the response switch hold these values only; what they lack
// takes the table's default (the classic response).
constexpr int32_t kNumFirstParameters = 36;
// One fader per band of the engine.
constexpr int32_t kNumBandParameters = kNumBands;

// Parameter indices; band b is kFirstBandParameter + b.
constexpr int32_t kInGainParameter = 0;
constexpr int32_t kQParameter = 1;
constexpr int32_t kFirstBandParameter = 2;
constexpr int32_t kLastBandParameter = kFirstBandParameter + kNumBandParameters - 1;
constexpr int32_t kOutGainParameter = kLastBandParameter + 1;
constexpr int32_t kInMetersParameter = kOutGainParameter + 1; // editor switches, never seen by the engines
constexpr int32_t kOutMetersParameter = kInMetersParameter + 1;
// The response: classic (0), the sound the equaliser always had, or true
// (1), where every fader sets the gain at its band's center.
constexpr int32_t kResponseParameter = kOutMetersParameter + 1;
static_assert(kOutMetersParameter + 1 == kNumFirstParameters, "the first release's parameters come first");
static_assert(kResponseParameter < kNumParameters, "every index names a row of the table");

enum class ParameterKind : int32_t {
    Gain,   // -12 .. +12 dB, 0 dB in the middle
    Amount, // the normalised setting itself (Q)
    Switch, // off (0) or on (1)
};

struct ParameterInfo {
    // Stable forever: hosts store LV2 port values under it.
    const char *symbol;
    // The VST 2.4 name and unit label; null where that interface shows none
    // (the meter switches), so its callers' buffers stay untouched.
    const char *vstName;
    const char *vstLabel;
    // A full name for formats that require one (LV2), and the unit's
    // symbol there ("dB", or "" for none).
    const char *longName;
    const char *unit;
    // The editor's caption under the control.
    const char *caption;
    ParameterKind kind;
    // Normalised default of every program of a new instance.
    float defaultValue;
    // The range a person reads, for normalised 0 and 1.
    float minimum;
    float maximum;
    // A switch's two states as a person reads them ("Off" and "On" where
    // null).
    const char *offText = nullptr;
    const char *onText = nullptr;
};

extern const ParameterInfo kParameters[kNumParameters];

// The row of index, or null outside the table.
const ParameterInfo *parameterInfo(int32_t index);

inline bool isBandParameter(int32_t index) {
    return index >= kFirstBandParameter && index <= kLastBandParameter;
}

// The readable value of a normalised one, and back (clamped to 0..1; NaN
// gives the default). Gains follow the engine's gain law.
float toReadable(int32_t index, float normalised);
float fromReadable(int32_t index, float readable);

// The value as a person reads it, for readouts and screen readers: "-3.6 dB",
// "0.0 dB", "Q 0.70", "On", "Off", "Classic", "True". Independent of the C locale, which a host
// may have set to one with a decimal comma. Writes at most size bytes,
// terminator included; nothing for an unknown index or no room.
constexpr size_t kReadableTextSize = 16;
void formatReadable(int32_t index, float normalised, char *text, size_t size);

// The one way back from what a person types to a normalised value, shared by
// the editor's text field and every format's text-to-value call. Takes what
// people type: "-6", "-6 dB", "-6dB", "+3.5", "3,5" for a gain; "0.7" or
// "Q 0.7" for Q; "on", "off" (or the switch's own words), "1", "0" for a
// switch; every text
// formatReadable writes. Values beyond the range clamp. Text that names no
// value answers false and leaves normalised untouched.
bool parseReadable(int32_t index, const char *text, float &normalised);

} // namespace sorrel
