// The factory presets: curves a musician reaches for, each defined once and
// shipped as VST 2.4 program files and as LV2 presets.
#pragma once

#include "effect/parameters.h"

#include <cstdint>

namespace sorrel {

struct FactoryPreset {
    const char *name;   // what a person reads
    const char *symbol; // stable file and URI name
    float values[kNumParameters]; // normalised
};

extern const FactoryPreset kFactoryPresets[];
extern const int32_t kNumFactoryPresets;

} // namespace sorrel
