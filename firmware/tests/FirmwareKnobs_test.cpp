// The knobs of all three modes: each one changes the sound all along its
// travel, and turning one does not step or click (the pots are smoothed).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>

#include "firmware/tests/FirmwareRig.h"
#include "testsupport/Figures.h"

namespace fxcore::firmwaretest {
namespace {

// A short phrase: a noise hit, a held note, then room for echoes and tails.
Signal phrase() {
    Signal s = silence(kRate);
    const Signal hit = noise(0.4, kRate / 10, 31);
    const Signal note = sine(196.0, 0.3, kRate * 3 / 10);
    for (std::size_t i = 0; i < hit.left.size(); ++i) {
        s.left[i] = hit.left[i];
        s.right[i] = hit.right[i];
    }
    for (std::size_t i = 0; i < note.left.size(); ++i) {
        s.left[hit.left.size() + i] = note.left[i];
        s.right[hit.left.size() + i] = note.right[i];
    }
    return s;
}

std::vector<Frame> render(Mode mode, int pot, float position, const Signal& input) {
    FirmwareRig rig(mode);
    rig.setKnob(pot, position);
    rig.settle();
    return rig.run(input);
}

double relativeDifference(const std::vector<Frame>& a, const std::vector<Frame>& b) {
    double diff = 0.0, energy = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i)
        for (int k = 0; k < 2; ++k) {
            const double d = double(a[i][std::size_t(k)]) - b[i][std::size_t(k)];
            diff += d * d;
            energy += double(a[i][std::size_t(k)]) * a[i][std::size_t(k)];
        }
    return std::sqrt(diff / (energy + 1e-30));
}

class FirmwareKnobs : public ::testing::TestWithParam<Mode> {};

TEST_P(FirmwareKnobs, EveryKnobMattersOverItsWholeTravel) {
    const Signal input = phrase();
    double smallest = 1e9, smallestBitDepth = 1e9;
    for (int pot : kKnobs) {
        std::vector<Frame> previous = render(GetParam(), pot, 0.0f, input);
        for (const float position : {0.25f, 0.5f, 0.75f, 1.0f}) {
            std::vector<Frame> now = render(GetParam(), pot, position, input);
            // DRISK's bit depth reaches clean at the top: 12 bits against 15
            // differ only by quantisation noise some 70 dB down.
            const bool bitDepth = GetParam() == Mode::Drisk && pot == kTwo;
            const double change = relativeDifference(previous, now);
            double& least = bitDepth ? smallestBitDepth : smallest;
            least = std::min(least, change);
            EXPECT_GT(change, bitDepth ? 5e-5 : 0.01)
                << knobName(pot) << " from " << position - 0.25f << " to " << position;
            previous = std::move(now);
        }
    }
    // The smallest change a quarter turn makes, in % of the output's rms.
    const std::string key = std::string("knobs.smallest_quarter_turn_pct.") + modeKey(GetParam());
    corlinde::test::recordFigure(key, 100.0 * smallest, 1);
    if (smallestBitDepth < 1e9) corlinde::test::recordFigure(key + "_two", 100.0 * smallestBitDepth, 3);
}

// A knob thrown from one end to the other while a note plays: the output's
// sharpest corner during the change is no sharper than at either end.
TEST_P(FirmwareKnobs, KnobsTurnWithoutZipperNoise) {
    for (int pot : kKnobs) {
        // KAVRO's delay time glides like a tape transport; its pitch bend
        // while the time changes is the intended sound.
        if (GetParam() == Mode::Kavro && pot == kOne) continue;
        FirmwareRig rig(GetParam());
        rig.setKnob(pot, 0.0f);
        rig.settle();
        const Signal note = sine(220.0, 0.3, kRate / 4);
        rig.run(note);
        const double before = maxSecondDifference(channel(rig.run(note), 0));
        rig.setKnob(pot, 1.0f);
        const double during = maxSecondDifference(channel(rig.run(note), 0));
        rig.run(note);
        const double after = maxSecondDifference(channel(rig.run(note), 0));
        EXPECT_LE(during, 1.25 * std::max(before, after) + 2e-3)
            << knobName(pot) << ": before " << before << ", during " << during << ", after " << after;
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, FirmwareKnobs, ::testing::ValuesIn(kModes),
                         [](const auto& param) { return std::string(modeName(param.param)); });

}  // namespace
}  // namespace fxcore::firmwaretest
