// The band block pass on 128-bit vectors (SSE2): two bands or two samples
// per vector. Without fused multiply-add the products are rounded first,
// which changes nothing: they are exact.
#include "dsp/band_kernel_simd.h"

#include <cmath>

namespace sorrel::band_kernel {
namespace {

struct Sse2 {
    using D = __m128d;
    static constexpr int kWidth = 2;
    // Two conversions cost less than the three operations of the split here.
    static constexpr bool kSplit = false;
    static constexpr int kBatch = 8;
    static constexpr bool kTransposeInRegisters = false;
    // No fused multiply-add: every addition is a plain one.
    static constexpr unsigned kFusedAdds = 0;

    static D zero() { return _mm_setzero_pd(); }
    static D set1(double x) { return _mm_set1_pd(x); }
    static D load(const double *p) { return _mm_load_pd(p); }
    static void store(double *p, D v) { _mm_store_pd(p, v); }
    static D loadFloats(const float *p) {
        return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(p))));
    }
    static void storeFloats(float *p, D v) {
        _mm_storel_epi64(reinterpret_cast<__m128i *>(p), _mm_castps_si128(_mm_cvtpd_ps(v)));
    }
    // The first count (here only 1) values.
    static void storeFloatsPartial(float *p, D v, int count) {
        if (count > 0)
            _mm_store_ss(p, _mm_cvtpd_ps(v));
    }
    static D loadu(const double *p) { return _mm_loadu_pd(p); }
    static void storeu(double *p, D v) { _mm_storeu_pd(p, v); }
    static D finiteOrZero(D v) { return _mm_and_pd(v, _mm_cmplt_pd(abs(v), _mm_set1_pd(HUGE_VAL))); }
    static D add(D a, D b) { return _mm_add_pd(a, b); }
    static D sub(D a, D b) { return _mm_sub_pd(a, b); }
    static D mul(D a, D b) { return _mm_mul_pd(a, b); }
    static D fma(D a, D b, D c) { return _mm_add_pd(_mm_mul_pd(a, b), c); }
    static D abs(D v) { return _mm_andnot_pd(_mm_set1_pd(-0.0), v); }
    static D roundToFloat(D v) { return _mm_cvtps_pd(_mm_cvtpd_ps(v)); }
    static D max(D a, D b) { return _mm_max_pd(a, b); }
    static bool allBelow(D v, double limit) {
        return _mm_movemask_pd(_mm_cmplt_pd(v, _mm_set1_pd(limit))) == 3;
    }

    static void transpose(const double *src, int ss, double *dst, int ds) {
        const D a = _mm_load_pd(src), b = _mm_load_pd(src + ss);
        _mm_store_pd(dst, _mm_unpacklo_pd(a, b));
        _mm_store_pd(dst + ds, _mm_unpackhi_pd(a, b));
    }
};

} // namespace

void sse2Block(const BlockArgs &args, State &state, float *samples, int count) {
    SimdPass<Sse2>::run(args, state, samples, count);
}

} // namespace sorrel::band_kernel
