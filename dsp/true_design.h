// The design of the true-response mode: a response that passes through
// every fader at its band's center and follows a smooth curve between them.
//
// The target. In dB over log frequency, a monotone cubic through the 31
// faders (Fritsch and Carlson's slopes: between two centers it never leaves
// the range of their two faders, and it meets each midpoint at the mean of
// the two where they differ in sign), held flat below the lowest center and
// above the highest up to the Nyquist frequency.
//
// The filter. A parallel bank of 96 second-order sections with fixed poles,
// three per band (at the centers, at the thirds between them and a few
// beyond both ends), plus a direct path. For a fixed set of poles the response is
// linear in the numerators, so the numerators that best match the target
// in the least-squares sense on a dense logarithmic grid are one matrix
// times the target. The error is weighted by the inverse of the target's
// power (a cut matters as much in dB as a boost), interpolated between the
// band centers, so the weighted normal matrix is a sum of 31 matrices formed
// once per sample rate, and a design costs a phase computation, that sum
// and one Cholesky solve.
//
// The phase. A stable filter of this kind is minimum phase, so the target
// is given the minimum phase of its magnitude (the Hilbert transform of the
// log magnitude, by the cepstrum). Its FFT runs on a frequency axis warped by
// a first-order allpass, which spreads the low bands over as many points as
// the high ones: 16384 points then resolve 20 Hz as finely as a linear axis
// of a million.
//
// Everything is computed with the fixed-math functions inside a
// DoubleRounding, so every build designs the same bits.
#pragma once

#include "dsp/true_kernel.h"

#include <memory>
#include <vector>

namespace sorrel {

class TrueResponseDesigner {
  public:
    static constexpr int kBands = 31;

    TrueResponseDesigner();
    ~TrueResponseDesigner();
    TrueResponseDesigner(const TrueResponseDesigner &) = delete;
    TrueResponseDesigner &operator=(const TrueResponseDesigner &) = delete;

    // Places the poles and forms the least-squares matrix for a sample rate
    // (allocates; a few tens of milliseconds). False, and nothing designed
    // until a later call succeeds, for a rate that is not finite or below
    // 8 kHz.
    bool prepare(double rate);
    bool prepared() const { return preparedRate > 0.0; }
    double rate() const { return preparedRate; }
    const true_kernel::Poles &poles() const { return *polesSet; }

    // The numerators for band gains in dB (held to -24..+24): an all-zero
    // setting gives exactly a direct gain of 1 and no section output. Does
    // not allocate. Only after a successful prepare.
    void design(const float gainsDb[kBands], true_kernel::Numerators &out);

    // The target in dB at a frequency in Hz.
    static double targetDb(const float gainsDb[kBands], double frequency);
    // The magnitude in dB of a design at a frequency in Hz.
    static double responseDb(const true_kernel::Poles &poles, const true_kernel::Numerators &numerators,
                             double rate, double frequency);

  private:
    struct Curve; // the target's cubic pieces
    void fft(double *re, double *im) const;

    double preparedRate = 0.0;
    std::unique_ptr<true_kernel::Poles> polesSet;
    int gridSize = 0;
    std::vector<double> gridLogFrequency; // of each least-squares point
    std::vector<int> gridPhaseIndex;      // warped FFT bin below it
    std::vector<double> gridPhaseFraction;
    int unknownCount = 0;
    std::vector<double> columnScale;
    std::vector<int> gridNode;            // band center at or below the point
    std::vector<double> gridNodeFraction; // and how far towards the next one
    std::vector<double> bandGram;         // per band, packed lower triangles
    std::vector<double> rowMajor;         // the scaled least-squares matrix
    std::vector<double> normal, solution;
    std::vector<double> binLogFrequency;  // per warped bin 0..N/2
    std::vector<double> twiddleRe, twiddleIm;
    std::vector<int> bitReversed;
    std::vector<double> workRe, workIm;
};

} // namespace sorrel
