// One channel of the graphic equaliser: 31 parallel second-order band-pass
// filters on the gained input, each weighted by its band gain, summed in band
// order and scaled by the output scale and the output gain. While it filters
// it measures each band's mean absolute output before and after the gain.
//
// Threads. processBlock runs on the audio thread and never waits, locks or
// allocates. Every setter may run on any other thread at the same time:
//  - settings and levels are atomics (relaxed); a block reads the gains once
//    at its start, so a gain change applies from the next block on;
//  - setQ, setSampleRate and update design into a spare coefficient set and
//    publish it atomically; a block uses the set that is current when it
//    starts, so it is never half old and half new and never passes through
//    because a redesign is running. Designs racing from several threads are
//    coalesced: the last settings always end up designed.
// reset() and the history/coefficient inspectors are for set-up and tests:
// call them while no block runs.
//
// The block pass is the fastest kernel the processor and the system support
// (bestBandKernel, picked at construction); every kernel gives the same bits
// as the plain reference pass.
//
// Use from the effect: construct, setSampleRate(host rate), push the
// settings, then processBlock(work buffer, frames) per block. No scratch
// needs sizing: the fast kernels work through blocks of any length in pieces
// of a fixed internal scratch.
#pragma once

#include "dsp/band_kernel.h"
#include "dsp/dsp_unit.h"

#include <atomic>
#include <cstddef>

namespace sorrel {

// The kernels are laid out for this many bands; the engine has as many.
constexpr int kNumBands = band_kernel::kBands;
constexpr float kDenormalGuard = 1e-18f;     // bit pattern 0x219392EF
constexpr float kOutputScale = 0.116129026f; // bit pattern 0x3DEDD50E
constexpr float kPi = 3.1415927f;

// Center frequencies in Hz, band 0 lowest.
extern const float kBandFrequencies[kNumBands];

// Gain law: a normalised value v in 0..1 means (v - 0.5) x 24 dB ...
float normalizedToDb(float value);
// ... and the linear factor 10^(dB / 12).
float dbToGain(float db);

// The block-pass implementations the engine can run.
enum class BandKernel { Scalar, Sse2, Avx2, Avx512 };
constexpr int kNumBandKernels = 4;
const char *bandKernelName(BandKernel kernel);
// Compiled into this build and supported by the processor and the OS.
bool bandKernelAvailable(BandKernel kernel);
// The fastest available kernel; the engine starts with it.
BandKernel bestBandKernel();
// An engine's switch to the wanted kernel, given that kernel's block
// function (null where the machine cannot run it, which leaves the engine's
// kernel as it was and answers false).
template <typename KernelFn> bool switchKernel(BandKernel wanted, KernelFn fn, BandKernel &kernel, KernelFn &kernelFn) {
    if (fn == nullptr)
        return false;
    kernel = wanted;
    kernelFn = fn;
    return true;
}

struct BandCoefficients {
    float frequency, q, alpha, beta, gamma;
};

class BandEqualizer : public DspUnit {
  public:
    BandEqualizer();

    // Stores the rate and redesigns. A rate that is not a positive finite
    // number counts as no rate: blocks then pass through unchanged.
    void setSampleRate(float rate) override;
    // Clears the filter histories, the level sums and the levels.
    void reset() override;
    // Redesigns the coefficients of all bands (the index is not looked at).
    void update(int index) override;

    // Normalised settings 0..1. NaN is ignored and other values are clamped
    // to 0..1; setting the value already stored does nothing.
    void setBandGain(int band, float value);
    float getBandGain(int band) const;   // 0 for a band outside 0..30
    float getBandGainDb(int band) const; // 0 for a band outside 0..30
    void setInGain(float value);
    float getInGain() const;
    float getInGainDb() const;
    void setOutGain(float value);
    float getOutGain() const;
    float getOutGainDb() const;
    void setQ(float value);
    float getQ() const;

    // Filters count samples in place. count <= 0 or a null pointer does nothing.
    void processBlock(float *samples, int count);

    // Mean absolute band output before and after the band gain: of the last
    // processed block of at least kMeterSpan samples, or, where the host
    // sends shorter blocks, of the last run of consecutive blocks that
    // together reached kMeterSpan (the gain of the last of them applied).
    // Meters read them a few dozen times a second; forming 62 levels after
    // every block of one or two samples would cost more than filtering it.
    // 0 for a band outside 0..30.
    static constexpr int kMeterSpan = 32;
    float getPreGainLevel(int band) const;
    float getPostGainLevel(int band) const;

    // Metering is on at construction. While it is off the blocks leave the
    // levels as they are and the fast kernels skip the level sums (what
    // that saves is measured in bench/README.md); output and filter state
    // are the same either way.
    // For a caller that knows nobody looks at the meters (no editor open,
    // both meter sets switched off). Any thread.
    void setMetering(bool on) { metering.store(on, std::memory_order_relaxed); }
    bool isMetering() const { return metering.load(std::memory_order_relaxed); }

    // Linear factors in use.
    float getBandGainFactor(int band) const;
    float getInGainFactor() const;
    float getOutGainFactor() const;

    // Chooses the block pass; false (and no change) if it is unavailable.
    // Not while a block runs on another thread.
    bool setKernel(BandKernel kernel);
    BandKernel getKernel() const { return kernel; }

    // Inspection for tests and diagnostics (not while a design runs).
    BandCoefficients getCoefficients(int band) const; // zeros before the first design
    unsigned getDesignCount() const { return designCount.load(std::memory_order_relaxed); }
    // Not while a block runs.
    const band_kernel::State &getState() const { return state; }

  private:
    void requestDesign();
    void design();
    const band_kernel::CoefficientSet *acquireCoefficients();
    void publishLevels(const float *gains);

    // Coefficient sets: one being read by blocks (front), one published and
    // waiting (middle, with a fresh bit), one for the next design (back).
    band_kernel::CoefficientSet sets[3];
    std::atomic<unsigned> middle{2};
    unsigned back = 1;  // owned by the thread that holds `designing`
    unsigned front = 0; // owned by the audio thread
    std::atomic<unsigned> lastDesigned{0};
    std::atomic<bool> designing{false};
    std::atomic<unsigned> designRequests{0};
    std::atomic<unsigned> designCount{0};

    std::atomic<float> bandGainValue[kNumBands];
    std::atomic<float> bandGain[kNumBands];
    std::atomic<float> inGainValue{0.5f};
    std::atomic<float> inGain{1.0f};
    std::atomic<float> outGainValue{0.5f};
    std::atomic<float> outGain{1.0f};
    std::atomic<float> qValue{0.5f};

    std::atomic<bool> metering{true};
    // Samples summed into state.levelSum since the levels were last formed
    // (audio thread only; 0 also while metering is off).
    int meterPending = 0;
    std::atomic<float> preGainLevel[kNumBands];
    std::atomic<float> postGainLevel[kNumBands];

    BandKernel kernel = BandKernel::Scalar;
    band_kernel::KernelFn kernelFn = band_kernel::scalarBlock;

    band_kernel::State state;
    double *scratch = nullptr; // points into scratchStorage, 64-byte aligned
    unsigned char scratchStorage[band_kernel::kScratchDoubles * sizeof(double) + 64];
};

} // namespace sorrel
