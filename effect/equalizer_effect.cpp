#include "effect/equalizer_effect.h"

#include "dsp/processor.h"
#include "dsp/vector_ops.h"
#include "editor/equalizer_editor.h"
#include "gui/platform/platform.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace sorrel {

namespace {

const char *const kBandNames[kNumBands] = {
    "20Hz",   "25Hz",   "30Hz",   "35Hz",   "40Hz",   "50Hz",   "60Hz",  "70Hz",  "85Hz",  "100Hz", "125Hz",
    "150Hz",  "175Hz",  "210Hz",  "250Hz",  "300Hz",  "360Hz",  "440Hz", "580Hz", "780Hz", "1kHz",  "1.4kHz",
    "1.8kHz", "2.5kHz", "3.3kHz", "4.4kHz", "5.8kHz", "7.8kHz", "10kHz", "14kHz", "19kHz",
};

bool isBand(VstInt32 index) {
    return index >= EqualizerEffect::kFirstBand && index <= EqualizerEffect::kLastBand;
}

// Writes the text and its terminator, nothing more: hosts size their buffers
// differently (32 characters for the effect name, 8 for a parameter name).
void copyText(char *text, const char *value) {
    std::memcpy(text, value, std::strlen(value) + 1);
}

bool copyIdentity(char *text, const char *value) {
    if (text == nullptr)
        return false;
    copyText(text, value);
    return true;
}

} // namespace

EqualizerEffect::EqualizerEffect(audioMasterCallback host)
    : AudioEffectX(host, kNumPrograms, kNumParams), bank(kNumPrograms, kNumParams) {
    // The editor attaches itself (effFlagsHasEditor). An effect that cannot
    // have one, for want of windows or of memory, carries on without.
    if (platform::windowsAvailable()) {
        try {
            ownEditor = new EqualizerEditor(this, this);
        } catch (...) {
            ownEditor = nullptr;
            setEditor(nullptr);
        }
    }
    for (VstInt32 i = 0; i < kNumParams; ++i)
        bank.setDefault(i, (i == kInMeters || i == kOutMeters) ? 1.0f : 0.5f);
    bank.select(0);
    bank.setName(0, "-- empty --");
    for (VstInt32 i = 0; i < kNumParams; ++i)
        bank.setValue(i, 0.5f);
    bank.setValue(kInMeters, 1.0f);
    bank.setValue(kOutMeters, 1.0f);
    for (VstInt32 p = 1; p < kNumPrograms; ++p)
        bank.copy(0, p);

    programsAreChunks(true);
    setNumInputs(2);
    setNumOutputs(2);
    canMono(true);
    isSynth(false);
    setUniqueID(fourCharCode('S', 'o', 'r', 'l'));
    setMetering(false);
}

void EqualizerEffect::setMetering(bool on) {
    leftEngine.setMetering(on);
    rightEngine.setMetering(on);
}

float EqualizerEffect::preGainLevel(int channel, int band) const {
    return engine(channel).getPreGainLevel(band);
}

float EqualizerEffect::postGainLevel(int channel, int band) const {
    return engine(channel).getPostGainLevel(band);
}

EqualizerEffect::~EqualizerEffect() {
    // The editor goes first, while the engines it reads are still here (the
    // base would delete it only after them).
    if (AEffEditor *own = editor) {
        ownEditor = nullptr;
        setEditor(nullptr);
        delete own;
    }
    releaseWorkBuffers();
}

void EqualizerEffect::setSampleRate(float rate) {
    AudioEffectX::setSampleRate(rate);
    DspUnit::setSampleRate(rate);
    leftEngine.setSampleRate(rate);
    rightEngine.setSampleRate(rate);
    pushToEngines();
}

void EqualizerEffect::releaseWorkBuffers() {
    workLength = 0;
    workLeft.reset();
    workRight.reset();
}

