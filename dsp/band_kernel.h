// The block pass of the band equaliser, shared by the portable reference and
// the instruction-set kernels. Every kernel computes exactly the same bits as
// bandKernelScalar: the engine may pick any of them at run time.
#pragma once

#include <cstdint>

namespace sorrel::band_kernel {

constexpr int kBands = 31;
// Bands padded to a whole number of vectors; the padding lane has zero
// coefficients and zero gain and never enters the output sum.
constexpr int kLanes = 32;
// Samples per piece of the two-pass kernels. The scratch holds, per piece,
// the weighted band outputs sample by sample, the same transposed band by
// band, and the difference terms: about 33 KB, so a piece stays in the
// first-level cache. The AVX-512 pass for long blocks uses the same scratch
// for pieces of 1024 samples (difference terms and completed sums).
constexpr int kChunk = 64;
constexpr int kScratchDoubles = 2 * kLanes * kChunk + kChunk;

// One complete coefficient design. The engine keeps three and publishes a
// finished one atomically, so a block never sees a set being written.
struct CoefficientSet {
    bool valid; // false: no usable sample rate, blocks pass through
    float frequency[kLanes];
    float q[kLanes];
    float alpha[kLanes];
    float beta[kLanes]; // stored negated
    float gamma[kLanes];
};

// Filter state carried from sample to sample and block to block. Owned by
// the thread that runs the blocks.
struct State {
    float x1, x2;          // previous two inputs after the input gain
    float y1[kLanes];      // each band's previous output
    float y2[kLanes];      // each band's output before y1
    // Running sums of |band output| over the samples measured, in double
    // precision and not rounded to float along the way: the level after the
    // band gain is this sum times the gain (the engine forms both levels
    // from these sums), so metering costs one absolute value and one
    // addition per band and sample. A pass adds to the sums as it finds
    // them; the engine clears them when a measurement starts.
    double levelSum[kLanes];
};

// What one block pass reads besides the state.
struct BlockArgs {
    const CoefficientSet *coefficients;
    const float *gains; // kLanes linear band gains, padding lane 0
    float inGain;
    float outputFactor; // output scale times output gain
    double *scratch;    // kScratchDoubles, 64-byte aligned
    bool levels;        // false: the level sums may be left alone (nobody reads them)
};

// Filters count (>= 1) samples in place and adds to the level sums.
using KernelFn = void (*)(const BlockArgs &args, State &state, float *samples, int count);

void scalarBlock(const BlockArgs &args, State &state, float *samples, int count);
// Defined only on x86 builds, in files named for their instruction set.
void sse2Block(const BlockArgs &args, State &state, float *samples, int count);
void avx2Block(const BlockArgs &args, State &state, float *samples, int count);
void avx512Block(const BlockArgs &args, State &state, float *samples, int count);

// A 32-bit x86 build without SSE2 arithmetic computes doubles on the x87
// unit, which by default rounds to 64-bit significands. The reference pass
// switches the unit to double precision for its duration, so that every
// operation rounds exactly as double-precision SSE arithmetic does and all
// kernels agree bit for bit on every target.
#if (defined(__i386__) || defined(_M_IX86)) && !defined(__SSE2_MATH__)
#define SORREL_X87_MATH 1
unsigned short x87EnterDoublePrecision();
void x87RestoreControl(unsigned short control);
#endif

} // namespace sorrel::band_kernel
