// DRISK, the crusher: bit depth over TWO, hold clock over CLOCK, drive over
// ONE and the clip lamp.
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <set>

#include "firmware/tests/FirmwareRig.h"

namespace fxcore::firmwaretest {
namespace {

// A rig with the crusher's wet signal alone and nothing but the stage under
// test colouring it: least drive, full clock, open tone.
FirmwareRig cleanCrusher() {
    FirmwareRig rig(Mode::Drisk);
    rig.setKnob(kMix, 1.0f);
    rig.setKnob(kOne, 0.0f);
    rig.setKnob(kTwo, 1.0f);
    rig.setKnob(kClock, 1.0f);
    rig.setKnob(kTweak, 1.0f);
    return rig;
}

// Distinct output levels of a slow full-scale ramp, told apart on a grid of
// 2^-20 (finer than the 16-bit step, coarser than the one-LSB ripple of the
// open tone filter).
std::size_t rampLevels(float two) {
    FirmwareRig rig = cleanCrusher();
    rig.setKnob(kTwo, two);
    rig.settle();
    const int samples = 96000;
    Signal ramp = silence(samples);
    for (int i = 0; i < samples; ++i)
        ramp.left[static_cast<std::size_t>(i)] = ramp.right[static_cast<std::size_t>(i)] =
            static_cast<float>(-1.0 + 2.0 * i / samples);
    std::set<long> levels;
    for (float v : channel(rig.run(ramp), 2)) levels.insert(std::lround(v * 1048576.0));
    return levels.size();
}

TEST(Drisk, RampLevelsFallAsTwoTurnsDown) {
    std::size_t previous = SIZE_MAX;
    for (const float two : {1.0f, 0.75f, 0.5f, 0.25f, 0.0f}) {
        const std::size_t levels = rampLevels(two);
        std::cout << "TWO " << two << ": " << levels << " distinct levels of a full-scale ramp\n";
        EXPECT_LT(levels, previous) << "TWO " << two;
        previous = levels;
    }
    EXPECT_LE(previous, 9u) << "a few bits at TWO = 0";
}

// Mean length of the runs of equal output samples of a sine.
double meanHold(float clock) {
    FirmwareRig rig = cleanCrusher();
    rig.setKnob(kClock, clock);
    rig.settle();
    const std::vector<float> wet = channel(rig.run(sine(97.0, 0.7, kRate)), 2, 1000u);
    std::size_t runs = 1;
    for (std::size_t i = 1; i < wet.size(); ++i) if (wet[i] != wet[i - 1]) ++runs;
    return static_cast<double>(wet.size()) / static_cast<double>(runs);
}

TEST(Drisk, ClockLengthensTheHoldAsItTurnsDown) {
    double previous = 0.0;
    for (const float clock : {1.0f, 0.75f, 0.5f, 0.25f, 0.0f}) {
        const double hold = meanHold(clock);
        std::cout << "CLOCK " << clock << ": hold " << hold << " samples, clock "
                  << kRate / hold << " Hz\n";
        EXPECT_GT(hold, previous * 1.5) << "CLOCK " << clock;
        previous = hold;
    }
    EXPECT_GT(previous, 30.0);
}

TEST(Drisk, DriveAddsHarmonicsAndTheLampShowsClipping) {
    double previousThird = 0.0;
    for (const float one : {0.0f, 0.5f, 1.0f}) {
        FirmwareRig rig = cleanCrusher();
        rig.setKnob(kOne, one);
        rig.settle();
        rig.duty();
        const std::vector<float> wet = channel(rig.run(sine(300.0, 0.05, kRate)), 2, 4800);
        const double third = tonePower(wet, 900.0) / tonePower(wet, 300.0);
        const float lamp = rig.duty()[1];
        std::cout << "ONE " << one << ": third harmonic " << 10.0 * std::log10(third)
                  << " dB, wet rms " << 20.0 * std::log10(rms(wet)) << " dBFS, lamp " << lamp
                  << "\n";
        EXPECT_GT(third, previousThird * 4.0) << "ONE " << one;
        if (one == 0.0f) {
            EXPECT_EQ(lamp, 0.0f);
        }
        if (one == 1.0f) {
            EXPECT_GT(lamp, 0.9f);
        }
        previousThird = third;
    }
}

}  // namespace
}  // namespace fxcore::firmwaretest
