// The band block pass on 256-bit vectors (AVX2 with FMA): four bands or four
// samples per vector.
#include "dsp/band_kernel_simd.h"

#include <cmath>

#include <immintrin.h>

namespace sorrel::band_kernel {
namespace {

struct Avx2 {
    using D = __m256d;
    static constexpr int kWidth = 4;
    static constexpr bool kSplit = true;
    static constexpr int kBatch = 8;
    // The adders have the three roundings' subtractions and most guard
    // additions to do; the multipliers take the second guard addition of
    // each weighted output, which evens the two kinds of port out. On the
    // filter's critical path the plain addition is also the shorter one.
    static constexpr unsigned kFusedAdds = kAddWeightUnguard;
    // The sums read the rows through 4 x 4 transpositions in registers.
    static constexpr bool kTransposeInRegisters = true;

    static D zero() { return _mm256_setzero_pd(); }
    static D set1(double x) { return _mm256_set1_pd(x); }
    static D load(const double *p) { return _mm256_load_pd(p); }
    static void store(double *p, D v) { _mm256_store_pd(p, v); }
    static D loadFloats(const float *p) { return _mm256_cvtps_pd(_mm_loadu_ps(p)); }
    static void storeFloats(float *p, D v) { _mm_storeu_ps(p, _mm256_cvtpd_ps(v)); }
    // The first count (below 4) values.
    static void storeFloatsPartial(float *p, D v, int count) {
        const __m128i lanes = _mm_cmplt_epi32(_mm_setr_epi32(0, 1, 2, 3), _mm_set1_epi32(count));
        _mm_maskstore_ps(p, lanes, _mm256_cvtpd_ps(v));
    }
    static D loadu(const double *p) { return _mm256_loadu_pd(p); }
    static void storeu(double *p, D v) { _mm256_storeu_pd(p, v); }
    static D finiteOrZero(D v) {
        return _mm256_and_pd(v, _mm256_cmp_pd(abs(v), _mm256_set1_pd(HUGE_VAL), _CMP_LT_OQ));
    }
    static D add(D a, D b) { return _mm256_add_pd(a, b); }
    static D sub(D a, D b) { return _mm256_sub_pd(a, b); }
    static D mul(D a, D b) { return _mm256_mul_pd(a, b); }
    static D fma(D a, D b, D c) { return _mm256_fmadd_pd(a, b, c); }
    static D abs(D v) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), v); }
    static D roundToFloat(D v) { return _mm256_cvtps_pd(_mm256_cvtpd_ps(v)); }
    static D max(D a, D b) { return _mm256_max_pd(a, b); }
    static bool allBelow(D v, double limit) {
        return _mm256_movemask_pd(_mm256_cmp_pd(v, _mm256_set1_pd(limit), _CMP_LT_OQ)) == 0xF;
    }

    // 4 x 4 doubles, rows of src (stride ss) in, columns out: halves of rows
    // 0/2 and 1/3 paired, then interleaved.
    static void loadTransposed(const double *src, int ss, D *dst) {
        const D r02lo =
            _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_load_pd(src)), _mm_load_pd(src + 2 * ss), 1);
        const D r13lo =
            _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_load_pd(src + ss)), _mm_load_pd(src + 3 * ss), 1);
        const D r02hi = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_load_pd(src + 2)),
                                             _mm_load_pd(src + 2 * ss + 2), 1);
        const D r13hi = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_load_pd(src + ss + 2)),
                                             _mm_load_pd(src + 3 * ss + 2), 1);
        dst[0] = _mm256_unpacklo_pd(r02lo, r13lo);
        dst[1] = _mm256_unpackhi_pd(r02lo, r13lo);
        dst[2] = _mm256_unpacklo_pd(r02hi, r13hi);
        dst[3] = _mm256_unpackhi_pd(r02hi, r13hi);
    }
};

} // namespace

void avx2Block(const BlockArgs &args, State &state, float *samples, int count) {
    SimdPass<Avx2>::run(args, state, samples, count);
}

} // namespace sorrel::band_kernel
