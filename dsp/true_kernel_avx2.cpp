// The true-response block pass on 256-bit vectors (AVX2): four sections per
// vector. No fused multiply-add: the reference rounds every product.
#include "dsp/true_kernel_simd.h"

#include <immintrin.h>

namespace sorrel::true_kernel {
namespace {

struct Avx2 {
    using D = __m256d;
    static constexpr int kWidth = 4;
    static D load(const double *p) { return _mm256_load_pd(p); }
    static void store(double *p, D v) { _mm256_store_pd(p, v); }
    static D set1(double x) { return _mm256_set1_pd(x); }
    static D add(D a, D b) { return _mm256_add_pd(a, b); }
    static D mul(D a, D b) { return _mm256_mul_pd(a, b); }
    // Lanes i + (i + 2), then 0 + 1.
    static __m128d sumLanes(D v) {
        const __m128d half = _mm_add_pd(_mm256_castpd256_pd128(v), _mm256_extractf128_pd(v, 1));
        return _mm_add_sd(half, _mm_unpackhi_pd(half, half));
    }
};

} // namespace

void avx2Block(const Poles &poles, Numerators &current, const Numerators *step, State &state, float *samples,
               int count) {
    TruePass<Avx2>::run(poles, current, step, state, samples, count);
}

} // namespace sorrel::true_kernel
