// What all three modes share: the footswitch, lamp 0, the MIX law, bounded
// and DC-free output, smooth knobs, and knobs that matter over their travel.
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>

#include "firmware/tests/FirmwareRig.h"

namespace fxcore::firmwaretest {
namespace {

class FirmwareCommon : public ::testing::TestWithParam<Mode> {};

// The engage fade reaches exactly 0 within this time; measurements start
// after it.
constexpr int kFadeSamples = 4800;

TEST_P(FirmwareCommon, FootswitchBypassesBitExactlyAndReengages) {
    FirmwareRig rig(GetParam());
    rig.settle();
    const Signal program = noise(0.9, 4 * kFadeSamples, 777);
    rig.duty();

    rig.run(program);
    EXPECT_EQ(rig.duty()[0], 1.0f) << "engaged after the load";

    rig.pressBypass();
    rig.idle(kFadeSamples);
    rig.duty();
    const std::vector<Frame> bypassed = rig.run(program);
    EXPECT_EQ(rig.duty()[0], 0.0f);
    for (std::size_t i = 0; i < bypassed.size(); ++i) {
        ASSERT_EQ(bypassed[i][0], program.left[i]) << "sample " << i;
        ASSERT_EQ(bypassed[i][1], program.right[i]) << "sample " << i;
        ASSERT_EQ(bypassed[i][2], 0.0f) << "sample " << i;
        ASSERT_EQ(bypassed[i][3], 0.0f) << "sample " << i;
    }

    rig.pressBypass();
    rig.idle(kFadeSamples);
    rig.duty();
    const std::vector<Frame> engaged = rig.run(program);
    EXPECT_EQ(rig.duty()[0], 1.0f);
    EXPECT_GT(rms(channel(engaged, 2)), 0.01) << "the wet signal is back";
    double difference = 0.0;
    for (std::size_t i = 0; i < engaged.size(); ++i)
        difference = std::max(difference, std::fabs(double(engaged[i][0]) - program.left[i]));
    EXPECT_GT(difference, 0.01);
}

TEST_P(FirmwareCommon, FootswitchFadeIsClickFree) {
    FirmwareRig rig(GetParam());
    rig.setKnob(kMix, 1.0f);
    rig.settle();
    const Signal tone = sine(220.0, 0.5, 3 * kFadeSamples);
    const double steady = maxSecondDifference(channel(rig.run(tone), 0));
    rig.pressBypass();
    const std::vector<Frame> fading = rig.run(tone);
    EXPECT_LT(maxSecondDifference(channel(fading, 0)), steady + 0.02);
}

// The engage gain's 10 % to 90 % time, seen in the wet output: two rigs run
// the same noise, one has its footswitch pressed, and the ratio of their
// output 2 is the gain fading from 1 to 0.  (The programs mute their input
// with the same gain, but in the first tens of milliseconds the wet output
// is still made of what came in before the press.)
TEST_P(FirmwareCommon, BypassFadeTakes12MsFrom90To10Percent) {
    FirmwareRig pressed(GetParam());
    FirmwareRig held(GetParam());
    for (FirmwareRig* rig : {&pressed, &held}) {
        rig->setKnob(kMix, 1.0f);
        rig->settle();
        rig->run(noise(0.5, kRate / 2, 31));
    }
    const Signal program = noise(0.5, kFadeSamples, 32);
    pressed.setFootswitch(true);
    long first90 = -1, first10 = -1, toggled = -1;
    for (std::size_t i = 0; i < program.left.size(); ++i) {
        const float a = pressed.step(program.left[i], program.right[i])[2];
        const float b = held.step(program.left[i], program.right[i])[2];
        if (std::fabs(b) < 0.02f) continue;  // ratio too coarse near zero
        const double gain = double(a) / double(b);
        const long n = static_cast<long>(i);
        if (toggled < 0 && gain < 0.999) toggled = n;
        if (first90 < 0 && gain < 0.9) first90 = n;
        if (first10 < 0 && gain < 0.1) first10 = n;
    }
    ASSERT_GE(toggled, 0) << "the press never faded the wet output";
    ASSERT_GE(first10, 0);
    const double ms = double(first10 - first90) * 1000.0 / kRate;
    std::cout << modeName(GetParam()) << ": bypass fade 90 % to 10 % in " << ms << " ms, "
              << double(first10 - toggled) * 1000.0 / kRate << " ms after it began\n";
    // ln(9) / 2^-8 samples = 11.7 ms at 48 kHz; the 0.02 gate costs a few samples.
    EXPECT_NEAR(ms, 11.7, 0.3);
}

TEST_P(FirmwareCommon, MixGoesFromDryToWetAlone) {
    const Signal program = noise(0.5, 24000, 99);
    struct Case {
        float mix;
        int matches;  // the output that out0 equals
    };
    for (const Case c : {Case{0.0f, -1}, Case{1.0f, 2}}) {
        FirmwareRig rig(GetParam());
        rig.setKnob(kMix, c.mix);
        rig.settle();
        const std::vector<Frame> out = rig.run(program);
        double worst = 0.0;
        for (std::size_t i = 0; i < out.size(); ++i) {
            const double reference = c.matches < 0 ? program.left[i] : out[i][2];
            worst = std::max(worst, std::fabs(out[i][0] - reference));
        }
        EXPECT_LT(worst, 1e-6) << "MIX " << c.mix;
        EXPECT_GT(rms(channel(out, 2)), 0.005) << "wet present at MIX " << c.mix;
    }
}

TEST_P(FirmwareCommon, OutputStaysBoundedAndFreeOfDcAtExtremeSettings) {
    double worstDc = 0.0;
    for (const float setting : {0.0f, 1.0f}) {
        for (const float other : {0.0f, 1.0f}) {
            FirmwareRig rig(GetParam());
            for (int pot : kKnobs) rig.setKnob(pot, pot == kOne || pot == kTwo ? setting : other);
            rig.setKnob(kMix, 1.0f);
            // DRISK's slow hold clock folds high harmonics of a few-bit tone
            // down to a few hertz: an alias that is the effect, not an offset.
            if (GetParam() == Mode::Drisk) rig.setKnob(kClock, 1.0f);
            rig.settle();
            const std::vector<Frame> tone = rig.run(sine(120.0, 0.25, 72000));
            const std::vector<Frame> loud = rig.run(noise(1.0, 48000, 5));
            for (int output = 0; output < 4; ++output) {
                EXPECT_LE(peak(channel(loud, output)), 1.0);
                const double dc = dcLevel(channel(tone, output, 24000));
                worstDc = std::max(worstDc, std::fabs(dc));
                EXPECT_LT(std::fabs(dc), 1e-4)
                    << "output " << output << " ONE/TWO " << setting << " others " << other;
            }
        }
    }
    std::cout << modeName(GetParam()) << ": largest output DC with a tone "
              << worstDc << "\n";
}

INSTANTIATE_TEST_SUITE_P(Modes, FirmwareCommon, ::testing::ValuesIn(kModes),
                         [](const auto& param) { return std::string(modeName(param.param)); });

}  // namespace
}  // namespace fxcore::firmwaretest
