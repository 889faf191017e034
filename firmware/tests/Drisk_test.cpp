// DRISK, the crusher: bit depth over TWO, hold clock over CLOCK, drive over
// ONE and the clip lamp, the drive's level and aliasing, and the start.
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
                  << " dB, third harmonic " << 10.0 * std::log10(third)
                  << " dB, wet rms " << 20.0 * std::log10(rms(wet)) << " dBFS, lamp " << lamp
                  << "\n";
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

// A plucked-string phrase (Karplus-Strong): four notes of a low guitar
// chord, 0.4 s apart, each ringing on under the next, scaled to the peak
// `peakLevel`.
Signal pluckedPhrase(double peakLevel) {
    Signal s = silence(kRate * 2);
    uint32_t seed = 2024;
    const double notes[] = {110.0, 146.8, 196.0, 246.9};
    for (std::size_t n = 0; n < std::size(notes); ++n) {
        const std::size_t start = n * kRate * 2 / 5;
        std::vector<double> string(static_cast<std::size_t>(std::lround(kRate / notes[n])));
        for (double& v : string) {
            seed = seed * 1664525u + 1013904223u;
            v = static_cast<double>(static_cast<int32_t>(seed)) / 2147483648.0;
        }
        for (std::size_t i = 0; start + i < s.left.size(); ++i) {
            const std::size_t k = i % string.size();
            s.left[start + i] += static_cast<float>(string[k]);
            string[k] = 0.498 * (string[k] + string[(k + 1) % string.size()]);
        }
    }
    const double scale = peakLevel / peak(s.left);
    for (std::size_t i = 0; i < s.left.size(); ++i)
        s.left[i] = s.right[i] = static_cast<float>(s.left[i] * scale);
    return s;
}

// The drive alone: bits at 16, the hold clock at every sample, the tone open.
FirmwareRig driveOnly(float one) {
    FirmwareRig rig = cleanCrusher();
    rig.setKnob(kOne, one);
    return rig;
}

double decibels(double ratio) { return 20.0 * std::log10(ratio); }

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
        std::printf("%d Hz at -12 dBFS, ONE 1: inharmonic %.1f dBc, harmonics %.1f dBc\n", c.hz,
                    inharmonic, distortion);
        EXPECT_LT(inharmonic, c.maxInharmonicDb) << c.hz << " Hz";
        EXPECT_GT(distortion, -25.0) << c.hz << " Hz: still driven hard";
    }
}

// After a program load the effect runs at its knobs within 5 ms: from then
// on it sounds as it does once settled. `knobs` holds ONE, MIX, TWO, CLOCK
// and TWEAK. The reference rig settles in silence before the same phrase
// (a note struck at the first sample), so both have heard silence before
// it and only the start of the pots differs. Returns the rms of the
// difference of the pedal's outputs from `afterSamples` on, in dB against
// the settled rig's, and checks that the smoothed pots have arrived.
double startupDifferenceDb(Mode mode, const std::array<float, 5>& knobs, int afterSamples) {
    FirmwareRig fresh(mode);
    FirmwareRig settled(mode);
    for (std::size_t k = 0; k < kKnobs.size(); ++k) {
        fresh.setKnob(kKnobs[k], knobs[k]);
        settled.setKnob(kKnobs[k], knobs[k]);
    }
    settled.settle();
    Signal input = pluckedPhrase(0.5);
    input.left.resize(kRate / 4);
    input.right.resize(kRate / 4);
    const std::vector<Frame> a = fresh.run(input);
    const std::vector<Frame> b = settled.run(input);
    double difference = 0.0, reference = 0.0;
    for (std::size_t i = static_cast<std::size_t>(afterSamples); i < a.size(); ++i)
        for (std::size_t out = 0; out < 2; ++out) {
            difference += (double(a[i][out]) - b[i][out]) * (double(a[i][out]) - b[i][out]);
            reference += double(b[i][out]) * b[i][out];
        }
    for (int pot : kKnobs) {
        const int sfr = FXCoreCore::kSfrPotSmoothed0 + pot;
        EXPECT_NEAR(fresh.core().readSFR(sfr) / 2147483648.0,
                    settled.core().readSFR(sfr) / 2147483648.0, 1e-6)
            << knobName(pot);
    }
    return 10.0 * std::log10(difference / reference);
}

TEST(Drisk, RunsAtItsKnobsWithinFiveMillisecondsOfTheLoad) {
    struct Case {
        std::array<float, 5> knobs;  // ONE, MIX, TWO, CLOCK, TWEAK
    };
    // CLOCK at 1: at a slower hold clock the two rigs' clocks run in
    // different phases after the reference's settling, which is not a
    // matter of the start.
    for (const Case c : {Case{{0.9f, 1.0f, 0.7f, 1.0f, 0.8f}}, Case{{0.2f, 0.4f, 0.3f, 1.0f, 0.1f}},
                         Case{{1.0f, 0.8f, 0.5f, 1.0f, 0.3f}}}) {
        const double differenceDb = startupDifferenceDb(Mode::Drisk, c.knobs, 240);
        std::printf("ONE %.1f MIX %.1f TWO %.1f CLOCK %.1f TWEAK %.1f: after 5 ms the output "
                    "differs from the settled one by %.1f dB\n",
                    c.knobs[0], c.knobs[1], c.knobs[2], c.knobs[3], c.knobs[4], differenceDb);
        EXPECT_LT(differenceDb, -30.0);
    }
}

}  // namespace
}  // namespace fxcore::firmwaretest
