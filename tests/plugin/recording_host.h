// A host callback that records every call the plug-in makes into it and
// answers like a plain host: version 2400, a sample rate, a block size,
// vendor and product texts, and 0 for everything else.
#pragma once

#include "host/aeffectx.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sorrel::test {

struct HostCall {
    AEffect *effect;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void *ptr;
    float opt;
};

class RecordingHost {
  public:
    static VstIntPtr VSTCALLBACK callback(AEffect *effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                          void *ptr, float opt);

    static std::vector<HostCall> calls();
    static void clear();
    // What the host answers to the version query (2400 unless set).
    static void setVersionAnswer(VstIntPtr answer);
};

// An effect created through the library's entry with the recording host and
// driven only through its record. Closes the effect when it goes.
class RecordedEffect {
  public:
    explicit RecordedEffect(AEffect *effect) : effect_(effect) {}
    ~RecordedEffect() { close(); }
    RecordedEffect(const RecordedEffect &) = delete;
    RecordedEffect &operator=(const RecordedEffect &) = delete;

    AEffect *record() const { return effect_; }
    explicit operator bool() const { return effect_ != nullptr; }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void *ptr = nullptr,
                       float opt = 0.0f) const {
        return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
    }
    void setParameter(VstInt32 index, float value) const { effect_->setParameter(effect_, index, value); }
    float getParameter(VstInt32 index) const { return effect_->getParameter(effect_, index); }
    void processReplacing(float **in, float **out, VstInt32 frames) const {
        effect_->processReplacing(effect_, in, out, frames);
    }
    void process(float **in, float **out, VstInt32 frames) const {
        effect_->process(effect_, in, out, frames);
    }

    // The usual set-up of a host: open, sample rate, block size, resume.
    void start(float sampleRate, VstInt32 blockSize) const;
    // A text answer of the dispatcher (names, labels, displays) into a
    // buffer prefilled with '#'; returns what stands before the terminator,
    // or "<untouched>" when the buffer was not written at all.
    std::string text(VstInt32 opcode, VstInt32 index = 0) const;
    // Closes the effect (effClose); the record is gone afterwards.
    VstIntPtr close();

  private:
    AEffect *effect_;
};

} // namespace sorrel::test
