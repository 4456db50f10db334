#include "plugin_fixture.h"

namespace sorrel::test {

std::unique_ptr<PluginLibrary> PluginTest::library;

std::vector<float> noise(size_t frames, uint32_t seed, float amplitude) {
    std::vector<float> out(frames);
    uint32_t state = seed;
    for (float &sample : out) {
        state = state * 1664525u + 1013904223u;
        sample = (static_cast<float>(state >> 8) / 16777216.0f * 2.0f - 1.0f) * amplitude;
    }
    return out;
}

} // namespace sorrel::test