void EqualizerEffect::setBlockSize(VstInt32 frames) {
    AudioEffectX::setBlockSize(frames);
    releaseWorkBuffers();
    if (frames <= 0)
        return;
    const VstInt32 length = std::min(frames, kMaxWorkFrames);
    workLeft.reset(new (std::nothrow) float[static_cast<size_t>(length)]);
    workRight.reset(new (std::nothrow) float[static_cast<size_t>(length)]);
    if (!workLeft || !workRight) {
        releaseWorkBuffers();
        return;
    }
    // A null input channel runs its engine over what the buffer holds: let
    // that be silence rather than whatever the allocator left.
    std::fill_n(workLeft.get(), length, 0.0f);
    std::fill_n(workRight.get(), length, 0.0f);
    workLength = length;
}

template <bool accumulate> void EqualizerEffect::run(float **inputs, float **outputs, VstInt32 sampleFrames) {
    float *left = workLeft.get();
    float *right = workRight.get();
    const VstInt32 capacity = workLength;
    if (left == nullptr || right == nullptr || capacity <= 0 || sampleFrames <= 0)
        return;
    const float *in0 = inputs != nullptr ? inputs[0] : nullptr;
    const float *in1 = inputs != nullptr ? inputs[1] : nullptr;
    float *out0 = outputs != nullptr ? outputs[0] : nullptr;
    float *out1 = outputs != nullptr ? outputs[1] : nullptr;
    const BinaryOp deliver = accumulate ? VectorOps.add : VectorOps.copy;

    enterProcessing();
    // Each piece reads its inputs in full before it writes the same range of
    // the outputs, so a host may pass one buffer as input and output.
    for (VstInt32 done = 0; done < sampleFrames;) {
        const VstInt32 frames = std::min(capacity, sampleFrames - done);
        if (in0 != nullptr)
            VectorOps.copy(left, in0 + done, frames);
        if (in1 != nullptr)
            VectorOps.copy(right, in1 + done, frames);
        leftEngine.processBlock(left, frames);
        rightEngine.processBlock(right, frames);
        if (out0 != nullptr)
            deliver(out0 + done, left, frames);
        if (in1 != nullptr && out1 != nullptr)
            deliver(out1 + done, right, frames);
        done += frames;
    }
    leaveProcessing();
}

void EqualizerEffect::processReplacing(float **inputs, float **outputs, VstInt32 sampleFrames) {
    run<false>(inputs, outputs, sampleFrames);
}

void EqualizerEffect::process(float **inputs, float **outputs, VstInt32 sampleFrames) {
    run<true>(inputs, outputs, sampleFrames);
}

void EqualizerEffect::setParameter(VstInt32 index, float value) {
    if (std::isnan(value))
        return;
    value = std::clamp(value, 0.0f, 1.0f);
    if (value == bank.getValue(index))
        return;
    bank.setValue(index, value);
    pushToEngines();
    notifyEditor(index, value);
}

float EqualizerEffect::getParameter(VstInt32 index) {
    return bank.getValue(index);
}

void EqualizerEffect::pushToEngines() {
    // Sequentially consistent throughout: a writer that finds the pusher busy
    // relies on the pusher seeing its request when it lets go.
    pushRequests.fetch_add(1);
    while (!pushing.exchange(true)) {
        unsigned seen;
        do {
            seen = pushRequests.load();
            update(-1);
        } while (pushRequests.load() != seen);
        pushing.store(false);
        if (pushRequests.load() == seen)
            return;
    }
}

void EqualizerEffect::update(int index) {
    const float inGain = bank.getValue(kInGain);
    leftEngine.setInGain(inGain);
    rightEngine.setInGain(inGain);
    const float outGain = bank.getValue(kOutGain);
    leftEngine.setOutGain(outGain);
    rightEngine.setOutGain(outGain);
    // A Q change redesigns every band, so it travels only when it differs.
    const float q = bank.getValue(kQ);
    if (!(q == leftEngine.getQ())) {
        leftEngine.setQ(q);
        rightEngine.setQ(q);
    }
    const int first = index == -1 ? 0 : index;
    const int last = index == -1 ? kNumParams - 1 : index;
    for (int i = std::max(first, kFirstBand); i <= std::min(last, kLastBand); ++i) {
        const float gain = bank.getValue(i);
        leftEngine.setBandGain(i - kFirstBand, gain);
        rightEngine.setBandGain(i - kFirstBand, gain);
    }
}

