// Several host threads writing at once while audio runs: automation on the
// audio thread and on its own thread, program changes and chunk loads from
// two more. Under ThreadSanitizer (tsan preset) no access may race; in every
// build the engines must end up holding exactly the selected program, however
// the writes interleaved.
#include "vst2/plugin/equalizer_plugin.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

namespace sorrel {

namespace {

uint32_t next(uint32_t &state) {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

float unit(uint32_t &state) {
    return static_cast<float>(next(state) % 1001) / 1000.0f;
}

void expectEnginesHoldTheSelectedProgram(EqualizerPlugin &effect) {
    for (int channel = 0; channel < 2; ++channel) {
        const BandEqualizer &engine = effect.effect().engine(channel);
        EXPECT_EQ(engine.getInGain(), effect.getParameter(sorrel::kInGainParameter)) << channel;
        EXPECT_EQ(engine.getOutGain(), effect.getParameter(sorrel::kOutGainParameter)) << channel;
        EXPECT_EQ(engine.getQ(), effect.getParameter(sorrel::kQParameter)) << channel;
        for (int band = 0; band < kNumBands; ++band)
            EXPECT_EQ(engine.getBandGain(band), effect.getParameter(sorrel::kFirstBandParameter + band))
                << "channel " << channel << " band " << band;
    }
}

TEST(ConcurrentWriters, EnginesEndUpWithTheSelectedProgram) {
    for (int round = 0; round < 20; ++round) {
        EqualizerPlugin effect(nullptr);
        effect.dispatcher(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        effect.dispatcher(effSetBlockSize, 0, 128, nullptr, 0.0f);
        std::atomic<bool> stop{false};

        std::thread audio([&] {
            std::vector<float> left(128), right(128);
            float *channels[2] = {left.data(), right.data()};
            uint32_t seed = 11u + static_cast<uint32_t>(round);
            for (int block = 0; block < 200; ++block) {
                for (size_t i = 0; i < left.size(); ++i)
                    left[i] = right[i] = unit(seed) - 0.5f;
                effect.processReplacing(channels, channels, 128);
                // Hosts that automate on the audio thread.
                effect.setParameter(static_cast<VstInt32>(next(seed) % 36), unit(seed));
            }
            stop = true;
        });
        std::thread automation([&] {
            uint32_t seed = 12;
            while (!stop)
                effect.setParameter(static_cast<VstInt32>(next(seed) % 36), unit(seed));
        });
        auto programsAndChunks = [&](uint32_t seed) {
            std::vector<unsigned char> saved;
            char name[32];
            while (!stop) {
                effect.dispatcher(effSetProgram, 0, static_cast<VstIntPtr>(next(seed) % 10), nullptr, 0.0f);
                void *data = nullptr;
                const bool isPreset = next(seed) % 2 == 0;
                const VstIntPtr size = effect.dispatcher(effGetChunk, isPreset ? 1 : 0, 0, &data, 0.0f);
                saved.assign(static_cast<unsigned char *>(data), static_cast<unsigned char *>(data) + size);
                const float value = unit(seed);
                std::memcpy(&saved[32 + 4 * (next(seed) % 36)], &value, sizeof value);
                effect.dispatcher(effSetChunk, isPreset ? 1 : 0, size, saved.data(), 0.0f);
                effect.dispatcher(effGetProgram, 0, 0, nullptr, 0.0f);
                effect.dispatcher(effGetProgramName, 0, 0, name, 0.0f);
            }
        };
        std::thread userInterface(programsAndChunks, 13u);
        std::thread secondHostThread(programsAndChunks, 14u);

        audio.join();
        automation.join();
        userInterface.join();
        secondHostThread.join();
        expectEnginesHoldTheSelectedProgram(effect);
        if (HasFailure())
            return;
    }
}

} // namespace

} // namespace sorrel
