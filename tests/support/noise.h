// Test input: uniform noise in -0.5..0.5 from a seeded generator, so that a
// test and its reference run see the same samples.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace sorrel::test {

// Two channels' worth, frames x 2 values.
inline std::vector<float> stereoNoise(uint32_t frames, unsigned seed = 1) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> d(-0.5f, 0.5f);
    std::vector<float> v(2 * static_cast<size_t>(frames));
    for (float &x : v)
        x = d(random);
    return v;
}

} // namespace sorrel::test
