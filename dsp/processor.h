// Processor detection: which features exist, whether the processor can run
// the effect at all, which vector family serves VectorOps, and whether the
// audio thread may switch on flush-to-zero and denormals-are-zero.
//
// Reading the processor (readProcessorId) is kept apart from deciding what
// the words mean (processorFeaturesFrom, extendedFeaturesFrom,
// vectorOpsFor), so the decisions can be checked with any feature set.
#pragma once

#include "dsp/vector_ops.h"

#include <cstdint>

namespace sorrel {

// All false until detectProcessor() runs.
struct ProcessorFeatures {
    bool qualifies = false;        // good enough to run the effect
    bool hasFpu = false;           // CPUID leaf 1 EDX bit 0
    bool hasCmov = false;          // EDX bit 15, conditional moves
    bool hasFxsr = false;          // EDX bit 24, FXSAVE/FXRSTOR
    bool hasSse = false;           // EDX bit 25
    bool canFlushToZero = false;   // MXCSR bit 15 may be set
    bool canZeroDenormals = false; // MXCSR bit 6 may be set
};

// What faster engine kernels need, beyond the record above. Every AVX flag
// also requires that the operating system saves the register state (XCR0),
// so a true flag means the instructions can actually be executed.
struct ExtendedFeatures {
    bool hasSse2 = false;
    bool hasSse3 = false;
    bool hasSsse3 = false;
    bool hasSse41 = false;
    bool hasSse42 = false;
    bool hasAvx = false;
    bool hasAvx2 = false;
    bool hasFma = false;
    bool hasAvx512f = false;
    bool hasAvx512dq = false;
    bool hasAvx512bw = false;
    bool hasAvx512vl = false;
};

// The raw words the decisions are made from.
struct ProcessorId {
    bool x86 = false;      // an x86 processor; otherwise everything below is 0
    bool hasCpuid = false; // the EFLAGS ID bit (21) could be set
    uint32_t maxLeaf = 0;  // CPUID leaf 0 EAX
    uint32_t leaf1Eax = 0; // CPUID leaf 1
    uint32_t leaf1Ebx = 0;
    uint32_t leaf1Ecx = 0;
    uint32_t leaf1Edx = 0;
    uint32_t leaf7Ebx = 0; // CPUID leaf 7 sub-leaf 0, when maxLeaf >= 7
    uint32_t leaf7Ecx = 0;
    uint64_t xcr0 = 0;      // XGETBV(0), when CPUID reports OSXSAVE
    uint32_t mxcsrMask = 0; // MXCSR_MASK from an FXSAVE area, when FXSR exists
};

// Reads the processor this code runs on. On a processor that is not x86
// only `x86 = false` is set.
ProcessorId readProcessorId();

// A processor that is not x86 qualifies with no features: the portable
// family serves there.
ProcessorFeatures processorFeaturesFrom(const ProcessorId &id);
ExtendedFeatures extendedFeaturesFrom(const ProcessorId &id);

// The table for a feature set: the portable family, slots 0-5 from SSE if
// present, else from the x87 family if there is an FPU; slot 6 the integer
// clip when conditional moves exist.
VectorOpsTable vectorOpsFor(const ProcessorFeatures &features);

// Makes a feature set the module-wide state and fills VectorOps for it.
// Writes only what differs, so repeating it while other threads read the
// table (another instance processing audio) changes nothing they see.
void installProcessorFeatures(const ProcessorFeatures &features, const ExtendedFeatures &extended);

// Reads the processor, installs what it found and answers `qualifies`. Runs
// once per effect instance; every run gives the same result.
bool detectProcessor();

// The installed state (all false before detection).
const ProcessorFeatures &processorFeatures();
const ExtendedFeatures &extendedFeatures();

// Switch flush-to-zero and denormals-are-zero on for the calling thread,
// where the installed features allow it, and off again. leaveProcessing
// clears the bits whatever they were before; it does not restore.
void enterProcessing();
void leaveProcessing();

#if SORREL_ARCH_X86
// The SSE control and status register, for the pair above and for tests.
// Only call these when the processor has SSE.
uint32_t readMxcsr();
void writeMxcsr(uint32_t value);

constexpr uint32_t kMxcsrFlushToZero = 0x8000;
constexpr uint32_t kMxcsrDenormalsAreZero = 0x0040;
#endif

} // namespace sorrel
