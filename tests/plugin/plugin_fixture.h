// Loads the built plug-in once per test program and creates effects through
// its exported entry with the recording host.
#pragma once

#include "plugin_library.h"
#include "recording_host.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace sorrel::test {

class PluginTest : public ::testing::Test {
  public:
    static std::unique_ptr<PluginLibrary> library;

  protected:
    static void SetUpTestSuite() {
        if (!library)
            library = std::make_unique<PluginLibrary>(builtPluginPath());
    }
    void SetUp() override {
        ASSERT_TRUE(library->loaded()) << library->error();
        ASSERT_NE(library->entry(), nullptr);
        RecordingHost::setVersionAnswer(2400);
        RecordingHost::clear();
    }

    // A new effect, straight from the entry.
    static std::unique_ptr<RecordedEffect> create() {
        return std::make_unique<RecordedEffect>(library->entry()(&RecordingHost::callback));
    }
    // A new effect set up as hosts do before audio.
    static std::unique_ptr<RecordedEffect> started(float sampleRate = 44100.0f, VstInt32 blockSize = 512) {
        auto effect = create();
        if (*effect)
            effect->start(sampleRate, blockSize);
        return effect;
    }
};

// Two channels of audio in one place, with the pointer arrays hosts pass.
struct StereoBuffer {
    std::vector<float> left, right;
    float *channels[2];
    explicit StereoBuffer(size_t frames, float fill = 0.0f) : left(frames, fill), right(frames, fill) {
        channels[0] = left.data();
        channels[1] = right.data();
    }
    StereoBuffer(std::vector<float> l, std::vector<float> r) : left(std::move(l)), right(std::move(r)) {
        channels[0] = left.data();
        channels[1] = right.data();
    }
    StereoBuffer(const StereoBuffer &other) : left(other.left), right(other.right) {
        channels[0] = left.data();
        channels[1] = right.data();
    }
    StereoBuffer &operator=(const StereoBuffer &) = delete;
    size_t frames() const { return left.size(); }
    // Pointers offset by `frame` into both channels.
    float **at(size_t frame, float *(&out)[2]) {
        out[0] = left.data() + frame;
        out[1] = right.data() + frame;
        return out;
    }
};

// Reproducible noise in -amplitude..amplitude.
std::vector<float> noise(size_t frames, uint32_t seed, float amplitude = 0.5f);

} // namespace sorrel::test
