#include "dsp/band_equalizer.h"

#include "dsp/fixed_math.h"
#include "dsp/processor.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace sorrel {

using band_kernel::CoefficientSet;

const float kBandFrequencies[kNumBands] = {
    19.83f,   23.80f,   28.56f,   34.27f,   41.12f,    49.35f,    59.22f,   71.06f,
    85.27f,   102.33f,  122.80f,  147.36f,  176.83f,   212.19f,   254.63f,  305.56f,
    366.67f,  440.00f,  586.67f,  782.22f,  1042.96f,  1390.62f,  1854.16f, 2472.21f,
    3296.28f, 4395.04f, 5860.05f, 7813.40f, 10417.87f, 13890.49f, 18520.65f};

float normalizedToDb(float value) {
    return static_cast<float>((static_cast<double>(value) - 0.5) * 24.0);
}

float dbToGain(float db) {
    return static_cast<float>(std::pow(10.0, static_cast<double>(db) / 12.0));
}

namespace {

constexpr unsigned kFresh = 4; // set in `middle` while it holds a set no block has taken yet
constexpr unsigned kIndexMask = 3;

constexpr auto relaxed = std::memory_order_relaxed;

// Values from a host or a file: NaN is refused, the rest held to 0..1 (a Q
// outside that range would make the filters unstable).
bool sanitize(float &value) {
    if (std::isnan(value))
        return false;
    value = value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
    return true;
}

bool validBand(int band) {
    return band >= 0 && band < kNumBands;
}

// Meters get a number they can draw, whatever the audio did.
float meterSafe(float level) {
    const float held = level > FLT_MAX ? FLT_MAX : level;
    return held == held ? held : 0.0f; // NaN
}

} // namespace

BandEqualizer::BandEqualizer() {
    std::memset(sets, 0, sizeof sets);
    for (int k = 0; k < kNumBands; ++k) {
        bandGainValue[k].store(0.5f, relaxed);
        bandGain[k].store(1.0f, relaxed);
        preGainLevel[k].store(0.0f, relaxed);
        postGainLevel[k].store(0.0f, relaxed);
    }
    const auto address = reinterpret_cast<std::uintptr_t>(scratchStorage);
    scratch = reinterpret_cast<double *>((address + 63) & ~static_cast<std::uintptr_t>(63));
    std::memset(scratchStorage, 0, sizeof scratchStorage);
    setKernel(bestBandKernel());
    reset();
}

void BandEqualizer::setSampleRate(float rate) {
    DspUnit::setSampleRate(rate);
    update(-1);
}

void BandEqualizer::reset() {
    std::memset(&state, 0, sizeof state);
    meterPending = 0;
    for (int k = 0; k < kNumBands; ++k) {
        preGainLevel[k].store(0.0f, relaxed);
        postGainLevel[k].store(0.0f, relaxed);
    }
}

void BandEqualizer::update(int) {
    requestDesign();
}

// Only one thread designs at a time. A request that arrives while another
// thread designs is left to that thread, which designs again when it sees
// that requests came in meanwhile; nobody waits.
void BandEqualizer::requestDesign() {
    designRequests.fetch_add(1);
    for (;;) {
        if (designing.exchange(true))
            return;
        const unsigned seen = designRequests.load();
        design();
        designing.store(false);
        if (designRequests.load() == seen)
            return;
    }
}

void BandEqualizer::design() {
    CoefficientSet &set = sets[back];
    const float rate = getSampleRate();
    if (!(rate > 0.0f) || !std::isfinite(rate)) {
        // No usable rate: blocks pass through. The coefficients stay as the
        // last design left them.
        std::memcpy(&set, &sets[lastDesigned.load(relaxed)], sizeof set);
        set.valid = false;
    } else {
        // Every build designs the same coefficients, bit for bit.
        const fixed_math::DoubleRounding rounding;
        const double f0 = kBandFrequencies[0];
        const double f1 = kBandFrequencies[1];
        float lower = static_cast<float>(f0 - (f1 - f0));
        if (lower < 0.0f)
            lower = 0.0f;
        const double qFactor = (static_cast<double>(qValue.load(relaxed)) - 0.5) + 0.7;
        const double fs = rate;
        for (int k = 0; k < kNumBands; ++k) {
            const float f = kBandFrequencies[k];
            const float q0 =
                static_cast<float>(static_cast<double>(f) / ((static_cast<double>(f) - lower) * 2.0));
            const float q = static_cast<float>(qFactor * q0);
            const float theta = static_cast<float>(2.0 * f * static_cast<double>(kPi) / fs);
            const float beta = static_cast<float>((q - theta * 0.5) / (2.0 * q + theta));
            const float alpha = static_cast<float>((0.5 - beta) / 2.0);
            const float halfPlusBeta = static_cast<float>(0.5 + beta);
            const float gamma = static_cast<float>(fixed_math::cosine(static_cast<double>(theta)) * halfPlusBeta);
            set.frequency[k] = f;
            set.q[k] = q;
            set.alpha[k] = alpha;
            set.beta[k] = -beta;
            set.gamma[k] = gamma;
        }
        set.valid = true;
    }
    const bool valid = set.valid;
    lastDesigned.store(back, relaxed);
    back = middle.exchange(back | kFresh, std::memory_order_acq_rel) & kIndexMask;
    ready.store(valid, std::memory_order_release);
    designCount.fetch_add(1, relaxed);
}

