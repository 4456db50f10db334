// A small radix-2 FFT for the response measurement.
#pragma once

#include <complex>
#include <vector>

namespace sorrel::tool {

// In-place forward transform; the size must be a power of two (else nothing
// happens and false is returned).
bool fftInPlace(std::vector<std::complex<double>> &data);

// Magnitude spectrum of a real signal zero-padded to `size` (a power of two):
// bins 0..size/2.
std::vector<double> magnitudeSpectrum(const std::vector<float> &signal, size_t size);

size_t nextPowerOfTwo(size_t n);

} // namespace sorrel::tool
