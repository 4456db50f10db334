#include "fuzz/fuzz_effect.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

extern "C" AEffect *VSTCALLBACK VSTPluginMain(audioMasterCallback audioMaster);

namespace sorrel::fuzz {

uint64_t recordCalls = 0;

namespace {

// Answers like a plain host: a version, a rate and a block size, 0 otherwise.
VstIntPtr VSTCALLBACK host(AEffect *, VstInt32 opcode, VstInt32, VstIntPtr, void *, float) {
    switch (opcode) {
    case audioMasterVersion:
        return 2400;
    case audioMasterGetSampleRate:
        return 44100;
    case audioMasterGetBlockSize:
        return 512;
    default:
        return 0;
    }
}

// libFuzzer ends a timed run through exit(), so the count is printed then.
struct Report {
    ~Report() { std::fprintf(stderr, "record calls: %llu\n", static_cast<unsigned long long>(recordCalls)); }
} report;

} // namespace

AEffect *openEffect() {
    AEffect *effect = VSTPluginMain(host);
    if (effect == nullptr || effect->magic != kEffectMagic)
        fail("VSTPluginMain gave no effect");
    dispatch(effect, effOpen);
    return effect;
}

void closeEffect(AEffect *effect) {
    if (dispatch(effect, effClose) != 1)
        fail("effClose did not answer 1");
}

VstIntPtr dispatch(AEffect *effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void *ptr, float opt) {
    ++recordCalls;
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void setParameter(AEffect *effect, VstInt32 index, float value) {
    ++recordCalls;
    effect->setParameter(effect, index, value);
}

float getParameter(AEffect *effect, VstInt32 index) {
    ++recordCalls;
    const float value = effect->getParameter(effect, index);
    if (!(value >= 0.0f && value <= 1.0f))
        fail("getParameter answered a value outside 0..1", index);
    return value;
}

void processReplacing(AEffect *effect, float **inputs, float **outputs, VstInt32 frames) {
    ++recordCalls;
    effect->processReplacing(effect, inputs, outputs, frames);
}

void process(AEffect *effect, float **inputs, float **outputs, VstInt32 frames) {
    ++recordCalls;
    effect->process(effect, inputs, outputs, frames);
}

void checkParameters(AEffect *effect) {
    const VstInt32 outside[] = {INT32_MIN, -1, effect->numParams, effect->numParams + 1, INT32_MAX};
    for (VstInt32 index = 0; index < effect->numParams; ++index)
        getParameter(effect, index);
    for (VstInt32 index : outside)
        if (getParameter(effect, index) != 0.0f)
            fail("getParameter outside the table did not answer 0", index);
}

} // namespace sorrel::fuzz
