#include "tools/hostlib/cpu_clock.h"

#include <windows.h>

namespace sorrel::tool {

int64_t threadCpuNanoseconds() {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return 0;
    auto ticks = [](const FILETIME &t) {
        return (static_cast<int64_t>(t.dwHighDateTime) << 32) | static_cast<int64_t>(t.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) * 100; // 100-ns units
}

} // namespace sorrel::tool
