#include "effect/equalizer_effect.h"

#include "dsp/processor.h"
#include "dsp/vector_ops.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace sorrel {

EqualizerEffect::EqualizerEffect() : bank(kNumPrograms, kNumParameters) {
    for (int32_t i = 0; i < kNumParameters; ++i)
        bank.setDefault(i, kParameters[i].defaultValue);
    bank.select(0);
    bank.setName(0, "-- empty --");
    for (int32_t i = 0; i < kNumParameters; ++i)
        bank.setValue(i, kParameters[i].defaultValue);
    for (int32_t p = 1; p < kNumPrograms; ++p)
        bank.copy(0, p);
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

EqualizerEffect::~EqualizerEffect() { releaseWorkBuffers(); }

void EqualizerEffect::setSampleRate(float rate) {
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

void EqualizerEffect::setBlockSize(int32_t frames) {
    releaseWorkBuffers();
    if (frames <= 0)
        return;
    const int32_t length = std::min(frames, kMaxWorkFrames);
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

template <bool accumulate> void EqualizerEffect::run(float **inputs, float **outputs, int32_t sampleFrames) {
    float *left = workLeft.get();
    float *right = workRight.get();
    const int32_t capacity = workLength;
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
    for (int32_t done = 0; done < sampleFrames;) {
        const int32_t frames = std::min(capacity, sampleFrames - done);
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

void EqualizerEffect::processReplacing(float **inputs, float **outputs, int32_t sampleFrames) {
    run<false>(inputs, outputs, sampleFrames);
}

void EqualizerEffect::process(float **inputs, float **outputs, int32_t sampleFrames) {
    run<true>(inputs, outputs, sampleFrames);
}

bool EqualizerEffect::setParameter(int32_t index, float value) {
    if (std::isnan(value) || !parameterInfo(index))
        return false;
    value = std::clamp(value, 0.0f, 1.0f);
    if (value == bank.getValue(index))
        return false;
    bank.setValue(index, value);
    pushToEngines();
    return true;
}

float EqualizerEffect::getParameter(int32_t index) const {
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
    const float inGain = bank.getValue(kInGainParameter);
    leftEngine.setInGain(inGain);
    rightEngine.setInGain(inGain);
    const float outGain = bank.getValue(kOutGainParameter);
    leftEngine.setOutGain(outGain);
    rightEngine.setOutGain(outGain);
    // A Q change redesigns every band, so it travels only when it differs.
    const float q = bank.getValue(kQParameter);
    if (!(q == leftEngine.getQ())) {
        leftEngine.setQ(q);
        rightEngine.setQ(q);
    }
    const int first = index == -1 ? 0 : index;
    const int last = index == -1 ? kNumParameters - 1 : index;
    for (int i = std::max(first, kFirstBandParameter); i <= std::min(last, kLastBandParameter); ++i) {
        const float gain = bank.getValue(i);
        leftEngine.setBandGain(i - kFirstBandParameter, gain);
        rightEngine.setBandGain(i - kFirstBandParameter, gain);
    }
}

float EqualizerEffect::displayValue(int32_t index) const {
    if (isBandParameter(index))
        return leftEngine.getBandGainDb(index - kFirstBandParameter);
    switch (index) {
    case kInGainParameter:
        return leftEngine.getInGainDb();
    case kQParameter:
        return leftEngine.getQ();
    case kOutGainParameter:
        return leftEngine.getOutGainDb();
    default:
        return toReadable(index, getParameter(index));
    }
}

void EqualizerEffect::setProgram(int32_t program) {
    // The selection lives in the bank alone (getProgram reads it there), so
    // that program changes from several threads leave no torn state behind.
    if (program == bank.selected() || program < 0 || program >= kNumPrograms)
        return;
    bank.select(program);
    pushToEngines();
}

void EqualizerEffect::setProgramName(const char *name) {
    bank.setName(bank.selected(), name);
}

void EqualizerEffect::getProgramName(char *name) const {
    bank.getName(bank.selected(), name);
}

bool EqualizerEffect::getProgramNameIndexed(int32_t index, char *text) const {
    if (index < 0 || index >= kNumPrograms || text == nullptr)
        return false;
    bank.getName(index, text);
    return true;
}

int32_t EqualizerEffect::getChunk(void **data, bool isPreset) {
    return bank.chunkData(isPreset, bank.selected(), data);
}

int32_t EqualizerEffect::setChunk(const void *data, int32_t byteSize, bool isPreset) {
    const int32_t loaded = bank.loadChunk(data, byteSize, isPreset, bank.selected());
    if (loaded != 0)
        pushToEngines();
    return loaded;
}

} // namespace sorrel
