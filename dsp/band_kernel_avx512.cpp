// The band block pass on 512-bit vectors (AVX-512F with FMA): eight bands or
// eight samples per vector.
// GCC 12's AVX-512 intrinsics start from a deliberately undefined vector,
// which its flow analysis reports as uninitialised once inlined here.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "dsp/band_kernel_simd.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include <immintrin.h>

namespace sorrel::band_kernel {
namespace {

struct Avx512 {
    using D = __m512d;
    static constexpr int kWidth = 8;
    static constexpr bool kSplit = true;
    static constexpr int kBatch = 8;
    static constexpr bool kTransposeInRegisters = false;
    // For the two-pass kernel (the skewed pass below fuses all): the
    // recursion's guard pair and the first guard addition on a weighted
    // output as plain additions (the recursion's path gets shorter and the
    // negated doubled guard needs no register), the rest on the multipliers.
    // Measured: 5 % faster at 64 samples than with every addition fused.
    static constexpr unsigned kFusedAdds = kAddWeightUnguard | kAddBandSum | kAddOutputGuard;

    static D zero() { return _mm512_setzero_pd(); }
    static D set1(double x) { return _mm512_set1_pd(x); }
    static D load(const double *p) { return _mm512_load_pd(p); }
    static void store(double *p, D v) { _mm512_store_pd(p, v); }
    static D loadFloats(const float *p) { return _mm512_cvtps_pd(_mm256_loadu_ps(p)); }
    static void storeFloats(float *p, D v) { _mm256_storeu_ps(p, _mm512_cvtpd_ps(v)); }
    // The first count (below 8) values.
    static void storeFloatsPartial(float *p, D v, int count) {
        _mm256_mask_storeu_ps(p, static_cast<__mmask8>((1u << count) - 1u), _mm512_cvtpd_ps(v));
    }
    static D loadu(const double *p) { return _mm512_loadu_pd(p); }
    static void storeu(double *p, D v) { _mm512_storeu_pd(p, v); }
    static D finiteOrZero(D v) {
        return _mm512_maskz_mov_pd(_mm512_cmp_pd_mask(abs(v), _mm512_set1_pd(HUGE_VAL), _CMP_LT_OQ), v);
    }
    static D add(D a, D b) { return _mm512_add_pd(a, b); }
    static D sub(D a, D b) { return _mm512_sub_pd(a, b); }
    static D mul(D a, D b) { return _mm512_mul_pd(a, b); }
    static D fma(D a, D b, D c) { return _mm512_fmadd_pd(a, b, c); }
    static D addOff(D a, D b) { return _mm512_fmadd_pd(a, _mm512_set1_pd(1.0), b); }
    static D abs(D v) { return _mm512_abs_pd(v); }
    static D roundToFloat(D v) { return _mm512_cvtps_pd(_mm512_cvtpd_ps(v)); }
    static D max(D a, D b) { return _mm512_max_pd(a, b); }
    static bool allBelow(D v, double limit) {
        return _mm512_cmp_pd_mask(v, _mm512_set1_pd(limit), _CMP_LT_OQ) == 0xFF;
    }

