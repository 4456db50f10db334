// The true-response block pass on vectors of doubles, shared by the
// instruction-set kernels. Included only by files named for an instruction
// set (at least SSE2), each of which supplies a vector type V:
//   D, kWidth, load, store, set1, add, mul, and sumLanes (the additions
//   inside one vector in the tree's order: lane i plus lane i + W/2, ...).
// The sum folds the upper lanes onto the lower ones vector by vector, then
// halves whole vectors pairwise and finishes inside one.
// The sections are independent given the input, so one sample runs all of
// them at once, kSections / kWidth vectors side by side. Scalar steps use SSE2 scalar intrinsics,
// never plain double arithmetic, so that a 32-bit build does not compute
// them on the x87 unit.
#pragma once

#include "dsp/true_kernel.h"

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

namespace sorrel::true_kernel {
namespace {

template <class V> struct TruePass {
    using D = typename V::D;
    static constexpr int W = V::kWidth;
    static constexpr int NV = kSections / W;

    static void run(const Poles &poles, Numerators &current, const Numerators *step, State &state,
                    float *samples, int count) {
        if (step != nullptr)
            pass<true>(poles, current, step, state, samples, count);
        else
            pass<false>(poles, current, step, state, samples, count);
    }

    template <bool Ramp>
    static void pass(const Poles &poles, Numerators &current, const Numerators *step, State &state,
                     float *samples, int count) {
        D s1[NV], s2[NV];
        for (int j = 0; j < NV; ++j) {
            s1[j] = V::load(state.s1 + j * W);
            s2[j] = V::load(state.s2 + j * W);
        }
        __m128d direct = _mm_set_sd(current.direct);
        const __m128d guard = _mm_set_sd(kGuard);
        for (int n = 0; n < count; ++n) {
            if constexpr (Ramp) {
                for (int j = 0; j < NV; ++j) {
                    V::store(current.b0 + j * W, V::add(V::load(current.b0 + j * W), V::load(step->b0 + j * W)));
                    V::store(current.b1 + j * W, V::add(V::load(current.b1 + j * W), V::load(step->b1 + j * W)));
                }
                direct = _mm_add_sd(direct, _mm_set_sd(step->direct));
            }
            std::uint32_t bits;
            std::memcpy(&bits, &samples[n], sizeof bits);
            const __m128d x = (bits & 0x7F800000u) == 0x7F800000u
                                  ? _mm_setzero_pd()
                                  : _mm_cvtss_sd(_mm_setzero_pd(), _mm_load_ss(&samples[n]));
            const D xg = V::set1(_mm_cvtsd_f64(_mm_add_sd(x, guard)));
            D y[NV];
            for (int j = 0; j < NV; ++j) {
                const D s = V::add(V::add(V::mul(V::load(poles.c1 + j * W), s1[j]),
                                          V::mul(V::load(poles.c2 + j * W), s2[j])),
                                   xg);
                y[j] = V::add(V::mul(V::load(current.b0 + j * W), s),
                              V::mul(V::load(current.b1 + j * W), s1[j]));
                s2[j] = s1[j];
                s1[j] = s;
            }
            for (int j = kTreeLanes / W; j < NV; ++j)
                y[j - kTreeLanes / W] = V::add(y[j - kTreeLanes / W], y[j]);
            for (int stride = kTreeLanes / W / 2; stride >= 1; stride /= 2)
                for (int j = 0; j < stride; ++j)
                    y[j] = V::add(y[j], y[j + stride]);
            const __m128d out = _mm_add_sd(V::sumLanes(y[0]), _mm_mul_sd(direct, x));
            _mm_store_ss(&samples[n], _mm_cvtsd_ss(_mm_setzero_ps(), out));
        }
        for (int j = 0; j < NV; ++j) {
            V::store(state.s1 + j * W, s1[j]);
            V::store(state.s2 + j * W, s2[j]);
        }
        _mm_store_sd(&current.direct, direct);
    }
};

} // namespace
} // namespace sorrel::true_kernel
