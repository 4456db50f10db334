#include "support/fake_host.h"

namespace {
FakeHost *current = nullptr;
}

FakeHost::FakeHost() : previous(current) {
    answers[audioMasterVersion] = 2400;
    current = this;
}

FakeHost::~FakeHost() {
    current = previous;
}

std::vector<FakeHost::Call> FakeHost::callsOf(VstInt32 opcode) const {
    std::vector<Call> out;
    for (const Call &c : calls)
        if (c.opcode == opcode)
            out.push_back(c);
    return out;
}

VstIntPtr VSTCALLBACK FakeHost::dispatch(AEffect *effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                         void *ptr, float opt) {
    if (!current)
        return 0;
    current->calls.push_back({effect, opcode, index, value, ptr, opt});
    auto it = current->answers.find(opcode);
    return it == current->answers.end() ? 0 : it->second;
}
