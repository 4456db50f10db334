#include "vst3/vst3_timer.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace sorrel::vst3 {

#if defined(_WIN32)

namespace {

// A thread timer names no object: the callback finds its handler by id.
// Few views are open at once; the table is small and touched only on the
// GUI thread (views are made, opened and closed there, and the timer's
// callback runs there).
constexpr int kSlots = 32;
struct Slot {
    UINT_PTR id;
    ITimerHandler *handler;
};
Slot slots[kSlots];

void CALLBACK tick(HWND, UINT, UINT_PTR id, DWORD) {
    ITimerHandler *handler = nullptr;
    for (const Slot &slot : slots)
        if (slot.id == id)
            handler = slot.handler;
    if (handler != nullptr)
        handler->onTimer();
}

} // namespace

bool OwnTimer::start(ITimerHandler *handler, uint32_t milliseconds) {
    stop();
    for (Slot &slot : slots)
        if (slot.id == 0) {
            const UINT_PTR made = SetTimer(nullptr, 0, milliseconds, tick);
            if (made == 0)
                return false;
            slot = {made, handler};
            id = made;
            return true;
        }
    return false;
}

void OwnTimer::stop() {
    if (id == 0)
        return;
    KillTimer(nullptr, id);
    for (Slot &slot : slots)
        if (slot.id == id)
            slot = {0, nullptr};
    id = 0;
}

#else

bool OwnTimer::start(ITimerHandler *, uint32_t) {
    return false;
}
void OwnTimer::stop() {
    id = 0;
}

#endif

} // namespace sorrel::vst3