    // 8 x 8 doubles: rows of src (stride ss) become rows of dst (stride ds).
    static void transpose(const double *src, int ss, double *dst, int ds) {
        D r[8], t[8], u[8];
        for (int i = 0; i < 8; ++i)
            r[i] = _mm512_load_pd(src + i * ss);
        for (int i = 0; i < 4; ++i) {
            t[2 * i] = _mm512_unpacklo_pd(r[2 * i], r[2 * i + 1]);
            t[2 * i + 1] = _mm512_unpackhi_pd(r[2 * i], r[2 * i + 1]);
        }
        // u0: columns 0,4 of rows 0-3; u1: 2,6; u2: 1,5; u3: 3,7; u4-u7 the same for rows 4-7.
        for (int h = 0; h < 2; ++h) {
            u[4 * h + 0] = _mm512_shuffle_f64x2(t[4 * h], t[4 * h + 2], 0x88);
            u[4 * h + 1] = _mm512_shuffle_f64x2(t[4 * h], t[4 * h + 2], 0xDD);
            u[4 * h + 2] = _mm512_shuffle_f64x2(t[4 * h + 1], t[4 * h + 3], 0x88);
            u[4 * h + 3] = _mm512_shuffle_f64x2(t[4 * h + 1], t[4 * h + 3], 0xDD);
        }
        _mm512_store_pd(dst + 0 * ds, _mm512_shuffle_f64x2(u[0], u[4], 0x88));
        _mm512_store_pd(dst + 4 * ds, _mm512_shuffle_f64x2(u[0], u[4], 0xDD));
        _mm512_store_pd(dst + 2 * ds, _mm512_shuffle_f64x2(u[1], u[5], 0x88));
        _mm512_store_pd(dst + 6 * ds, _mm512_shuffle_f64x2(u[1], u[5], 0xDD));
        _mm512_store_pd(dst + 1 * ds, _mm512_shuffle_f64x2(u[2], u[6], 0x88));
        _mm512_store_pd(dst + 5 * ds, _mm512_shuffle_f64x2(u[2], u[6], 0xDD));
        _mm512_store_pd(dst + 3 * ds, _mm512_shuffle_f64x2(u[3], u[7], 0x88));
        _mm512_store_pd(dst + 7 * ds, _mm512_shuffle_f64x2(u[3], u[7], 0xDD));
    }
};

// Long blocks: the sum over bands joins the filter loop as a pipeline, so
// that the weighted band outputs never go through memory and need no
// transposition.
//
// Band k (vector j = k / 8, lane l = k % 8) runs k steps behind band 0: at
// step t it filters sample t - k. The running sum of a sample then moves one
// lane up per step, picking up each band's weighted output just after that
// band produced it, in band order and with the reference's rounding after
// every band; band 30 completes the sum of sample t - 30. Each band still
// sees its own samples in order, so histories and level sums are unchanged.
// A piece of m samples takes m + 31 steps; in the first and last 31 steps
// the lanes outside their samples are masked and keep their state.
//
// Rounding to float: converting to float and back costs this loop more than
// anything else, so a piece first runs with Veltkamp's split instead
// (c = x (2^29 + 1), rounded x = c - (c - x)): in double arithmetic it
// rounds x to the nearest 24-bit significand, ties to even, exactly as the
// conversion does - as long as x is neither beyond the float range nor
// below its normal range. The guard additions keep every value rounded here
// either zero or at least 2^-115 in magnitude, so only the top of the range
// can differ: the conversion overflows to infinity where the split stays
// finite. A piece whose values may have come near it (the level sums bound
// them; without levels a running maximum does) is run again from its
// starting state with the conversions.
struct SkewedPass {
    using D = __m512d;
    static constexpr int W = 8;
    static constexpr int NV = kLanes / W;
    static constexpr int kPiece = 1024;
    // Below this the 31 extra steps cost more than the transposition saves.
    static constexpr int kMinCount = 128;
    static constexpr int kLag = kLanes - 1; // the last lane's lag
    // Scratch: the difference terms in reverse order with zeros on both
    // sides, then the gained inputs and their roundings for step 0, which
    // the completed sums take over afterwards.
    static constexpr int kDelayed = kPiece + 2 * kLanes;
    static constexpr int kXs = kDelayed;
    static constexpr int kXf = kXs + kPiece + W; // two history values before it
    static_assert(kXf + kPiece <= kScratchDoubles, "the pieces fit the scratch");

    struct Filter {
        D alpha2[NV], beta2[NV], gamma2[NV], gain[NV];
    };
    // What a piece changes: histories (p holds beta2 x y2, one sample
    // ahead), level sums, and the largest band output seen when no level
    // sums bound it.
    struct Regs {
        D y1[NV], y2[NV], p[NV], pre[NV], peak;
    };
    struct Consts {
        D guard, minusGuard, guard2, minusGuard2;
    };

    // Lanes of vector j whose sample t - lag lies in 0..m-1.
    static __mmask8 active(int t, int j, int m) {
        return static_cast<__mmask8>(lowLanes(t - W * j + 1) & ~lowLanes(t - m + 1 - W * j));
    }
    static unsigned lowLanes(int n) { return n <= 0 ? 0u : n >= W ? 0xFFu : (1u << n) - 1u; }

    using Shared = SimdPass<Avx512>; // the split, the range check, step 0
    template <bool Fast> static D round(D x) { return Shared::round<Fast>(x); }
    template <bool Fast> static D roundMasked(D old, __mmask8 k, D x) {
        return Fast ? _mm512_mask_mov_pd(old, k, Shared::split(x))
                    : _mm512_mask_cvtps_pd(old, k, _mm512_cvtpd_ps(x));
    }

