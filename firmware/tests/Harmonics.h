#pragma once
// Harmonic distortion of a steady tone, from a windowed power spectrum.

#include <complex>
#include <cstddef>
#include <vector>

namespace fxcore::firmwaretest {

// In-place discrete Fourier transform (iterative radix-2); the size is a
// power of two.
void fourierTransform(std::vector<std::complex<double>>& a);

// The power spectrum of the first `length` samples of `x` (a power of two)
// under a four-term Blackman-Harris window: bin k is k * rate / length hertz.
std::vector<double> powerSpectrum(const std::vector<float>& x, std::size_t length);

// Power of every harmonic of `fundamentalHz` from the second up to 20 kHz
// against the fundamental's, in dB (dBc), from the first `length` samples of
// `x`. Each component is summed over a band of +-0.4 % of its frequency (at
// least +-15 Hz), so a little wow does not smear it out of its band.
double harmonicsDbc(const std::vector<float>& x, double fundamentalHz, std::size_t length);

}  // namespace fxcore::firmwaretest
