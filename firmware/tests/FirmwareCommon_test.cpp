// What all three modes share: the footswitch, lamp 0, the MIX law, bounded
// and DC-free output, the start at the knobs after a load, and the levels
// with the demo phrase.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <optional>

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
    std::cout << modeName(GetParam()) << ": largest output DC with a tone " << worstDc << "\n";
}

// A program load (activation, a mode change) runs the effect at its knobs'
// positions within 5 ms, instead of gliding the pots up from 0 for some
// 80 ms. One row per mode, in mode order. MIX is 1 in every row, so any dry
// signal in outputs 0 and 1 is a pot still on its way.
struct StartRow {
    std::array<float, 5> knobs;  // ONE, MIX, TWO, CLOCK, TWEAK
    // Largest rms difference of outputs 0 and 1 from a settled pedal's, from
    // 5 ms on, in dB against the settled pedal's; none where LFOs (KAVRO's
    // wow, VESTRA's tank) run in other phases after seconds of settling, so
    // only the levels can be compared.
    std::optional<double> maxDifferenceDb;
    // The program glides its delay time after ONE (KAVRO's tape heads): a
    // click 5 ms after the load must repeat at the settled delay.
    bool glidesItsDelay;
};
// DRISK's CLOCK at 1: at a slower hold clock the settled pedal's clock runs
// in another phase too. KAVRO's CLOCK 1 and TWEAK 0 give the least wow.
constexpr std::array<StartRow, 3> kStartRows{{
    {{0.3f, 1.0f, 0.0f, 1.0f, 0.0f}, std::nullopt, true},   // KAVRO
    {{0.9f, 1.0f, 0.7f, 1.0f, 0.8f}, -30.0, false},         // DRISK
    {{0.9f, 1.0f, 0.8f, 0.1f, 0.7f}, std::nullopt, false},  // VESTRA
}};
constexpr int kStartSamples = 240;  // 5 ms at 48 kHz

// Largest level difference of outputs 0 and 1 of `a` from those of `b` in
// 10 ms frames from `from` on, in dB; frames silent (below -80 dBFS) in both
// are left out.
double worstFrameLevelDb(const std::vector<Frame>& a, const std::vector<Frame>& b, std::size_t from) {
    constexpr std::size_t kFrame = kRate / 100;
    constexpr double kSilent = 1e-8 * 2 * kFrame;
    double worst = 0.0;
    for (std::size_t start = from; start + kFrame <= std::min(a.size(), b.size()); start += kFrame) {
        double ea = 0.0, eb = 0.0;
        for (std::size_t i = start; i < start + kFrame; ++i)
            for (std::size_t side = 0; side < 2; ++side) {
                ea += double(a[i][side]) * a[i][side];
                eb += double(b[i][side]) * b[i][side];
            }
        if (ea < kSilent && eb < kSilent) continue;
        worst = std::max(worst, std::fabs(10.0 * std::log10((ea + 1e-30) / (eb + 1e-30))));
    }
    return worst;
}

