// The two-pass block pass shared by the instruction-set kernels. Included
// only by files named for an instruction set (at least SSE2), each of which
// supplies a vector type V with the operations used below.
//
// The reference pass runs sample by sample and band by band. Here a piece of
// up to kChunk samples runs in three steps:
//  0. the difference terms d of the piece, sample by sample (the input
//     history is independent of the filters);
//  1. all bands of one sample at once in double-precision vectors (bands are
//     independent given d), keeping the histories and the level sums in
//     vectors and storing every weighted band output w in the scratch;
//  2. the output samples: the w of a sample summed over the bands in band
//     order, with the float rounding after every band, vectorised across
//     samples after a transposition of the scratch (into a band-major area,
//     or tile by tile in registers where V::kTransposeInRegisters is set).
//
// Why the results are bit-identical to the reference:
//  - a product of two floats is exact in double, so a fused multiply-add
//    whose product is such a product rounds exactly as product-then-add;
//  - the filter runs on doubled coefficients (2 alpha, 2 gamma, 2 beta) and a
//    doubled guard: scaling by two is exact and commutes with rounding, so
//    the recursion yields y = 2 v directly, bit for bit;
//  - every value the reference rounds to float (d, the histories, the
//    running sum, the output) is rounded here at the same point by a
//    conversion to float and back, and nothing else is rounded to float;
//  - the level sums are plain double sums in sample order, as there;
//  - the sum over bands keeps the reference's order for every sample;
//  - an addition may run as the fused a x 1 + b (exact, the same bits) on
//    the multiplier ports instead of the adder ports; V::kFusedAdds says at
//    which places (the kAdd... flags below), chosen per instruction set so
//    that the two kinds of port share the work (on the filter's critical
//    path a plain addition is also the shorter one);
//  - where V::kSplit is set, steps 1 and 2 round with Veltkamp's split
//    (c = x (2^29 + 1), rounded = c - (c - x)), which rounds to nearest-even
//    on 24 bits exactly like the conversion for every value in the float's
//    normal range, and is cheaper on wide vectors.
//    The guard additions keep every value rounded there zero or at least
//    2^-115 in magnitude; only overflow differs. The level sums (or without
//    them a running maximum of the band outputs), times the largest gain,
//    bound every value rounded in a piece, and a piece that may have come
//    within 2^8 of the float range is filtered again from its starting
//    state with conversions.
// Scalar steps use SSE2 scalar intrinsics, never plain double arithmetic,
// so that a 32-bit build does not compute them on the x87 unit.
#pragma once

#include "dsp/band_kernel.h"

#include <emmintrin.h>

#include <cstring>
#include <type_traits>

