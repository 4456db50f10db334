// Processor detection from injected words, the table each feature set
// selects, detection on the machine the tests run on, and the flush-to-zero
// and denormals-are-zero switching.
#include "dsp/processor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace sorrel {

namespace {

// CPUID leaf 1 EDX / ECX and leaf 7 EBX bits
constexpr uint32_t kFpu = 1u << 0, kTsc = 1u << 4, kCmov = 1u << 15, kMmx = 1u << 23, kFxsr = 1u << 24,
                   kSse = 1u << 25, kSse2 = 1u << 26;
constexpr uint32_t kSse3 = 1u << 0, kFma = 1u << 12, kSse41 = 1u << 19, kOsxsave = 1u << 27, kAvx = 1u << 28;
constexpr uint32_t kAvx2 = 1u << 5, kAvx512f = 1u << 16, kAvx512dq = 1u << 17, kAvx512bw = 1u << 30,
                   kAvx512vl = 1u << 31;

ProcessorId x86(uint32_t edx, uint32_t mxcsrMask = 0) {
    ProcessorId id;
    id.x86 = true;
    id.hasCpuid = true;
    id.maxLeaf = 2;
    id.leaf1Eax = 0x0673; // family 6
    id.leaf1Edx = edx;
    id.mxcsrMask = mxcsrMask;
    return id;
}

ProcessorFeatures features(bool qualifies, bool fpu, bool cmov, bool fxsr, bool sse, bool ftz, bool daz) {
    ProcessorFeatures f;
    f.qualifies = qualifies;
    f.hasFpu = fpu;
    f.hasCmov = cmov;
    f.hasFxsr = fxsr;
    f.hasSse = sse;
    f.canFlushToZero = ftz;
    f.canZeroDenormals = daz;
    return f;
}

void expectSame(const ProcessorFeatures &a, const ProcessorFeatures &b, const char *name) {
    EXPECT_EQ(a.qualifies, b.qualifies) << name;
    EXPECT_EQ(a.hasFpu, b.hasFpu) << name;
    EXPECT_EQ(a.hasCmov, b.hasCmov) << name;
    EXPECT_EQ(a.hasFxsr, b.hasFxsr) << name;
    EXPECT_EQ(a.hasSse, b.hasSse) << name;
    EXPECT_EQ(a.canFlushToZero, b.canFlushToZero) << name;
    EXPECT_EQ(a.canZeroDenormals, b.canZeroDenormals) << name;
}

TEST(ProcessorDetection, FeaturesFromWords) {
    ProcessorId noCpuid = x86(kFpu | kSse | kFxsr | kCmov, 0xFFFF);
    noCpuid.hasCpuid = false; // the words are left over and must be ignored
    ProcessorId zeros = x86(0);
    zeros.leaf1Eax = 0;
    ProcessorId onlyFpuWord = zeros;
    onlyFpuWord.leaf1Edx = kFpu;
    ProcessorId notX86;
    notX86.leaf1Edx = kFpu | kSse;

    struct Case {
        const char *name;
        ProcessorId id;
        ProcessorFeatures expected;
    };
    const Case cases[] = {
        {"SSE, denormals-are-zero in the mask",
         x86(kFpu | kTsc | kCmov | kMmx | kFxsr | kSse | kSse2, 0xFFFF),
         features(true, true, true, true, true, true, true)},
        {"SSE, mask without denormals-are-zero", x86(kFpu | kTsc | kCmov | kMmx | kFxsr | kSse, 0xFFBF),
         features(true, true, true, true, true, true, false)},
        {"SSE with a zero mask", x86(kFpu | kCmov | kFxsr | kSse, 0),
         features(true, true, true, true, true, true, false)},
        {"SSE without FXSAVE", x86(kFpu | kCmov | kSse, 0xFFFF),
         features(true, true, true, false, true, false, false)},
        {"FXSAVE without SSE", x86(kFpu | kCmov | kMmx | kFxsr, 0xFFFF),
         features(true, true, true, true, false, false, true)},
        {"FPU only", x86(kFpu | kTsc), features(true, true, false, false, false, false, false)},
        {"conditional moves only", x86(kCmov), features(false, false, true, false, false, false, false)},
        {"nothing", x86(0), features(false, false, false, false, false, false, false)},
        {"no CPUID", noCpuid, features(false, false, false, false, false, false, false)},
        {"CPUID answering zeros", zeros, features(false, false, false, false, false, false, false)},
        {"only the FPU bit set", onlyFpuWord, features(true, true, false, false, false, false, false)},
        {"not x86", notX86, features(true, false, false, false, false, false, false)},
    };
    for (const Case &c : cases)
        expectSame(processorFeaturesFrom(c.id), c.expected, c.name);
}

TEST(ProcessorDetection, ExtendedFeaturesNeedOperatingSystemSupport) {
    auto id = [](uint32_t ecx, uint64_t xcr0, uint32_t maxLeaf, uint32_t leaf7Ebx) {
        ProcessorId r = x86(kFpu | kCmov | kFxsr | kSse | kSse2, 0xFFFF);
        r.leaf1Ecx = ecx;
        r.xcr0 = xcr0;
        r.maxLeaf = maxLeaf;
        r.leaf7Ebx = leaf7Ebx;
        return r;
    };
    const uint32_t avxEcx = kSse3 | kSse41 | kOsxsave | kAvx | kFma;
    const uint32_t all7 = kAvx2 | kAvx512f | kAvx512dq | kAvx512bw | kAvx512vl;
    ProcessorId noCpuid = id(avxEcx, 0xE7, 7, all7);
    noCpuid.hasCpuid = false;
    ProcessorId notX86 = id(avxEcx, 0xE7, 7, all7);
    notX86.x86 = false;

    struct Case {
        const char *name;
        ProcessorId id;
        bool sse2, sse41, avx, fma, avx2, avx512f, avx512dq, avx512bw, avx512vl;
    };
    const Case cases[] = {
        {"SSE2 only", id(0, 0, 1, 0), true, false, false, false, false, false, false, false, false},
        {"AVX, FMA, AVX2 with YMM state", id(avxEcx, 0x7, 7, kAvx2), true, true, true, true, true, false,
         false, false, false},
        {"AVX without YMM state", id(avxEcx, 0x3, 7, all7), true, true, false, false, false, false, false,
         false, false},
        {"AVX without OSXSAVE", id(avxEcx & ~kOsxsave, 0xE7, 7, all7), true, true, false, false, false, false,
         false, false, false},
        {"leaf 7 not offered", id(avxEcx, 0x7, 6, all7), true, true, true, true, false, false, false, false,
         false},
        {"AVX-512 with ZMM state", id(avxEcx, 0xE7, 7, all7), true, true, true, true, true, true, true, true,
         true},
        {"AVX-512 without ZMM state", id(avxEcx, 0x7, 7, all7), true, true, true, true, true, false, false,
         false, false},
        {"AVX-512F alone", id(avxEcx, 0xE7, 7, kAvx512f), true, true, true, true, false, true, false, false,
         false},
        {"no CPUID", noCpuid, false, false, false, false, false, false, false, false, false},
        {"not x86", notX86, false, false, false, false, false, false, false, false, false},
    };
    for (const Case &c : cases) {
        const ExtendedFeatures e = extendedFeaturesFrom(c.id);
        EXPECT_EQ(c.sse2, e.hasSse2) << c.name;
        EXPECT_EQ(c.sse41, e.hasSse41) << c.name;
        EXPECT_EQ(c.avx, e.hasAvx) << c.name;
        EXPECT_EQ(c.fma, e.hasFma) << c.name;
        EXPECT_EQ(c.avx2, e.hasAvx2) << c.name;
        EXPECT_EQ(c.avx512f, e.hasAvx512f) << c.name;
        EXPECT_EQ(c.avx512dq, e.hasAvx512dq) << c.name;
        EXPECT_EQ(c.avx512bw, e.hasAvx512bw) << c.name;
        EXPECT_EQ(c.avx512vl, e.hasAvx512vl) << c.name;
    }
}

TEST(ProcessorDetection, TableForFeatureSet) {
    const VectorOpsTable &portable = portableVectorOps();
    struct Case {
        const char *name;
        ProcessorFeatures features;
        const VectorOpsTable *family; // slots 0-5
        ClipOp clip;
    };
    const Case cases[] = {
#if SORREL_ARCH_X86
        {"SSE", features(true, true, true, true, true, true, true), &sseVectorOps(), integerClip},
        {"SSE without FPU or CMOV", features(false, false, false, false, true, false, false), &sseVectorOps(),
         portable.clip},
        {"FPU only", features(true, true, false, false, false, false, false), &x87VectorOps(), portable.clip},
        {"FPU and CMOV", features(true, true, true, true, false, false, false), &x87VectorOps(), integerClip},
#endif
        {"CMOV only", features(false, false, true, false, false, false, false), &portable, integerClip},
        {"nothing", features(false, false, false, false, false, false, false), &portable, portable.clip},
        {"not x86", processorFeaturesFrom(ProcessorId{}), &portable, portable.clip},
    };
    for (const Case &c : cases) {
        const VectorOpsTable t = vectorOpsFor(c.features);
        EXPECT_EQ(t.fill, c.family->fill) << c.name;
        EXPECT_EQ(t.add, c.family->add) << c.name;
        EXPECT_EQ(t.addScalar, c.family->addScalar) << c.name;
        EXPECT_EQ(t.multiply, c.family->multiply) << c.name;
        EXPECT_EQ(t.multiplyScalar, c.family->multiplyScalar) << c.name;
        EXPECT_EQ(t.copy, c.family->copy) << c.name;
        EXPECT_EQ(t.clip, c.clip) << c.name;
    }
}

// Restores the detected state and the control register after each test.
class InstalledFeatures : public ::testing::Test {
  protected:
    void SetUp() override {
#if SORREL_ARCH_X86
        savedCsr = readMxcsr();
#endif
    }
    void TearDown() override {
#if SORREL_ARCH_X86
        writeMxcsr(savedCsr);
#endif
        detectProcessor();
    }

#if SORREL_ARCH_X86
  private:
    uint32_t savedCsr = 0;
#endif
};

TEST_F(InstalledFeatures, DetectionOnThisMachine) {
    ASSERT_TRUE(detectProcessor());
    const ProcessorFeatures first = processorFeatures();
    const VectorOpsTable table = VectorOps;
    EXPECT_TRUE(VectorOps == vectorOpsFor(first));
    ASSERT_TRUE(detectProcessor());
    expectSame(first, processorFeatures(), "second run");
    EXPECT_TRUE(VectorOps == table);

#if SORREL_ARCH_X86 && defined(__GNUC__)
    // Every x86 machine these tests run on has SSE; the compiler's own
    // reading of the processor must agree with ours.
    EXPECT_TRUE(first.hasFpu && first.hasCmov && first.hasFxsr && first.hasSse && first.canFlushToZero);
    EXPECT_TRUE(VectorOps.copy == sseVectorOps().copy);
    EXPECT_TRUE(VectorOps.clip == integerClip);
    // A zero mask stands for the default 0xFFBF; any other mask has at least those bits.
    const uint32_t mask = readProcessorId().mxcsrMask;
    EXPECT_TRUE(mask == 0 || (mask & 0xFFBF) == 0xFFBF) << std::hex << mask;
    const ExtendedFeatures &e = extendedFeatures();
    __builtin_cpu_init();
    EXPECT_EQ(e.hasSse2, __builtin_cpu_supports("sse2") != 0);
    EXPECT_EQ(e.hasSse41, __builtin_cpu_supports("sse4.1") != 0);
    EXPECT_EQ(e.hasAvx, __builtin_cpu_supports("avx") != 0);
    EXPECT_EQ(e.hasAvx2, __builtin_cpu_supports("avx2") != 0);
    EXPECT_EQ(e.hasFma, __builtin_cpu_supports("fma") != 0);
    EXPECT_EQ(e.hasAvx512f, __builtin_cpu_supports("avx512f") != 0);
    EXPECT_EQ(e.hasAvx512vl, __builtin_cpu_supports("avx512vl") != 0);
#else
    expectSame(first, features(true, false, false, false, false, false, false), "not x86");
    EXPECT_TRUE(VectorOps == portableVectorOps());
#endif
}

TEST_F(InstalledFeatures, InstallingFillsTheTable) {
    const ProcessorFeatures fpuOnly = features(true, true, false, false, false, false, false);
    installProcessorFeatures(fpuOnly, ExtendedFeatures{});
    expectSame(processorFeatures(), fpuOnly, "installed");
    EXPECT_TRUE(VectorOps == vectorOpsFor(fpuOnly));
    EXPECT_FALSE(extendedFeatures().hasSse2);
    std::vector<float> a(21, 1.0f), b(21, 2.0f);
    VectorOps.add(a.data(), b.data(), 21);
    VectorOps.copy(b.data(), a.data(), 21);
    for (float x : b)
        EXPECT_EQ(3.0f, x);
}

#if SORREL_ARCH_X86

// Which control bits enterProcessing and leaveProcessing leave behind, for
// each feature set and starting state. Other bits never change.
TEST_F(InstalledFeatures, ControlRegisterFollowsFeatures) {
    if ((readProcessorId().mxcsrMask & kMxcsrDenormalsAreZero) == 0)
        GTEST_SKIP() << "this processor cannot set denormals-are-zero";
    const uint32_t both = kMxcsrFlushToZero | kMxcsrDenormalsAreZero;
    struct Case {
        const char *name;
        ProcessorFeatures features;
        uint32_t start, afterEnter, afterLeave; // flush-to-zero and denormals-are-zero bits only
    };
    const Case cases[] = {
        {"both allowed", features(true, true, true, true, true, true, true), 0, both, 0},
        {"both allowed, both on before", features(true, true, true, true, true, true, true), both, both, 0},
        {"flush-to-zero only", features(true, true, true, true, true, true, false), 0, kMxcsrFlushToZero, 0},
        {"flush-to-zero only, denormals-are-zero on before",
         features(true, true, true, true, true, true, false), kMxcsrDenormalsAreZero, both,
         kMxcsrDenormalsAreZero},
        {"FXSAVE without SSE", features(true, true, true, true, false, false, true), 0, 0, 0},
        {"FXSAVE without SSE, both on before", features(true, true, true, true, false, false, true), both,
         both, both},
        {"nothing", features(false, false, false, false, false, false, false), kMxcsrFlushToZero,
         kMxcsrFlushToZero, kMxcsrFlushToZero},
    };
    // Round toward zero and a few exception masks, to see that they survive.
    const uint32_t others = 0x6000 | 0x1E80;
    for (const Case &c : cases) {
        installProcessorFeatures(c.features, ExtendedFeatures{});
        writeMxcsr(others | c.start);
        enterProcessing();
        const uint32_t entered = readMxcsr();
        leaveProcessing();
        const uint32_t left = readMxcsr();
        writeMxcsr(0x1F80);
        EXPECT_EQ(others | c.afterEnter, entered) << c.name;
        EXPECT_EQ(others | c.afterLeave, left) << c.name;
    }
}

// While processing, the SSE family reads denormals as zero and writes zero
// for a denormal result; afterwards it computes them again.
TEST_F(InstalledFeatures, DenormalsVanishOnlyWhileProcessing) {
    detectProcessor();
    if (!processorFeatures().canFlushToZero || !processorFeatures().canZeroDenormals)
        GTEST_SKIP() << "this processor cannot switch both modes";
    const float denormal = std::numeric_limits<float>::denorm_min() * 1000.0f;
    const float small = 1.0e-30f;
    auto run = [&](float out[2]) {
        out[0] = denormal;
        out[1] = small;
        float by[2] = {1.0f, 1.0e-10f};
        sseVectorOps().multiply(out, by, 2);
    };
    float during[2], after[2];
    enterProcessing();
    run(during);
    leaveProcessing();
    run(after);
    EXPECT_EQ(0.0f, during[0]);
    EXPECT_EQ(0.0f, during[1]);
    EXPECT_EQ(denormal, after[0]);
    EXPECT_NE(0.0f, after[1]);
}

#endif

} // namespace

} // namespace sorrel