const CoefficientSet *BandEqualizer::acquireCoefficients() {
    if (middle.load(std::memory_order_relaxed) & kFresh)
        front = middle.exchange(front, std::memory_order_acq_rel) & kIndexMask;
    return &sets[front];
}

void BandEqualizer::setBandGain(int band, float value) {
    if (!validBand(band) || !sanitize(value) || value == bandGainValue[band].load(relaxed))
        return;
    bandGainValue[band].store(value, relaxed);
    bandGain[band].store(dbToGain(normalizedToDb(value)), relaxed);
    if (!isReady())
        update(-1);
}

float BandEqualizer::getBandGain(int band) const {
    return validBand(band) ? bandGainValue[band].load(relaxed) : 0.0f;
}

float BandEqualizer::getBandGainDb(int band) const {
    return validBand(band) ? normalizedToDb(bandGainValue[band].load(relaxed)) : 0.0f;
}

void BandEqualizer::setInGain(float value) {
    if (!sanitize(value) || value == inGainValue.load(relaxed))
        return;
    inGainValue.store(value, relaxed);
    inGain.store(dbToGain(normalizedToDb(value)), relaxed);
}

float BandEqualizer::getInGain() const {
    return inGainValue.load(relaxed);
}
float BandEqualizer::getInGainDb() const {
    return normalizedToDb(inGainValue.load(relaxed));
}

void BandEqualizer::setOutGain(float value) {
    if (!sanitize(value) || value == outGainValue.load(relaxed))
        return;
    outGainValue.store(value, relaxed);
    outGain.store(dbToGain(normalizedToDb(value)), relaxed);
}

float BandEqualizer::getOutGain() const {
    return outGainValue.load(relaxed);
}
float BandEqualizer::getOutGainDb() const {
    return normalizedToDb(outGainValue.load(relaxed));
}

void BandEqualizer::setQ(float value) {
    if (!sanitize(value) || value == qValue.load(relaxed))
        return;
    qValue.store(value, relaxed);
    update(-1);
}

float BandEqualizer::getQ() const {
    return qValue.load(relaxed);
}

float BandEqualizer::getBandGainFactor(int band) const {
    return validBand(band) ? bandGain[band].load(relaxed) : 0.0f;
}
float BandEqualizer::getInGainFactor() const {
    return inGain.load(relaxed);
}
float BandEqualizer::getOutGainFactor() const {
    return outGain.load(relaxed);
}

float BandEqualizer::getPreGainLevel(int band) const {
    return validBand(band) ? preGainLevel[band].load(relaxed) : 0.0f;
}

float BandEqualizer::getPostGainLevel(int band) const {
    return validBand(band) ? postGainLevel[band].load(relaxed) : 0.0f;
}

BandCoefficients BandEqualizer::getCoefficients(int band) const {
    if (!validBand(band))
        return BandCoefficients{0, 0, 0, 0, 0};
    const CoefficientSet &set = sets[lastDesigned.load(relaxed)];
    return BandCoefficients{set.frequency[band], set.q[band], set.alpha[band], set.beta[band],
                            set.gamma[band]};
}

