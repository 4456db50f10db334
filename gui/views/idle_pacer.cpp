#include "gui/views/idle_pacer.h"

#include "gui/platform/platform.h"

namespace sorrel {

bool IdlePacer::due(uint32_t now) {
    // How far the due time lies ahead. It is never set more than one
    // interval ahead, so anything larger is a time in the past: a clock that
    // wrapped, or a loop that last ran long ago, finds the pass due rather
    // than waiting for the difference to come round.
    const uint32_t ahead = next - now;
    if (started && ahead != 0 && ahead <= kInterval)
        return false;
    started = true;
    next = now + kInterval;
    return true;
}

bool IdlePacer::dueOrNap(uint32_t now) {
    if (due(now))
        return true;
    platform::sleep(kEarlySleep);
    return false;
}

} // namespace sorrel
