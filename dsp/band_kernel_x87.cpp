// x87 control word for the reference pass on builds whose double arithmetic
// runs on the x87 unit.
#include "dsp/band_kernel.h"

#ifdef SORREL_X87_MATH

namespace sorrel::band_kernel {

unsigned short x87EnterDoublePrecision() {
    unsigned short control = 0;
    __asm__ __volatile__("fnstcw %0" : "=m"(control));
    // Precision control (bits 8-9): 10b selects 53-bit significands.
    const unsigned short wanted = static_cast<unsigned short>((control & ~0x0300u) | 0x0200u);
    __asm__ __volatile__("fldcw %0" : : "m"(wanted));
    return control;
}

void x87RestoreControl(unsigned short control) {
    __asm__ __volatile__("fldcw %0" : : "m"(control));
}

} // namespace sorrel::band_kernel

#endif
