// A minimal plug-in written straight against the record, for testing the
// host: a gain and a one-pole smoother per channel, three programs.
//
// Built in three variants:
//   TESTPLUG_CHUNKS  stereo, programs kept as chunks          id 'HtC1'
//   TESTPLUG_MONO    one input, one output, parameter lists   id 'HtM1'
//   (neither)        stereo, parameter lists                  id 'HtP1'
#include "vst2/aeffectx.h"
#include "tests/support/raw_plugin.h"

#include <cstdio>
#include <cstring>
#include <new>

#ifdef _WIN32
#define TESTPLUG_EXPORT extern "C" __declspec(dllexport)
#else
#define TESTPLUG_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

#if defined(TESTPLUG_CHUNKS)
constexpr VstInt32 kId = fourCharCode('H', 't', 'C', '1');
constexpr int kChannels = 2;
#elif defined(TESTPLUG_MONO)
constexpr VstInt32 kId = fourCharCode('H', 't', 'M', '1');
constexpr int kChannels = 1;
#else
constexpr VstInt32 kId = fourCharCode('H', 't', 'P', '1');
constexpr int kChannels = 2;
#endif

constexpr int kParams = 2; // 0 Gain (x0..x2, label dB), 1 Smooth (one-pole coefficient 0..0.99)
constexpr int kPrograms = 3;
constexpr int kNameBytes = 24;

struct Program {
    char name[kNameBytes];
    float values[kParams];
};

struct TestPlug {
    AEffect record;
    audioMasterCallback host;
    Program programs[kPrograms];
    int current = 0;
    float state[kChannels] = {};
    float sampleRate = 0;
    VstInt32 blockSize = 0;
};

TestPlug *self(AEffect *e) {
    return static_cast<TestPlug *>(e->object);
}

using sorrel::rawplugin::copyText;

template <bool Accumulate> void VSTCALLBACK run(AEffect *e, float **in, float **out, VstInt32 frames) {
    TestPlug *p = self(e);
    const Program &prog = p->programs[p->current];
    const float gain = prog.values[0] * 2.0f;
    const float smooth = prog.values[1] * 0.99f;
    for (int c = 0; c < kChannels; ++c) {
        float s = p->state[c];
        for (VstInt32 i = 0; i < frames; ++i) {
            s = in[c][i] + smooth * (s - in[c][i]);
            if (Accumulate)
                out[c][i] += gain * s;
            else
                out[c][i] = gain * s;
        }
        p->state[c] = s;
    }
}

void VSTCALLBACK setParameter(AEffect *e, VstInt32 index, float value) {
    if (index >= 0 && index < kParams)
        self(e)->programs[self(e)->current].values[index] = value;
}

float VSTCALLBACK getParameter(AEffect *e, VstInt32 index) {
    return index >= 0 && index < kParams ? self(e)->programs[self(e)->current].values[index] : 0.0f;
}

VstIntPtr VSTCALLBACK dispatcher(AEffect *e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void *ptr,
                                 float opt) {
    TestPlug *p = self(e);
    static const char *const names[kParams] = {"Gain", "Smooth"};
    switch (opcode) {
    case effClose:
        delete p;
        return 1;
    case effSetProgram:
        if (value >= 0 && value < kPrograms)
            p->current = static_cast<int>(value);
        return 0;
    case effGetProgram:
        return p->current;
    case effSetProgramName:
        if (ptr) {
            std::strncpy(p->programs[p->current].name, static_cast<const char *>(ptr), kNameBytes - 1);
            p->programs[p->current].name[kNameBytes - 1] = 0;
        }
        return 0;
    case effGetProgramName:
        copyText(ptr, p->programs[p->current].name, kNameBytes - 1);
        return 0;
    case effGetProgramNameIndexed:
        if (index < 0 || index >= kPrograms)
            return 0;
        copyText(ptr, p->programs[index].name, kNameBytes - 1);
        return 1;
    case effGetParamName:
        if (index >= 0 && index < kParams)
            copyText(ptr, names[index], 8);
        return 0;
    case effGetParamLabel:
        if (index >= 0 && index < kParams)
            copyText(ptr, index == 0 ? "dB" : "", 8);
        return 0;
    case effGetParamDisplay:
        if (index >= 0 && index < kParams && ptr)
            std::snprintf(static_cast<char *>(ptr), 9, "%.3f", static_cast<double>(getParameter(e, index)));
        return 0;
    case effSetSampleRate:
        p->sampleRate = opt;
        return 0;
    case effSetBlockSize:
        p->blockSize = static_cast<VstInt32>(value);
        return 0;
    case effGetEffectName:
        copyText(ptr, "Host test plug", 32);
        return 1;
    case effGetVendorString:
        copyText(ptr, "Sorrel tests", 64);
        return 1;
    case effGetProductString:
        copyText(ptr, "Host test plug", 64);
        return 1;
    case effGetVendorVersion:
        return 7;
    case effGetPlugCategory:
        return 1;
    case effGetVstVersion:
        return 2400;
#ifdef TESTPLUG_CHUNKS
    case effGetChunk:
        if (!ptr)
            return 0;
        *static_cast<void **>(ptr) =
            index ? static_cast<void *>(&p->programs[p->current]) : static_cast<void *>(p->programs);
        return index ? sizeof(Program) : sizeof p->programs;
    case effSetChunk: {
        const size_t want = index ? sizeof(Program) : sizeof p->programs;
        if (!ptr || value != static_cast<VstIntPtr>(want))
            return 0;
        std::memcpy(index ? static_cast<void *>(&p->programs[p->current]) : static_cast<void *>(p->programs),
                    ptr, want);
        for (Program &prog : p->programs)
            prog.name[kNameBytes - 1] = 0;
        return 1;
    }
#endif
    default:
        return 0;
    }
}

} // namespace

TESTPLUG_EXPORT AEffect *VSTPluginMain(audioMasterCallback host) {
    if (!sorrel::rawplugin::hostAnswers(host))
        return nullptr;
    TestPlug *p = new (std::nothrow) TestPlug();
    if (!p)
        return nullptr;
    p->host = host;
    VstInt32 flags = effFlagsCanReplacing;
#ifdef TESTPLUG_CHUNKS
    flags |= effFlagsProgramChunks;
#endif
    sorrel::rawplugin::fillRecord(p->record, p, {kId, 3, kChannels, kChannels, kParams, kPrograms, flags},
                          {dispatcher, run<true>, run<false>, setParameter, getParameter});
    static const char *const programNames[kPrograms] = {"Init", "Loud", "Soft"};
    static const float gains[kPrograms] = {0.5f, 1.0f, 0.25f};
    for (int i = 0; i < kPrograms; ++i) {
        std::strcpy(p->programs[i].name, programNames[i]);
        p->programs[i].values[0] = gains[i];
        p->programs[i].values[1] = 0.0f;
    }
    return &p->record;
}
