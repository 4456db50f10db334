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

#include <immintrin.h>

namespace band_kernel {
namespace {

struct Avx512 {
    using D = __m512d;
    static constexpr int kWidth = 8;
    static constexpr int kBatch = 8;

    static D zero() { return _mm512_setzero_pd(); }
    static D set1(double x) { return _mm512_set1_pd(x); }
    static D load(const double *p) { return _mm512_load_pd(p); }
    static void store(double *p, D v) { _mm512_store_pd(p, v); }
    static D loadFloats(const float *p) { return _mm512_cvtps_pd(_mm256_loadu_ps(p)); }
    static void storeFloats(float *p, D v) { _mm256_storeu_ps(p, _mm512_cvtpd_ps(v)); }
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

} // namespace

void avx512Block(const BlockArgs &args, State &state, float *samples, int count) {
    SimdPass<Avx512>::run(args, state, samples, count);
}

} // namespace band_kernel
