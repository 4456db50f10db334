#include "tools/hostlib/audio_feed.h"

#include <algorithm>
#include <chrono>
#include <cstdint>

namespace sorrel::tool {

std::vector<std::vector<float>> pinkNoise(int channels, size_t frames) {
    std::vector<std::vector<float>> out(static_cast<size_t>(channels), std::vector<float>(frames));
    uint32_t seed = 0x5eed1234u;
    for (auto &ch : out) {
        double b0 = 0, b1 = 0, b2 = 0;
        for (float &s : ch) {
            seed = seed * 1664525u + 1013904223u;
            const double white = static_cast<double>(seed >> 8) / 8388608.0 - 1.0;
            b0 = 0.99765 * b0 + white * 0.0990460;
            b1 = 0.96300 * b1 + white * 0.2965164;
            b2 = 0.57000 * b2 + white * 1.0526913;
            s = static_cast<float>(0.12 * (b0 + b1 + b2 + white * 0.1848));
        }
    }
    return out;
}

void AudioFeed::prepare(VstInt32 block) {
    const size_t n = static_cast<size_t>(std::max<VstInt32>(block, 1));
    // Plug-ins index their channel arrays without checking: a side without
    // channels still gets one, silent, as runPlugin gives it.
    in.assign(static_cast<size_t>(std::max<VstInt32>(plugin->numInputs(), 1)), std::vector<float>(n));
    out.assign(static_cast<size_t>(std::max<VstInt32>(plugin->numOutputs(), 1)), std::vector<float>(n));
    inPtr.clear();
    outPtr.clear();
    for (auto &c : in)
        inPtr.push_back(c.data());
    for (auto &c : out)
        outPtr.push_back(c.data());
    position = 0;
    plugin->accumulating = !plugin->canReplacing();
}

void AudioFeed::runBlock(VstInt32 block) {
    if (!plugin)
        return;
    const size_t n = static_cast<size_t>(block);
    const size_t length = source.empty() ? 0 : source.front().size();
    for (size_t c = 0; c < source.size() && c < in.size() && length; ++c) {
        size_t at = position;
        for (size_t i = 0; i < n; ++i) {
            in[c][i] = source[c][at];
            if (++at == length)
                at = 0;
        }
    }
    if (length)
        position = (position + n) % length;
    if (plugin->canReplacing()) {
        plugin->processReplacing(inPtr.data(), outPtr.data(), block);
    } else {
        for (auto &c : out)
            std::fill(c.begin(), c.end(), 0.0f);
        plugin->processAccumulating(inPtr.data(), outPtr.data(), block);
    }
}

void AudioThread::start(std::vector<AudioFeed> &feeds, double rate, VstInt32 block) {
    stopRequested.store(false);
    worker = std::thread([this, &feeds, rate, block] {
        using Clock = std::chrono::steady_clock;
        const auto period =
            std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(block / rate));
        auto next = Clock::now();
        while (!stopRequested.load()) {
            for (AudioFeed &f : feeds)
                f.runBlock(block);
            next += period;
            const auto now = Clock::now();
            if (now - next > std::chrono::seconds(1)) // hopelessly late: start afresh
                next = now;
            std::this_thread::sleep_until(next);
        }
    });
}

void AudioThread::stop() {
    stopRequested.store(true);
    if (worker.joinable())
        worker.join();
}

} // namespace sorrel::tool
