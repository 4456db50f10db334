// The SSE family: blocks of 16 elements as four 128-bit operations, then
// groups of 4 as one, then single elements with scalar operations. All loads
// and stores are unaligned, so no array needs any alignment.
#include "dsp/vector_ops.h"

#include <cstdint>
#include <cstring>
#include <xmmintrin.h>

// 32-bit hosts may call with a stack aligned to 4 bytes only; realign it in
// case the compiler spills a 128-bit register.
#if defined(__i386__)
#define SSE_ENTRY __attribute__((force_align_arg_pointer))
#else
#define SSE_ENTRY
#endif

namespace sorrel {

namespace {

SSE_ENTRY void sseFill(float *dst, int32_t count, float value) {
    if (!dst || count <= 0)
        return;
    const __m128 v = _mm_set1_ps(value);
    int32_t i = 0;
    for (; count - i >= 16; i += 16) {
        _mm_storeu_ps(dst + i, v);
        _mm_storeu_ps(dst + i + 4, v);
        _mm_storeu_ps(dst + i + 8, v);
        _mm_storeu_ps(dst + i + 12, v);
    }
    for (; count - i >= 4; i += 4)
        _mm_storeu_ps(dst + i, v);
    for (; i < count; ++i)
        _mm_store_ss(dst + i, v);
}

// dst[i] = op(dst[i], src[i]) with the packed and the scalar form of one operation.
template <__m128 (*Packed)(__m128, __m128), __m128 (*Scalar)(__m128, __m128)>
inline void binary(float *dst, const float *src, int32_t count) {
    int32_t i = 0;
    for (; count - i >= 16; i += 16) {
        const __m128 a0 = Packed(_mm_loadu_ps(dst + i), _mm_loadu_ps(src + i));
        const __m128 a1 = Packed(_mm_loadu_ps(dst + i + 4), _mm_loadu_ps(src + i + 4));
        const __m128 a2 = Packed(_mm_loadu_ps(dst + i + 8), _mm_loadu_ps(src + i + 8));
        const __m128 a3 = Packed(_mm_loadu_ps(dst + i + 12), _mm_loadu_ps(src + i + 12));
        _mm_storeu_ps(dst + i, a0);
        _mm_storeu_ps(dst + i + 4, a1);
        _mm_storeu_ps(dst + i + 8, a2);
        _mm_storeu_ps(dst + i + 12, a3);
    }
    for (; count - i >= 4; i += 4)
        _mm_storeu_ps(dst + i, Packed(_mm_loadu_ps(dst + i), _mm_loadu_ps(src + i)));
    for (; i < count; ++i)
        _mm_store_ss(dst + i, Scalar(_mm_load_ss(dst + i), _mm_load_ss(src + i)));
}

// dst[i] = op(dst[i], value).
template <__m128 (*Packed)(__m128, __m128), __m128 (*Scalar)(__m128, __m128)>
inline void withScalar(float *dst, float value, int32_t count) {
    const __m128 v = _mm_set1_ps(value);
    int32_t i = 0;
    for (; count - i >= 16; i += 16) {
        const __m128 a0 = Packed(_mm_loadu_ps(dst + i), v);
        const __m128 a1 = Packed(_mm_loadu_ps(dst + i + 4), v);
        const __m128 a2 = Packed(_mm_loadu_ps(dst + i + 8), v);
        const __m128 a3 = Packed(_mm_loadu_ps(dst + i + 12), v);
        _mm_storeu_ps(dst + i, a0);
        _mm_storeu_ps(dst + i + 4, a1);
        _mm_storeu_ps(dst + i + 8, a2);
        _mm_storeu_ps(dst + i + 12, a3);
    }
    for (; count - i >= 4; i += 4)
        _mm_storeu_ps(dst + i, Packed(_mm_loadu_ps(dst + i), v));
    for (; i < count; ++i)
        _mm_store_ss(dst + i, Scalar(_mm_load_ss(dst + i), v));
}

inline __m128 addPacked(__m128 a, __m128 b) {
    return _mm_add_ps(a, b);
}
inline __m128 addScalar(__m128 a, __m128 b) {
    return _mm_add_ss(a, b);
}
inline __m128 mulPacked(__m128 a, __m128 b) {
    return _mm_mul_ps(a, b);
}
inline __m128 mulScalar(__m128 a, __m128 b) {
    return _mm_mul_ss(a, b);
}

SSE_ENTRY void sseAdd(float *dst, const float *src, int32_t count) {
    if (!dst || !src || count <= 0)
        return;
    binary<addPacked, addScalar>(dst, src, count);
}

SSE_ENTRY void sseAddScalar(float *dst, float value, int32_t count) {
    if (!dst || count <= 0)
        return;
    withScalar<addPacked, addScalar>(dst, value, count);
}

SSE_ENTRY void sseMultiply(float *dst, const float *src, int32_t count) {
    if (!dst || !src || count <= 0)
        return;
    binary<mulPacked, mulScalar>(dst, src, count);
}

SSE_ENTRY void sseMultiplyScalar(float *dst, float value, int32_t count) {
    if (!dst || count <= 0)
        return;
    withScalar<mulPacked, mulScalar>(dst, value, count);
}

// Single elements move as 32-bit integers: a 32-bit compiler turns a scalar
// SSE load and store into an x87 load and store, which would quiet a
// signalling NaN.
inline void moveOne(float *dst, const float *src) {
    uint32_t bits;
    std::memcpy(&bits, src, sizeof bits);
    std::memcpy(dst, &bits, sizeof bits);
}

// Each block is loaded completely before it is stored, and the blocks run
// away from the overlap: upwards when dst lies below src, else from the top.
SSE_ENTRY void sseCopy(float *dst, const float *src, int32_t count) {
    if (!dst || !src || dst == src || count <= 0)
        return;
    if (reinterpret_cast<uintptr_t>(dst) < reinterpret_cast<uintptr_t>(src)) {
        int32_t i = 0;
        for (; count - i >= 16; i += 16) {
            const __m128 a0 = _mm_loadu_ps(src + i);
            const __m128 a1 = _mm_loadu_ps(src + i + 4);
            const __m128 a2 = _mm_loadu_ps(src + i + 8);
            const __m128 a3 = _mm_loadu_ps(src + i + 12);
            _mm_storeu_ps(dst + i, a0);
            _mm_storeu_ps(dst + i + 4, a1);
            _mm_storeu_ps(dst + i + 8, a2);
            _mm_storeu_ps(dst + i + 12, a3);
        }
        for (; count - i >= 4; i += 4)
            _mm_storeu_ps(dst + i, _mm_loadu_ps(src + i));
        for (; i < count; ++i)
            moveOne(dst + i, src + i);
    } else {
        int32_t i = count;
        for (; i >= 16; i -= 16) {
            const __m128 a0 = _mm_loadu_ps(src + i - 16);
            const __m128 a1 = _mm_loadu_ps(src + i - 12);
            const __m128 a2 = _mm_loadu_ps(src + i - 8);
            const __m128 a3 = _mm_loadu_ps(src + i - 4);
            _mm_storeu_ps(dst + i - 4, a3);
            _mm_storeu_ps(dst + i - 8, a2);
            _mm_storeu_ps(dst + i - 12, a1);
            _mm_storeu_ps(dst + i - 16, a0);
        }
        for (; i >= 4; i -= 4)
            _mm_storeu_ps(dst + i - 4, _mm_loadu_ps(src + i - 4));
        for (; i > 0; --i)
            moveOne(dst + i - 1, src + i - 1);
    }
}

} // namespace

const VectorOpsTable &sseVectorOps() {
    static const VectorOpsTable table = {
        sseFill, sseAdd, sseAddScalar, sseMultiply, sseMultiplyScalar, sseCopy, portableVectorOps().clip};
    return table;
}

} // namespace sorrel
