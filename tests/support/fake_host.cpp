#include "support/fake_host.h"

#include "vst2/aeffectx.h"

#include <cstring>
#include <mutex>

namespace sorrel {

namespace {
FakeHost *current = nullptr;
std::mutex recording;
} // namespace

FakeHost::FakeHost() : previous(current) {
    answers[audioMasterVersion] = 2400;
    current = this;
}

FakeHost::~FakeHost() {
    current = previous;
}

void FakeHost::answerText(VstInt32 opcode, const std::string &text) {
    answers[opcode] = 1;
    texts[opcode] = text;
}

void FakeHost::answerAsPlainHost() {
    answer(audioMasterGetSampleRate, 44100);
    answer(audioMasterGetBlockSize, 512);
    answer(audioMasterGetVendorVersion, 1);
    answerText(audioMasterGetVendorString, "Sorrel test host");
    answerText(audioMasterGetProductString, "fake host");
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
    VstIntPtr result = 0;
    std::function<void(AEffect *, VstInt32)> hook;
    {
        std::lock_guard<std::mutex> lock(recording);
        if (!current)
            return 0;
        current->calls.push_back({effect, opcode, index, value, ptr, opt});
        auto text = current->texts.find(opcode);
        if (text != current->texts.end() && ptr != nullptr)
            std::strcpy(static_cast<char *>(ptr), text->second.c_str());
        auto it = current->answers.find(opcode);
        result = it == current->answers.end() ? 0 : it->second;
        hook = current->onCall;
    }
    if (hook)
        hook(effect, opcode);
    return result;
}

} // namespace sorrel
