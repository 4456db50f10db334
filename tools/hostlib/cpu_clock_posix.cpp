#include "tools/hostlib/cpu_clock.h"

#include <time.h>

namespace sorrel::tool {

int64_t threadCpuNanoseconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

} // namespace sorrel::tool
