// The true-response block pass on 128-bit vectors (SSE2): two sections per
// vector.
#include "dsp/true_kernel_simd.h"

namespace sorrel::true_kernel {
namespace {

struct Sse2 {
    using D = __m128d;
    static constexpr int kWidth = 2;
    static D load(const double *p) { return _mm_load_pd(p); }
    static void store(double *p, D v) { _mm_store_pd(p, v); }
    static D set1(double x) { return _mm_set1_pd(x); }
    static D add(D a, D b) { return _mm_add_pd(a, b); }
    static D mul(D a, D b) { return _mm_mul_pd(a, b); }
    // Lane 0 plus lane 1, in the low lane.
    static __m128d sumLanes(D v) { return _mm_add_sd(v, _mm_unpackhi_pd(v, v)); }
};

} // namespace

void sse2Block(const Poles &poles, Numerators &current, const Numerators *step, State &state, float *samples,
               int count) {
    TruePass<Sse2>::run(poles, current, step, state, samples, count);
}

} // namespace sorrel::true_kernel
