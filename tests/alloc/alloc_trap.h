// Counts heap allocations, frees and lock operations made on the calling
// thread between watch() and unwatch(); everything else passes untouched.
// The executable replaces malloc and friends and the blocking pthread lock
// calls, and exports them, so a plug-in loaded at run time is watched too.
#pragma once

namespace sorrel::alloctrap {

struct Counts {
    unsigned long allocations = 0;
    unsigned long frees = 0;
    unsigned long locks = 0;
    bool any() const { return allocations != 0 || frees != 0 || locks != 0; }
};

void watch();
Counts unwatch();

} // namespace sorrel::alloctrap
