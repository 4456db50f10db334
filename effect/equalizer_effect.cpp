#include "effect/equalizer_effect.h"

#include "dsp/fixed_math.h"
#include "dsp/processor.h"
#include "dsp/vector_ops.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace sorrel {

namespace {

constexpr double kCrossfadeSeconds = 0.02;

} // namespace

EqualizerEffect::EqualizerEffect() : bank(kNumPrograms, kNumParameters, kNumFirstParameters) {
    std::fill(std::begin(requestedDb), std::end(requestedDb), 0.0f);
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
    spareLeft.reset();
    spareRight.reset();
}

void EqualizerEffect::setBlockSize(int32_t frames) {
    releaseWorkBuffers();
    if (frames <= 0)
        return;
    const int32_t length = std::min(frames, kMaxWorkFrames);
    workLeft.reset(new (std::nothrow) float[static_cast<size_t>(length)]);
    workRight.reset(new (std::nothrow) float[static_cast<size_t>(length)]);
    spareLeft.reset(new (std::nothrow) float[static_cast<size_t>(length)]);
    spareRight.reset(new (std::nothrow) float[static_cast<size_t>(length)]);
    if (!workLeft || !workRight || !spareLeft || !spareRight) {
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
        runEngines(left, right, frames);
        if (out0 != nullptr)
            deliver(out0 + done, left, frames);
        if (in1 != nullptr && out1 != nullptr)
            deliver(out1 + done, right, frames);
        done += frames;
    }
    leaveProcessing();
}

void EqualizerEffect::runEngines(float *left, float *right, int32_t frames) {
    const float rate = getSampleRate();
    const bool wantTrue = bank.getValue(kResponseParameter) >= 0.5f && rate > 0.0f && worker.designedRate() == rate;
    bool playingTrue = trueActive.load(std::memory_order_relaxed);
    if (fadeLength == 0 && wantTrue != playingTrue) {
        // The incoming engine starts from silence, under a fade-in.
        if (wantTrue) {
            leftTrue.reset();
            rightTrue.reset();
        } else if (!classicCurrent) {
            leftEngine.reset();
            rightEngine.reset();
        }
        fadeDone = 0;
        fadeLength = std::max(1, static_cast<int32_t>(kCrossfadeSeconds * static_cast<double>(rate)));
        playingTrue = wantTrue;
        trueActive.store(wantTrue, std::memory_order_relaxed);
    }
    if (fadeLength == 0 && !playingTrue) {
        leftEngine.processBlock(left, frames);
        rightEngine.processBlock(right, frames);
        classicCurrent = true;
        return;
    }
    float *const spare[2] = {spareLeft.get(), spareRight.get()};
    float *const work[2] = {left, right};
    const bool classicToo = fadeLength != 0 || leftEngine.isMetering();
    if (classicToo) {
        VectorOps.copy(spare[0], left, frames);
        VectorOps.copy(spare[1], right, frames);
        leftEngine.processBlock(spare[0], frames);
        rightEngine.processBlock(spare[1], frames);
    }
    classicCurrent = classicToo;
    leftTrue.processBlock(left, frames);
    rightTrue.processBlock(right, frames);
    if (fadeLength == 0)
        return;
    // A linear crossfade from the outgoing to the incoming engine; beyond
    // its end the incoming one alone.
    const fixed_math::DoubleRounding rounding; // the same bits on every build
    const double inverse = 1.0 / static_cast<double>(fadeLength);
    for (int c = 0; c < 2; ++c)
        for (int32_t n = 0; n < frames; ++n) {
            const int32_t at = fadeDone + n + 1;
            const double w = at >= fadeLength ? 1.0 : static_cast<double>(at) * inverse;
            const double trueShare = playingTrue ? w : 1.0 - w;
            work[c][n] = static_cast<float>(static_cast<double>(spare[c][n]) +
                                            trueShare * (static_cast<double>(work[c][n]) - spare[c][n]));
        }
    fadeDone += frames;
    if (fadeDone >= fadeLength)
        fadeLength = 0;
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
    // The true response: the same gains, and a design for the band gains
    // whenever they or the rate changed (the worker coalesces requests).
    leftTrue.setGains(leftEngine.getInGainFactor(), leftEngine.getOutGainFactor());
    rightTrue.setGains(leftEngine.getInGainFactor(), leftEngine.getOutGainFactor());
    float db[kNumBands];
    bool changed = !requestedOnce || getSampleRate() != requestedRate;
    for (int k = 0; k < kNumBands; ++k) {
        db[k] = normalizedToDb(bank.getValue(kFirstBandParameter + k));
        changed = changed || db[k] != requestedDb[k];
    }
    if (changed && getSampleRate() > 0.0f) {
        std::copy(std::begin(db), std::end(db), std::begin(requestedDb));
        requestedRate = getSampleRate();
        requestedOnce = true;
        worker.request(requestedRate, db);
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
