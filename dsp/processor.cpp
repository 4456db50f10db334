// Deciding what the processor's words mean, and the module-wide state that
// the decisions fill. Reading the words is in processor_x86.cpp; the SSE
// control register in processor_sse.cpp.
#include "dsp/processor.h"

namespace sorrel {

namespace {

constexpr bool bit(uint32_t word, int index) {
    return ((word >> index) & 1u) != 0;
}

// CPUID leaf 1 EDX
constexpr int kEdxFpu = 0;
constexpr int kEdxCmov = 15;
constexpr int kEdxFxsr = 24;
constexpr int kEdxSse = 25;
constexpr int kEdxSse2 = 26;
// CPUID leaf 1 ECX
constexpr int kEcxSse3 = 0;
constexpr int kEcxSsse3 = 9;
constexpr int kEcxFma = 12;
constexpr int kEcxSse41 = 19;
constexpr int kEcxSse42 = 20;
constexpr int kEcxOsxsave = 27;
constexpr int kEcxAvx = 28;
// CPUID leaf 7 EBX
constexpr int kEbx7Avx2 = 5;
constexpr int kEbx7Avx512f = 16;
constexpr int kEbx7Avx512dq = 17;
constexpr int kEbx7Avx512bw = 30;
constexpr int kEbx7Avx512vl = 31;
// XCR0: the register state the operating system saves on a task switch.
constexpr uint64_t kXcr0Avx = 0x06;    // XMM and upper YMM halves
constexpr uint64_t kXcr0Avx512 = 0xE6; // the above plus opmask, upper ZMM halves, ZMM16-31
// MXCSR_MASK bit 6: the denormals-are-zero bit may be written.
constexpr int kMaskDenormalsAreZero = 6;

ProcessorFeatures gFeatures;
ExtendedFeatures gExtended;

template <class T> void storeIfChanged(T &target, const T &value) {
    if (target != value)
        target = value;
}

} // namespace

ProcessorFeatures processorFeaturesFrom(const ProcessorId &id) {
    ProcessorFeatures f;
    if (!id.x86) {
        // Nothing to ask and nothing to require: the portable family serves.
        f.qualifies = true;
        return f;
    }
    const uint32_t eax = id.hasCpuid ? id.leaf1Eax : 0;
    const uint32_t ebx = id.hasCpuid ? id.leaf1Ebx : 0;
    const uint32_t edx = id.hasCpuid ? id.leaf1Edx : 0;
    f.qualifies = (eax != 0 || ebx != 0 || edx != 0) && bit(edx, kEdxFpu);
    f.hasFpu = bit(edx, kEdxFpu);
    f.hasCmov = bit(edx, kEdxCmov);
    f.hasFxsr = bit(edx, kEdxFxsr);
    f.hasSse = bit(edx, kEdxSse);
    f.canFlushToZero = f.hasFxsr && f.hasSse;
    f.canZeroDenormals = f.hasFxsr && bit(id.mxcsrMask, kMaskDenormalsAreZero);
    return f;
}

ExtendedFeatures extendedFeaturesFrom(const ProcessorId &id) {
    ExtendedFeatures e;
    if (!id.x86 || !id.hasCpuid)
        return e;
    const uint32_t ecx = id.leaf1Ecx;
    const uint32_t edx = id.leaf1Edx;
    e.hasSse2 = bit(edx, kEdxSse2);
    e.hasSse3 = bit(ecx, kEcxSse3);
    e.hasSsse3 = bit(ecx, kEcxSsse3);
    e.hasSse41 = bit(ecx, kEcxSse41);
    e.hasSse42 = bit(ecx, kEcxSse42);

    // XCR0 is only meaningful (and XGETBV only executable) with OSXSAVE.
    const bool osxsave = bit(ecx, kEcxOsxsave);
    const bool avxState = osxsave && (id.xcr0 & kXcr0Avx) == kXcr0Avx;
    const bool avx512State = osxsave && (id.xcr0 & kXcr0Avx512) == kXcr0Avx512;
    e.hasAvx = avxState && bit(ecx, kEcxAvx);
    e.hasFma = e.hasAvx && bit(ecx, kEcxFma);
    const uint32_t ebx7 = id.maxLeaf >= 7 ? id.leaf7Ebx : 0;
    e.hasAvx2 = e.hasAvx && bit(ebx7, kEbx7Avx2);
    e.hasAvx512f = e.hasAvx && avx512State && bit(ebx7, kEbx7Avx512f);
    e.hasAvx512dq = e.hasAvx512f && bit(ebx7, kEbx7Avx512dq);
    e.hasAvx512bw = e.hasAvx512f && bit(ebx7, kEbx7Avx512bw);
    e.hasAvx512vl = e.hasAvx512f && bit(ebx7, kEbx7Avx512vl);
    return e;
}

VectorOpsTable vectorOpsFor(const ProcessorFeatures &features) {
    VectorOpsTable table = portableVectorOps();
#if SORREL_ARCH_X86
    const VectorOpsTable *family = nullptr;
    if (features.hasSse)
        family = &sseVectorOps();
    else if (features.hasFpu)
        family = &x87VectorOps();
    if (family) {
        table.fill = family->fill;
        table.add = family->add;
        table.addScalar = family->addScalar;
        table.multiply = family->multiply;
        table.multiplyScalar = family->multiplyScalar;
        table.copy = family->copy;
    }
#endif
    if (features.hasCmov)
        table.clip = integerClip;
    return table;
}

inline bool operator==(const ProcessorFeatures &a, const ProcessorFeatures &b) {
    return a.qualifies == b.qualifies && a.hasFpu == b.hasFpu && a.hasCmov == b.hasCmov &&
           a.hasFxsr == b.hasFxsr && a.hasSse == b.hasSse && a.canFlushToZero == b.canFlushToZero &&
           a.canZeroDenormals == b.canZeroDenormals;
}
inline bool operator!=(const ProcessorFeatures &a, const ProcessorFeatures &b) {
    return !(a == b);
}

inline bool operator==(const ExtendedFeatures &a, const ExtendedFeatures &b) {
    return a.hasSse2 == b.hasSse2 && a.hasSse3 == b.hasSse3 && a.hasSsse3 == b.hasSsse3 &&
           a.hasSse41 == b.hasSse41 && a.hasSse42 == b.hasSse42 && a.hasAvx == b.hasAvx &&
           a.hasAvx2 == b.hasAvx2 && a.hasFma == b.hasFma && a.hasAvx512f == b.hasAvx512f &&
           a.hasAvx512dq == b.hasAvx512dq && a.hasAvx512bw == b.hasAvx512bw && a.hasAvx512vl == b.hasAvx512vl;
}
inline bool operator!=(const ExtendedFeatures &a, const ExtendedFeatures &b) {
    return !(a == b);
}

void installProcessorFeatures(const ProcessorFeatures &features, const ExtendedFeatures &extended) {
    storeIfChanged(gFeatures, features);
    storeIfChanged(gExtended, extended);
    storeIfChanged(VectorOps, vectorOpsFor(features));
}

bool detectProcessor() {
    const ProcessorId id = readProcessorId();
    const ProcessorFeatures features = processorFeaturesFrom(id);
    installProcessorFeatures(features, extendedFeaturesFrom(id));
    return features.qualifies;
}

const ProcessorFeatures &processorFeatures() {
    return gFeatures;
}
const ExtendedFeatures &extendedFeatures() {
    return gExtended;
}

void enterProcessing() {
#if SORREL_ARCH_X86
    if (!gFeatures.canFlushToZero)
        return;
    uint32_t csr = readMxcsr() | kMxcsrFlushToZero;
    if (gFeatures.canZeroDenormals)
        csr |= kMxcsrDenormalsAreZero;
    writeMxcsr(csr);
#endif
}

void leaveProcessing() {
#if SORREL_ARCH_X86
    if (!gFeatures.canFlushToZero)
        return;
    uint32_t csr = readMxcsr() & ~kMxcsrFlushToZero;
    if (gFeatures.canZeroDenormals)
        csr &= ~kMxcsrDenormalsAreZero;
    writeMxcsr(csr);
#endif
}

#if !SORREL_ARCH_X86
// Nothing to read: the decisions above treat this as a processor that
// qualifies with the portable family.
ProcessorId readProcessorId() {
    return ProcessorId{};
}
#endif

} // namespace sorrel
