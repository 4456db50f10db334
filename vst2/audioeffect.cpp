#include "vst2/audioeffect.h"

#include "vst2/aeffeditor.h"

#include <cmath>
#include <cstring>

namespace {

constexpr VstInt32 kBaseUniqueId = fourCharCode('N', 'o', 'E', 'f');
constexpr VstIntPtr kIdentifyAnswer = fourCharCode('N', 'v', 'E', 'f');

// The text conversions budget eight characters for sign, integer digits and
// point; every digit is taken by truncation, never rounded.
constexpr int kFloatBudget = 8;

AudioEffect *objectOf(AEffect *e) {
    return e ? static_cast<AudioEffect *>(e->object) : nullptr;
}

// Writes an empty text into an optional buffer.
void clearText(char *text) {
    if (text)
        text[0] = 0;
}

} // namespace

char *vst_strncpy(char *dst, const char *src, VstInt32 maxLen) {
    if (!dst || maxLen < 0)
        return dst;
    const size_t limit = static_cast<size_t>(maxLen);
    size_t n = 0;
    if (src)
        for (; n < limit && src[n]; ++n)
            dst[n] = src[n];
    std::memset(dst + n, 0, limit + 1 - n);
    return dst;
}

char *vst_strncat(char *dst, const char *src, VstInt32 maxLen) {
    if (!dst || maxLen < 0)
        return dst;
    const size_t limit = static_cast<size_t>(maxLen);
    // The existing text counts against maxLen, so nothing lands past dst[maxLen].
    size_t used = 0;
    while (used < limit && dst[used])
        ++used;
    if (src)
        for (size_t i = 0; used < limit && src[i]; ++i)
            dst[used++] = src[i];
    if (used < limit)
        dst[used] = 0;
    dst[limit] = 0;
    return dst;
}

AudioEffect::AudioEffect(audioMasterCallback host, VstInt32 programs, VstInt32 params)
    : audioMaster(host), editor(nullptr), sampleRate(44100.0f), blockSize(1024), numPrograms(programs),
      numParams(params), curProgram(0) {
    std::memset(&cEffect, 0, sizeof(cEffect));
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchEffectClass;
    cEffect.process = processClass;
    cEffect.setParameter = setParameterClass;
    cEffect.getParameter = getParameterClass;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = kBaseUniqueId;
    cEffect.version = 1;
    cEffect.processReplacing = processClassReplacing;
    canProcessReplacing(true);
    cEffect.processDoubleReplacing = processClassDoubleReplacing;
}

AudioEffect::~AudioEffect() {
    delete editor;
}

void AudioEffect::setEditor(AEffEditor *newEditor) {
    editor = newEditor;
    setFlag(effFlagsHasEditor, editor != nullptr);
}

