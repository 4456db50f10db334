#include "tools/hostlib/cpu_clock.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

namespace sorrelhost {

int64_t threadCpuNanoseconds() {
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return 0;
    auto ticks = [](const FILETIME &t) {
        return (static_cast<int64_t>(t.dwHighDateTime) << 32) | static_cast<int64_t>(t.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) * 100; // 100-ns units
#else
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
#endif
}

} // namespace sorrelhost