namespace sorrel::band_kernel {
namespace {

// Places where an addition may run fused (bits of V::kFusedAdds).
enum : unsigned {
    kAddRecursionGuard = 1u << 0, // the guard pair on a band's output (critical path)
    kAddWeightGuard = 1u << 1,    // the first guard addition on a weighted output
    kAddWeightUnguard = 1u << 2,  // the second
    kAddBandSum = 1u << 3,        // the running sum over bands
    kAddOutputGuard = 1u << 4,    // the second guard addition on an output sample
};

template <class V> struct SimdPass {
    using D = typename V::D;
    static constexpr int W = V::kWidth;   // doubles per vector
    static constexpr int NV = kLanes / W; // vectors per sample in step 1
    static constexpr int B = V::kBatch;   // sample vectors summed side by side in step 2
    static_assert(kChunk % (W * B) == 0, "a piece holds whole batches");
    // Below this, values are far from the float range even after a sum over
    // 31 bands.
    static constexpr double kSafe = 1.329227995784916e36; // 2^120

    static void run(const BlockArgs &args, State &state, float *samples, int count) {
        if (args.levels)
            pass<true>(args, state, samples, count);
        else
            pass<false>(args, state, samples, count);
    }

    // Levels: whether the level sums are formed.
    template <bool Levels> static void pass(const BlockArgs &args, State &state, float *samples, int count) {
        const CoefficientSet &c = *args.coefficients;
        double *const wRows = args.scratch;              // [kChunk][kLanes], sample-major
        double *const wBands = wRows + kLanes * kChunk;  // [kLanes][kChunk], band-major
        double *const dTerms = wBands + kLanes * kChunk; // [kChunk]

        // p holds beta2 x y2, formed one sample ahead (off the critical path).
        D alpha2[NV], beta2[NV], gamma2[NV], gain[NV], y1[NV], y2[NV], p[NV], pre[NV];
        for (int j = 0; j < NV; ++j) {
            alpha2[j] = twice(V::loadFloats(c.alpha + j * W));
            beta2[j] = twice(V::loadFloats(c.beta + j * W));
            gamma2[j] = twice(V::loadFloats(c.gamma + j * W));
            gain[j] = V::loadFloats(args.gains + j * W);
            y1[j] = V::loadFloats(state.y1 + j * W);
            y2[j] = V::loadFloats(state.y2 + j * W);
            pre[j] = V::loadu(state.levelSum + j * W);
            p[j] = V::mul(beta2[j], y2[j]);
        }
        const double peakGain = largestGain(args.gains);
        const double guardValue = static_cast<double>(1e-18f);
        const D guard = V::set1(guardValue);
        const D guard2 = V::add(guard, guard);
        const D minusGuard = V::set1(-guardValue);
        const D minusGuard2 = V::add(minusGuard, minusGuard);
        const D factor = V::set1(static_cast<double>(args.outputFactor));

        float x1 = state.x1, x2 = state.x2;

        for (int start = 0, m = 0; start < count; start += m) {
            m = count - start < kChunk ? count - start : kChunk;
            float *const s = samples + start;

            // Step 0: the difference terms. The gained inputs and their
            // float roundings go through the band-major area, which is free
            // until step 2.
            const D dPeak = differenceTerms(s, m, args.inGain, x1, x2, wBands, wBands + kChunk + W, dTerms);

            // Step 1: every band of a sample at once. y2 is only needed as
            // state at the end of the block; inside, p carries it. First with
            // the split, then, if a value may have come near the float range,
            // again from the piece's starting state with conversions.
            D startY1[NV], startP[NV], startPre[NV];
            for (int j = 0; j < NV; ++j) {
                startY1[j] = y1[j];
                startP[j] = p[j];
                startPre[j] = pre[j];
            }
            D peak = V::zero(); // largest band output, when no level sums bound it
            auto filterPiece = [&](auto fastTag) {
                constexpr bool kFast = decltype(fastTag)::value;
                auto filter = [&](int at) {
                    const D d = V::set1(dTerms[at]);
                    double *row = wRows + at * kLanes;
                    // Hides the row's address from the compiler, which would
                    // otherwise keep a copy of every weighted output aside
                    // for the stores of the piece's last sample.
                    __asm__("" : "+r"(row));
                    for (int j = 0; j < NV; ++j) {
                        const D feedback = V::fma(gamma2[j], y1[j], p[j]);
                        const D v2 = V::fma(alpha2[j], d, feedback);
                        const D y =
                            unguard<kAddRecursionGuard>(add<kAddRecursionGuard>(v2, guard2), guard2, minusGuard2);
                        p[j] = V::mul(beta2[j], y1[j]);
                        y1[j] = round<kFast>(y);
                        if (Levels)
                            pre[j] = V::add(V::abs(y), pre[j]);
                        else if (kFast)
                            peak = V::max(V::abs(y), peak); // an infinity stays
                        const D w = unguard<kAddWeightUnguard>(add<kAddWeightGuard>(V::mul(y, gain[j]), guard), guard,
                                                               minusGuard);
                        V::store(row + j * W, w);
                    }
                };
                for (int n = 0; n < m; ++n) {
                    if (n + 1 == m) {
                        for (int j = 0; j < NV; ++j)
                            y2[j] = y1[j];
                    }
                    filter(n);
                }
            };
            bool fast = false;
            if constexpr (V::kSplit) {
                filterPiece(std::true_type());
                fast = inRange<Levels>(pre, peak, dPeak, peakGain);
                if (!fast) {
                    for (int j = 0; j < NV; ++j) {
                        y1[j] = startY1[j];
                        p[j] = startP[j];
                        pre[j] = startPre[j];
                    }
                }
            }
            if (!fast)
                filterPiece(std::false_type());

            // Step 2: the sums over bands, B sample vectors side by side
            // (rows past m hold stale finite values and are never output).
            const int groups = (m + W - 1) / W;
            if constexpr (V::kTransposeInRegisters) {
                // Each W x W tile of the rows is transposed in registers on
                // its way into the sums.
                int g = 0;
                for (; g + B <= groups; g += B) {
                    D sum[B];
                    if (fast)
                        sumTiles<B, true>(wRows + g * W * kLanes, sum);
                    else
                        sumTiles<B, false>(wRows + g * W * kLanes, sum);
                    for (int b = 0; b < B; ++b)
                        output(sum[b], factor, guard, minusGuard, s, (g + b) * W, m);
                }
                for (; g < groups; ++g) {
                    D sum[1];
                    if (fast)
                        sumTiles<1, true>(wRows + g * W * kLanes, sum);
                    else
                        sumTiles<1, false>(wRows + g * W * kLanes, sum);
                    output(sum[0], factor, guard, minusGuard, s, g * W, m);
                }
            } else {
                // Or the rows are transposed into the band-major area first
                // and then summed band by band.
                for (int g = 0; g < groups; ++g)
                    for (int j = 0; j < NV; ++j)
                        V::transpose(wRows + g * W * kLanes + j * W, kLanes, wBands + j * W * kChunk + g * W,
                                     kChunk);
                int g = 0;
                for (; g + B <= groups; g += B) {
                    D sum[B];
                    for (int b = 0; b < B; ++b)
                        sum[b] = V::zero();
                    for (int k = 0; k < kBands; ++k) {
                        const double *const band = wBands + k * kChunk + g * W;
                        for (int b = 0; b < B; ++b)
                            sum[b] = roundIf(fast, add<kAddBandSum>(V::load(band + b * W), sum[b]));
                    }
                    for (int b = 0; b < B; ++b)
                        output(sum[b], factor, guard, minusGuard, s, (g + b) * W, m);
                }
                for (; g < groups; ++g) {
                    D sum = V::zero();
                    for (int k = 0; k < kBands; ++k)
                        sum = roundIf(fast, add<kAddBandSum>(V::load(wBands + k * kChunk + g * W), sum));
                    output(sum, factor, guard, minusGuard, s, g * W, m);
                }
            }
        }

        for (int j = 0; j < NV; ++j) {
            V::storeFloats(state.y1 + j * W, y1[j]);
            V::storeFloats(state.y2 + j * W, y2[j]);
            if (Levels)
                V::storeu(state.levelSum + j * W, pre[j]);
        }
        state.x1 = x1;
        state.x2 = x2;
    }

    static D twice(D v) { return V::add(v, v); }

    // The sums over bands of N sample vectors whose rows start at rows: for
    // each vector of bands, the W x W tile of each sample vector transposed
    // (one vector per band) and added in band order.
    template <int N, bool Fast> static void sumTiles(const double *rows, D *sum) {
        for (int b = 0; b < N; ++b)
            sum[b] = V::zero();
        for (int j = 0; j < NV; ++j) {
            for (int b = 0; b < N; ++b) {
                D band[W];
                V::loadTransposed(rows + b * W * kLanes + j * W, kLanes, band);
                for (int i = 0; i < W && j * W + i < kBands; ++i)
                    sum[b] = round<Fast>(add<kAddBandSum>(band[i], sum[b]));
            }
        }
    }

    // a + b, fused at the places the instruction set asks for.
    template <unsigned Place> static D add(D a, D b) {
        if constexpr ((V::kFusedAdds & Place) != 0)
            return V::fma(a, V::set1(1.0), b);
        else
            return V::add(a, b);
    }
    // a - guard: fused as a x 1 + (-guard), or a plain subtraction (which
    // needs no register for the negated guard).
    template <unsigned Place> static D unguard(D a, D guard, D minusGuard) {
        if constexpr ((V::kFusedAdds & Place) != 0)
            return V::fma(a, V::set1(1.0), minusGuard);
        else
            return V::sub(a, guard);
    }

    // Step 0 of a piece: the difference terms of samples s[0..m) into
    // d[0..m), vectorised across samples; x1 and x2 (the input history) move
    // on. xs (m doubles) and xf (m doubles after xf[-2] and xf[-1]) are
    // scratch for the gained inputs and their float roundings; d may be xs.
    // Returns the largest magnitude per lane: an infinite term stays there.
    static D differenceTerms(const float *s, int m, float inGain, float &x1, float &x2, double *xs,
                             double *xf, double *d) {
        const double guardValue = static_cast<double>(1e-18f);
        const D guard = V::set1(guardValue), gainV = V::set1(static_cast<double>(inGain));
        const __m128d guardS = _mm_set_sd(guardValue), gainS = _mm_set_sd(static_cast<double>(inGain));
        const __m128d zeroS = _mm_setzero_pd();
        xf[-2] = static_cast<double>(x2);
        xf[-1] = static_cast<double>(x1);
        int n = 0;
        for (; n + W <= m; n += W) {
            const D gained = V::mul(V::finiteOrZero(V::loadFloats(s + n)), gainV);
            V::store(xs + n, gained);
            V::storeu(xf + n, V::roundToFloat(gained));
        }
        for (; n < m; ++n) {
            // A non-finite input sample counts as silence.
            std::uint32_t bits;
            std::memcpy(&bits, &s[n], sizeof bits);
            const __m128d gained = (bits & 0x7F800000u) == 0x7F800000u
                                       ? zeroS
                                       : _mm_mul_sd(_mm_cvtss_sd(zeroS, _mm_set_ss(s[n])), gainS);
            _mm_store_sd(xs + n, gained);
            _mm_store_sd(xf + n, _mm_cvtss_sd(zeroS, _mm_cvtsd_ss(_mm_setzero_ps(), gained)));
        }
        D peak = V::zero();
        for (n = 0; n + W <= m; n += W) {
            const D diff = V::sub(V::add(V::sub(V::load(xs + n), V::loadu(xf + n - 2)), guard), guard);
            const D rounded = V::roundToFloat(diff);
            V::store(d + n, rounded);
            peak = V::max(V::abs(rounded), peak);
        }
        for (; n < m; ++n) {
            const __m128d diff = _mm_sub_sd(
                _mm_add_sd(_mm_sub_sd(_mm_load_sd(xs + n), _mm_load_sd(xf + n - 2)), guardS), guardS);
            _mm_store_sd(d + n, _mm_cvtss_sd(zeroS, _mm_cvtsd_ss(_mm_setzero_ps(), diff)));
            peak = V::max(V::abs(V::set1(d[n])), peak);
        }
        _mm_store_ss(&x2, _mm_cvtsd_ss(_mm_setzero_ps(), _mm_load_sd(xf + m - 2)));
        _mm_store_ss(&x1, _mm_cvtsd_ss(_mm_setzero_ps(), _mm_load_sd(xf + m - 1)));
        return peak;
    }

    static D split(D x) {
        const D c = V::mul(x, V::set1(536870913.0));
        return V::sub(c, V::sub(c, x));
    }
    template <bool Fast> static D round(D x) { return Fast ? split(x) : V::roundToFloat(x); }
    static D roundIf(bool fast, D x) { return fast ? split(x) : V::roundToFloat(x); }

    // Whether the split rounded every value of a piece exactly: the
    // difference terms (dPeak: an infinite one gives NaN, not infinity, in
    // the padding lane) and the largest band output - bounded by the level
    // sums with levels, the running maximum without - alone and times the
    // largest gain bound every value rounded, all below kSafe. Each
    // comparison is false for NaN.
    template <bool Levels> static bool inRange(const D *pre, D peak, D dPeak, double peakGain) {
        const D gain = V::set1(peakGain);
        auto bounded = [&](D v) { return V::allBelow(v, kSafe) && V::allBelow(V::mul(v, gain), kSafe); };
        bool fast = V::allBelow(dPeak, kSafe);
        if (Levels) {
            for (int j = 0; j < NV; ++j)
                fast = fast && bounded(pre[j]);
        } else {
            fast = fast && bounded(peak);
        }
        return fast;
    }

    static double largestGain(const float *gains) {
        double largest = 0.0;
        for (int k = 0; k < kLanes; ++k)
            largest = gains[k] > largest ? static_cast<double>(gains[k]) : largest;
        return largest;
    }

    // Output samples at..at+W-1 of the piece, only those below m.
    // sum and factor are floats: their product is exact, so the fused form
    // rounds as product-then-add.
    static void output(D sum, D factor, D guard, D minusGuard, float *s, int at, int m) {
        const D out = unguard<kAddOutputGuard>(V::fma(sum, factor, guard), guard, minusGuard);
        const int valid = m - at;
        if (valid >= W) {
            V::storeFloats(s + at, out);
        } else {
            V::storeFloatsPartial(s + at, out, valid);
        }
    }
};

} // namespace
} // namespace sorrel::band_kernel
