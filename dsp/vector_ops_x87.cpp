// The x87 family: blocks of 16 elements, then groups of 4, then single
// elements (fill: blocks of 16, then single elements). Each call starts by
// re-initialising the unit: all exceptions masked, round to nearest, 64-bit
// precision, empty register stack, and leaves it so.
//
// With 64-bit precision a sum or product of two floats rounded once to the
// register and again to float equals the float operation rounded once, so
// this family gives the same results as the others.
#include "dsp/vector_ops.h"

#if SORREL_ARCH_X86

#include <cstdint>

namespace sorrel {

#define X87_CLOBBERS "memory", "st", "st(1)", "st(2)", "st(3)", "st(4)", "st(5)", "st(6)", "st(7)"

// dst op= src on four elements at byte offsets a, b, c, e: four loads with
// the operation, then four stores from the top of the stack.
#define X87_BINARY4(op, a, b, c, e)                                                                          \
    "flds " #a "(%[d])\n\t" op " " #a "(%[s])\n\t"                                                           \
    "flds " #b "(%[d])\n\t" op " " #b "(%[s])\n\t"                                                           \
    "flds " #c "(%[d])\n\t" op " " #c "(%[s])\n\t"                                                           \
    "flds " #e "(%[d])\n\t" op " " #e "(%[s])\n\t"                                                           \
    "fstps " #e "(%[d])\n\t"                                                                                 \
    "fstps " #c "(%[d])\n\t"                                                                                 \
    "fstps " #b "(%[d])\n\t"                                                                                 \
    "fstps " #a "(%[d])\n\t"

// dst op= value on four elements, with the value below them on the stack.
#define X87_SCALAR4(op, a, b, c, e)                                                                          \
    "flds " #a "(%[d])\n\t" op " %%st(1), %%st\n\t"                                                          \
    "flds " #b "(%[d])\n\t" op " %%st(2), %%st\n\t"                                                          \
    "flds " #c "(%[d])\n\t" op " %%st(3), %%st\n\t"                                                          \
    "flds " #e "(%[d])\n\t" op " %%st(4), %%st\n\t"                                                          \
    "fstps " #e "(%[d])\n\t"                                                                                 \
    "fstps " #c "(%[d])\n\t"                                                                                 \
    "fstps " #b "(%[d])\n\t"                                                                                 \
    "fstps " #a "(%[d])\n\t"

#define X87_BINARY16(op)                                                                                     \
    X87_BINARY4(op, 0, 4, 8, 12)                                                                             \
    X87_BINARY4(op, 16, 20, 24, 28) X87_BINARY4(op, 32, 36, 40, 44) X87_BINARY4(op, 48, 52, 56, 60)

#define X87_SCALAR16(op)                                                                                     \
    X87_SCALAR4(op, 0, 4, 8, 12)                                                                             \
    X87_SCALAR4(op, 16, 20, 24, 28) X87_SCALAR4(op, 32, 36, 40, 44) X87_SCALAR4(op, 48, 52, 56, 60)

namespace {

inline void resetUnit() {
    __asm__ volatile("fninit" ::: X87_CLOBBERS);
}

void x87Fill(float *dst, int32_t count, float value) {
    resetUnit();
    if (!dst || count <= 0)
        return;
    int32_t i = 0;
    for (; count - i >= 16; i += 16)
        __asm__ volatile("flds %[v]\n\t"
                         "fsts 0(%[d])\n\tfsts 4(%[d])\n\tfsts 8(%[d])\n\tfsts 12(%[d])\n\t"
                         "fsts 16(%[d])\n\tfsts 20(%[d])\n\tfsts 24(%[d])\n\tfsts 28(%[d])\n\t"
                         "fsts 32(%[d])\n\tfsts 36(%[d])\n\tfsts 40(%[d])\n\tfsts 44(%[d])\n\t"
                         "fsts 48(%[d])\n\tfsts 52(%[d])\n\tfsts 56(%[d])\n\tfstps 60(%[d])\n\t"
                         :
                         : [d] "r"(dst + i), [v] "m"(value)
                         : X87_CLOBBERS);
    for (; i < count; ++i)
        __asm__ volatile("flds %[v]\n\tfstps (%[d])" : : [d] "r"(dst + i), [v] "m"(value) : X87_CLOBBERS);
}

#define X87_BINARY_OP(name, op)                                                                              \
    void name(float *dst, const float *src, int32_t count) {                                                 \
        resetUnit();                                                                                         \
        if (!dst || !src || count <= 0)                                                                      \
            return;                                                                                          \
        int32_t i = 0;                                                                                       \
        for (; count - i >= 16; i += 16)                                                                     \
            __asm__ volatile(X87_BINARY16(op) : : [d] "r"(dst + i), [s] "r"(src + i) : X87_CLOBBERS);        \
        for (; count - i >= 4; i += 4)                                                                       \
            __asm__ volatile(X87_BINARY4(op, 0, 4, 8, 12)                                                    \
                             :                                                                               \
                             : [d] "r"(dst + i), [s] "r"(src + i)                                            \
                             : X87_CLOBBERS);                                                                \
        for (; i < count; ++i)                                                                               \
            __asm__ volatile("flds (%[d])\n\t" op " (%[s])\n\tfstps (%[d])"                                  \
                             :                                                                               \
                             : [d] "r"(dst + i), [s] "r"(src + i)                                            \
                             : X87_CLOBBERS);                                                                \
    }

#define X87_SCALAR_OP(name, op)                                                                              \
    void name(float *dst, float value, int32_t count) {                                                      \
        resetUnit();                                                                                         \
        if (!dst || count <= 0)                                                                              \
            return;                                                                                          \
        int32_t i = 0;                                                                                       \
        for (; count - i >= 16; i += 16)                                                                     \
            __asm__ volatile("flds %[v]\n\t" X87_SCALAR16(op) "fstp %%st(0)"                                 \
                             :                                                                               \
                             : [d] "r"(dst + i), [v] "m"(value)                                              \
                             : X87_CLOBBERS);                                                                \
        for (; count - i >= 4; i += 4)                                                                       \
            __asm__ volatile("flds %[v]\n\t" X87_SCALAR4(op, 0, 4, 8, 12) "fstp %%st(0)"                     \
                             :                                                                               \
                             : [d] "r"(dst + i), [v] "m"(value)                                              \
                             : X87_CLOBBERS);                                                                \
        for (; i < count; ++i)                                                                               \
            __asm__ volatile("flds %[v]\n\tflds (%[d])\n\t" op " %%st(1), %%st\n\tfstps (%[d])\n\t"          \
                             "fstp %%st(0)"                                                                  \
                             :                                                                               \
                             : [d] "r"(dst + i), [v] "m"(value)                                              \
                             : X87_CLOBBERS);                                                                \
    }

X87_BINARY_OP(x87Add, "fadds")
X87_BINARY_OP(x87Multiply, "fmuls")
X87_SCALAR_OP(x87AddScalar, "fadd")
X87_SCALAR_OP(x87MultiplyScalar, "fmul")

// Elements travel as integers (pairs of them as 64-bit integers), which the
// unit loads and stores exactly; a float load would quiet signalling NaNs.
// A block or group is loaded completely before it is stored.
#define X87_LOAD_PAIR(o) "fildll " #o "(%[s])\n\t"
#define X87_STORE_PAIR(o) "fistpll " #o "(%[d])\n\t"
#define X87_COPY16                                                                                           \
    X87_LOAD_PAIR(0)                                                                                         \
    X87_LOAD_PAIR(8)                                                                                         \
    X87_LOAD_PAIR(16) X87_LOAD_PAIR(24) X87_LOAD_PAIR(32) X87_LOAD_PAIR(40) X87_LOAD_PAIR(48)                \
        X87_LOAD_PAIR(56) X87_STORE_PAIR(56) X87_STORE_PAIR(48) X87_STORE_PAIR(40) X87_STORE_PAIR(32)        \
            X87_STORE_PAIR(24) X87_STORE_PAIR(16) X87_STORE_PAIR(8) X87_STORE_PAIR(0)
#define X87_COPY4 X87_LOAD_PAIR(0) X87_LOAD_PAIR(8) X87_STORE_PAIR(8) X87_STORE_PAIR(0)
#define X87_COPY1 "fildl (%[s])\n\tfistpl (%[d])"

inline void copy16(float *dst, const float *src) {
    __asm__ volatile(X87_COPY16 : : [d] "r"(dst), [s] "r"(src) : X87_CLOBBERS);
}
inline void copy4(float *dst, const float *src) {
    __asm__ volatile(X87_COPY4 : : [d] "r"(dst), [s] "r"(src) : X87_CLOBBERS);
}
inline void copy1(float *dst, const float *src) {
    __asm__ volatile(X87_COPY1 : : [d] "r"(dst), [s] "r"(src) : X87_CLOBBERS);
}

void x87Copy(float *dst, const float *src, int32_t count) {
    resetUnit();
    if (!dst || !src || dst == src || count <= 0)
        return;
    if (reinterpret_cast<uintptr_t>(dst) < reinterpret_cast<uintptr_t>(src)) {
        int32_t i = 0;
        for (; count - i >= 16; i += 16)
            copy16(dst + i, src + i);
        for (; count - i >= 4; i += 4)
            copy4(dst + i, src + i);
        for (; i < count; ++i)
            copy1(dst + i, src + i);
    } else {
        int32_t i = count;
        for (; i >= 16; i -= 16)
            copy16(dst + i - 16, src + i - 16);
        for (; i >= 4; i -= 4)
            copy4(dst + i - 4, src + i - 4);
        for (; i > 0; --i)
            copy1(dst + i - 1, src + i - 1);
    }
}

} // namespace

const VectorOpsTable &x87VectorOps() {
    static const VectorOpsTable table = {
        x87Fill, x87Add, x87AddScalar, x87Multiply, x87MultiplyScalar, x87Copy, portableVectorOps().clip};
    return table;
}

} // namespace sorrel

#endif
