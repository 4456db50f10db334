// The pace of an owner's idle passes, above all of the idle work that a
// control's mouse loop runs each time it polls the buttons. A loop polls as
// fast as the processor lets it; the pass it runs (the window's events, the
// frame's redraw, the host's idle) is due at most once an interval, and a
// call that comes earlier sleeps a few milliseconds, so that the loop leaves
// the processor to the host and the window system. Every frame owner paces
// its idle work with one of these.
#pragma once

#include <cstdint>

namespace sorrel {

class IdlePacer {
  public:
    // About 33 passes a second: a dragged fader follows the pointer
    // smoothly, and the host's idle runs about as often as hosts call ours.
    static constexpr uint32_t kInterval = 30;
    // What an early call of a mouse loop sleeps, in milliseconds.
    static constexpr uint32_t kEarlySleep = 4;

    // True when a pass is due at now (milliseconds of the owner's clock),
    // and the next one is then due an interval later. The first call is
    // always due; the clock may wrap.
    bool due(uint32_t now);
    // The same for a mouse loop: an early call sleeps kEarlySleep
    // milliseconds before it answers false.
    bool dueOrNap(uint32_t now);

  private:
    uint32_t next = 0;
    bool started = false;
};

} // namespace sorrel
