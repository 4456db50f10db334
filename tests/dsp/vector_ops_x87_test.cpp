// The x87 family sets the unit up itself: whatever control word it finds,
// it computes with round-to-nearest and 64-bit precision, and it leaves the
// unit initialised with an empty register stack.
#include "dsp/vector_ops.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace sorrel {

#if SORREL_ARCH_X86 && defined(__GNUC__)

namespace {

struct X87State {
    uint16_t control;
    uint16_t tags;
};

X87State readState() {
    uint32_t env[7]; // the 28-byte environment: control, status, tag words first
    __asm__ volatile("fnstenv %0\n\tfldenv %0" : "+m"(env));
    return {static_cast<uint16_t>(env[0]), static_cast<uint16_t>(env[2])};
}

void setControl(uint16_t word) {
    __asm__ volatile("fldcw %0" : : "m"(word));
}

constexpr uint16_t kInitialised = 0x037F; // all masked, nearest, 64-bit precision
constexpr uint16_t kEmpty = 0xFFFF;
// Truncating with 24-bit precision, and the Windows default of 53 bits.
const uint16_t kForeignControls[] = {0x0C7F, 0x027F};

TEST(VectorX87, SetsUpTheUnitItselfAndLeavesItClean) {
    const VectorOpsTable &x87 = x87VectorOps();
    const int32_t count = 37;
    std::vector<float> a(count), b(count);
    for (int32_t i = 0; i < count; ++i) {
        a[i] = 1.0f / static_cast<float>(i + 3);
        b[i] = 7.0f / static_cast<float>(i + 11);
    }
    // References computed before the control word is touched.
    std::vector<float> sum(count), product(count), plusValue(count), timesValue(count);
    for (int32_t i = 0; i < count; ++i) {
        sum[i] = a[i] + b[i];
        product[i] = a[i] * b[i];
        plusValue[i] = a[i] + 0.1f;
        timesValue[i] = a[i] * 0.1f;
    }
    struct Case {
        const char *name;
        void (*run)(const VectorOpsTable &, float *, const float *);
        const std::vector<float> &expected;
    };
    const std::vector<float> filled(count, 0.1f);
    const Case cases[] = {
        {"fill", [](const VectorOpsTable &o, float *d, const float *) { o.fill(d, 37, 0.1f); }, filled},
        {"add", [](const VectorOpsTable &o, float *d, const float *s) { o.add(d, s, 37); }, sum},
        {"addScalar", [](const VectorOpsTable &o, float *d, const float *) { o.addScalar(d, 0.1f, 37); },
         plusValue},
        {"multiply", [](const VectorOpsTable &o, float *d, const float *s) { o.multiply(d, s, 37); },
         product},
        {"multiplyScalar",
         [](const VectorOpsTable &o, float *d, const float *) { o.multiplyScalar(d, 0.1f, 37); }, timesValue},
        {"copy", [](const VectorOpsTable &o, float *d, const float *s) { o.copy(d, s, 37); }, b},
        {"guarded call", [](const VectorOpsTable &o, float *d, const float *s) { o.add(d, s, 0); }, a},
    };
    for (const Case &c : cases) {
        for (uint16_t control : kForeignControls) {
            std::vector<float> dst = a;
            setControl(control);
            c.run(x87, dst.data(), b.data());
            const X87State state = readState();
            setControl(kInitialised);
            EXPECT_EQ(kInitialised, state.control) << c.name;
            EXPECT_EQ(kEmpty, state.tags) << c.name;
            EXPECT_EQ(0, std::memcmp(dst.data(), c.expected.data(), sizeof(float) * count))
                << c.name << " with control word " << std::hex << control;
        }
    }
}

} // namespace

#endif

} // namespace sorrel
