#include "dsp/true_design.h"

#include "dsp/band_equalizer.h"
#include "dsp/fixed_math.h"

#include <cmath>
#include <complex>
#include <cstring>

namespace sorrel {

namespace fm = sorrel::fixed_math;
using true_kernel::kSections;

namespace {

constexpr int kFftSize = 16384;
constexpr int kFftBits = 14;
// Three poles per band gap; each section half as wide again as the
// distance between its neighbours (narrower ones ripple between the poles,
// wider ones cannot follow neighbouring faders at opposite ends).
constexpr int kPolesPerBand = 3;
constexpr double kPoleWidth = 1.5;
constexpr int kUnknownsMax = 2 * true_kernel::kSections + 1;
constexpr double kTwoPi = 6.28318530717958647692;
constexpr double kDbToNeper = 0.11512925464970228420; // ln 10 / 20
// dB: see Curve.
constexpr double kMidpointSlope = 2.0;
constexpr double kLowestGridFrequency = 10.0;
constexpr double kGridPointsPerOctave = 40.0;
// The warp puts this frequency (or a quarter of the Nyquist frequency, if
// lower) in the middle of the warped axis.
constexpr double kWarpCenter = 1000.0;
// Regularisation of the normal equations (their columns scaled to unit
// length): keeps numerators from growing into large cancelling pairs where
// two sections' responses nearly coincide; far below every error that
// matters.
constexpr double kRidge = 1e-11;

double clampDb(float db) {
    if (db != db)
        return 0.0;
    return db < -24.0f ? -24.0 : (db > 24.0f ? 24.0 : static_cast<double>(db));
}

} // namespace

struct TrueResponseDesigner::Curve {
    double x[kBands], y[kBands], slope[kBands];

    // Inside a DoubleRounding.
    explicit Curve(const float gainsDb[kBands]) {
        for (int k = 0; k < kBands; ++k) {
            x[k] = fm::logarithm(static_cast<double>(kBandFrequencies[k]));
            y[k] = clampDb(gainsDb[k]);
        }
        // Fritsch-Carlson: zero at a turning point and at both ends (where
        // the curve meets its flat extensions), else a weighted harmonic
        // mean of the neighbouring secants, which keeps every piece
        // monotone.
        slope[0] = slope[kBands - 1] = 0.0;
        for (int k = 1; k < kBands - 1; ++k) {
            const double h0 = x[k] - x[k - 1], h1 = x[k + 1] - x[k];
            const double d0 = (y[k] - y[k - 1]) / h0, d1 = (y[k + 1] - y[k]) / h1;
            if (d0 * d1 <= 0.0) {
                slope[k] = 0.0;
            } else {
                const double w0 = 2.0 * h1 + h0, w1 = h1 + 2.0 * h0;
                slope[k] = (w0 + w1) / (w0 / d0 + w1 / d1);
            }
            // A cubic piece passes its midpoint h (m0 - m1) / 8 away from
            // the mean of its ends: slopes held to 2 dB per piece width
            // keep that within half a dB, and a gentler slope never breaks
            // the monotony.
            const double h = h0 < h1 ? h0 : h1;
            const double limit = kMidpointSlope / h;
            slope[k] = slope[k] > limit ? limit : (slope[k] < -limit ? -limit : slope[k]);
        }
    }

