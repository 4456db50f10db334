// One channel of the true-response mode: the parallel filter of
// true_kernel.h with the poles and numerators a TrueResponseDesigner made,
// scaled by the input and output gain.
//
// Threads. processBlock runs on the audio thread and never waits, locks or
// allocates. publish (one thread at a time, typically the effect's design
// worker) hands over a finished design through a spare slot and an atomic
// exchange, as the band engine does; the gains are atomics and may be set
// from any thread. A block takes the newest design at its start.
//
// Changes never step. New numerators or gains are reached by a linear ramp
// of the numerators over 10 ms, which is an exact crossfade between the two
// responses (the section states do not depend on the numerators). Only new
// poles - a new sample rate - start the sections afresh.
#pragma once

#include "dsp/band_equalizer.h"
#include "dsp/true_kernel.h"

#include <atomic>

namespace sorrel {

class TrueEqualizer {
  public:
    TrueEqualizer();
    TrueEqualizer(const TrueEqualizer &) = delete;
    TrueEqualizer &operator=(const TrueEqualizer &) = delete;

    // A design for a sample rate; copied, so the caller's may change at once.
    void publish(const true_kernel::Poles &poles, const true_kernel::Numerators &numerators, double rate);
    // True once a design was published.
    bool hasDesign() const { return published.load(std::memory_order_acquire); }

    // Linear input and output gain factors; non-finite or negative values
    // are ignored.
    void setGains(float in, float out);

    // Filters count samples in place; before the first design it leaves
    // them unchanged. count <= 0 or a null pointer does nothing.
    void processBlock(float *samples, int count);

    // Clears the section states and finishes any ramp. Not while a block runs.
    void reset();

    // As the band engine: the fastest available kernel at construction.
    bool setKernel(BandKernel kernel);
    BandKernel getKernel() const { return kernel; }

    // For tests (not while a block runs).
    const true_kernel::State &getState() const { return state; }
    const true_kernel::Numerators &getNumerators() const { return current; }

  private:
    struct Design {
        true_kernel::Poles poles;
        true_kernel::Numerators numerators;
        double rate;
    };
    void scaled(const true_kernel::Numerators &from, double factor, true_kernel::Numerators &to) const;

    Design designs[3];
    std::atomic<unsigned> middle{2};
    unsigned back = 1;  // the publishing thread's
    unsigned front = 0; // the audio thread's
    std::atomic<bool> published{false};
    std::atomic<float> inGain{1.0f};
    std::atomic<float> outGain{1.0f};

    // Audio thread only.
    true_kernel::Poles poles;
    true_kernel::Numerators current, target, step;
    true_kernel::State state;
    double rate = 0.0; // of the poles in use; 0 before the first design
    double appliedFactor = 1.0;
    int rampLeft = 0;

    BandKernel kernel = BandKernel::Scalar;
    true_kernel::KernelFn kernelFn = true_kernel::scalarBlock;
};

} // namespace sorrel
