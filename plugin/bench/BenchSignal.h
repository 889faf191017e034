#pragma once
// The processing benchmarks' block (the tests' stereo block) and its deterministic
// guitar-like input.

#include <cmath>
#include <cstdint>
#include <numbers>

#include "plugin/tests/ClapTestEvents.h"

namespace fxcoreplug::bench {

constexpr double kRate = 48000.0;

// Fills the first frames of the block's inputs with a 110 Hz tone with a few harmonics and a
// little noise, around -12 dBFS.
inline void fillInput(test::StereoBlock& block, std::uint32_t frames) {
    std::uint32_t noise = 12345;
    for (std::uint32_t s = 0; s < frames; ++s) {
        const double t = s / kRate;
        noise = noise * 1664525u + 1013904223u;
        const double n = (static_cast<double>(noise >> 8) / 16777216.0 - 0.5) * 0.01;
        const double tone = 0.25 * (std::sin(2 * std::numbers::pi * 110 * t) +
                                    0.4 * std::sin(2 * std::numbers::pi * 220 * t) +
                                    0.2 * std::sin(2 * std::numbers::pi * 330 * t));
        block.inLeft()[s] = static_cast<float>(tone + n);
        block.inRight()[s] = static_cast<float>(tone - n);
    }
}

}  // namespace fxcoreplug::bench
