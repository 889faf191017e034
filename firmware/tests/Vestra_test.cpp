// VESTRA, the shimmer reverb: decay time over ONE, the octave voice of TWO,
// the modulation lamp.
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>

#include "firmware/tests/FirmwareRig.h"

namespace fxcore::firmwaretest {
namespace {

// RT60 of the wet response to a 20 ms noise burst: a straight line fitted
// to the level of 20 ms frames from 0.25 s after the burst, down to 30 dB
// below the start of the fit (or 10 dB above the memory's noise floor),
// extrapolated to -60 dB.
double rt60(float one, float seconds) {
    FirmwareRig rig(Mode::Vestra);
    rig.setKnob(kOne, one);
    rig.setKnob(kTwo, 0.0f);
    rig.setKnob(kTweak, 0.2f);
    rig.settle();
    rig.run(noise(0.5, kRate / 50));
    const std::vector<Frame> out =
        rig.run(silence(static_cast<int>(seconds * static_cast<float>(kRate))));
    const std::size_t frame = kRate / 50;
    std::vector<double> t, level;
    for (std::size_t start = kRate / 4; start + frame <= out.size(); start += frame) {
        double energy = 0.0;
        for (std::size_t i = start; i < start + frame; ++i)
            energy += double(out[i][2]) * out[i][2] + double(out[i][3]) * out[i][3];
        const double db = 10.0 * std::log10(energy / double(frame) + 1e-30);
        if (!level.empty() && (db < level.front() - 30.0 || db < -80.0)) break;
        t.push_back(double(start) / kRate);
        level.push_back(db);
    }
    EXPECT_GE(t.size(), 5u) << "ONE " << one;
    double st = 0, sl = 0, stt = 0, stl = 0;
    const double n = double(t.size());
    for (std::size_t i = 0; i < t.size(); ++i) {
        st += t[i];
        sl += level[i];
        stt += t[i] * t[i];
        stl += t[i] * level[i];
    }
    const double slope = (n * stl - st * sl) / (n * stt - st * st);
    return -60.0 / slope;
}

TEST(Vestra, DecayTimeGrowsWithOne) {
    double previous = 0.0;
    for (const float one : {0.0f, 0.25f, 0.5f, 0.75f, 1.0f}) {
        const double rt = rt60(one, one < 0.6f ? 2.0f : 5.0f);
        std::cout << "ONE " << one << ": RT60 " << rt << " s\n";
        EXPECT_GT(rt, previous * 1.5) << "ONE " << one;
        previous = rt;
    }
    EXPECT_GT(previous, 20.0);
}

TEST(Vestra, ShimmerAddsTheOctaveAbove) {
    double previous = 0.0;
    for (const float two : {0.0f, 0.5f, 1.0f}) {
        FirmwareRig rig(Mode::Vestra);
        rig.setKnob(kOne, 0.6f);
        rig.setKnob(kTwo, two);
        rig.setKnob(kMix, 1.0f);
        rig.settle();
        const std::vector<float> wet = channel(rig.run(sine(330.0, 0.3, 3 * kRate)), 2, kRate);
        const double octave = tonePower(wet, 660.0) / tonePower(wet, 330.0);
        std::cout << "TWO " << two << ": octave above at " << 10.0 * std::log10(octave + 1e-30)
                  << " dB to the fundamental, wet peak " << peak(wet) << "\n";
        EXPECT_GT(octave, previous * 2.0) << "TWO " << two;
        previous = octave;
    }
}

// The octave voice feeds back into the tail; even at the longest decay,
// undamped, it must die away rather than build up.
TEST(Vestra, FullShimmerOnTheLongestTailStillDecays) {
    FirmwareRig rig(Mode::Vestra);
    rig.setKnob(kOne, 1.0f);
    rig.setKnob(kTwo, 1.0f);
    rig.setKnob(kTweak, 0.0f);
    rig.setKnob(kMix, 1.0f);
    rig.settle();
    rig.run(noise(0.5, kRate));
    const std::vector<Frame> tail = rig.run(silence(16 * kRate));
    const double early = rms(channel(tail, 2, 2 * kRate, 3 * kRate));
    const double late = rms(channel(tail, 2, 15 * kRate, 16 * kRate));
    std::cout << "ONE 1 TWO 1 TWEAK 0: tail " << 20.0 * std::log10(early) << " dBFS at 2 s, "
              << 20.0 * std::log10(late) << " dBFS at 15 s\n";
    EXPECT_LT(late, early * 0.5);
}

TEST(Vestra, ModulationLampFollowsClock) {
    int previousEdges = -1;
    for (const float clock : {0.0f, 0.5f, 1.0f}) {
        FirmwareRig rig(Mode::Vestra);
        rig.setKnob(kClock, clock);
        rig.settle();
        int edges = 0;
        int32_t previous = rig.core().userOut[1];
        for (int i = 0; i < 4 * kRate; ++i) {
            rig.step(0.0f, 0.0f);
            edges += rig.core().userOut[1] != previous ? 1 : 0;
            previous = rig.core().userOut[1];
        }
        std::cout << "CLOCK " << clock << ": lamp 1 changes " << edges << " times in 4 s\n";
        EXPECT_GT(edges, previousEdges) << "CLOCK " << clock;
        previousEdges = edges;
    }
    EXPECT_GE(previousEdges, 20);
}

}  // namespace
}  // namespace fxcore::firmwaretest
