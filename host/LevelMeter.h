#pragma once
// Peak and RMS level of everything written, over all channels, in dBFS
// (full scale 1.0; a full-scale sine reads 0 dBFS peak and -3 dBFS RMS).

#include <cmath>
#include <cstdint>
#include <limits>

namespace fxcorehost {

class LevelMeter {
public:
    void add(const float* samples, std::int64_t count) {
        for (std::int64_t i = 0; i < count; ++i) {
            const double x = samples[i];
            const double magnitude = std::fabs(x);
            if (magnitude > m_peak) m_peak = magnitude;
            m_sumOfSquares += x * x;
        }
        m_count += count;
    }
    double peakDb() const { return toDb(m_peak); }
    double rmsDb() const {
        return m_count > 0 ? toDb(std::sqrt(m_sumOfSquares / static_cast<double>(m_count))) : toDb(0.0);
    }

private:
    static double toDb(double level) {
        return level > 0.0 ? 20.0 * std::log10(level) : -std::numeric_limits<double>::infinity();
    }
    double m_peak = 0.0;
    double m_sumOfSquares = 0.0;
    std::int64_t m_count = 0;
};

}  // namespace fxcorehost
