// DRISK, the crusher: bit depth over TWO, hold clock over CLOCK, drive over
// ONE and the clip lamp, the drive's level and aliasing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
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
    for (std::size_t i = 1; i < wet.size(); ++i)
        if (wet[i] != wet[i - 1]) ++runs;
    return static_cast<double>(wet.size()) / static_cast<double>(runs);
}

TEST(Drisk, ClockLengthensTheHoldAsItTurnsDown) {
    double previous = 0.0;
    for (const float clock : {1.0f, 0.75f, 0.5f, 0.25f, 0.0f}) {
        const double hold = meanHold(clock);
        std::cout << "CLOCK " << clock << ": hold " << hold << " samples, clock " << kRate / hold << " Hz\n";
        EXPECT_GT(hold, previous * 1.5) << "CLOCK " << clock;
        previous = hold;
    }
    EXPECT_GT(previous, 30.0);
}

// Odd harmonics from the clipper and a little even-order warmth, both
// growing with ONE; none at all at the clean end.
TEST(Drisk, DriveAddsHarmonicsAndTheLampShowsClipping) {
    double previousSecond = 0.0;
    double previousThird = 0.0;
    for (const float one : {0.0f, 0.5f, 1.0f}) {
        FirmwareRig rig = cleanCrusher();
        rig.setKnob(kOne, one);
        rig.settle();
        rig.duty();
        const std::vector<float> wet = channel(rig.run(sine(300.0, 0.05, kRate)), 2, 4800);
        const double second = tonePower(wet, 600.0) / tonePower(wet, 300.0);
        const double third = tonePower(wet, 900.0) / tonePower(wet, 300.0);
        const float lamp = rig.duty()[1];
        std::cout << "ONE " << one << ": second harmonic " << 10.0 * std::log10(second)
                  << " dB, third harmonic " << 10.0 * std::log10(third) << " dB, wet rms "
                  << 20.0 * std::log10(rms(wet)) << " dBFS, lamp " << lamp << "\n";
        EXPECT_GT(third, previousThird * 4.0) << "ONE " << one;
        EXPECT_GT(second, previousSecond * 4.0) << "ONE " << one;
        if (one == 0.0f) {
            EXPECT_LT(second, 1e-10);
            EXPECT_EQ(lamp, 0.0f);
        }
        if (one == 1.0f) {
            EXPECT_GT(lamp, 0.9f);
        }
        previousSecond = second;
        previousThird = third;
    }
}

// TWEAK's two poles sit at 490 Hz at the dark end (-6 dB there) and leave
// the sound untouched at the top.
TEST(Drisk, ToneLowPassGoesFrom490HzPolesToOpen) {
    auto gainDb = [](float tweak, int hz) {
        FirmwareRig rig = cleanCrusher();
        rig.setKnob(kTweak, tweak);
        rig.settle();
        const std::vector<float> wet = channel(rig.run(sine(hz, 0.1, 2 * kRate)), 2, kRate);
        return 10.0 * std::log10(tonePower(wet, hz) / 0.0025);
    };
    const double dark = gainDb(0.0f, 490);
    const double open = gainDb(1.0f, 10000);
    std::printf("TWEAK 0: %.2f dB at 490 Hz; TWEAK 1: %.3f dB at 10 kHz\n", dark, open);
    EXPECT_NEAR(dark, -6.0, 0.5);
    EXPECT_NEAR(open, 0.0, 0.05);
}

// The drive alone: bits at 16, the hold clock at every sample, the tone open.
FirmwareRig driveOnly(float one) {
    FirmwareRig rig = cleanCrusher();
    rig.setKnob(kOne, one);
    return rig;
}

double decibels(double ratio) {
    return 20.0 * std::log10(ratio);
}

// The level follower keeps the wet signal at the dry one's rms over the
// whole phrase, at every drive, for loud and quiet playing alike (the
// clipper compresses the loud phrase by some 20 dB more than the quiet one).
TEST(Drisk, WetLevelFollowsTheDryLevelAtAnyDriveAndInputLevel) {
    for (const double peakDb : {-6.0, -18.0, -30.0}) {
        const Signal phrase = pluckedPhrase(std::pow(10.0, peakDb / 20.0));
        const double dry = rms(phrase.left);
        std::printf("phrase at %5.1f dBFS peak, wet against dry over ONE 0 .. 1:", peakDb);
        for (const float one : {0.0f, 0.25f, 0.5f, 0.75f, 1.0f}) {
            FirmwareRig rig = driveOnly(one);
            rig.idle(kRate / 100);  // the knobs are in place 5 ms after the load
            const std::vector<Frame> out = rig.run(phrase);
            const double wet = decibels(rms(channel(out, 0)) / dry);
            std::printf(" %+5.2f", wet);
            EXPECT_LT(std::fabs(wet), 2.0) << "peak " << peakDb << " dBFS, ONE " << one;
            EXPECT_LT(std::fabs(decibels(rms(channel(out, 1)) / dry) - wet), 0.01);
        }
        std::printf(" dB\n");
    }
}

// Energy of a steady output that is not a harmonic of `hz` (nor DC),
// against the fundamental's, in dB. One second at 48 kHz holds a whole
// number of periods of every harmonic and every alias of a whole-hertz
// tone, so each is one exact DFT bin: the harmonics below the Nyquist
// frequency are taken out bin by bin, and what remains of the energy is
// everything else (aliases, and noise).
double inharmonicDb(const std::vector<float>& second, int hz) {
    const double dc = mean(second);
    double energy = 0.0;
    for (float v : second) energy += (v - dc) * (v - dc);
    energy /= static_cast<double>(second.size());
    const double fundamental = 2.0 * tonePower(second, hz);
    double harmonics = 0.0;
    for (int k = 1; k * hz < kRate / 2; ++k) harmonics += 2.0 * tonePower(second, k * hz);
    return 10.0 * std::log10(std::max(energy - harmonics, 1e-30) / fundamental);
}

// Full drive at -12 dBFS: high notes come out clipped but not fizzy. The
// frequencies are primes, so no alias falls on a harmonic.
TEST(Drisk, FullDriveKeepsAliasesFarBelowTheTone) {
    struct Case {
        int hz;
        double maxInharmonicDb;
    };
    for (const Case c : {Case{1103, -35.0}, Case{2711, -35.0}, Case{4999, -25.0}}) {
        FirmwareRig rig = driveOnly(1.0f);
        rig.settle();
        const std::vector<Frame> out = rig.run(sine(c.hz, 0.25, 3 * kRate / 2));
        const std::vector<float> wet = channel(out, 2, kRate / 2);
        const double fundamental = 2.0 * tonePower(wet, c.hz);
        double harmonics = 0.0;
        for (int k = 2; k * c.hz < kRate / 2; ++k) harmonics += 2.0 * tonePower(wet, k * c.hz);
        const double inharmonic = inharmonicDb(wet, c.hz);
        const double distortion = 10.0 * std::log10(harmonics / fundamental);
        std::printf("%d Hz at -12 dBFS, ONE 1: inharmonic %.1f dBc, harmonics %.1f dBc\n", c.hz, inharmonic,
                    distortion);
        EXPECT_LT(inharmonic, c.maxInharmonicDb) << c.hz << " Hz";
        EXPECT_GT(distortion, -25.0) << c.hz << " Hz: still driven hard";
    }
}

}  // namespace
}  // namespace fxcore::firmwaretest
