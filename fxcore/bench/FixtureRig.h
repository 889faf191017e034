#pragma once
// The three fixture programs (the pedal's firmware as it was assembled for
// the core's benchmarks, frozen so that firmware changes do not move the
// figures) and the fixed input they run on: pots at fixed positions and a
// sine of its own frequency in each input.

#include <array>
#include <cmath>
#include <numbers>
#include <string>

#include "fxcore/FXCoreCore.h"
#include "fxcore/FXCoreProgram.h"

namespace fxcore::bench {

struct Fixture {
    const char* name;  // also the file name, without ".hex"
};
inline constexpr std::array<Fixture, 3> kFixtures = {{{"kavro"}, {"drisk"}, {"vestra"}}};

inline std::string fixturePath(const char* name) {
    return std::string(CORLINDE_FIXTURE_DIR) + "/" + name + ".hex";
}

inline constexpr double kFixtureRate = 48000.0;
inline constexpr float kFixturePots[6] = {0.3f, 0.5f, 0.7f, 0.25f, 0.6f, 0.4f};

// Input k at sample n: a sine at 110 Hz times (k + 1) plus a little more, at
// half scale, so every input carries a distinct signal.
inline void fixtureInput(long n, float* in) {
    for (int k = 0; k < 4; ++k) {
        const double hz = 110.0 * (k + 1) + 3.0 * k;
        in[k] = static_cast<float>(
            0.5 * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(n) / kFixtureRate));
    }
}

// Loads a fixture into the core at the fixture rate, pots in place; false
// when the file does not load.
inline bool loadFixture(FXCoreCore& core, const char* name) {
    FXCoreProgram program;
    if (!program.loadFromFile(fixturePath(name)).ok) return false;
    core.sampleRate = kFixtureRate;
    program.applyTo(core);
    core.setPots(kFixturePots);
    return true;
}

}  // namespace fxcore::bench
