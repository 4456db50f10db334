// The portable family and the integer clip. Blocks of 128 elements are
// written out in full, then blocks of 16, then single elements.
#include "dsp/vector_ops.h"

#include <cstdint>
#include <cstring>
#include <utility>

namespace sorrel {

namespace {

// Calls body(0) .. body(N-1) written out one after another.
template <class Body, int... K> inline void unrollSequence(Body &body, std::integer_sequence<int, K...>) {
    (body(K), ...);
}
template <int N, class Body> inline void unroll(Body body) {
    unrollSequence(body, std::make_integer_sequence<int, N>{});
}

// Every block length the portable family steps through, largest first.
template <class Body> void portableForward(int32_t count, Body body) {
    int32_t i = 0;
    for (; count - i >= 128; i += 128)
        unroll<128>([&](int k) { body(i + k); });
    for (; count - i >= 16; i += 16)
        unroll<16>([&](int k) { body(i + k); });
    for (; i < count; ++i)
        body(i);
}

template <class Body> void portableBackward(int32_t count, Body body) {
    int32_t i = count;
    for (; i >= 128; i -= 128)
        unroll<128>([&](int k) { body(i - 1 - k); });
    for (; i >= 16; i -= 16)
        unroll<16>([&](int k) { body(i - 1 - k); });
    for (; i > 0; --i)
        body(i - 1);
}

// A limit of -0 would flip the sign of every clipped element; it means 0.
inline float zeroLimit(float limit) {
    return limit == 0.0f ? 0.0f : limit;
}

void portableFill(float *dst, int32_t count, float value) {
    if (!dst || count <= 0)
        return;
    portableForward(count, [=](int32_t i) { dst[i] = value; });
}

void portableAdd(float *dst, const float *src, int32_t count) {
    if (!dst || !src || count <= 0)
        return;
    portableForward(count, [=](int32_t i) { dst[i] = dst[i] + src[i]; });
}

void portableAddScalar(float *dst, float value, int32_t count) {
    if (!dst || count <= 0)
        return;
    portableForward(count, [=](int32_t i) { dst[i] = dst[i] + value; });
}

void portableMultiply(float *dst, const float *src, int32_t count) {
    if (!dst || !src || count <= 0)
        return;
    portableForward(count, [=](int32_t i) { dst[i] = dst[i] * src[i]; });
}

void portableMultiplyScalar(float *dst, float value, int32_t count) {
    if (!dst || count <= 0)
        return;
    portableForward(count, [=](int32_t i) { dst[i] = dst[i] * value; });
}

// Moved as bit patterns: a float load on the x87 unit would quiet a
// signalling NaN, and a copy must hand on exactly what it was given.
void portableCopy(float *dst, const float *src, int32_t count) {
    if (!dst || !src || dst == src || count <= 0)
        return;
    auto move = [=](int32_t i) { std::memcpy(dst + i, src + i, sizeof(float)); };
    if (reinterpret_cast<uintptr_t>(dst) < reinterpret_cast<uintptr_t>(src))
        portableForward(count, move);
    else
        portableBackward(count, move);
}

void portableClip(float *dst, int32_t count, float limit) {
    if (!dst || count <= 0)
        return;
    const float high = zeroLimit(limit);
    const float low = -high;
    portableForward(count, [=](int32_t i) {
        const float x = dst[i];
        if (x > high)
            dst[i] = high;
        else if (x < low)
            dst[i] = low;
    });
}

constexpr uint32_t kSignBit = 0x80000000u;

inline void clipBits(float *element, int32_t limitBits) {
    uint32_t bits;
    std::memcpy(&bits, element, sizeof bits);
    uint32_t magnitude = bits & ~kSignBit;
    if (static_cast<int32_t>(magnitude) > limitBits)
        magnitude = static_cast<uint32_t>(limitBits);
    magnitude |= bits & kSignBit;
    std::memcpy(element, &magnitude, sizeof magnitude);
}

const VectorOpsTable kPortable = {portableFill,           portableAdd,  portableAddScalar, portableMultiply,
                                  portableMultiplyScalar, portableCopy, portableClip};

} // namespace

void integerClip(float *dst, int32_t count, float limit) {
    if (!dst || count <= 0)
        return;
    const float high = zeroLimit(limit);
    int32_t limitBits;
    std::memcpy(&limitBits, &high, sizeof limitBits);
    const int32_t groups = count & ~3;
    for (int32_t i = 0; i < groups; i += 4) {
        clipBits(dst + i, limitBits);
        clipBits(dst + i + 1, limitBits);
        clipBits(dst + i + 2, limitBits);
        clipBits(dst + i + 3, limitBits);
    }
    for (int32_t i = groups; i < count; ++i)
        clipBits(dst + i, limitBits);
}

const VectorOpsTable &portableVectorOps() {
    return kPortable;
}

VectorOpsTable VectorOps = {portableFill,           portableAdd,  portableAddScalar, portableMultiply,
                            portableMultiplyScalar, portableCopy, portableClip};

} // namespace sorrel
