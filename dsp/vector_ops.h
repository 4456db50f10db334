// Block operations on arrays of 32-bit floats, reached through one table of
// function pointers that processor detection fills with the fastest family
// the processor supports. Callers never name a family:
//
//     VectorOps.copy(work, input, frames);
//     VectorOps.add(output, work, frames);
//
// Every operation returns at once when its count is 0 or negative or one of
// its arrays is null; copy also when dst equals src. No alignment is required
// of any array. copy handles overlapping ranges in either direction as if it
// went through a temporary. clip expects a limit of 0 or more.
#pragma once

#include <cstdint>

#if defined(__i386__) || defined(__x86_64__) || defined(_M_IX86) || defined(_M_X64)
#define SORREL_ARCH_X86 1
#else
#define SORREL_ARCH_X86 0
#endif

namespace sorrel {

using FillOp = void (*)(float *dst, int32_t count, float value);
using BinaryOp = void (*)(float *dst, const float *src, int32_t count);
using ScalarOp = void (*)(float *dst, float value, int32_t count);
using ClipOp = void (*)(float *dst, int32_t count, float limit);

// Slot order and argument orders are fixed: fill and clip take the count
// second, addScalar and multiplyScalar third.
struct VectorOpsTable {
    FillOp fill;             // dst[i] = value
    BinaryOp add;            // dst[i] += src[i]
    ScalarOp addScalar;      // dst[i] += value
    BinaryOp multiply;       // dst[i] *= src[i]
    ScalarOp multiplyScalar; // dst[i] *= value
    BinaryOp copy;           // dst[i] = src[i], overlap allowed
    ClipOp clip;             // dst[i] limited to -limit .. +limit
};

inline bool operator==(const VectorOpsTable &a, const VectorOpsTable &b) {
    return a.fill == b.fill && a.add == b.add && a.addScalar == b.addScalar && a.multiply == b.multiply &&
           a.multiplyScalar == b.multiplyScalar && a.copy == b.copy && a.clip == b.clip;
}
inline bool operator!=(const VectorOpsTable &a, const VectorOpsTable &b) {
    return !(a == b);
}

// The module-wide table. Until detectProcessor() runs every slot holds the
// portable member, so it is always usable. Written only by detection.
extern VectorOpsTable VectorOps;

// The families, for detection and for tests.
const VectorOpsTable &portableVectorOps();
// Compares bit patterns instead of floats; needs conditional moves. Turns a
// NaN into the limit carrying the NaN's sign, otherwise equals the portable clip.
void integerClip(float *dst, int32_t count, float limit);

#if SORREL_ARCH_X86
// Unrolled on the x87 unit. Every call re-initialises the unit (exceptions
// masked, round to nearest, 64-bit precision, empty stack) and leaves it so.
// The table's clip slot holds the portable member.
const VectorOpsTable &x87VectorOps();
// 128-bit SSE registers, unaligned loads and stores. The clip slot holds the
// portable member.
const VectorOpsTable &sseVectorOps();
#endif

} // namespace sorrel
