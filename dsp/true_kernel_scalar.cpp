// The reference pass of the true-response engine: one sample and one
// section at a time, in the order every faster kernel reproduces.
#include "dsp/band_kernel.h"
#include "dsp/true_kernel.h"

#include <cmath>

namespace sorrel::true_kernel {

void scalarBlock(const Poles &poles, Numerators &current, const Numerators *step, State &state, float *samples,
                 int count) {
#ifdef SORREL_X87_MATH
    const unsigned short control = band_kernel::x87EnterDoublePrecision();
#endif
    double y[kSections];
    for (int n = 0; n < count; ++n) {
        if (step != nullptr) {
            for (int k = 0; k < kSections; ++k) {
                current.b0[k] = current.b0[k] + step->b0[k];
                current.b1[k] = current.b1[k] + step->b1[k];
            }
            current.direct = current.direct + step->direct;
        }
        const float in = samples[n];
        const double x = std::isfinite(in) ? static_cast<double>(in) : 0.0;
        const double xg = x + kGuard;
        for (int k = 0; k < kSections; ++k) {
            const double s1 = state.s1[k];
            const double s = (poles.c1[k] * s1 + poles.c2[k] * state.s2[k]) + xg;
            y[k] = current.b0[k] * s + current.b1[k] * s1;
            state.s2[k] = s1;
            state.s1[k] = s;
        }
        for (int i = kTreeLanes; i < kSections; ++i)
            y[i - kTreeLanes] = y[i - kTreeLanes] + y[i];
        for (int stride = kTreeLanes / 2; stride >= 1; stride /= 2)
            for (int i = 0; i < stride; ++i)
                y[i] = y[i] + y[i + stride];
        samples[n] = static_cast<float>(y[0] + current.direct * x);
    }
#ifdef SORREL_X87_MATH
    band_kernel::x87RestoreControl(control);
#endif
}

} // namespace sorrel::true_kernel
