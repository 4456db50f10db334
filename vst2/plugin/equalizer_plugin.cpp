#include "vst2/plugin/equalizer_plugin.h"

#include "dsp/processor.h"
#include "gui/platform/platform.h"
#include "vst2/plugin/equalizer_vst_editor.h"

#include <cstring>

namespace sorrel {

namespace {

// Writes the text and its terminator, nothing more: hosts size their buffers
// differently (32 characters for the effect name, 8 for a parameter name).
void copyText(char *text, const char *value) {
    if (text != nullptr && value != nullptr)
        std::memcpy(text, value, std::strlen(value) + 1);
}

bool copyIdentity(char *text, const char *value) {
    if (text == nullptr)
        return false;
    copyText(text, value);
    return true;
}

} // namespace

EqualizerPlugin::EqualizerPlugin(audioMasterCallback host)
    : AudioEffectX(host, EqualizerEffect::kNumPrograms, kNumParameters) {
    // The editor attaches itself (effFlagsHasEditor). A plug-in that cannot
    // have one, for want of windows or of memory, carries on without.
    if (platform::windowsAvailable()) {
        try {
            new EqualizerVstEditor(this, &core);
        } catch (...) {
            setEditor(nullptr);
        }
    }
    programsAreChunks(true);
    setNumInputs(2);
    setNumOutputs(2);
    canMono(true);
    isSynth(false);
    setUniqueID(fourCharCode('S', 'o', 'r', 'l'));
}

EqualizerPlugin::~EqualizerPlugin() {
    // The editor goes first, while the effect whose levels it reads is still
    // here (the base would delete it only after the members).
    if (AEffEditor *own = editor) {
        setEditor(nullptr);
        delete own;
    }
}

void EqualizerPlugin::setSampleRate(float rate) {
    AudioEffectX::setSampleRate(rate);
    core.setSampleRate(rate);
}

void EqualizerPlugin::setBlockSize(VstInt32 frames) {
    AudioEffectX::setBlockSize(frames);
    core.setBlockSize(frames);
}

// A host rendering offline runs faster than the design worker: there the
// block waits for the designs of the changes before it, so that a render
// is the same every time. The host says so when it starts processing (asked
// then, not from the audio call, which calls nobody); a live host is never
// made to wait.
void EqualizerPlugin::resume() {
    AudioEffectX::resume();
    offline.store(getCurrentProcessLevel() == kVstProcessLevelOffline, std::memory_order_relaxed);
}

VstInt32 EqualizerPlugin::startProcess() {
    offline.store(getCurrentProcessLevel() == kVstProcessLevelOffline, std::memory_order_relaxed);
    return 0;
}

void EqualizerPlugin::settleWhenOffline() {
    if (offline.load(std::memory_order_relaxed) && core.designsPending())
        core.settleDesigns();
}

void EqualizerPlugin::processReplacing(float **inputs, float **outputs, VstInt32 sampleFrames) {
    settleWhenOffline();
    core.processReplacing(inputs, outputs, sampleFrames);
}

void EqualizerPlugin::process(float **inputs, float **outputs, VstInt32 sampleFrames) {
    settleWhenOffline();
    core.process(inputs, outputs, sampleFrames);
}

void EqualizerPlugin::setParameter(VstInt32 index, float value) { core.setParameter(index, value); }

VstIntPtr EqualizerPlugin::vendorSpecific(VstInt32 index, VstIntPtr value, void *ptr, float factor) {
    if (index != kContentScaleIndex || value != kContentScaleValue)
        return AudioEffectX::vendorSpecific(index, value, ptr, factor);
    auto *gui = dynamic_cast<EqualizerVstEditor *>(editor);
    return gui && gui->setContentScale(factor) ? 1 : 0;
}

float EqualizerPlugin::getParameter(VstInt32 index) { return core.getParameter(index); }

void EqualizerPlugin::getParameterName(VstInt32 index, char *text) {
    if (const ParameterInfo *info = parameterInfo(index))
        copyText(text, info->vstName);
}

void EqualizerPlugin::getParameterLabel(VstInt32 index, char *label) {
    if (const ParameterInfo *info = parameterInfo(index))
        copyText(label, info->vstLabel);
}

void EqualizerPlugin::getParameterDisplay(VstInt32 index, char *text) {
    const ParameterInfo *info = parameterInfo(index);
    if (text == nullptr || info == nullptr || info->vstName == nullptr)
        return;
    // The conversion pads its result with zeros up to its limit of 20
    // characters, but hosts size this buffer for 8 characters and a
    // terminator. Convert into scratch and hand over only the text, which the
    // conversion's 8-character budget keeps short enough.
    if (info->onText != nullptr) { // a switch with words of its own
        copyText(text, core.getParameter(index) >= 0.5f ? info->onText : info->offText);
        return;
    }
    constexpr VstInt32 kMaxDisplayChars = 20;
    char scratch[kMaxDisplayChars + 1];
    float2string(core.displayValue(index), scratch, kMaxDisplayChars);
    copyText(text, scratch);
}

bool EqualizerPlugin::string2parameter(VstInt32 index, char *text) {
    float value = 0.f;
    if (!parseReadable(index, text, value))
        return false;
    core.setParameter(index, value);
    return true;
}

void EqualizerPlugin::setProgram(VstInt32 program) { core.setProgram(program); }

void EqualizerPlugin::setProgramName(char *name) { core.setProgramName(name); }

void EqualizerPlugin::getProgramName(char *name) { core.getProgramName(name); }

bool EqualizerPlugin::getProgramNameIndexed(VstInt32, VstInt32 index, char *text) {
    return core.getProgramNameIndexed(index, text);
}

VstInt32 EqualizerPlugin::getChunk(void **data, bool isPreset) { return core.getChunk(data, isPreset); }

VstInt32 EqualizerPlugin::setChunk(void *data, VstInt32 byteSize, bool isPreset) {
    return core.setChunk(data, byteSize, isPreset);
}

bool EqualizerPlugin::setSpeakerArrangement(VstSpeakerArrangement *, VstSpeakerArrangement *) { return true; }

bool EqualizerPlugin::getEffectName(char *name) { return copyIdentity(name, EqualizerEffect::kEffectName); }

bool EqualizerPlugin::getVendorString(char *text) { return copyIdentity(text, EqualizerEffect::kVendor); }

bool EqualizerPlugin::getProductString(char *text) { return copyIdentity(text, EqualizerEffect::kProduct); }

AudioEffect *createEqualizerPlugin(audioMasterCallback host, bool (*processorCheck)()) {
    try {
        if (processorCheck != nullptr && !processorCheck()) {
            platform::showMessageBox("Sorrel", "Incorrect CPU type, must be at least Pentium with FPU");
            return nullptr;
        }
        return new EqualizerPlugin(host);
    } catch (...) {
        return nullptr;
    }
}

} // namespace sorrel

AudioEffect *createEffectInstance(audioMasterCallback audioMaster) {
    return sorrel::createEqualizerPlugin(audioMaster, &sorrel::detectProcessor);
}
