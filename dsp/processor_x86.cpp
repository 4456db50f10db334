// Reading an x86 processor: the EFLAGS identification bit, CPUID, XGETBV and
// the MXCSR_MASK field of an FXSAVE area. Empty on other processors.
#include "dsp/processor.h"

#if SORREL_ARCH_X86

#include <cpuid.h>
#include <cstddef>
#include <cstring>

namespace sorrel {

namespace {

constexpr uint32_t kEflagsId = 1u << 21;

// A processor that lets the ID bit be set answers CPUID.
bool cpuidAvailable() {
#if defined(__x86_64__)
    const unsigned long long saved = __builtin_ia32_readeflags_u64();
    __builtin_ia32_writeeflags_u64(saved | kEflagsId);
    const bool stays = (__builtin_ia32_readeflags_u64() & kEflagsId) != 0;
    __builtin_ia32_writeeflags_u64(saved);
#else
    const unsigned int saved = __builtin_ia32_readeflags_u32();
    __builtin_ia32_writeeflags_u32(saved | kEflagsId);
    const bool stays = (__builtin_ia32_readeflags_u32() & kEflagsId) != 0;
    __builtin_ia32_writeeflags_u32(saved);
#endif
    return stays;
}

uint64_t readXcr0() {
    uint32_t low = 0;
    uint32_t high = 0;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return (static_cast<uint64_t>(high) << 32) | low;
}

// FXSAVE needs a 512-byte area on a 16-byte boundary. The stack is not
// aligned that far on every 32-bit target, so the area is aligned by hand.
uint32_t readMxcsrMask() {
    unsigned char raw[512 + 15];
    unsigned char *area = raw + ((16 - (reinterpret_cast<uintptr_t>(raw) & 15)) & 15);
    std::memset(area, 0, 512);
    __asm__ volatile("fxsave %0" : "=m"(*reinterpret_cast<unsigned char(*)[512]>(area)));
    uint32_t mask;
    std::memcpy(&mask, area + 28, sizeof mask);
    return mask;
}

constexpr uint32_t kEdxFxsr = 1u << 24;
constexpr uint32_t kEcxOsxsave = 1u << 27;

} // namespace

ProcessorId readProcessorId() {
    ProcessorId id;
    id.x86 = true;
    id.hasCpuid = cpuidAvailable();
    if (!id.hasCpuid)
        return id;
    unsigned int a = 0, b = 0, c = 0, d = 0;
    __cpuid(0, a, b, c, d);
    id.maxLeaf = a;
    // Leaf 1 is read even when leaf 0 claims less: the earliest processors
    // with CPUID answer it all the same.
    __cpuid(1, a, b, c, d);
    id.leaf1Eax = a;
    id.leaf1Ebx = b;
    id.leaf1Ecx = c;
    id.leaf1Edx = d;
    if (id.maxLeaf >= 7) {
        __cpuid_count(7, 0, a, b, c, d);
        id.leaf7Ebx = b;
        id.leaf7Ecx = c;
    }
    if ((id.leaf1Ecx & kEcxOsxsave) != 0)
        id.xcr0 = readXcr0();
    if ((id.leaf1Edx & kEdxFxsr) != 0)
        id.mxcsrMask = readMxcsrMask();
    return id;
}

} // namespace sorrel

#endif
