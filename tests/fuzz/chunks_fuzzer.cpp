// Chunks of any length and content, program and bank, loaded into one effect
// between program changes, parameter writes, text queries and audio. After
// every load the bank must be exactly what the chunk model says: the chunk
// with its values made safe when it was taken, the previous bank byte for
// byte when it was refused. Audio of full-scale noise must stay finite
// whatever was loaded.
#include "fuzz/chunk_model.h"
#include "fuzz/fuzz_effect.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

using namespace sorrel::fuzz;
namespace model = sorrel::chunkmodel;

namespace {

constexpr int kMaxSteps = 64;
constexpr VstInt32 kBlock = 256;

std::vector<uint8_t> chunkOf(AEffect *effect, bool isPreset) {
    void *data = nullptr;
    const VstIntPtr size = dispatch(effect, effGetChunk, isPreset ? 1 : 0, 0, &data);
    if (size != static_cast<VstIntPtr>(isPreset ? model::kRecordBytes : model::kBankBytes) || data == nullptr)
        fail("effGetChunk answered an unexpected size", size);
    const auto *bytes = static_cast<const uint8_t *>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

void loadChunk(AEffect *effect, FuzzedDataProvider &in) {
    const bool isPreset = in.ConsumeBool();
    const size_t exact = isPreset ? model::kRecordBytes : model::kBankBytes;
    const std::vector<uint8_t> before = chunkOf(effect, false);

    // Mostly chunks of the right length, built from the current one with
    // bytes changed; otherwise any length and content.
    size_t size = exact;
    std::vector<uint8_t> content;
    if (in.ConsumeIntegralInRange<int>(0, 3) != 0) {
        content = isPreset ? chunkOf(effect, true) : before;
        for (int k = in.ConsumeIntegralInRange<int>(0, 16); k > 0; --k)
            content[in.ConsumeIntegralInRange<size_t>(0, size - 1)] = in.ConsumeIntegral<uint8_t>();
    } else {
        size = in.ConsumeIntegralInRange<size_t>(0, 2 * model::kBankBytes);
        content = in.ConsumeBytes<uint8_t>(size);
        content.resize(size, 0);
    }
    std::unique_ptr<uint8_t[]> chunk(new uint8_t[size]);
    if (size != 0)
        std::memcpy(chunk.get(), content.data(), size);
    // A byte count below the real length, or negative, now and then.
    long long byteSize = static_cast<long long>(size);
    if (in.ConsumeIntegralInRange<int>(0, 7) == 0)
        byteSize = in.ConsumeIntegralInRange<long long>(INT32_MIN, byteSize);

    const VstInt32 program = static_cast<VstInt32>(dispatch(effect, effGetProgram));
    std::vector<uint8_t> expected = before;
    const bool accepted = model::load(expected, chunk.get(), byteSize, isPreset, program);
    const VstIntPtr result =
        dispatch(effect, effSetChunk, isPreset ? 1 : 0, static_cast<VstIntPtr>(byteSize), chunk.get());
    if (result != (accepted ? 1 : 0))
        fail(accepted ? "a well-formed chunk was refused" : "a malformed chunk was taken", byteSize);
    if (chunkOf(effect, false) != expected)
        fail(accepted ? "the bank differs from the loaded chunk" : "a refused chunk changed the bank",
             byteSize);
    if (dispatch(effect, effGetProgram) != program)
        fail("a chunk load changed the selected program", program);
}

void readTexts(AEffect *effect) {
    char text[64];
    for (VstInt32 index = -1; index <= effect->numParams; ++index)
        for (VstInt32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
            std::memset(text, 0x7F, sizeof text);
            dispatch(effect, opcode, index, 0, text);
            if (text[0] != 0x7F && std::memchr(text, 0, 21) == nullptr)
                fail("a parameter text is not terminated", index);
        }
    for (VstInt32 program = 0; program < 10; ++program) {
        std::memset(text, 0x7F, sizeof text);
        if (dispatch(effect, effGetProgramNameIndexed, program, 0, text) != 1 ||
            std::memchr(text, 0, 31) == nullptr)
            fail("a program name is not terminated within 30 characters", program);
    }
}

void runAudio(AEffect *effect, FuzzedDataProvider &in) {
    std::vector<float> left(kBlock), right(kBlock);
    uint32_t state = in.ConsumeIntegral<uint32_t>();
    for (VstInt32 i = 0; i < kBlock; ++i) {
        state = state * 1664525u + 1013904223u;
        left[i] = static_cast<float>(state >> 8) / 8388608.0f - 1.0f;
        right[i] = -left[i];
    }
    float *channels[2] = {left.data(), right.data()};
    processReplacing(effect, channels, channels, kBlock);
    for (VstInt32 i = 0; i < kBlock; ++i)
        if (!std::isfinite(left[i]) || !std::isfinite(right[i]))
            fail("full-scale noise came out not finite", i);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    AEffect *effect = openEffect();
    dispatch(effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    dispatch(effect, effSetBlockSize, 0, kBlock);
    dispatch(effect, effMainsChanged, 0, 1);
    for (int step = 0; step < kMaxSteps && in.remaining_bytes() > 0; ++step) {
        switch (in.ConsumeIntegralInRange<int>(0, 5)) {
        case 0:
        case 1:
            loadChunk(effect, in);
            break;
        case 2:
            dispatch(effect, effSetProgram, 0, in.ConsumeIntegralInRange<VstIntPtr>(-2, 11));
            break;
        case 3: {
            const VstInt32 index = in.ConsumeIntegralInRange<VstInt32>(-1, effect->numParams);
            uint32_t bits = in.ConsumeIntegral<uint32_t>();
            float value;
            std::memcpy(&value, &bits, sizeof value);
            setParameter(effect, index, in.ConsumeBool() ? value : in.ConsumeProbability<float>());
            break;
        }
        case 4:
            readTexts(effect);
            break;
        default:
            runAudio(effect, in);
            break;
        }
        checkParameters(effect);
    }
    closeEffect(effect);
    return 0;
}
