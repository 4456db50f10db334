// Common base of the signal-processing units: the equaliser engines and the
// effect's parameter push. It carries the sample rate and the ready flag.
//
// Both fields are atomics: the rate may be set from the host's
// user-interface thread while the audio thread reads it, and the ready flag
// is read by the audio thread and by the effect while a design runs
// elsewhere.
#pragma once

#include <atomic>

namespace sorrel {

class DspUnit {
  public:
    DspUnit() = default;
    virtual ~DspUnit() = default;
    DspUnit(const DspUnit &) = delete;
    DspUnit &operator=(const DspUnit &) = delete;

    // Stores the rate. Derived units redesign whatever depends on it.
    virtual void setSampleRate(float rate) { sampleRate.store(rate, std::memory_order_relaxed); }
    virtual float getSampleRate() const { return sampleRate.load(std::memory_order_relaxed); }
    // Clears whatever the unit carries from block to block.
    virtual void reset() {}
    // Recomputes what depends on parameter `index`, or on all parameters for -1.
    virtual void update(int index) { (void)index; }

    // True while a complete design for the current sample rate is in place.
    bool isReady() const { return ready.load(std::memory_order_acquire); }

  protected:
    std::atomic<float> sampleRate{0.0f};
    std::atomic<bool> ready{false};
};

} // namespace sorrel
