// Exact integer helpers shared by the renderer's shape code. Nothing here
// uses floating point, so every target rounds the same way.
#pragma once

#include <cstdint>
#include <new>
#include <stdexcept>

namespace sorrel::raster {
namespace detail {

// GDI keeps device coordinates in 27 bits; so do we, which leaves room for
// products of two coordinate differences in 64 bits.
constexpr int32_t kCoordLimit = 1 << 27;

inline int32_t clampCoord(int64_t v) {
    return v < -kCoordLimit ? -kCoordLimit : (v > kCoordLimit ? kCoordLimit : static_cast<int32_t>(v));
}

// Floor and ceiling of n / d for d > 0.
inline int64_t floorDiv(int64_t n, int64_t d) {
    int64_t q = n / d;
    return (n % d != 0 && n < 0) ? q - 1 : q;
}
inline int64_t ceilDiv(int64_t n, int64_t d) {
    int64_t q = n / d;
    return (n % d != 0 && n > 0) ? q + 1 : q;
}

// Unsigned 128-bit value, enough for comparing products of two 57-bit
// magnitudes.
struct U128 {
    uint64_t hi = 0;
    uint64_t lo = 0;
};

inline U128 mul64(uint64_t a, uint64_t b) {
    uint64_t a0 = a & 0xffffffffu, a1 = a >> 32, b0 = b & 0xffffffffu, b1 = b >> 32;
    uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
    uint64_t mid = (p00 >> 32) + (p01 & 0xffffffffu) + (p10 & 0xffffffffu);
    U128 r;
    r.lo = (p00 & 0xffffffffu) | (mid << 32);
    r.hi = p11 + (p01 >> 32) + (p10 >> 32) + (mid >> 32);
    return r;
}

inline U128 add(U128 a, U128 b) {
    U128 r;
    r.lo = a.lo + b.lo;
    r.hi = a.hi + b.hi + (r.lo < a.lo ? 1 : 0);
    return r;
}

// -1, 0 or 1 as a is less than, equal to or greater than b.
inline int compare(U128 a, U128 b) {
    if (a.hi != b.hi)
        return a.hi < b.hi ? -1 : 1;
    if (a.lo != b.lo)
        return a.lo < b.lo ? -1 : 1;
    return 0;
}

inline uint64_t magnitude(int64_t v) {
    return v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
}

// Product of two signed values as sign and 128-bit magnitude.
struct S128 {
    int sign = 0; // -1, 0, 1
    U128 mag;
};

inline S128 smul(int64_t a, int64_t b) {
    S128 r;
    if (a == 0 || b == 0)
        return r;
    r.sign = ((a < 0) != (b < 0)) ? -1 : 1;
    r.mag = mul64(magnitude(a), magnitude(b));
    return r;
}

// Runs f; a failed allocation of a work buffer abandons the operation
// instead of leaving the renderer by an exception.
template <class F> void noThrow(F f) noexcept {
    try {
        f();
    } catch (const std::bad_alloc &) {
    } catch (const std::length_error &) {
    }
}

} // namespace detail
} // namespace sorrel::raster
