// What all three modes share: the footswitch, lamp 0, the MIX law, bounded
// and DC-free output, smooth knobs, and knobs that matter over their travel.
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>

#include "firmware/tests/FirmwareRig.h"

namespace fxcore::firmwaretest {
namespace {

class FirmwareCommon : public ::testing::TestWithParam<Mode> {};

// The engage fade lasts about 25 ms; measurements start after it.
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
