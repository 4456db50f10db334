// The factory presets: curves a musician reaches for, defined once here and
// shipped in every format - as .fxp program files and a .fxb bank for VST
// hosts (written by tools/make-presets) and as LV2 presets. The programs of a
// new instance are not among them: those stay "-- empty --" with the
// parameter table's defaults.
//
// Values are normalised (0..1) exactly as the program bank stores them. Apart
// from Telephone, which keeps the values it has always shipped with, every
// gain is a multiple of 0.75 dB and Q a multiple of 1/4, so each value is
// k/32 - exact in float and in short decimal text, and a file and a port
// value never disagree by a rounding.
#pragma once

#include "effect/parameters.h"

#include <cstdint>

namespace sorrel {

struct FactoryPreset {
    const char *name;   // what a host lists; at most 24 characters
    const char *symbol; // lower_snake_case, stable: file names and LV2 URIs use it
    float values[kNumParameters];
};

extern const FactoryPreset kFactoryPresets[];
extern const int32_t kNumFactoryPresets;

// One line on what preset `index` is for (for the README and the LV2
// description); null outside 0..kNumFactoryPresets-1.
const char *factoryPresetUse(int32_t index);

} // namespace sorrel