    double at(double logFrequency) const {
        if (!(logFrequency > x[0]))
            return y[0];
        if (!(logFrequency < x[kBands - 1]))
            return y[kBands - 1];
        int lo = 0, hi = kBands - 1;
        while (hi - lo > 1) {
            const int mid = (lo + hi) / 2;
            if (x[mid] <= logFrequency)
                lo = mid;
            else
                hi = mid;
        }
        const double h = x[hi] - x[lo];
        const double t = (logFrequency - x[lo]) / h;
        const double t2 = t * t, t3 = t2 * t;
        return y[lo] * (2.0 * t3 - 3.0 * t2 + 1.0) + h * slope[lo] * (t3 - 2.0 * t2 + t) +
               y[hi] * (3.0 * t2 - 2.0 * t3) + h * slope[hi] * (t3 - t2);
    }
};

TrueResponseDesigner::TrueResponseDesigner() : polesSet(new true_kernel::Poles()) {
    std::memset(polesSet.get(), 0, sizeof(true_kernel::Poles));
    const fm::DoubleRounding rounding;
    twiddleRe.resize(kFftSize / 2);
    twiddleIm.resize(kFftSize / 2);
    for (int k = 0; k < kFftSize / 2; ++k) {
        const double a = kTwoPi * static_cast<double>(k) / kFftSize;
        twiddleRe[static_cast<size_t>(k)] = fm::cosine(a);
        twiddleIm[static_cast<size_t>(k)] = -fm::sine(a);
    }
    bitReversed.resize(kFftSize);
    for (int i = 0; i < kFftSize; ++i) {
        int r = 0;
        for (int b = 0; b < kFftBits; ++b)
            r |= ((i >> b) & 1) << (kFftBits - 1 - b);
        bitReversed[static_cast<size_t>(i)] = r;
    }
    workRe.resize(kFftSize);
    workIm.resize(kFftSize);
    binLogFrequency.resize(kFftSize / 2 + 1);
}

TrueResponseDesigner::~TrueResponseDesigner() = default;

// In place, forward (e^-j), radix 2.
void TrueResponseDesigner::fft(double *re, double *im) const {
    for (int i = 0; i < kFftSize; ++i) {
        const int j = bitReversed[static_cast<size_t>(i)];
        if (j > i) {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
    }
    for (int size = 2; size <= kFftSize; size *= 2) {
        const int half = size / 2, step = kFftSize / size;
        for (int start = 0; start < kFftSize; start += size)
            for (int k = 0; k < half; ++k) {
                const double wr = twiddleRe[static_cast<size_t>(k * step)];
                const double wi = twiddleIm[static_cast<size_t>(k * step)];
                const int a = start + k, b = a + half;
                const double tr = re[b] * wr - im[b] * wi;
                const double ti = re[b] * wi + im[b] * wr;
                re[b] = re[a] - tr;
                im[b] = im[a] - ti;
                re[a] = re[a] + tr;
                im[a] = im[a] + ti;
            }
    }
}

bool TrueResponseDesigner::prepare(double rate) {
    preparedRate = 0.0;
    if (!(rate >= 8000.0) || !(rate < 1e7))
        return false;
    const fm::DoubleRounding rounding;
    const double nyquist = rate / 2.0;

    // Poles: two below the lowest center, the centers and two between each
    // pair of neighbours; none in the last 5 % below the Nyquist frequency
    // (at low rates the highest bands lose theirs).
    double frequency[kSections + 1];
    int used = 0;
    const double f0 = kBandFrequencies[0], top = kBandFrequencies[kBands - 1];
    auto add = [&](double f) {
        if (f < 0.95 * nyquist && used < kSections)
            frequency[used++] = f;
    };
    add(f0 / 1.44);
    add(f0 / 1.2);
    for (int k = 0; k < kBands; ++k) {
        const double f = kBandFrequencies[k];
        add(f);
        if (k + 1 < kBands)
            for (int j = 1; j < kPolesPerBand; ++j)
                add(fm::exponential(fm::logarithm(f) + static_cast<double>(j) / kPolesPerBand *
                                                           (fm::logarithm(static_cast<double>(kBandFrequencies[k + 1])) -
                                                            fm::logarithm(f))));
    }
    // Above the highest center, at the spacing of the highest gap, as far as
    // the rate allows: they hold the top band's gain up to the Nyquist
    // frequency.
    const double step = fm::exponential((fm::logarithm(top) -
                                         fm::logarithm(static_cast<double>(kBandFrequencies[kBands - 2]))) /
                                        kPolesPerBand);
    for (double f = top * step; used < kSections && f < 0.95 * nyquist; f *= step)
        add(f);

    true_kernel::Poles &poles = *polesSet;
    std::memset(&poles, 0, sizeof poles);
    double theta[kSections];
    for (int k = 0; k < used; ++k)
        theta[k] = kTwoPi * frequency[k] / rate;
    for (int k = 0; k < used; ++k) {
        const double width = k == 0 ? theta[1] - theta[0]
                             : k == used - 1 ? theta[k] - theta[k - 1]
                                             : 0.5 * (theta[k + 1] - theta[k - 1]);
        const double r = fm::exponential(-0.5 * kPoleWidth * width);
        poles.c1[k] = 2.0 * r * fm::cosine(theta[k]);
        poles.c2[k] = -(r * r);
    }

    // The least-squares grid, evenly spaced in log frequency up to just
    // below the Nyquist frequency.
    const double highest = 0.985 * nyquist;
    const double octaves = fm::logarithm(highest / kLowestGridFrequency) / fm::logarithm(2.0);
    // The even grid, then every band center once more: a fader's own
    // frequency is where an error is heard and read first.
    const int evenPoints = static_cast<int>(octaves * kGridPointsPerOctave) + 1;
    int centers = 0;
    while (centers < kBands && kBandFrequencies[centers] < highest)
        ++centers;
    gridSize = evenPoints + centers;
    const int rows = 2 * gridSize, unknowns = 2 * used + 1;
    gridLogFrequency.assign(static_cast<size_t>(gridSize), 0.0);
    std::vector<double> matrix(static_cast<size_t>(rows) * static_cast<size_t>(unknowns)); // column-major
    auto cell = [&](int row, int column) -> double & {
        return matrix[static_cast<size_t>(column) * static_cast<size_t>(rows) + static_cast<size_t>(row)];
    };
    std::vector<double> omega(static_cast<size_t>(gridSize));
    for (int i = 0; i < gridSize; ++i) {
        const double logF =
            i < evenPoints ? fm::logarithm(kLowestGridFrequency) +
                                 static_cast<double>(i) / kGridPointsPerOctave * fm::logarithm(2.0)
                           : fm::logarithm(static_cast<double>(kBandFrequencies[i - evenPoints]));
        gridLogFrequency[static_cast<size_t>(i)] = logF;
        const double w = kTwoPi * fm::exponential(logF) / rate;
        omega[static_cast<size_t>(i)] = w;
        const std::complex<double> z1(fm::cosine(w), -fm::sine(w));
        const std::complex<double> z2(fm::cosine(2.0 * w), -fm::sine(2.0 * w));
        for (int k = 0; k < used; ++k) {
            const std::complex<double> a(1.0 - poles.c1[k] * z1.real() - poles.c2[k] * z2.real(),
                                         -poles.c1[k] * z1.imag() - poles.c2[k] * z2.imag());
            // 1 / a and z^-1 / a, written out so that no library routine
            // rounds differently on another system.
            const double norm = a.real() * a.real() + a.imag() * a.imag();
            const double ur = a.real() / norm, ui = -a.imag() / norm;
            cell(i, 2 * k) = ur;
            cell(gridSize + i, 2 * k) = ui;
            cell(i, 2 * k + 1) = z1.real() * ur - z1.imag() * ui;
            cell(gridSize + i, 2 * k + 1) = z1.real() * ui + z1.imag() * ur;
        }
        cell(i, unknowns - 1) = 1.0;
        cell(gridSize + i, unknowns - 1) = 0.0;
    }

    // Columns scaled to unit length, then the normal equations' pieces:
    // the error is weighted by the inverse of the target's power, so that a
    // cut is matched in dB as closely as a boost. The weight varies slowly
    // with frequency; it is interpolated over log frequency between the
    // band centers, so the weighted normal matrix is a sum of one
    // precomputed matrix per band times that band's weight.
    columnScale.assign(static_cast<size_t>(kUnknownsMax), 0.0);
    for (int c = 0; c < unknowns; ++c) {
        double sum = 0.0;
        for (int r = 0; r < rows; ++r)
            sum += cell(r, c) * cell(r, c);
        columnScale[static_cast<size_t>(c)] = 1.0 / std::sqrt(sum);
        for (int r = 0; r < rows; ++r)
            cell(r, c) *= columnScale[static_cast<size_t>(c)];
    }
    unknownCount = unknowns;
    const size_t packed = static_cast<size_t>(unknowns) * static_cast<size_t>(unknowns + 1) / 2;
    bandGram.assign(packed * kBands, 0.0);
    gridNode.assign(static_cast<size_t>(gridSize), 0);
    gridNodeFraction.assign(static_cast<size_t>(gridSize), 0.0);
    double bandLog[kBands];
    for (int k = 0; k < kBands; ++k)
        bandLog[k] = fm::logarithm(static_cast<double>(kBandFrequencies[k]));
    std::vector<double> rowValues(static_cast<size_t>(unknowns));
    for (int i = 0; i < gridSize; ++i) {
        const double logF = gridLogFrequency[static_cast<size_t>(i)];
        int node = 0;
        double fraction = 0.0;
        if (logF >= bandLog[kBands - 1]) {
            node = kBands - 2;
            fraction = 1.0;
        } else if (logF > bandLog[0]) {
            while (logF >= bandLog[node + 1])
                ++node;
            fraction = (logF - bandLog[node]) / (bandLog[node + 1] - bandLog[node]);
        }
        gridNode[static_cast<size_t>(i)] = node;
        gridNodeFraction[static_cast<size_t>(i)] = fraction;
        for (int part = 0; part < 2; ++part) {
            const int r = part * gridSize + i;
            for (int c = 0; c < unknowns; ++c)
                rowValues[static_cast<size_t>(c)] = cell(r, c);
            for (int side = 0; side < 2; ++side) {
                const double share = side == 0 ? 1.0 - fraction : fraction;
                if (share == 0.0)
                    continue;
                double *gram = &bandGram[packed * static_cast<size_t>(node + side)];
                for (int a = 0; a < unknowns; ++a) {
                    const double va = share * rowValues[static_cast<size_t>(a)];
                    double *line = gram + static_cast<size_t>(a) * static_cast<size_t>(a + 1) / 2;
                    for (int b = 0; b <= a; ++b)
                        line[b] += va * rowValues[static_cast<size_t>(b)];
                }
            }
        }
    }
    // Row-major copy for the right-hand side.
    rowMajor.assign(static_cast<size_t>(rows) * static_cast<size_t>(unknowns), 0.0);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < unknowns; ++c)
            rowMajor[static_cast<size_t>(r) * static_cast<size_t>(unknowns) + static_cast<size_t>(c)] = cell(r, c);
    normal.assign(packed, 0.0);
    solution.assign(static_cast<size_t>(unknowns), 0.0);

    // The warped axis: bin m of the FFT lies at nu = 2 pi m / N, and
    // tan(omega / 2) = tan(nu / 2) / ratio.
    const double center = kWarpCenter < nyquist / 4.0 ? kWarpCenter : nyquist / 4.0;
    const double half = 0.5 * kTwoPi * center / rate;
    const double ratio = fm::cosine(half) / fm::sine(half);
    const double lowest = fm::logarithm(1.0);
    for (int m = 0; m <= kFftSize / 2; ++m) {
        const double nu = kTwoPi * static_cast<double>(m) / kFftSize;
        const double w = 2.0 * fm::angle(fm::sine(0.5 * nu), ratio * fm::cosine(0.5 * nu));
        const double f = w * rate / kTwoPi;
        binLogFrequency[static_cast<size_t>(m)] = f > 1.0 ? fm::logarithm(f) : lowest;
    }
    gridPhaseIndex.assign(static_cast<size_t>(gridSize), 0);
    gridPhaseFraction.assign(static_cast<size_t>(gridSize), 0.0);
    for (int i = 0; i < gridSize; ++i) {
        const double w = omega[static_cast<size_t>(i)];
        const double nu = 2.0 * fm::angle(ratio * fm::sine(0.5 * w), fm::cosine(0.5 * w));
        const double position = nu / kTwoPi * kFftSize;
        int index = static_cast<int>(position);
        if (index > kFftSize / 2 - 1)
            index = kFftSize / 2 - 1;
        gridPhaseIndex[static_cast<size_t>(i)] = index;
        gridPhaseFraction[static_cast<size_t>(i)] = position - static_cast<double>(index);
    }
    preparedRate = rate;
    return true;
}

void TrueResponseDesigner::design(const float gainsDb[kBands], true_kernel::Numerators &out) {
    std::memset(&out, 0, sizeof out);
    out.direct = 1.0;
    if (!prepared())
        return;
    const fm::DoubleRounding rounding;
    const Curve curve(gainsDb);

    // Log magnitude on the warped axis (real and even), its cepstrum, the
    // cepstrum folded onto positive times (a causal, minimum-phase log
    // response), and back: the imaginary part is the minimum phase.
    double *re = workRe.data(), *im = workIm.data();
    for (int m = 0; m <= kFftSize / 2; ++m) {
        const double a = kDbToNeper * curve.at(binLogFrequency[static_cast<size_t>(m)]);
        re[m] = a;
        if (m > 0 && m < kFftSize / 2)
            re[kFftSize - m] = a;
    }
    std::memset(im, 0, sizeof(double) * kFftSize);
    fft(re, im); // real and even in, real and even out: N times the cepstrum
    const double inverse = 1.0 / kFftSize;
    re[0] *= inverse;
    for (int n = 1; n < kFftSize / 2; ++n)
        re[n] *= 2.0 * inverse;
    re[kFftSize / 2] *= inverse;
    for (int n = kFftSize / 2 + 1; n < kFftSize; ++n)
        re[n] = 0.0;
    std::memset(im, 0, sizeof(double) * kFftSize);
    fft(re, im);

    // The target minus the direct path of a flat response, at every grid
    // point: an all-zero setting asks for nothing but the direct gain 1.
    double weight[kBands];
    for (int k = 0; k < kBands; ++k)
        weight[k] = fm::exponential(-2.0 * kDbToNeper * curve.y[k]);
    const int unknowns = unknownCount;
    const size_t u = static_cast<size_t>(unknowns);
    const size_t packed = u * (u + 1) / 2;
    for (double &v : solution)
        v = 0.0;
    for (int i = 0; i < gridSize; ++i) {
        const int index = gridPhaseIndex[static_cast<size_t>(i)];
        const double phase = im[index] + gridPhaseFraction[static_cast<size_t>(i)] * (im[index + 1] - im[index]);
        const double magnitude = fm::exponential(kDbToNeper * curve.at(gridLogFrequency[static_cast<size_t>(i)]));
        const int node = gridNode[static_cast<size_t>(i)];
        const double fraction = gridNodeFraction[static_cast<size_t>(i)];
        const double w = (1.0 - fraction) * weight[node] + fraction * weight[node + 1];
        const double targets[2] = {w * (magnitude * fm::cosine(phase) - 1.0), w * (magnitude * fm::sine(phase))};
        for (int part = 0; part < 2; ++part) {
            const double *row = &rowMajor[static_cast<size_t>(part * gridSize + i) * u];
            for (size_t c = 0; c < u; ++c)
                solution[c] += targets[part] * row[c];
        }
    }
    for (size_t j = 0; j < packed; ++j)
        normal[j] = 0.0;
    double largest = 0.0;
    for (int k = 0; k < kBands; ++k) {
        const double *gram = &bandGram[packed * static_cast<size_t>(k)];
        for (size_t j = 0; j < packed; ++j)
            normal[j] += weight[k] * gram[j];
    }
    for (size_t a = 0; a < u; ++a)
        largest = normal[a * (a + 1) / 2 + a] > largest ? normal[a * (a + 1) / 2 + a] : largest;
    for (size_t a = 0; a < u; ++a)
        normal[a * (a + 1) / 2 + a] += kRidge * largest;

    // Cholesky in place (packed lower triangle), then the two triangular
    // solves.
    auto at = [&](size_t a, size_t b) -> double & { return normal[a * (a + 1) / 2 + b]; };
    for (size_t j = 0; j < u; ++j) {
        double d = at(j, j);
        for (size_t k = 0; k < j; ++k)
            d -= at(j, k) * at(j, k);
        d = std::sqrt(d > 0.0 ? d : 1e-300);
        at(j, j) = d;
        for (size_t i = j + 1; i < u; ++i) {
            double s = at(i, j);
            for (size_t k = 0; k < j; ++k)
                s -= at(i, k) * at(j, k);
            at(i, j) = s / d;
        }
    }
    for (size_t i = 0; i < u; ++i) {
        double s = solution[i];
        for (size_t k = 0; k < i; ++k)
            s -= at(i, k) * solution[k];
        solution[i] = s / at(i, i);
    }
    for (size_t i = u; i-- > 0;) {
        double s = solution[i];
        for (size_t k = i + 1; k < u; ++k)
            s -= at(k, i) * solution[k];
        solution[i] = s / at(i, i);
    }
    const int sections = (unknowns - 1) / 2;
    for (int k = 0; k < sections; ++k) {
        out.b0[k] = solution[static_cast<size_t>(2 * k)] * columnScale[static_cast<size_t>(2 * k)];
        out.b1[k] = solution[static_cast<size_t>(2 * k + 1)] * columnScale[static_cast<size_t>(2 * k + 1)];
    }
    out.direct = 1.0 + solution[u - 1] * columnScale[u - 1];
}

double TrueResponseDesigner::targetDb(const float gainsDb[kBands], double frequency) {
    const fm::DoubleRounding rounding;
    return Curve(gainsDb).at(fm::logarithm(frequency));
}

double TrueResponseDesigner::responseDb(const true_kernel::Poles &poles, const true_kernel::Numerators &numerators,
                                        double rate, double frequency) {
    const double w = kTwoPi * frequency / rate;
    const std::complex<double> z1 = std::polar(1.0, -w), z2 = z1 * z1;
    std::complex<double> h = numerators.direct;
    for (int k = 0; k < kSections; ++k)
        h += (numerators.b0[k] + numerators.b1[k] * z1) / (1.0 - poles.c1[k] * z1 - poles.c2[k] * z2);
    return 20.0 * std::log10(std::abs(h));
}

} // namespace sorrel