    // Step 1 over a whole piece: m + 31 steps.
    template <bool Levels, bool Fast>
    static void steps(const Filter &f, const Consts &k, Regs &r, const double *delayed, int top,
                      double *finals, int m) {
        // Locals, not the caller's structure: the compiler keeps them in
        // registers instead of storing them back every step.
        D y1[NV], y2[NV], p[NV], pre[NV], sum[NV];
        for (int j = 0; j < NV; ++j) {
            y1[j] = r.y1[j];
            y2[j] = r.y2[j];
            p[j] = r.p[j];
            pre[j] = r.pre[j];
            sum[j] = _mm512_setzero_pd();
        }
        D peak = r.peak;
        auto step = [&](int t, auto edgeTag) __attribute__((always_inline)) {
            constexpr bool kEdge = decltype(edgeTag)::value;
            for (int j = NV - 1; j >= 0; --j) {
                const __mmask8 on = kEdge ? active(t, j, m) : static_cast<__mmask8>(0xFF);
                const D d = _mm512_loadu_pd(delayed + top - t + W * j);
                const D feedback = _mm512_fmadd_pd(f.gamma2[j], y1[j], p[j]);
                const D v2 = _mm512_fmadd_pd(f.alpha2[j], d, feedback);
                const D y = Avx512::addOff(Avx512::addOff(v2, k.guard2), k.minusGuard2);
                const D w = _mm512_add_pd(_mm512_add_pd(_mm512_mul_pd(y, f.gain[j]), k.guard), k.minusGuard);
                if (kEdge) {
                    y2[j] = _mm512_mask_mov_pd(y2[j], on, y1[j]);
                    p[j] = _mm512_mask_mul_pd(p[j], on, f.beta2[j], y1[j]);
                    y1[j] = roundMasked<Fast>(y1[j], on, y);
                    if (Levels)
                        pre[j] = _mm512_mask_add_pd(pre[j], on, _mm512_abs_pd(y), pre[j]);
                } else {
                    p[j] = _mm512_mul_pd(f.beta2[j], y1[j]);
                    y1[j] = round<Fast>(y);
                    if (Levels)
                        pre[j] = _mm512_add_pd(_mm512_abs_pd(y), pre[j]);
                }
                if (Fast && !Levels)
                    peak = _mm512_range_pd(peak, y, 0x0B); // larger magnitude; an infinity stays
                // Lane l takes the sum lane l - 1 held a step ago (the same
                // sample, one band earlier); lane 0 of the first vector
                // starts a new sum.
                const __m512i below = j > 0 ? _mm512_castpd_si512(sum[j - 1]) : _mm512_setzero_si512();
                const D shifted =
                    _mm512_castsi512_pd(_mm512_alignr_epi64(_mm512_castpd_si512(sum[j]), below, 7));
                sum[j] = round<Fast>(_mm512_add_pd(w, shifted));
            }
            // Band 30 (vector 3, lane 6) has completed sample t - 30.
            if (!kEdge || (t >= kLag - 1 && t < m + kLag - 1))
                _mm512_mask_storeu_pd(finals + (t - (kLag - 1)) - 6, 0x40, sum[NV - 1]);
        };
        const std::integral_constant<bool, true> edge;
        const std::integral_constant<bool, false> steady;
        const int count = m + kLag;
        int t = 0;
        if (m - 1 > kLag) {
            for (; t < kLag; ++t)
                step(t, edge);
            for (; t < m - 1; ++t)
                step(t, steady);
        }
        for (; t < count; ++t)
            step(t, edge);

        for (int j = 0; j < NV; ++j) {
            r.y1[j] = y1[j];
            r.y2[j] = y2[j];
            r.p[j] = p[j];
            r.pre[j] = pre[j];
        }
        r.peak = peak;
    }

