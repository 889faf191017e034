// Conversions from stored doubles to integers; see PluginMath.h.

#include "plugin/PluginMath.h"

#include <cmath>

namespace fxcoreplug {

// Nearest whole number, halves away from zero, clamped to lo..hi; NaN gives lo.
int roundedIndex(double value, int lo, int hi) {
    if (!(value >= static_cast<double>(lo))) {
        return lo;
    }
    if (value >= static_cast<double>(hi)) {
        return hi;
    }
    return static_cast<int>(std::round(value));
}

std::int32_t samplesFor(double rate, double seconds) {
    const double n = rate * seconds;
    if (!(n > 0.0)) {
        return 0;
    }
    if (n >= 2147483647.0) {
        return INT32_MAX;
    }
    return static_cast<std::int32_t>(n);
}

}  // namespace fxcoreplug
