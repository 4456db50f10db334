// The true-response block pass on 512-bit vectors (AVX-512F): eight sections
// per vector. No fused multiply-add: the reference rounds every product.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "dsp/true_kernel_simd.h"

#include <immintrin.h>

namespace sorrel::true_kernel {
namespace {

struct Avx512 {
    using D = __m512d;
    static constexpr int kWidth = 8;
    static D load(const double *p) { return _mm512_load_pd(p); }
    static void store(double *p, D v) { _mm512_store_pd(p, v); }
    static D set1(double x) { return _mm512_set1_pd(x); }
    static D add(D a, D b) { return _mm512_add_pd(a, b); }
    static D mul(D a, D b) { return _mm512_mul_pd(a, b); }
    // Lanes i + (i + 4), then i + (i + 2), then 0 + 1.
    static __m128d sumLanes(D v) {
        const __m256d quarter = _mm256_add_pd(_mm512_castpd512_pd256(v), _mm512_extractf64x4_pd(v, 1));
        const __m128d half = _mm_add_pd(_mm256_castpd256_pd128(quarter), _mm256_extractf128_pd(quarter, 1));
        return _mm_add_sd(half, _mm_unpackhi_pd(half, half));
    }
};

} // namespace

void avx512Block(const Poles &poles, Numerators &current, const Numerators *step, State &state, float *samples,
                 int count) {
    TruePass<Avx512>::run(poles, current, step, state, samples, count);
}

} // namespace sorrel::true_kernel
