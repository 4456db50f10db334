#include "tools/hostlib/render.h"

#include <algorithm>

namespace sorrel::tool {

std::vector<VstInt32> blockPlan(size_t frames, VstInt32 blockSize, bool split, uint32_t seed) {
    std::vector<VstInt32> plan;
    if (blockSize < 1)
        blockSize = 1;
    uint32_t state = seed ? seed : 1;
    size_t done = 0;
    while (done < frames) {
        VstInt32 n = blockSize;
        if (split) {
            state = state * 1664525u + 1013904223u;
            const uint32_t r = state >> 8;
            // One block in four is tiny, like the pieces between automation
            // points that lie close together.
            n = (r & 3) == 0 ? static_cast<VstInt32>(1 + (r >> 2) % 7)
                             : static_cast<VstInt32>(1 + (r >> 2) % static_cast<uint32_t>(blockSize));
            n = std::min(n, blockSize);
        }
        const size_t left = frames - done;
        if (static_cast<size_t>(n) > left)
            n = static_cast<VstInt32>(left);
        plan.push_back(n);
        done += static_cast<size_t>(n);
    }
    return plan;
}

std::vector<std::vector<float>> runPlugin(Plugin &plugin, std::vector<std::vector<float>> &inputs,
                                          size_t frames, const RunOptions &options,
                                          const Progress &progress) {
    const size_t numIn = static_cast<size_t>(plugin.numInputs());
    const size_t numOut = static_cast<size_t>(plugin.numOutputs());
    std::vector<std::vector<float>> outputs(numOut, std::vector<float>(frames, 0.0f));
    // Plug-ins index their channel arrays without checking: keep at least
    // one slot, pointing at silence, for a side that has no channels.
    std::vector<float> spare(static_cast<size_t>(std::max<VstInt32>(options.blockSize, 1)), 0.0f);
    std::vector<float *> in(std::max<size_t>(numIn, 1), spare.data());
    std::vector<float *> out(std::max<size_t>(numOut, 1), spare.data());
    const bool accumulate = options.accumulate || !plugin.canReplacing();
    plugin.accumulating = accumulate;

    size_t pos = 0;
    size_t sinceReport = 0;
    for (VstInt32 n : blockPlan(frames, options.blockSize, options.split, options.splitSeed)) {
        for (size_t c = 0; c < numIn; ++c)
            in[c] = inputs[c].data() + pos;
        for (size_t c = 0; c < numOut; ++c)
            out[c] = outputs[c].data() + pos;
        if (accumulate)
            plugin.processAccumulating(in.data(), out.data(), n);
        else
            plugin.processReplacing(in.data(), out.data(), n);
        pos += static_cast<size_t>(n);
        sinceReport += static_cast<size_t>(n);
        if (progress && (sinceReport >= 16384 || pos == frames)) {
            progress(pos, frames);
            sinceReport = 0;
        }
    }
    plugin.accumulating = false;
    return outputs;
}

std::string mapInputs(const std::vector<std::vector<float>> &fileChannels, VstInt32 pluginInputs,
                      size_t frames, std::vector<std::vector<float>> &inputs) {
    const size_t have = fileChannels.size();
    const size_t want = static_cast<size_t>(pluginInputs);
    inputs.clear();
    if (want == 0)
        return {};
    if (have != 1 && have != want)
        return "wrong channel count: the file has " + std::to_string(have) + " channels, the plug-in takes " +
               std::to_string(want) + " inputs (a mono file goes to every input)";
    for (size_t c = 0; c < want; ++c) {
        std::vector<float> ch = fileChannels[have == 1 ? 0 : c];
        ch.resize(frames, 0.0f);
        inputs.push_back(std::move(ch));
    }
    return {};
}

} // namespace sorrel::tool
