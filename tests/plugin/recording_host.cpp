#include "recording_host.h"

#include <cstring>
#include <mutex>

namespace sorrel::test {

namespace {

std::mutex mutex;
std::vector<HostCall> recorded;
VstIntPtr versionAnswer = 2400;

void copyText(void *ptr, const char *text) {
    if (ptr != nullptr)
        std::strcpy(static_cast<char *>(ptr), text);
}

} // namespace

VstIntPtr VSTCALLBACK RecordingHost::callback(AEffect *effect, VstInt32 opcode, VstInt32 index,
                                              VstIntPtr value, void *ptr, float opt) {
    std::lock_guard<std::mutex> lock(mutex);
    recorded.push_back(HostCall{effect, opcode, index, value, ptr, opt});
    switch (opcode) {
    case 1: // version
        return versionAnswer;
    case 16: // sample rate
        return 44100;
    case 17: // block size
        return 512;
    case 32: // vendor
        copyText(ptr, "Sorrel test host");
        return 1;
    case 33: // product
        copyText(ptr, "recording host");
        return 1;
    case 34: // vendor version
        return 1;
    default:
        return 0;
    }
}

std::vector<HostCall> RecordingHost::calls() {
    std::lock_guard<std::mutex> lock(mutex);
    return recorded;
}

void RecordingHost::clear() {
    std::lock_guard<std::mutex> lock(mutex);
    recorded.clear();
}

void RecordingHost::setVersionAnswer(VstIntPtr answer) {
    std::lock_guard<std::mutex> lock(mutex);
    versionAnswer = answer;
}

void RecordedEffect::start(float sampleRate, VstInt32 blockSize) const {
    dispatch(effOpen);
    dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    dispatch(effSetBlockSize, 0, blockSize);
    dispatch(effMainsChanged, 0, 1);
}

std::string RecordedEffect::text(VstInt32 opcode, VstInt32 index) const {
    char buffer[256];
    std::memset(buffer, '#', sizeof buffer);
    dispatch(opcode, index, 0, buffer);
    bool untouched = true;
    for (char c : buffer)
        untouched = untouched && c == '#';
    if (untouched)
        return "<untouched>";
    const void *end = std::memchr(buffer, 0, sizeof buffer);
    if (end == nullptr)
        return "<unterminated>";
    return std::string(buffer);
}

VstIntPtr RecordedEffect::close() {
    if (effect_ == nullptr)
        return 0;
    const VstIntPtr result = dispatch(effClose);
    effect_ = nullptr;
    return result;
}

} // namespace sorrel::test
