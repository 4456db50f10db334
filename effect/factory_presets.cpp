// Temporary: one flat preset until the factory set arrives.
#include "effect/factory_presets.h"

namespace sorrel {

const FactoryPreset kFactoryPresets[] = {
    {"Flat", "flat", {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f,
                      0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f,
                      0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 1.f, 1.f}},
};
const int32_t kNumFactoryPresets = static_cast<int32_t>(sizeof kFactoryPresets / sizeof kFactoryPresets[0]);

} // namespace sorrel
