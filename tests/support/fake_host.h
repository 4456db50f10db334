// A host callback that records every call and answers from a table, so that
// tests see exactly what an effect asks of its host.
#pragma once

#include "host/aeffect.h"

#include <map>
#include <vector>

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
    // Calls with the given opcode, in order.
    std::vector<Call> callsOf(VstInt32 opcode) const;

    std::vector<Call> calls;
    std::map<VstInt32, VstIntPtr> answers;

  private:
    static VstIntPtr VSTCALLBACK dispatch(AEffect *effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                          void *ptr, float opt);
    FakeHost *previous;
};
