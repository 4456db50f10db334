// The reference block pass: the engine's arithmetic written out plainly, one
// sample and one band at a time. Intermediates are doubles; a value is
// rounded to float exactly where it is stored (histories), and for the
// difference term and the running sum over bands. The level sums stay
// doubles. Every faster
// kernel must reproduce this bit for bit.
#include "dsp/band_kernel.h"

#include <cmath>

namespace sorrel::band_kernel {

void scalarBlock(const BlockArgs &args, State &state, float *samples, int count) {
#ifdef SORREL_X87_MATH
    const unsigned short control = x87EnterDoublePrecision();
#endif
    const CoefficientSet &c = *args.coefficients;
    const double guard = 1e-18f;
    const double inGain = args.inGain;
    const double outputFactor = args.outputFactor;
    float x1 = state.x1;
    float x2 = state.x2;

    for (int n = 0; n < count; ++n) {
        // A non-finite input sample counts as silence.
        const float in = samples[n];
        const double xs = std::isfinite(in) ? static_cast<double>(in) * inGain : 0.0;
        const float d = static_cast<float>(((xs - static_cast<double>(x2)) + guard) - guard);
        x2 = x1;
        x1 = static_cast<float>(xs);

        float sum = 0.0f;
        for (int k = 0; k < kBands; ++k) {
            const double feedback = static_cast<double>(c.gamma[k]) * static_cast<double>(state.y1[k]) +
                                    static_cast<double>(c.beta[k]) * static_cast<double>(state.y2[k]);
            double v = static_cast<double>(c.alpha[k]) * static_cast<double>(d) + feedback;
            v = (v + guard) - guard;
            const double y = 2.0 * v;
            state.levelSum[k] += std::fabs(y);
            state.y2[k] = state.y1[k];
            state.y1[k] = static_cast<float>(y);
            const double w = ((y * static_cast<double>(args.gains[k])) + guard) - guard;
            sum = static_cast<float>(static_cast<double>(sum) + w);
        }
        samples[n] = static_cast<float>(((static_cast<double>(sum) * outputFactor) + guard) - guard);
    }

    state.x1 = x1;
    state.x2 = x2;
#ifdef SORREL_X87_MATH
    x87RestoreControl(control);
#endif
}

} // namespace sorrel::band_kernel
