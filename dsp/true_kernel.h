// The block pass of the true-response engine, shared by the portable
// reference and the instruction-set kernels, which all compute the same bits.
//
// The filter is a parallel bank of second-order sections with fixed poles
// (one set per sample rate) fed by the same input, plus a direct path:
//   s_k[n] = x[n] + guard + c1_k s_k[n-1] + c2_k s_k[n-2]
//   y[n]   = sum over k of (b0_k s_k[n] + b1_k s_k[n-1])  +  d x[n]
// The section states depend on the input and the poles only, never on the
// numerators: a change of the numerators (a fader, the in or out gain) is a
// change of the weights with which the same states are summed, so a
// numerator ramp is an exact crossfade between the old and the new response
// and cannot make a section ring.
//
// Every value is a double and every operation a plain IEEE addition or
// multiplication (no fused ones), in the order the reference writes them;
// the sum over sections runs in a fixed order (lane i plus lane i + 64 for
// the first 32 lanes, then a pairwise tree over 64: lane i plus i + 32, then
// i + 16, ..., then i + 1), which a vector of any width up to 8 reproduces:
// strides of whole vectors are vector additions, the last ones additions
// inside one vector.
#pragma once

namespace sorrel::true_kernel {

constexpr int kSections = 96;
constexpr int kTreeLanes = 64; // the lanes above it are folded onto the first ones

// Poles of one sample rate (c1 = 2 r cos theta, c2 = -r^2) and the
// numerators of one response. 64-byte aligned for the widest vectors.
struct alignas(64) Poles {
    double c1[kSections];
    double c2[kSections];
};

struct alignas(64) Numerators {
    double b0[kSections];
    double b1[kSections];
    double direct;
};

struct alignas(64) State {
    double s1[kSections]; // each section's last state
    double s2[kSections]; // and the one before
};

// Added to every section's input (and never removed: it reaches the output
// some 380 dB below full scale): it keeps the states of a silent input from
// decaying into subnormal numbers, which cost a hundred times more.
constexpr double kGuard = 1e-20;

// Filters count (>= 1) samples in place. With step set, before each sample
// every numerator (and the direct gain) moves on by its step; `current`
// then holds the numerators of the last sample. A non-finite input sample
// counts as silence.
using KernelFn = void (*)(const Poles &poles, Numerators &current, const Numerators *step, State &state,
                          float *samples, int count);

void scalarBlock(const Poles &poles, Numerators &current, const Numerators *step, State &state, float *samples,
                 int count);
// Defined only on x86 builds, in files named for their instruction set.
void sse2Block(const Poles &poles, Numerators &current, const Numerators *step, State &state, float *samples,
               int count);
void avx2Block(const Poles &poles, Numerators &current, const Numerators *step, State &state, float *samples,
               int count);
void avx512Block(const Poles &poles, Numerators &current, const Numerators *step, State &state, float *samples,
                 int count);

} // namespace sorrel::true_kernel
