// The plug-in record and the host callback as a VST 2.4 host sees them.
// This layout is the binary contract with every host: on 32-bit targets the
// record is 144 bytes with the offsets checked below; on 64-bit targets the
// pointer-sized fields widen and the natural layout follows.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define VSTCALLBACK __cdecl
#else
#define VSTCALLBACK
#endif

using VstInt32 = int32_t;
using VstIntPtr = intptr_t;

struct AEffect;

using audioMasterCallback = VstIntPtr(VSTCALLBACK *)(AEffect *effect, VstInt32 opcode, VstInt32 index,
                                                     VstIntPtr value, void *ptr, float opt);
using AEffectDispatcherProc = VstIntPtr(VSTCALLBACK *)(AEffect *effect, VstInt32 opcode, VstInt32 index,
                                                       VstIntPtr value, void *ptr, float opt);
using AEffectProcessProc = void(VSTCALLBACK *)(AEffect *effect, float **inputs, float **outputs,
                                               VstInt32 sampleFrames);
using AEffectProcessDoubleProc = void(VSTCALLBACK *)(AEffect *effect, double **inputs, double **outputs,
                                                     VstInt32 sampleFrames);
using AEffectSetParameterProc = void(VSTCALLBACK *)(AEffect *effect, VstInt32 index, float parameter);
using AEffectGetParameterProc = float(VSTCALLBACK *)(AEffect *effect, VstInt32 index);

// Four characters packed big-endian: the first character is the most significant byte.
constexpr VstInt32 fourCharCode(char a, char b, char c, char d) {
    return static_cast<VstInt32>((static_cast<uint32_t>(static_cast<unsigned char>(a)) << 24) |
                                 (static_cast<uint32_t>(static_cast<unsigned char>(b)) << 16) |
                                 (static_cast<uint32_t>(static_cast<unsigned char>(c)) << 8) |
                                 static_cast<uint32_t>(static_cast<unsigned char>(d)));
}

constexpr VstInt32 kEffectMagic = fourCharCode('V', 's', 't', 'P');

struct AEffect {
    VstInt32 magic;
    AEffectDispatcherProc dispatcher;
    AEffectProcessProc process;
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 numInputs;
    VstInt32 numOutputs;
    VstInt32 flags;
    VstIntPtr resvd1;
    VstIntPtr resvd2;
    VstInt32 initialDelay;
    VstInt32 realQualities;
    VstInt32 offQualities;
    float ioRatio;
    void *object;
    void *user;
    VstInt32 uniqueID;
    VstInt32 version;
    AEffectProcessProc processReplacing;
    AEffectProcessDoubleProc processDoubleReplacing;
    char future[56];
};

#if INTPTR_MAX == INT32_MAX
static_assert(sizeof(AEffect) == 144, "the record is 144 bytes on 32-bit targets");
static_assert(offsetof(AEffect, dispatcher) == 4 && offsetof(AEffect, process) == 8 &&
                  offsetof(AEffect, setParameter) == 12 && offsetof(AEffect, getParameter) == 16 &&
                  offsetof(AEffect, numPrograms) == 20 && offsetof(AEffect, numParams) == 24 &&
                  offsetof(AEffect, numInputs) == 28 && offsetof(AEffect, numOutputs) == 32 &&
                  offsetof(AEffect, flags) == 36 && offsetof(AEffect, resvd1) == 40 &&
                  offsetof(AEffect, resvd2) == 44 && offsetof(AEffect, initialDelay) == 48 &&
                  offsetof(AEffect, realQualities) == 52 && offsetof(AEffect, offQualities) == 56 &&
                  offsetof(AEffect, ioRatio) == 60 && offsetof(AEffect, object) == 64 &&
                  offsetof(AEffect, user) == 68 && offsetof(AEffect, uniqueID) == 72 &&
                  offsetof(AEffect, version) == 76 && offsetof(AEffect, processReplacing) == 80 &&
                  offsetof(AEffect, processDoubleReplacing) == 84 && offsetof(AEffect, future) == 88,
              "record offsets are the host ABI");
#endif

enum VstAEffectFlags : VstInt32 {
    effFlagsHasEditor = 1,
    effFlagsHasClip = 2,
    effFlagsHasVu = 4,
    effFlagsCanMono = 8,
    effFlagsCanReplacing = 16,
    effFlagsProgramChunks = 32,
    effFlagsIsSynth = 256,
    effFlagsNoSoundInStop = 512,
    effFlagsExtIsAsync = 1024,
    effFlagsExtHasBuffer = 2048,
    effFlagsCanDoubleReplacing = 4096,
};

// Dispatcher opcodes 0..24 (the extended set follows in aeffectx.h).
enum AEffectOpcodes : VstInt32 {
    effOpen = 0,
    effClose = 1,
    effSetProgram = 2,
    effGetProgram = 3,
    effSetProgramName = 4,
    effGetProgramName = 5,
    effGetParamLabel = 6,
    effGetParamDisplay = 7,
    effGetParamName = 8,
    effGetVu = 9,
    effSetSampleRate = 10,
    effSetBlockSize = 11,
    effMainsChanged = 12,
    effEditGetRect = 13,
    effEditOpen = 14,
    effEditClose = 15,
    effEditDraw = 16,
    effEditMouse = 17,
    effEditKey = 18,
    effEditIdle = 19,
    effEditTop = 20,
    effEditSleep = 21,
    effIdentify = 22,
    effGetChunk = 23,
    effSetChunk = 24,
};

// Host opcodes used by the base.
enum AudioMasterOpcodes : VstInt32 {
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterPinConnected = 4,
};

// Editor rectangle as the host reads it through effEditGetRect.
struct ERect {
    int16_t top;
    int16_t left;
    int16_t bottom;
    int16_t right;
};

// The entry point every host looks for.
using VSTPluginMainProc = AEffect *(VSTCALLBACK *)(audioMasterCallback audioMaster);