TEST_P(FirmwareCommon, RunsAtItsKnobsWithin5msOfALoad) {
    const StartRow& row = kStartRows[static_cast<std::size_t>(GetParam())];
    FirmwareRig fresh(GetParam());
    FirmwareRig settled(GetParam());
    fresh.setKnobs(row.knobs);
    settled.setKnobs(row.knobs);
    settled.settle();

    // A note struck at the load; the settled pedal has heard only silence
    // before it too, so only the start of the pots tells the two apart.
    Signal note = pluckedPhrase(0.5);
    note.left.resize(kRate / 4);
    note.right.resize(kRate / 4);
    std::vector<Frame> out;
    for (std::size_t i = 0; i < note.left.size(); ++i) {
        out.push_back(fresh.step(note.left[i], note.right[i]));
        if (i + 1 != kStartSamples) continue;
        for (int pot : kKnobs) {
            const int sfr = FXCoreCore::kSfrPotSmoothed0 + pot;
            EXPECT_NEAR(fresh.core().readSFR(sfr) / 2147483648.0, settled.core().readSFR(sfr) / 2147483648.0,
                        1e-6)
                << knobName(pot) << " 5 ms after the load";
        }
    }
    const std::vector<Frame> reference = settled.run(note);

    double leak = 0.0, difference = 0.0, power = 0.0;
    for (std::size_t i = kStartSamples; i < out.size(); ++i)
        for (std::size_t side = 0; side < 2; ++side) {
            leak = std::max(leak, std::fabs(double(out[i][side]) - out[i][side + 2]));
            const double d = double(out[i][side]) - reference[i][side];
            difference += d * d;
            power += double(reference[i][side]) * reference[i][side];
        }
    const double differenceDb = 10.0 * std::log10(difference / power);
    const double frameLevelDb = worstFrameLevelDb(out, reference, kStartSamples);
    std::printf(
        "%s: from 5 ms after a load the output differs from a settled pedal's by "
        "%.1f dB rms, its 10 ms levels by %.2f dB at most; dry leak at MIX 1 %.2g\n",
        modeName(GetParam()), differenceDb, frameLevelDb, leak);
    EXPECT_LT(leak, 1e-6) << "dry signal at MIX 1";
    EXPECT_LT(frameLevelDb, 1.0);
    if (row.maxDifferenceDb) {
        EXPECT_LT(differenceDb, *row.maxDifferenceDb);
    }

    if (row.glidesItsDelay) {
        FirmwareRig clicked(GetParam());
        clicked.setKnobs(row.knobs);
        clicked.idle(kStartSamples);
        const std::size_t echo = strongestSample(channel(clicked.run(impulse(0.8, kRate)), 2));
        settled.idle(kRate);
        const std::size_t settledEcho = strongestSample(channel(settled.run(impulse(0.8, kRate)), 2));
        std::printf("%s: a click 5 ms after a load repeats after %zu samples (settled: %zu)\n",
                    modeName(GetParam()), echo, settledEcho);
        EXPECT_NEAR(double(echo), double(settledEcho), 3.0);
    }

    // Later moves are smoothed as always: MIX thrown from 1 to 0 has gone
    // 11-13 % of the way 144 samples on (at least 120 past the pot scan that
    // sees it, on the 21 ms one-pole of shift 10), where no smoothing would
    // have gone all of it.
    const double from = fresh.core().readSFR(FXCoreCore::kSfrPotRaw0 + kMix);
    fresh.setKnob(kMix, 0.0f);
    fresh.idle(144);
    const double moved = 1.0 - fresh.core().readSFR(FXCoreCore::kSfrPotSmoothed0 + kMix) / from;
    EXPECT_GT(moved, 0.08);
    EXPECT_LT(moved, 0.16) << "a later knob move is not smoothed";
}

// The README's levels with the demo phrase, every knob at the middle (MIX
// 0.5), over both channels as corlinde-host render prints them. One row per
// mode, in mode order; dBFS.
struct DemoLevels {
    double outputRms, outputPeak, wetRms, wetPeak;
};
constexpr std::array<DemoLevels, 3> kDemoLevels{{
    {-21.7, -5.3, -22.7, -6.8},   // KAVRO
    {-20.6, -4.7, -24.0, -10.1},  // DRISK
    {-22.4, -5.5, -26.1, -10.9},  // VESTRA
}};

TEST_P(FirmwareCommon, DemoPhraseLevelsMatchTheReadme) {
    const Signal demo = readStereoFile(CORLINDE_DEMO_WAV);
    ASSERT_FALSE(demo.left.empty()) << CORLINDE_DEMO_WAV;
    FirmwareRig rig(GetParam());
    const std::vector<Frame> out = rig.run(demo);
    // rms and peak in dBFS of outputs `first` and `first + 1` together.
    auto levels = [&out](int first) {
        std::vector<float> both = channel(out, first);
        const std::vector<float> other = channel(out, first + 1);
        both.insert(both.end(), other.begin(), other.end());
        return std::array<double, 2>{20.0 * std::log10(rms(both)), 20.0 * std::log10(peak(both))};
    };
    const auto mixed = levels(0), wet = levels(2);
    std::printf(
        "%s, demo phrase: output rms %.2f dBFS, peak %.2f dBFS; wet alone rms %.2f dBFS, "
        "peak %.2f dBFS\n",
        modeName(GetParam()), mixed[0], mixed[1], wet[0], wet[1]);
    const DemoLevels& stated = kDemoLevels[static_cast<std::size_t>(GetParam())];
    EXPECT_NEAR(mixed[0], stated.outputRms, 0.1);
    EXPECT_NEAR(mixed[1], stated.outputPeak, 0.1);
    EXPECT_NEAR(wet[0], stated.wetRms, 0.1);
    EXPECT_NEAR(wet[1], stated.wetPeak, 0.1);
}

INSTANTIATE_TEST_SUITE_P(Modes, FirmwareCommon, ::testing::ValuesIn(kModes),
                         [](const auto& param) { return std::string(modeName(param.param)); });

}  // namespace
}  // namespace fxcore::firmwaretest
