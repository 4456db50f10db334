// Arithmetic that gives the same bits on every build: 64-bit SSE2 builds,
// 32-bit builds whose doubles live on the x87 unit, Linux and Windows
// run-time libraries. The coefficient design goes through it, so that a
// project sounds the same bit for bit whichever build plays it.
#pragma once

namespace sorrel::fixed_math {

// For its lifetime, double arithmetic rounds every result to 53 bits, as
// SSE2 does: on the x87 unit (which by default keeps 64-bit significands
// between operations) it sets the precision control and restores it at
// the end; elsewhere it does nothing.
class DoubleRounding {
  public:
    DoubleRounding();
    ~DoubleRounding();
    DoubleRounding(const DoubleRounding &) = delete;
    DoubleRounding &operator=(const DoubleRounding &) = delete;

  private:
    [[maybe_unused]] unsigned short saved = 0; // used on the x87 unit only
};

// The cosine from additions, multiplications and one conversion to an
// integer only, each rounded to double: the same bits wherever IEEE double
// arithmetic runs (the run-time libraries' cosines differ in the last bit
// between systems, and the x87 instruction differs from them). Accurate to
// within one unit in the last place for |x| below 2^19; call it inside a
// DoubleRounding.
double cosine(double x);
double sine(double x);

// The same kind of functions for the true-response design, built from the
// same operations: e^x (accurate to a few units in the last place, 0 below
// -700 and infinity above 709), the natural logarithm of a positive finite
// x (NaN elsewhere, -infinity at 0) and the angle of (x, y) in -pi..pi.
// Call them inside a DoubleRounding.
double exponential(double x);
double logarithm(double x);
double angle(double y, double x);

} // namespace sorrel::fixed_math