void BandEqualizer::processBlock(float *samples, int count) {
    if (samples == nullptr || count <= 0)
        return;
    const CoefficientSet *set = acquireCoefficients();
    if (!set->valid)
        return;

    // Settings are read once per block: the whole block runs with one set of
    // gains, whichever kernel runs it.
    float gains[band_kernel::kLanes];
    for (int k = 0; k < kNumBands; ++k)
        gains[k] = bandGain[k].load(relaxed);
    for (int k = kNumBands; k < band_kernel::kLanes; ++k)
        gains[k] = 0.0f;
    const float outputFactor =
        static_cast<float>(static_cast<double>(kOutputScale) * static_cast<double>(outGain.load(relaxed)));
    const bool levels = metering.load(relaxed);
    const band_kernel::BlockArgs args{set, gains, inGain.load(relaxed), outputFactor, scratch, levels};

    // Level sums start afresh with a block long enough to be measured alone,
    // else they run on over the short blocks since the levels were formed.
    // (While metering is off nobody reads them.)
    if (levels && (meterPending == 0 || count >= kMeterSpan)) {
        for (double &sum : state.levelSum)
            sum = 0.0;
        meterPending = 0;
    }
    // A fast kernel has a fixed cost per call; below a few samples the
    // reference pass (same bits) is quicker.
    const band_kernel::KernelFn fn = count <= 2 ? band_kernel::scalarBlock : kernelFn;
    fn(args, state, samples, count);

    if (!levels) {
        meterPending = 0;
    } else if ((meterPending += count) >= kMeterSpan) {
        publishLevels(gains);
        meterPending = 0;
    }

    // Audio that overflowed the filters would leave them ringing with
    // infinities or NaN for ever: start them afresh after such a block.
    bool finite = std::isfinite(state.x1) && std::isfinite(state.x2);
    for (int k = 0; k < kNumBands; ++k)
        finite = finite && std::isfinite(state.y1[k]) && std::isfinite(state.y2[k]);
    if (!finite) {
        state.x1 = state.x2 = 0.0f;
        for (int k = 0; k < band_kernel::kLanes; ++k)
            state.y1[k] = state.y2[k] = 0.0f;
    }
}

// The level after the gain is the mean of |y x gain| = gain x mean |y|: the
// weighted outputs need no sum of their own. Formed for all lanes in a loop
// the compiler can vectorise, then stored.
void BandEqualizer::publishLevels(const float *gains) {
    const double inverseLength = static_cast<float>(1.0 / static_cast<double>(meterPending));
    float pre[band_kernel::kLanes], post[band_kernel::kLanes];
    for (int k = 0; k < band_kernel::kLanes; ++k) {
        const double mean = inverseLength * state.levelSum[k];
        pre[k] = meterSafe(static_cast<float>(mean));
        post[k] = meterSafe(static_cast<float>(mean * static_cast<double>(gains[k])));
    }
    for (int k = 0; k < kNumBands; ++k) {
        preGainLevel[k].store(pre[k], relaxed);
        postGainLevel[k].store(post[k], relaxed);
    }
}

const char *bandKernelName(BandKernel kernel) {
    switch (kernel) {
    case BandKernel::Scalar:
        return "scalar";
    case BandKernel::Sse2:
        return "sse2";
    case BandKernel::Avx2:
        return "avx2";
    case BandKernel::Avx512:
        return "avx512";
    }
    return "unknown";
}

namespace {

// What the processor and the operating system let us run, read once. The
// kernel files are compiled with their instruction sets (the AVX-512 file
// also with DQ, VL and BW), so each needs all of them.
const ExtendedFeatures &machineFeatures() {
    static const ExtendedFeatures features = extendedFeaturesFrom(readProcessorId());
    return features;
}

band_kernel::KernelFn kernelFunction(BandKernel kernel) {
    switch (kernel) {
    case BandKernel::Scalar:
        return band_kernel::scalarBlock;
#if SORREL_ARCH_X86
    case BandKernel::Sse2:
        return machineFeatures().hasSse2 ? band_kernel::sse2Block : nullptr;
    case BandKernel::Avx2: {
        const ExtendedFeatures &f = machineFeatures();
        return f.hasAvx2 && f.hasFma ? band_kernel::avx2Block : nullptr;
    }
    case BandKernel::Avx512: {
        const ExtendedFeatures &f = machineFeatures();
        return f.hasAvx512f && f.hasAvx512dq && f.hasAvx512vl && f.hasAvx512bw && f.hasAvx2 && f.hasFma
                   ? band_kernel::avx512Block
                   : nullptr;
    }
#endif
    default:
        return nullptr;
    }
}

} // namespace

bool bandKernelAvailable(BandKernel kernel) {
    return kernelFunction(kernel) != nullptr;
}

BandKernel bestBandKernel() {
    const BandKernel order[] = {BandKernel::Avx512, BandKernel::Avx2, BandKernel::Sse2};
    for (BandKernel kernel : order)
        if (bandKernelAvailable(kernel))
            return kernel;
    return BandKernel::Scalar;
}

bool BandEqualizer::setKernel(BandKernel wanted) {
    return switchKernel(wanted, kernelFunction(wanted), kernel, kernelFn);
}

} // namespace sorrel
