#include "dsp/fixed_math.h"

#include "dsp/band_kernel.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace sorrel::fixed_math {

#ifdef SORREL_X87_MATH
DoubleRounding::DoubleRounding() : saved(band_kernel::x87EnterDoublePrecision()) {}
DoubleRounding::~DoubleRounding() {
    band_kernel::x87RestoreControl(saved);
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

namespace {

// x = n pi/2 + r with |r| <= pi/4, for 0 <= x < 2^19: pi/2 in three parts,
// the first two short enough that n times them is exact.
std::int32_t quadrant(double x, double &r) {
    const double invPio2 = 6.36619772367581382433e-01;
    const double pio2a = 1.57079632673412561417e+00, pio2b = 6.07710050630396597660e-11,
                 pio2c = 2.02226624879595063154e-21;
    const auto n = static_cast<std::int32_t>(x * invPio2 + 0.5);
    const double fn = static_cast<double>(n);
    r = ((x - fn * pio2a) - fn * pio2b) - fn * pio2c;
    return n;
}

// 2^k for the exponent range of normal doubles, exactly.
double powerOfTwo(int k) {
    const std::uint64_t bits = static_cast<std::uint64_t>(k + 1023) << 52;
    double out;
    std::memcpy(&out, &bits, sizeof out);
    return out;
}

} // namespace

double sine(double x) {
    const bool negative = x < 0;
    if (negative)
        x = -x;
    if (!(x < 524288.0))
        return x == x ? 0.0 : x;
    double r;
    const std::int32_t n = quadrant(x, r);
    double s;
    switch (n & 3) {
    case 0:
        s = kernelSin(r);
        break;
    case 1:
        s = kernelCos(r);
        break;
    case 2:
        s = -kernelSin(r);
        break;
    default:
        s = -kernelCos(r);
        break;
    }
    return negative ? -s : s;
}

double exponential(double x) {
    if (x != x)
        return x;
    if (x < -700.0)
        return 0.0;
    if (x > 709.0)
        return HUGE_VAL;
    // x = k ln 2 + r with |r| <= ln 2 / 2; ln 2 in two parts, the first short
    // enough that k times it is exact. The series to r^15/15! is below half
    // a unit in the last place for such r.
    const double ln2hi = 6.93147180369123816490e-01, ln2lo = 1.90821492927058770002e-10;
    const double k = static_cast<double>(static_cast<std::int32_t>(x * 1.44269504088896338700 + (x < 0 ? -0.5 : 0.5)));
    const double r = (x - k * ln2hi) - k * ln2lo;
    double sum = 1.0;
    for (int i = 15; i >= 1; --i)
        sum = 1.0 + sum * r / static_cast<double>(i);
    const int e = static_cast<int>(k);
    // Scaled in two steps so that neither factor leaves the normal range.
    return (sum * powerOfTwo(e / 2)) * powerOfTwo(e - e / 2);
}

double logarithm(double x) {
    if (!(x > 0.0))
        return x == 0.0 ? -HUGE_VAL : std::numeric_limits<double>::quiet_NaN();
    if (!(x < HUGE_VAL))
        return x;
    // x = m 2^e with m in [sqrt(1/2), sqrt(2)); log m = 2 atanh(s) with
    // s = (m - 1) / (m + 1), |s| < 0.172, as an odd series.
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    int e = static_cast<int>((bits >> 52) & 0x7FF);
    if (e == 0) { // subnormal: scale into the normal range first
        x *= 18014398509481984.0; // 2^54
        std::memcpy(&bits, &x, sizeof bits);
        e = static_cast<int>((bits >> 52) & 0x7FF) - 54;
    }
    e -= 1023;
    bits = (bits & 0x000FFFFFFFFFFFFFull) | (std::uint64_t{1023} << 52);
    double m;
    std::memcpy(&m, &bits, sizeof m);
    if (m > 1.41421356237309504880) {
        m *= 0.5;
        ++e;
    }
    const double s = (m - 1.0) / (m + 1.0);
    const double z = s * s;
    double series = 1.0 / 27.0;
    for (int i = 25; i >= 1; i -= 2)
        series = 1.0 / static_cast<double>(i) + z * series;
    const double ln2hi = 6.93147180369123816490e-01, ln2lo = 1.90821492927058770002e-10;
    const double fe = static_cast<double>(e);
    return fe * ln2hi + (2.0 * s * series + fe * ln2lo);
}

double angle(double y, double x) {
    if (x != x || y != y)
        return x + y;
    const double pi = 3.14159265358979311600, pio2 = 1.57079632679489655800;
    const double ax = x < 0 ? -x : x, ay = y < 0 ? -y : y;
    if (ax == 0.0 && ay == 0.0)
        return x < 0 || (x == 0.0 && std::signbit(x)) ? (std::signbit(y) ? -pi : pi) : y;
    // atan of t = min/max in [0, 1], reduced twice by atan t = atan c +
    // atan((t - c) / (1 + t c)) around c = 1/2 or 1 and summed by a series
    // in the remainder (|u| < 0.25).
    const bool swapped = ay > ax;
    const double t = swapped ? ax / ay : ay / ax;
    double base = 0.0, u = t;
    if (t > 0.75) {
        base = 7.85398163397448278999e-01; // atan 1
        u = (t - 1.0) / (1.0 + t);
    } else if (t > 0.25) {
        base = 4.63647609000806093515e-01; // atan 1/2
        u = (t - 0.5) / (1.0 + t * 0.5);
    }
    const double z = u * u;
    double series = 1.0 / 45.0;
    for (int i = 43; i >= 1; i -= 2)
        series = 1.0 / static_cast<double>(i) - z * series;
    double a = base + u * series;
    if (swapped)
        a = pio2 - a;
    if (x < 0)
        a = pi - a;
    return y < 0 || (y == 0.0 && std::signbit(y)) ? -a : a;
}

double cosine(double x) {
    if (x < 0)
        x = -x;
    if (!(x < 524288.0)) // 2^19; also NaN
        return x == x ? 1.0 : x;
    double r;
    const std::int32_t n = quadrant(x, r);
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