void EqualizerEffect::getParameterName(VstInt32 index, char *text) {
    if (text == nullptr)
        return;
    if (isBand(index))
        copyText(text, kBandNames[index - kFirstBand]);
    else if (index == kInGain)
        copyText(text, "In gain");
    else if (index == kQ)
        copyText(text, "Q");
    else if (index == kOutGain)
        copyText(text, "Out gain");
}

void EqualizerEffect::getParameterLabel(VstInt32 index, char *label) {
    if (label == nullptr)
        return;
    if (isBand(index) || index == kInGain || index == kOutGain)
        copyText(label, "dB");
    else if (index == kQ)
        copyText(label, "");
}

void EqualizerEffect::getParameterDisplay(VstInt32 index, char *text) {
    if (text == nullptr)
        return;
    // The conversion pads its result with zeros up to its limit of 20
    // characters, but hosts size this buffer for 8 characters and a
    // terminator. Convert into scratch and hand over only the text, which the
    // conversion's 8-character budget keeps short enough.
    constexpr VstInt32 kMaxDisplayChars = 20;
    char scratch[kMaxDisplayChars + 1];
    if (isBand(index))
        float2string(leftEngine.getBandGainDb(index - kFirstBand), scratch, kMaxDisplayChars);
    else if (index == kInGain)
        float2string(leftEngine.getInGainDb(), scratch, kMaxDisplayChars);
    else if (index == kQ)
        float2string(leftEngine.getQ(), scratch, kMaxDisplayChars);
    else if (index == kOutGain)
        float2string(leftEngine.getOutGainDb(), scratch, kMaxDisplayChars);
    else
        return;
    copyText(text, scratch);
}

void EqualizerEffect::setProgram(VstInt32 program) {
    // The selection lives in the bank alone (getProgram reads it there), so
    // that program changes from several threads leave no torn state behind.
    if (program == bank.selected() || program < 0 || program >= kNumPrograms)
        return;
    bank.select(program);
    pushToEngines();
    for (VstInt32 i = 0; i < kNumParams; ++i)
        notifyEditor(i, bank.getValue(i));
}

void EqualizerEffect::setProgramName(char *name) {
    bank.setName(bank.selected(), name);
}

void EqualizerEffect::getProgramName(char *name) {
    bank.getName(bank.selected(), name);
}

bool EqualizerEffect::getProgramNameIndexed(VstInt32 category, VstInt32 index, char *text) {
    if (index < 0 || index >= kNumPrograms || text == nullptr)
        return false;
    bank.getName(index, text);
    return true;
}

VstInt32 EqualizerEffect::getChunk(void **data, bool isPreset) {
    return bank.chunkData(isPreset, bank.selected(), data);
}

VstInt32 EqualizerEffect::setChunk(void *data, VstInt32 byteSize, bool isPreset) {
    const VstInt32 loaded = bank.loadChunk(data, byteSize, isPreset, bank.selected());
    if (loaded != 0)
        pushToEngines();
    return loaded;
}

bool EqualizerEffect::setSpeakerArrangement(VstSpeakerArrangement *input, VstSpeakerArrangement *output) {
    return true;
}

bool EqualizerEffect::getEffectName(char *name) {
    return copyIdentity(name, "Sorrel");
}

bool EqualizerEffect::getVendorString(char *text) {
    return copyIdentity(text, "Quillmark");
}

bool EqualizerEffect::getProductString(char *text) {
    return copyIdentity(text, "Sorrel / Quillmark");
}

void EqualizerEffect::notifyEditor(VstInt32 index, float value) {
    // Any thread: the editor only stores the value for its next idle.
    if (ownEditor && editor == ownEditor)
        ownEditor->setParameter(index, value);
}

} // namespace sorrel