    template <bool Levels> static void run(const BlockArgs &args, State &state, float *samples, int count) {
        const CoefficientSet &c = *args.coefficients;
        double *const delayed = args.scratch;
        double *const xsAt = args.scratch + kXs;
        double *const xfAt = args.scratch + kXf;
        double *const finals = xsAt; // the completed sums, once step 0 is done

        Filter f;
        Regs r;
        for (int j = 0; j < NV; ++j) {
            f.alpha2[j] = SimdPass<Avx512>::twice(Avx512::loadFloats(c.alpha + j * W));
            f.beta2[j] = SimdPass<Avx512>::twice(Avx512::loadFloats(c.beta + j * W));
            f.gamma2[j] = SimdPass<Avx512>::twice(Avx512::loadFloats(c.gamma + j * W));
            f.gain[j] = Avx512::loadFloats(args.gains + j * W);
            r.y1[j] = Avx512::loadFloats(state.y1 + j * W);
            r.y2[j] = Avx512::loadFloats(state.y2 + j * W);
            r.pre[j] = _mm512_loadu_pd(state.levelSum + j * W);
            r.p[j] = _mm512_mul_pd(f.beta2[j], r.y2[j]);
        }
        const double peakGain = Shared::largestGain(args.gains);
        r.peak = _mm512_setzero_pd();
        const double guardValue = static_cast<double>(1e-18f);
        Consts k;
        k.guard = _mm512_set1_pd(guardValue);
        k.minusGuard = _mm512_set1_pd(-guardValue);
        k.guard2 = _mm512_add_pd(k.guard, k.guard);
        k.minusGuard2 = _mm512_add_pd(k.minusGuard, k.minusGuard);
        const D factor = _mm512_set1_pd(static_cast<double>(args.outputFactor));
        const __m512i reverse = _mm512_set_epi64(0, 1, 2, 3, 4, 5, 6, 7);
        float x1 = state.x1, x2 = state.x2;

        for (int start = 0, m = 0; start < count; start += m) {
            m = count - start < kPiece ? count - start : kPiece;
            float *const s = samples + start;
            // delayed[top - n] holds d of sample n.
            const int top = m + kLag;

            // Step 0: the difference terms (into the gained inputs' place),
            // then reversed, with zeros on both sides.
            const D dPeak = Shared::differenceTerms(s, m, args.inGain, x1, x2, xsAt, xfAt, xsAt);
            for (int i = 0; i < kLanes; ++i) {
                delayed[i] = 0.0;
                delayed[top + 1 + i] = 0.0;
            }
            int n = 0;
            for (; n + W <= m; n += W)
                _mm512_storeu_pd(delayed + top - n - (W - 1),
                                 _mm512_permutexvar_pd(reverse, _mm512_load_pd(xsAt + n)));
            for (; n < m; ++n)
                _mm_store_sd(delayed + top - n, _mm_load_sd(xsAt + n));

            // Step 1, fast; again with the conversions if a value may have
            // come near the float range.
            r.peak = _mm512_setzero_pd();
            const Regs before = r;
            steps<Levels, true>(f, k, r, delayed, top, finals, m);
            if (!Shared::inRange<Levels>(r.pre, r.peak, dPeak, peakGain)) {
                r = before;
                steps<Levels, false>(f, k, r, delayed, top, finals, m);
            }

            // Step 2: the output samples from the completed sums. sum and
            // factor are floats, so the fused product rounds as the
            // reference's product-then-add.
            for (n = 0; n < m; n += W) {
                const D out =
                    _mm512_add_pd(_mm512_fmadd_pd(_mm512_load_pd(finals + n), factor, k.guard), k.minusGuard);
                if (m - n >= W)
                    Avx512::storeFloats(s + n, out);
                else
                    Avx512::storeFloatsPartial(s + n, out, m - n);
            }
        }

        for (int j = 0; j < NV; ++j) {
            Avx512::storeFloats(state.y1 + j * W, r.y1[j]);
            Avx512::storeFloats(state.y2 + j * W, r.y2[j]);
            if (Levels)
                _mm512_storeu_pd(state.levelSum + j * W, r.pre[j]);
        }
        state.x1 = x1;
        state.x2 = x2;
    }
};

} // namespace

void avx512Block(const BlockArgs &args, State &state, float *samples, int count) {
    if (count < SkewedPass::kMinCount)
        SimdPass<Avx512>::run(args, state, samples, count);
    else if (args.levels)
        SkewedPass::run<true>(args, state, samples, count);
    else
        SkewedPass::run<false>(args, state, samples, count);
}

} // namespace sorrel::band_kernel
