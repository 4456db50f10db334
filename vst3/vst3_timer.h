// A timer of the plug-in's own for hosts that offer none (Windows: the
// format's run loop is Linux only). It calls its handler's onTimer on the
// thread that started it, from that thread's message loop. Elsewhere it
// never starts.
#pragma once

#include "vst3/vst3_interfaces.h"

#include <cstdint>

namespace sorrel::vst3 {

class OwnTimer {
  public:
    OwnTimer() = default;
    ~OwnTimer() { stop(); }
    OwnTimer(const OwnTimer &) = delete;
    OwnTimer &operator=(const OwnTimer &) = delete;

    // False where the platform has no such timer or it fails.
    bool start(ITimerHandler *handler, uint32_t milliseconds);
    void stop();

  private:
    uintptr_t id = 0;
};

} // namespace sorrel::vst3
