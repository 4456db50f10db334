// How every fuzz target speaks: a broken promise aborts with its reason, and
// the state restores each target offered are counted and printed when the
// run ends, so that a run shows it reached both the taken and the refused way.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace sorrel::fuzz {

// Reports a broken promise and aborts, so that libFuzzer keeps the input.
[[noreturn]] inline void fail(const char *what, long long detail = 0) {
    std::fprintf(stderr, "FAILED: %s (%lld)\n", what, detail);
    std::abort();
}

struct StateCounts {
    const char *format;
    unsigned long long taken = 0, refused = 0;
    explicit StateCounts(const char *format) : format(format) {}
    ~StateCounts() { std::fprintf(stderr, "%s states: %llu taken, %llu refused\n", format, taken, refused); }
};

} // namespace sorrel::fuzz
