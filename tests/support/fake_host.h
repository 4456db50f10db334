// A host callback that records every call and answers from a table, so that
// tests see exactly what an effect asks of its host.
#pragma once

#include "vst2/aeffect.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace sorrel {

class FakeHost {
  public:
    struct Call {
        AEffect *effect;
        VstInt32 opcode;
        VstInt32 index;
        VstIntPtr value;
        void *ptr;
        float opt;
    };

    // Installs this host as the one the callback answers for; the version
    // query answers 2400 unless a test says otherwise.
    FakeHost();
    ~FakeHost();
    FakeHost(const FakeHost &) = delete;
    FakeHost &operator=(const FakeHost &) = delete;

    audioMasterCallback callback() const { return &FakeHost::dispatch; }
    void answer(VstInt32 opcode, VstIntPtr result) { answers[opcode] = result; }
    // Answers 1 and writes text into the caller's buffer (vendor, product).
    void answerText(VstInt32 opcode, const std::string &text);
    // The answers of a plain host: 44100 Hz, blocks of 512, vendor and
    // product texts and a vendor version.
    void answerAsPlainHost();
    // Calls with the given opcode, in order.
    std::vector<Call> callsOf(VstInt32 opcode) const;

    // Recorded under a lock, so effects may call from any thread; read them
    // while no effect is running.
    std::vector<Call> calls;
    std::map<VstInt32, VstIntPtr> answers;
    std::map<VstInt32, std::string> texts;
    // Runs after each call has been recorded and answered, outside the
    // recording lock: it may call the effect back as hosts do from inside
    // their callbacks (close the editor, delete the effect).
    std::function<void(AEffect *effect, VstInt32 opcode)> onCall;

  private:
    static VstIntPtr VSTCALLBACK dispatch(AEffect *effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                          void *ptr, float opt);
    FakeHost *previous;
};

} // namespace sorrel
