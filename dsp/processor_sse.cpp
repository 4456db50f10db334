// The SSE control and status register.
#include "dsp/processor.h"

#include <xmmintrin.h>

namespace sorrel {

uint32_t readMxcsr() {
    return _mm_getcsr();
}

void writeMxcsr(uint32_t value) {
    _mm_setcsr(value);
}

} // namespace sorrel
