// CPU time used by the calling thread, in nanoseconds: unaffected by other
// processes on a busy machine, unlike wall-clock time.
#pragma once

#include <cstdint>

namespace sorrel::tool {

int64_t threadCpuNanoseconds();

} // namespace sorrel::tool
