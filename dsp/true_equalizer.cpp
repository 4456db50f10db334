#include "dsp/true_equalizer.h"

#include "dsp/fixed_math.h"
#include "dsp/processor.h"

#include <cmath>
#include <cstring>

namespace sorrel {

namespace {

constexpr unsigned kFresh = 4; // set in `middle` while it holds a design no block has taken yet
constexpr unsigned kIndexMask = 3;
constexpr double kRampSeconds = 0.01;

true_kernel::KernelFn trueKernelFunction(BandKernel kernel) {
    if (!bandKernelAvailable(kernel))
        return nullptr;
    switch (kernel) {
    case BandKernel::Scalar:
        return true_kernel::scalarBlock;
#if SORREL_ARCH_X86
    case BandKernel::Sse2:
        return true_kernel::sse2Block;
    case BandKernel::Avx2:
        return true_kernel::avx2Block;
    case BandKernel::Avx512:
        return true_kernel::avx512Block;
#endif
    default:
        return nullptr;
    }
}

} // namespace

TrueEqualizer::TrueEqualizer() {
    std::memset(static_cast<void *>(designs), 0, sizeof designs);
    std::memset(&poles, 0, sizeof poles);
    std::memset(&current, 0, sizeof current);
    std::memset(&target, 0, sizeof target);
    std::memset(&step, 0, sizeof step);
    std::memset(&state, 0, sizeof state);
    setKernel(bestBandKernel());
}

void TrueEqualizer::publish(const true_kernel::Poles &newPoles, const true_kernel::Numerators &numerators,
                            double newRate) {
    Design &d = designs[back];
    d.poles = newPoles;
    d.numerators = numerators;
    d.rate = newRate;
    back = middle.exchange(back | kFresh, std::memory_order_acq_rel) & kIndexMask;
    published.store(true, std::memory_order_release);
}

void TrueEqualizer::setGains(float in, float out) {
    if (std::isfinite(in) && in >= 0.0f)
        inGain.store(in, std::memory_order_relaxed);
    if (std::isfinite(out) && out >= 0.0f)
        outGain.store(out, std::memory_order_relaxed);
}

void TrueEqualizer::scaled(const true_kernel::Numerators &from, double factor, true_kernel::Numerators &to) const {
    for (int k = 0; k < true_kernel::kSections; ++k) {
        to.b0[k] = from.b0[k] * factor;
        to.b1[k] = from.b1[k] * factor;
    }
    to.direct = from.direct * factor;
}

void TrueEqualizer::reset() {
    std::memset(&state, 0, sizeof state);
    if (rampLeft > 0) {
        current = target;
        rampLeft = 0;
    }
}

void TrueEqualizer::processBlock(float *samples, int count) {
    if (samples == nullptr || count <= 0)
        return;
    bool fresh = false;
    if (middle.load(std::memory_order_relaxed) & kFresh) {
        front = middle.exchange(front, std::memory_order_acq_rel) & kIndexMask;
        fresh = true;
    }
    const Design &d = designs[front];
    if (!(d.rate > 0.0))
        return;
    // The same bits on every build, the x87 unit's included.
    const fixed_math::DoubleRounding rounding;
    const double factor =
        static_cast<double>(inGain.load(std::memory_order_relaxed)) * outGain.load(std::memory_order_relaxed);
    if (d.rate != rate) {
        // A new rate: new poles, and sections started afresh.
        poles = d.poles;
        rate = d.rate;
        std::memset(&state, 0, sizeof state);
        scaled(d.numerators, factor, current);
        target = current;
        appliedFactor = factor;
        rampLeft = 0;
    } else if (fresh || factor != appliedFactor) {
        scaled(d.numerators, factor, target);
        appliedFactor = factor;
        int length = static_cast<int>(kRampSeconds * rate + 0.5);
        length = length < 1 ? 1 : length;
        const double inverse = 1.0 / length;
        for (int k = 0; k < true_kernel::kSections; ++k) {
            step.b0[k] = (target.b0[k] - current.b0[k]) * inverse;
            step.b1[k] = (target.b1[k] - current.b1[k]) * inverse;
        }
        step.direct = (target.direct - current.direct) * inverse;
        rampLeft = length;
    }

    // A fast kernel has a fixed cost per call; below a few samples the
    // reference pass (same bits) is quicker.
    const true_kernel::KernelFn fn = count <= 2 ? true_kernel::scalarBlock : kernelFn;
    int done = 0;
    if (rampLeft > 0) {
        const int n = count < rampLeft ? count : rampLeft;
        fn(poles, current, &step, state, samples, n);
        rampLeft -= n;
        done = n;
        if (rampLeft == 0)
            current = target; // the steps' roundings end exactly on the target
    }
    if (done < count)
        fn(poles, current, nullptr, state, samples + done, count - done);

    // Audio that overflowed the sections would leave them ringing with
    // infinities or NaN for ever: start them afresh after such a block.
    bool finite = true;
    for (int k = 0; k < true_kernel::kSections; ++k)
        finite = finite && std::isfinite(state.s1[k]) && std::isfinite(state.s2[k]);
    if (!finite)
        std::memset(&state, 0, sizeof state);
}

bool TrueEqualizer::setKernel(BandKernel wanted) {
    return switchKernel(wanted, trueKernelFunction(wanted), kernel, kernelFn);
}

} // namespace sorrel
