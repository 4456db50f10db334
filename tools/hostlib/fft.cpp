#include "tools/hostlib/fft.h"

#include <cmath>

namespace sorrel::tool {

size_t nextPowerOfTwo(size_t n) {
    size_t p = 1;
    while (p < n)
        p <<= 1;
    return p;
}

bool fftInPlace(std::vector<std::complex<double>> &data) {
    const size_t n = data.size();
    if (n == 0 || (n & (n - 1)) != 0)
        return false;
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(data[i], data[j]);
    }
    const double pi = std::acos(-1.0);
    for (size_t len = 2; len <= n; len <<= 1) {
        const double angle = -2.0 * pi / static_cast<double>(len);
        const size_t half = len / 2;
        for (size_t k = 0; k < half; ++k) {
            // Twiddles computed directly rather than by recurrence, so the
            // error stays at rounding level for long transforms.
            const std::complex<double> w(std::cos(angle * static_cast<double>(k)),
                                         std::sin(angle * static_cast<double>(k)));
            for (size_t i = k; i < n; i += len) {
                const std::complex<double> u = data[i];
                const std::complex<double> v = data[i + half] * w;
                data[i] = u + v;
                data[i + half] = u - v;
            }
        }
    }
    return true;
}

std::vector<double> magnitudeSpectrum(const std::vector<float> &signal, size_t size) {
    std::vector<std::complex<double>> buf(size);
    for (size_t i = 0; i < signal.size() && i < size; ++i)
        buf[i] = signal[i];
    if (!fftInPlace(buf))
        return {};
    std::vector<double> mag(size / 2 + 1);
    for (size_t k = 0; k < mag.size(); ++k)
        mag[k] = std::abs(buf[k]);
    return mag;
}

} // namespace sorrel::tool