void AudioEffect::setFlag(VstInt32 bit, bool state) {
    if (state)
        cEffect.flags |= bit;
    else
        cEffect.flags &= ~bit;
}

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void *ptr, float opt) {
    return audioMaster ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void *ptr, float opt) {
    VstIntPtr result = 0;
    char *text = static_cast<char *>(ptr);
    switch (opcode) {
    case effOpen:
        open();
        break;
    case effClose:
        close();
        break;
    case effSetProgram:
        // A negative number passes; the effect's own setProgram rejects it.
        // Numbers outside 32 bits would be cut to another program: ignored.
        if (value < numPrograms && value >= INT32_MIN)
            setProgram(static_cast<VstInt32>(value));
        break;
    case effGetProgram:
        result = getProgram();
        break;
    case effSetProgramName:
        if (text)
            setProgramName(text);
        break;
    case effGetProgramName:
        if (text)
            getProgramName(text);
        break;
    case effGetParamLabel:
        if (text)
            getParameterLabel(index, text);
        break;
    case effGetParamDisplay:
        if (text)
            getParameterDisplay(index, text);
        break;
    case effGetParamName:
        if (text)
            getParameterName(index, text);
        break;
    case effSetSampleRate:
        setSampleRate(opt);
        break;
    case effSetBlockSize:
        setBlockSize(static_cast<VstInt32>(value));
        break;
    case effMainsChanged:
        if (value == 0)
            suspend();
        else
            resume();
        break;
    case effEditGetRect:
        if (editor && ptr)
            result = editor->getRect(static_cast<ERect **>(ptr)) ? 1 : 0;
        break;
    case effEditOpen:
        if (editor)
            result = editor->open(ptr) ? 1 : 0;
        break;
    case effEditClose:
        if (editor)
            editor->close();
        break;
    case effEditIdle:
        if (editor)
            editor->idle();
        break;
    case effIdentify:
        result = kIdentifyAnswer;
        break;
    case effGetChunk:
        if (ptr)
            result = getChunk(static_cast<void **>(ptr), index != 0);
        break;
    case effSetChunk:
        if (ptr)
            result = setChunk(ptr, static_cast<VstInt32>(value), index != 0);
        break;
    default:
        break;
    }
    return result;
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void AudioEffect::getProgramName(char *name) {
    clearText(name);
}
void AudioEffect::getParameterLabel(VstInt32 index, char *label) {
    clearText(label);
}
void AudioEffect::getParameterDisplay(VstInt32 index, char *text) {
    clearText(text);
}
void AudioEffect::getParameterName(VstInt32 index, char *text) {
    clearText(text);
}

VstInt32 AudioEffect::getMasterVersion() {
    if (!audioMaster)
        return 1;
    VstIntPtr version = callHost(audioMasterVersion);
    return version ? static_cast<VstInt32>(version) : 1;
}

VstInt32 AudioEffect::getCurrentUniqueId() {
    return static_cast<VstInt32>(callHost(audioMasterCurrentId));
}

void AudioEffect::masterIdle() {
    callHost(audioMasterIdle);
}

bool AudioEffect::isInputConnected(VstInt32 input) {
    return callHost(audioMasterPinConnected, input, 0) == 0;
}

bool AudioEffect::isOutputConnected(VstInt32 output) {
    return callHost(audioMasterPinConnected, output, 1) == 0;
}

void AudioEffect::dB2string(float value, char *text, VstInt32 maxLen) {
    if (value <= 0)
        vst_strncpy(text, "-oo", maxLen);
    else
        float2string(static_cast<float>(20.0 * std::log10(value)), text, maxLen);
}

void AudioEffect::Hz2string(float samples, char *text, VstInt32 maxLen) {
    if (samples == 0)
        float2string(0.0f, text, maxLen);
    else
        float2string(getSampleRate() / samples, text, maxLen);
}

void AudioEffect::ms2string(float samples, char *text, VstInt32 maxLen) {
    float2string(samples * 1000.0f / getSampleRate(), text, maxLen);
}

void AudioEffect::float2string(float value, char *text, VstInt32 maxLen) {
    double v = value;
    if (std::isnan(v)) {
        vst_strncpy(text, "NaN", maxLen);
        return;
    }
    int count = 0;
    bool negative = false;
    if (v < 0) {
        negative = true;
        v = -v;
        ++count;
    }
    // Beyond these limits the integer digits alone would not fit the budget
    // (sign and point included), so the text would show the wrong number.
    if (negative ? v >= 1000000.0 : v >= 10000000.0) {
        vst_strncpy(text, "Huge!", maxLen);
        return;
    }

    char scratch[32];
    char *p = scratch + sizeof(scratch) - 1;
    *p = 0;
    *--p = '.';
    ++count;
    double i = std::floor(v);
    *--p = static_cast<char>('0' + static_cast<int>(std::fmod(i, 10.0)));
    i /= 10.0;
    ++count;
    while (i >= 1.0 && count < kFloatBudget) {
        *--p = static_cast<char>('0' + static_cast<int>(std::fmod(i, 10.0)));
        i /= 10.0;
        ++count;
    }
    if (negative)
        *--p = '-';
    vst_strncpy(text, p, maxLen);
    if (count >= kFloatBudget)
        return;

    const int places = kFloatBudget - count;
    double m = std::fmod(v, 1.0) * std::pow(10.0, places);
    char fraction[kFloatBudget + 1];
    fraction[places] = 0;
    for (int k = places - 1; k >= 0; --k) {
        if (m <= 0) {
            fraction[k] = '0';
        } else {
            fraction[k] = static_cast<char>('0' + static_cast<int>(std::fmod(m, 10.0)));
            m /= 10.0;
        }
    }
    vst_strncat(text, fraction, maxLen);
}

void AudioEffect::int2string(VstInt32 value, char *text, VstInt32 maxLen) {
    // Nine digits at most, either sign; wider values would need a digit the
    // divisor table does not have.
    if (value >= 100000000 || value <= -1000000000) {
        vst_strncpy(text, "Huge!", maxLen);
        return;
    }
    VstInt32 rest = value;
    vst_strncpy(text, rest < 0 ? "-" : "", maxLen);
    if (rest < 0)
        rest = -rest;
    bool started = false;
    for (VstInt32 div = 100000000; div >= 1; div /= 10) {
        const VstInt32 digit = rest / div;
        rest -= digit * div;
        if (digit != 0 || started || div == 1) {
            started = true;
            const char s[2] = {static_cast<char>('0' + digit), 0};
            vst_strncat(text, s, maxLen);
        }
    }
}

VstIntPtr VSTCALLBACK AudioEffect::dispatchEffectClass(AEffect *e, VstInt32 opcode, VstInt32 index,
                                                       VstIntPtr value, void *ptr, float opt) {
    AudioEffect *effect = objectOf(e);
    if (!effect)
        return 0;
    VstIntPtr result = 0;
    try {
        result = effect->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        result = 0;
    }
    if (opcode == effClose) {
        // The record lives inside the object: the host must let go of it now.
        delete effect;
        return 1;
    }
    return result;
}

void VSTCALLBACK AudioEffect::processClass(AEffect *e, float **inputs, float **outputs,
                                           VstInt32 sampleFrames) {
    if (AudioEffect *effect = objectOf(e)) {
        try {
            effect->process(inputs, outputs, sampleFrames);
        } catch (...) {
        }
    }
}

void VSTCALLBACK AudioEffect::processClassReplacing(AEffect *e, float **inputs, float **outputs,
                                                    VstInt32 sampleFrames) {
    if (AudioEffect *effect = objectOf(e)) {
        try {
            effect->processReplacing(inputs, outputs, sampleFrames);
        } catch (...) {
        }
    }
}

void VSTCALLBACK AudioEffect::processClassDoubleReplacing(AEffect *e, double **inputs, double **outputs,
                                                          VstInt32 sampleFrames) {
    if (AudioEffect *effect = objectOf(e)) {
        try {
            effect->processDoubleReplacing(inputs, outputs, sampleFrames);
        } catch (...) {
        }
    }
}

void VSTCALLBACK AudioEffect::setParameterClass(AEffect *e, VstInt32 index, float value) {
    if (AudioEffect *effect = objectOf(e)) {
        try {
            effect->setParameter(index, value);
        } catch (...) {
        }
    }
}

float VSTCALLBACK AudioEffect::getParameterClass(AEffect *e, VstInt32 index) {
    if (AudioEffect *effect = objectOf(e)) {
        try {
            return effect->getParameter(index);
        } catch (...) {
        }
    }
    return 0.0f;
}
