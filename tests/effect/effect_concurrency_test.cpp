// One thread runs audio, writing all 36 parameters before every block as
// hosts that play automation do, while others write parameters, change Q,
// select programs, load chunks and read levels and displays, as hosts do,
// and the GUI thread keeps the editor open through the dispatcher (on the
// headless window system), its idle applying the parameter changes and
// feeding the meters. Run under
// ThreadSanitizer (tsan preset) this proves the shared state is race-free;
// everywhere it proves nothing breaks and the sound stays finite.
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
            for (VstInt32 index = 0; index < 36; ++index)
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
            const VstInt32 index = static_cast<VstInt32>(next(seed) % 38) - 1;
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
            ASSERT_EQ(size, bank ? 1760 : 176);
            saved.assign(static_cast<unsigned char *>(data), static_cast<unsigned char *>(data) + size);
            // Perturb a value so the load changes something.
            saved[32 + 4 * (next(seed) % 36) + 3] ^= 0x01;
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
        sorrel::platform::headless::queuePaint(gui->getFrame()->getWindow(), {0, 0, 710, 167});
        float sink = 0.0f;
        char text[32];
        while (!stop) {
            record->dispatcher(record, effEditIdle, 0, 0, nullptr, 0.0f);
            for (int channel = 0; channel < 2; ++channel)
                for (int band = 0; band < kNumBands; ++band)
                    sink += effect.effect().engine(channel).getPreGainLevel(band) +
                            effect.effect().engine(channel).getPostGainLevel(band);
            for (VstInt32 index = 0; index < 36; ++index) {
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
    for (VstInt32 index = 0; index < 36; ++index) {
        const float value = effect.getParameter(index);
        EXPECT_TRUE(value >= 0.0f && value <= 1.0f) << index << " holds " << value;
    }
}

} // namespace

} // namespace sorrel
