// Loads the built plug-in once per test program and creates effects through
// its exported entry with a recording host that answers like a plain host.
#pragma once

#include "vst2/aeffectx.h"
#include "support/fake_host.h"
#include "tools/hostlib/module.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace sorrel::test {

// An effect created through the library's entry and driven only through its
// record. Closes the effect when it goes.
class RecordedEffect {
  public:
    explicit RecordedEffect(AEffect *inEffect) : effect(inEffect) {}
    ~RecordedEffect() { close(); }
    RecordedEffect(const RecordedEffect &) = delete;
    RecordedEffect &operator=(const RecordedEffect &) = delete;

    AEffect *record() const { return effect; }
    explicit operator bool() const { return effect != nullptr; }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void *ptr = nullptr,
                       float opt = 0.0f) const {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    void setParameter(VstInt32 index, float value) const { effect->setParameter(effect, index, value); }
    float getParameter(VstInt32 index) const { return effect->getParameter(effect, index); }
    void processReplacing(float **in, float **out, VstInt32 frames) const {
        effect->processReplacing(effect, in, out, frames);
    }
    void process(float **in, float **out, VstInt32 frames) const { effect->process(effect, in, out, frames); }

    // The usual set-up of a host: open, sample rate, block size, resume.
    void start(float sampleRate, VstInt32 blockSize) const;
    // A text answer of the dispatcher (names, labels, displays) into a
    // buffer prefilled with '#'; returns what stands before the terminator,
    // or "<untouched>" when the buffer was not written at all.
    std::string text(VstInt32 opcode, VstInt32 index = 0) const;
    // Closes the effect (effClose); the record is gone afterwards.
    VstIntPtr close();

  private:
    AEffect *effect;
};

class PluginTest : public ::testing::Test {
  public:
    static std::unique_ptr<tool::Module> library;
    // Set by a test program that watches the effects it creates: gets the
    // module's entry and returns the one to create effects through.
    static VSTPluginMainProc (*wrapEntry)(VSTPluginMainProc);

  protected:
    static void SetUpTestSuite() {
        if (!library)
            library = std::make_unique<tool::Module>(tool::nativePath(SORREL_PLUGIN_PATH));
    }
    void SetUp() override {
        ASSERT_TRUE(library->loaded()) << library->error();
        ASSERT_NE(library->entry(), nullptr);
        host.answerAsPlainHost();
    }

    static VSTPluginMainProc entry() { return wrapEntry ? wrapEntry(library->entry()) : library->entry(); }
    // A new effect, straight from the entry.
    std::unique_ptr<RecordedEffect> create() const {
        return std::make_unique<RecordedEffect>(entry()(host.callback()));
    }
    // A new effect set up as hosts do before audio.
    std::unique_ptr<RecordedEffect> started(float sampleRate = 44100.0f, VstInt32 blockSize = 512) const {
        auto effect = create();
        if (*effect)
            effect->start(sampleRate, blockSize);
        return effect;
    }

    FakeHost host;
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
