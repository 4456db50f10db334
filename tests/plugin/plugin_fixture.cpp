#include "plugin_fixture.h"

#include <cstring>

namespace sorrel::test {

std::unique_ptr<tool::Module> PluginTest::library;
VSTPluginMainProc (*PluginTest::wrapEntry)(VSTPluginMainProc) = nullptr;

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
    if (effect == nullptr)
        return 0;
    const VstIntPtr result = dispatch(effClose);
    effect = nullptr;
    return result;
}

std::vector<float> noise(size_t frames, uint32_t seed, float amplitude) {
    std::vector<float> out(frames);
    uint32_t state = seed;
    for (float &sample : out) {
        state = state * 1664525u + 1013904223u;
        sample = (static_cast<float>(state >> 8) / 16777216.0f * 2.0f - 1.0f) * amplitude;
    }
    return out;
}

} // namespace sorrel::test
