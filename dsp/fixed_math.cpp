#include "dsp/fixed_math.h"

#include "dsp/band_kernel.h"

#include <cstdint>
#include <cstring>

namespace sorrel::fixed_math {

#ifdef SORREL_X87_MATH
DoubleRounding::DoubleRounding() : saved(sorrel::band_kernel::x87EnterDoublePrecision()) {}
DoubleRounding::~DoubleRounding() {
    sorrel::band_kernel::x87RestoreControl(saved);
}
#else
DoubleRounding::DoubleRounding() {}
DoubleRounding::~DoubleRounding() {}
#endif

namespace {

// The classic minimax polynomials for |x| <= pi/4 (Sun's freely
// distributable maths library), written out with the same order of
// operations.
double kernelCos(double x) {
    const double c1 = 4.16666666666666019037e-02, c2 = -1.38888888888741095749e-03,
                 c3 = 2.48015872894767294178e-05, c4 = -2.75573143513906633035e-07,
                 c5 = 2.08757232129817482790e-09, c6 = -1.13596475577881948265e-11;
    const double z = x * x;
    const double r = z * (c1 + z * (c2 + z * (c3 + z * (c4 + z * (c5 + z * c6)))));
    const double ax = x < 0 ? -x : x;
    if (ax < 0.3)
        return 1.0 - (0.5 * z - z * r);
    // 1 - z/2 loses bits near pi/4: split off a quarter of x, cut to its
    // upper 32 bits so that 1 - qx is exact.
    double qx = 0.28125;
    if (ax <= 0.78125) {
        std::uint64_t bits;
        std::memcpy(&bits, &ax, sizeof bits);
        bits = (bits - (std::uint64_t{0x00200000} << 32)) & ~std::uint64_t{0xFFFFFFFF};
        std::memcpy(&qx, &bits, sizeof qx);
    }
    const double hz = 0.5 * z - qx;
    const double a = 1.0 - qx;
    return a - (hz - z * r);
}

double kernelSin(double x) {
    const double s1 = -1.66666666666666324348e-01, s2 = 8.33333333332248946124e-03,
                 s3 = -1.98412698298579493134e-04, s4 = 2.75573137070700676789e-06,
                 s5 = -2.50507602534068634195e-08, s6 = 1.58969099521155010221e-10;
    const double z = x * x;
    const double v = z * x;
    const double r = s2 + z * (s3 + z * (s4 + z * (s5 + z * s6)));
    return x + v * (s1 + z * r);
}

} // namespace

double cosine(double x) {
    if (x < 0)
        x = -x;
    if (!(x < 524288.0)) // 2^19; also NaN
        return x == x ? 1.0 : x;
    // x = n pi/2 + r with |r| <= pi/4: pi/2 in three parts, the first two
    // short enough that n times them is exact.
    const double invPio2 = 6.36619772367581382433e-01;
    const double pio2a = 1.57079632673412561417e+00, pio2b = 6.07710050630396597660e-11,
                 pio2c = 2.02226624879595063154e-21;
    const auto n = static_cast<std::int32_t>(x * invPio2 + 0.5);
    const double fn = static_cast<double>(n);
    const double r = ((x - fn * pio2a) - fn * pio2b) - fn * pio2c;
    switch (n & 3) {
    case 0:
        return kernelCos(r);
    case 1:
        return -kernelSin(r);
    case 2:
        return -kernelCos(r);
    default:
        return kernelSin(r);
    }
}

} // namespace sorrel::fixed_math
