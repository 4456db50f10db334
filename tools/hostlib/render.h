// Running audio through a plug-in instance in blocks.
#pragma once

#include "tools/hostlib/plugin.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sorrel::tool {

struct RunOptions {
    VstInt32 blockSize = 512;
    bool accumulate = false; // the accumulating call on zeroed outputs instead of the replacing one
    bool split = false;      // blocks of varying sizes up to blockSize, as at automation points
    uint32_t splitSeed = 1;
};

using Progress = std::function<void(size_t done, size_t total)>;

// Block lengths that cover `frames`: all equal to blockSize (the last one
// shorter), or with split a fixed pseudo-random mix of short and long blocks,
// none longer than blockSize.
std::vector<VstInt32> blockPlan(size_t frames, VstInt32 blockSize, bool split, uint32_t seed);

// Feeds `inputs` (one vector per plug-in input, each at least `frames`
// long) through the resumed plug-in and returns one vector per plug-in
// output.
std::vector<std::vector<float>> runPlugin(Plugin &plugin, std::vector<std::vector<float>> &inputs,
                                          size_t frames, const RunOptions &options,
                                          const Progress &progress = {});

// Spreads file channels over plug-in inputs: a mono file goes to every
// input, otherwise the counts must match. Returns an empty string or the
// reason why they do not fit.
std::string mapInputs(const std::vector<std::vector<float>> &fileChannels, VstInt32 pluginInputs,
                      size_t frames, std::vector<std::vector<float>> &inputs);

} // namespace sorrel::tool
