#include "firmware/tests/Harmonics.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include "firmware/tests/FirmwareRig.h"

namespace fxcore::firmwaretest {

void fourierTransform(std::vector<std::complex<double>>& a) {
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const std::complex<double> turn = std::polar(1.0, -2.0 * std::numbers::pi / double(len));
        for (std::size_t start = 0; start < n; start += len) {
            std::complex<double> w = 1.0;
            for (std::size_t k = 0; k < len / 2; ++k) {
                const std::complex<double> odd = a[start + k + len / 2] * w;
                a[start + k + len / 2] = a[start + k] - odd;
                a[start + k] += odd;
                w *= turn;
            }
        }
    }
}

std::vector<double> powerSpectrum(const std::vector<float>& x, std::size_t length) {
    std::vector<std::complex<double>> a(length);
    for (std::size_t i = 0; i < length && i < x.size(); ++i) {
        const double p = 2.0 * std::numbers::pi * double(i) / double(length);
        const double w =
            0.35875 - 0.48829 * std::cos(p) + 0.14128 * std::cos(2.0 * p) - 0.01168 * std::cos(3.0 * p);
        a[i] = w * x[i];
    }
    fourierTransform(a);
    std::vector<double> power(length / 2);
    for (std::size_t k = 0; k < power.size(); ++k) power[k] = std::norm(a[k]);
    return power;
}

double harmonicsDbc(const std::vector<float>& x, double fundamentalHz, std::size_t length) {
    const std::vector<double> power = powerSpectrum(x, length);
    const double binHz = double(kRate) / double(length);
    auto band = [&](double hz) {
        const double half = std::max(15.0, 0.004 * hz);
        const auto from = static_cast<std::size_t>(std::ceil((hz - half) / binHz));
        const auto to = std::min(power.size() - 1, static_cast<std::size_t>(std::floor((hz + half) / binHz)));
        double sum = 0.0;
        for (std::size_t k = from; k <= to; ++k) sum += power[k];
        return sum;
    };
    double harmonics = 0.0;
    for (int h = 2; h * fundamentalHz <= 20000.0; ++h) harmonics += band(h * fundamentalHz);
    return 10.0 * std::log10(harmonics / band(fundamentalHz) + 1e-30);
}

}  // namespace fxcore::firmwaretest
