// Host threads at once, through the VST 2.4 plug-in as hosts drive it. Under
// ThreadSanitizer (tsan preset) no access may race; in every build:
//  - while audio runs and writes all parameters before every block,
//    others write parameters, change Q, select programs, load chunks and
//    read levels and displays, and the GUI thread keeps the editor open
//    through the dispatcher (on the headless window system), its idle
//    applying the parameter changes and feeding the meters: nothing breaks
//    and the sound stays finite;
//  - with automation on the audio thread and on its own thread, and program
//    changes and chunk loads from two more, the engines end up holding
//    exactly the selected program, however the writes interleaved.
#include "vst2/plugin/equalizer_plugin.h"
#include "vst2/aeffguieditor.h"
#include "gui/views/frame.h"
#include "gui/platform/headless.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
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

// Where parameter index's value lies in a program record.
size_t valueOffset(uint32_t index) {
    return static_cast<size_t>(ProgramBank::kNameSize) + 4 * index;
}

TEST(EffectConcurrency, AudioKeepsRunningWhileEverythingElseChanges) {
    EqualizerPlugin effect(nullptr);
    effect.setSampleRate(44100.0f);
    effect.setBlockSize(64);

    std::atomic<bool> stop{false};
    std::atomic<bool> finite{true};
    std::atomic<int> blocks{0};

    AEffect *record = effect.getAeffect();
    std::thread audio([&] {
        std::vector<float> left(96), right(96);
        float *in[2] = {left.data(), right.data()};
        uint32_t seed = 1;
        for (int block = 0; block < 2000; ++block) {
            for (size_t i = 0; i < left.size(); ++i) {
                left[i] = unit(seed) - 0.5f;
                right[i] = unit(seed) - 0.5f;
            }
            for (VstInt32 index = 0; index < kNumParameters; ++index)
                record->setParameter(record, index, unit(seed));
            // 96 frames against a block size of 64: every call runs in pieces.
            record->processReplacing(record, in, in, 96);
            for (size_t i = 0; i < left.size(); ++i)
                if (!std::isfinite(left[i]) || !std::isfinite(right[i]))
                    finite = false;
            blocks.fetch_add(1, std::memory_order_relaxed);
        }
        stop = true;
    });

    std::thread automation([&] {
        uint32_t seed = 2;
        while (!stop) {
            const VstInt32 index = static_cast<VstInt32>(next(seed) % (kNumParameters + 2)) - 1;
            float value = unit(seed);
            if (next(seed) % 50 == 0)
                value = std::numeric_limits<float>::quiet_NaN();
            else if (next(seed) % 50 == 0)
                value = 3.0f;
            effect.setParameter(index, value);
        }
    });

    std::thread bandwidth([&] {
        uint32_t seed = 3;
        while (!stop)
            effect.setParameter(sorrel::kQParameter, unit(seed));
    });

    std::thread programs([&] {
        uint32_t seed = 4;
        std::vector<unsigned char> saved;
        while (!stop) {
            effect.setProgram(static_cast<VstInt32>(next(seed) % 10));
            void *data = nullptr;
            const bool bank = next(seed) % 2 == 0;
            const VstInt32 size = effect.getChunk(&data, !bank);
            ASSERT_EQ(size, (bank ? EqualizerEffect::kNumPrograms : 1) * ProgramBank::recordSizeFor(kNumParameters));
            saved.assign(static_cast<unsigned char *>(data), static_cast<unsigned char *>(data) + size);
            // Perturb a value so the load changes something.
            saved[valueOffset(next(seed) % kNumParameters) + 3] ^= 0x01;
            effect.setChunk(saved.data(), size, !bank);
            char name[32];
            effect.getProgramName(name);
        }
    });

    std::thread editor([&] {
        auto *gui = dynamic_cast<AEffGUIEditor *>(effect.getEditor());
        ASSERT_NE(gui, nullptr);
        int parentWindow = 0; // any address is a window to the headless backend
        ASSERT_EQ(record->dispatcher(record, effEditOpen, 0, 0, &parentWindow, 0.0f), 1);
        platform::headless::queuePaint(gui->getFrame()->getWindow(), {0, 0, 710, 167});
        float sink = 0.0f;
        char text[32];
        while (!stop) {
            record->dispatcher(record, effEditIdle, 0, 0, nullptr, 0.0f);
            for (int channel = 0; channel < 2; ++channel)
                for (int band = 0; band < kNumBands; ++band)
                    sink += effect.effect().engine(channel).getPreGainLevel(band) +
                            effect.effect().engine(channel).getPostGainLevel(band);
            for (VstInt32 index = 0; index < kNumParameters; ++index) {
                effect.getParameterDisplay(index, text);
                sink += effect.getParameter(index);
            }
        }
        record->dispatcher(record, effEditClose, 0, 0, nullptr, 0.0f);
        EXPECT_TRUE(std::isfinite(sink));
    });

    audio.join();
    automation.join();
    bandwidth.join();
    programs.join();
    editor.join();
    EXPECT_EQ(blocks.load(), 2000);
    EXPECT_TRUE(finite.load());
    for (VstInt32 index = 0; index < kNumParameters; ++index) {
        const float value = effect.getParameter(index);
        EXPECT_TRUE(value >= 0.0f && value <= 1.0f) << index << " holds " << value;
    }
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
                effect.setParameter(static_cast<VstInt32>(next(seed) % kNumParameters), unit(seed));
            }
            stop = true;
        });
        std::thread automation([&] {
            uint32_t seed = 12;
            while (!stop)
                effect.setParameter(static_cast<VstInt32>(next(seed) % kNumParameters), unit(seed));
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
                std::memcpy(&saved[valueOffset(next(seed) % kNumParameters)], &value, sizeof value);
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
