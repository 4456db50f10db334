// The thread that designs the true response. A design takes a millisecond
// or two, a new sample rate some tens more: far too long for whoever moves a
// fader, which may be the host's audio thread. A request only stores the
// settings in atomics and counts itself (a few dozen nanoseconds, no
// allocation, no lock); the worker wakes every few milliseconds, designs
// for the newest settings - however many requests came meanwhile - and
// publishes the result to both channels' engines, whose blocks take it
// without waiting.
#pragma once

#include "dsp/band_equalizer.h"
#include "dsp/true_design.h"
#include "dsp/true_equalizer.h"

#include <atomic>
#include <thread>

namespace sorrel {

class TrueDesignWorker {
  public:
    // Starts the thread. Should the system refuse one, requests design at
    // once on the calling thread instead.
    TrueDesignWorker(TrueEqualizer &left, TrueEqualizer &right);
    ~TrueDesignWorker();
    TrueDesignWorker(const TrueDesignWorker &) = delete;
    TrueDesignWorker &operator=(const TrueDesignWorker &) = delete;

    // Any thread, never waits: design for this rate and these band gains
    // in dB.
    void request(float rate, const float gainsDb[kNumBands]);
    // The rate of the design the engines were last given (0 before any).
    float designedRate() const { return publishedRate.load(std::memory_order_acquire); }
    // Waits until every request made so far is published; for offline tools
    // and tests. False if that took longer than the timeout.
    bool settle(int timeoutMilliseconds = 20000);
    bool pending() const {
        return requests.load(std::memory_order_acquire) != handled.load(std::memory_order_acquire);
    }

  private:
    void run();
    // Designs for the stored settings if requests came since the last one.
    void designPending();

    TrueEqualizer &leftEngine;
    TrueEqualizer &rightEngine;
    TrueResponseDesigner designer; // the designing thread's
    std::atomic<float> rate{0.0f};
    std::atomic<float> gains[kNumBands];
    std::atomic<unsigned> requests{0};
    std::atomic<unsigned> handled{0};
    std::atomic<bool> stopping{false};
    std::atomic<bool> designing{false}; // without a thread: one designer at a time
    std::atomic<float> publishedRate{0.0f};
    std::thread thread;
};

} // namespace sorrel
