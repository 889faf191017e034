// DRISK, the crusher: bit depth over TWO at any input level, hold clock over
// CLOCK, no DC at any knob corner, drive over ONE and the clip lamp, the
// drive's level and aliasing.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <numbers>
#include <string>
#include <vector>

#include "firmware/tests/FirmwareRig.h"
#include "testsupport/Figures.h"

namespace fxcore::firmwaretest {
namespace {

using corlinde::test::recordFigure;

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

// ---- signals of the crusher's own tests ---------------------------------

Signal scaledToPeak(Signal s, double peakDb) {
    const double scale = std::pow(10.0, peakDb / 20.0) / std::max(peak(s.left), peak(s.right));
    for (float& v : s.left) v = static_cast<float>(v * scale);
    for (float& v : s.right) v = static_cast<float>(v * scale);
    return s;
}

// The plucked phrase without the offset its random excitation leaves, so
// the DC blocker's removing it does not count as a change of level.
Signal guitarPhrase(double peakDb) {
    Signal s = pluckedPhrase(1.0);
    const double offset = mean(s.left);
    for (float& v : s.left) v = static_cast<float>(v - offset);
    s.right = s.left;
    return scaledToPeak(s, peakDb);
}

// A picked bass line: one string sounding at a time, each note cut by the
// next, the string's shape a triangle plucked a fifth of the way along
// (harmonics falling as 1/n^2, most of the energy in the fundamental,
// 41 to 62 Hz), 0.3 s a note, 3 s in all.
Signal pickedBassLine(double peakDb) {
    const double notes[] = {41.2, 41.2, 49.0, 55.0, 41.2, 61.7, 55.0, 49.0};
    const std::size_t noteLength = kRate * 3 / 10;
    Signal s = silence(kRate * 3);
    for (std::size_t n = 0; n < std::size(notes); ++n) {
        std::vector<double> string(static_cast<std::size_t>(std::lround(kRate / notes[n])));
        for (std::size_t k = 0; k < string.size(); ++k) {
            const double x = static_cast<double>(k) / static_cast<double>(string.size());
            string[k] = (x < 0.2 ? x / 0.2 : (1.0 - x) / 0.8) - 0.5;
        }
        const std::size_t start = n * noteLength;
        const std::size_t end = n + 1 < std::size(notes) ? start + noteLength : s.left.size();
        for (std::size_t i = start; i < end; ++i) {
            const std::size_t k = (i - start) % string.size();
            const double release = std::min(1.0, static_cast<double>(end - i) / 240.0);  // 5 ms
            s.left[i] = static_cast<float>(string[k] * release);
            string[k] = 0.4997 * (string[k] + string[(k + 1) % string.size()]);
        }
    }
    s.right = s.left;
    return scaledToPeak(s, peakDb);
}

// A tone whose halves differ (a fundamental and half its amplitude of the
// octave above): rounding it to a few levels and holding it give an offset.
Signal lopsidedTone(double peakDb, int samples) {
    Signal s = silence(samples);
    for (std::size_t i = 0; i < s.left.size(); ++i) {
        const double phase = 2.0 * std::numbers::pi * 220.0 * static_cast<double>(i) / kRate;
        s.left[i] = s.right[i] = static_cast<float>(std::sin(phase) + 0.5 * std::sin(2.0 * phase + 0.7));
    }
    return scaledToPeak(s, peakDb);
}

// The first 2.5 s of the demo phrase (the arpeggio and the double stop),
// which keeps the tests short; empty when the file cannot be read.
Signal demoOpening() {
    Signal s = readStereoFile(CORLINDE_DEMO_WAV);
    const std::size_t length = std::min(s.left.size(), std::size_t{kRate * 5 / 2});
    s.left.resize(length);
    s.right.resize(length);
    return s;
}

// The same signal on one side only, silence on the other.
Signal oneSide(const Signal& s, int side) {
    Signal one = s;
    std::fill(side == 0 ? one.right.begin() : one.left.begin(), side == 0 ? one.right.end() : one.left.end(),
              0.0f);
    return one;
}

double decibels(double ratio) {
    return 20.0 * std::log10(ratio);
}

// Signal against the difference to a reference render, in dB.
double signalToErrorDb(const std::vector<float>& reference, const std::vector<float>& x) {
    double signal = 0.0, error = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        signal += double(reference[i]) * reference[i];
        error += (double(x[i]) - reference[i]) * (double(x[i]) - reference[i]);
    }
    return 10.0 * std::log10(signal / std::max(error, 1e-30));
}

// ---- bit depth ------------------------------------------------------------

// Effective bits of the wet output of each channel from the rounding error
// of a 441 Hz sine, against a render at TWO 1 (the finest steps), by the
// full-swing sine's 6.02 dB a bit plus 1.76 dB.
TEST(Drisk, BitDepthFollowsTwoAtAnyInputLevel) {
    auto render = [](float two, const Signal& tone) {
        FirmwareRig rig = cleanCrusher();
        rig.setKnob(kTwo, two);
        rig.settle();
        return rig.run(tone);
    };
    const std::array<float, 4> twos{0.0f, 0.25f, 0.5f, 0.75f};
    constexpr std::array<const char*, 4> kTwoKeys{"two_0", "two_0_25", "two_0_5", "two_0_75"};
    std::array<double, 4> lowest{}, highest{};
    lowest.fill(100.0);
    for (const double peakDb : {-6.0, -18.0, -30.0}) {
        const std::string level = "drisk.effective_bits.minus_" + std::to_string(int(-peakDb)) + ".";
        const Signal tone = scaledToPeak(sine(441.0, 1.0, kRate), peakDb);
        const std::vector<Frame> reference = render(1.0f, tone);
        std::printf("441 Hz at %5.1f dBFS, effective bits at TWO 0 / 0.25 / 0.5 / 0.75 (left, right):",
                    peakDb);
        for (std::size_t k = 0; k < twos.size(); ++k) {
            const std::vector<Frame> out = render(twos[k], tone);
            double lower = 100.0;  // of the two sides
            for (int output : {2, 3}) {
                const std::size_t from = kRate / 4;
                const double bits =
                    (signalToErrorDb(channel(reference, output, from), channel(out, output, from)) - 1.76) /
                    6.02;
                std::printf(" %.2f", bits);
                lower = std::min(lower, bits);
                lowest[k] = std::min(lowest[k], bits);
                highest[k] = std::max(highest[k], bits);
            }
            recordFigure(level + kTwoKeys[k], lower, 2);
        }
        std::printf("\n");
    }
    for (std::size_t k = 0; k < twos.size(); ++k) {
        recordFigure(std::string("drisk.effective_bits.") + kTwoKeys[k] + ".min", lowest[k], 1);
        recordFigure(std::string("drisk.effective_bits.") + kTwoKeys[k] + ".max", highest[k], 1);
    }
    // TWO 0 is two bits across the sine's own swing at every level (three
    // over full scale for a signal peaking at -6 dBFS), then some 3 bits
    // more a quarter turn; quiet playing keeps the same depth as loud.
    EXPECT_NEAR(lowest[0], 2.1, 0.3);
    for (std::size_t k = 0; k < twos.size(); ++k) {
        EXPECT_LT(highest[k] - lowest[k], 0.3)
            << "TWO " << twos[k] << ": the depth follows the input's level";
        if (k > 0) {
            EXPECT_GT(lowest[k], highest[k - 1] + 2.5) << "TWO " << twos[k];
        }
    }
}

// A guitar stays audible through the fewest bits at any playing level, and
// TWO 0 still crushes it: MIX 1, the other knobs at their middles, each
// channel measured on its own, with the phrase on both sides and on one.
TEST(Drisk, TwoKeepsAGuitarAudibleAndStillCrushesIt) {
    const Signal demo = demoOpening();
    ASSERT_FALSE(demo.left.empty()) << CORLINDE_DEMO_WAV;
    struct Case {
        const char* name;
        Signal input;
        std::size_t group;  // of the figures: 0 plucked, 1 demo, 2 one side
    };
    std::vector<Case> cases;
    for (const double peakDb : {-6.0, -18.0, -30.0}) {
        cases.push_back({"plucked phrase", guitarPhrase(peakDb), 0});
        cases.push_back({"demo phrase", scaledToPeak(demo, peakDb), 1});
    }
    cases.push_back({"plucked phrase, left only", oneSide(guitarPhrase(-18.0), 0), 2});
    cases.push_back({"plucked phrase, right only", oneSide(guitarPhrase(-18.0), 1), 2});
    constexpr std::array<const char*, 3> kGroupKeys{"plucked", "demo", "one_side"};
    std::array<double, 3> lowest{1e9, 1e9, 1e9}, highest{-1e9, -1e9, -1e9};
    double lowestCrush = 1e9, highestCrush = -1e9;
    for (const Case& c : cases) {
        const double inputPeak = decibels(std::max(peak(c.input.left), peak(c.input.right)));
        std::printf("%-26s at %5.1f dBFS: wet against dry at TWO 0 .. 1 (left / right):", c.name, inputPeak);
        std::vector<Frame> reference;
        for (const float two : {1.0f, 0.75f, 0.5f, 0.25f, 0.0f}) {
            FirmwareRig rig(Mode::Drisk);
            rig.setKnob(kMix, 1.0f);
            rig.setKnob(kTwo, two);
            rig.settle();
            const std::vector<Frame> out = rig.run(c.input);
            for (int side : {0, 1}) {
                const std::vector<float>& dry = side == 0 ? c.input.left : c.input.right;
                const std::vector<float> wet = channel(out, side);
                if (rms(dry) == 0.0) {
                    EXPECT_EQ(peak(wet), 0.0) << c.name << ": the silent side stays silent";
                    continue;
                }
                const double level = decibels(rms(wet) / rms(dry));
                std::printf(" %+.1f", level);
                lowest[c.group] = std::min(lowest[c.group], level);
                highest[c.group] = std::max(highest[c.group], level);
                EXPECT_GT(level, -12.0)
                    << c.name << " at " << inputPeak << " dBFS, TWO " << two << ", side " << side;
                if (two == 0.0f) {
                    const double crush = signalToErrorDb(channel(reference, side), wet);
                    std::printf(" (%.1f dB to the crush)", crush);
                    lowestCrush = std::min(lowestCrush, crush);
                    highestCrush = std::max(highestCrush, crush);
                    EXPECT_LT(crush, 12.0) << c.name << " at " << inputPeak << " dBFS: TWO 0 crushes";
                }
            }
            if (two == 1.0f) reference = out;
        }
        std::printf("\n");
    }
    for (std::size_t g = 0; g < kGroupKeys.size(); ++g) {
        recordFigure(std::string("drisk.guitar_level_db.") + kGroupKeys[g] + ".min", lowest[g], 1);
        recordFigure(std::string("drisk.guitar_level_db.") + kGroupKeys[g] + ".max", highest[g], 1);
    }
    recordFigure("drisk.guitar_crush_db.min", lowestCrush, 1);
    recordFigure("drisk.guitar_crush_db.max", highestCrush, 1);
}

// Rounding a lopsided wave to a few levels, and holding it, shift its mean;
// the DC blocker after the quantiser takes that out at every corner of the
// knobs, on every output.
TEST(Drisk, OutputStaysFreeOfDcAtEveryKnobCorner) {
    struct Case {
        const char* name;
        const char* key;
        Signal input;
    };
    const std::vector<Case> cases{{"lopsided tone at -6 dBFS", "lopsided_tone", lopsidedTone(-6.0, kRate)},
                                  {"lopsided tone at -24 dBFS, left only", "lopsided_tone_left",
                                   oneSide(lopsidedTone(-24.0, kRate), 0)},
                                  {"picked bass line at -12 dBFS", "bass_line", pickedBassLine(-12.0)}};
    for (const Case& c : cases) {
        double worst = 0.0;
        for (int corner = 0; corner < 16; ++corner) {
            FirmwareRig rig(Mode::Drisk);
            rig.setKnob(kMix, 1.0f);
            for (int k = 0; k < 4; ++k)
                rig.setKnob(std::array<int, 4>{kOne, kTwo, kClock, kTweak}[std::size_t(k)],
                            static_cast<float>((corner >> k) & 1));
            rig.idle(kRate / 10);
            const std::vector<Frame> out = rig.run(c.input);
            for (int output = 0; output < 4; ++output) {
                const double dc = dcLevel(channel(out, output, kRate / 4));
                worst = std::max(worst, std::fabs(dc));
                EXPECT_LT(std::fabs(dc), 1e-3)
                    << c.name << ", output " << output << ", ONE/TWO/CLOCK/TWEAK " << (corner & 1)
                    << (corner >> 1 & 1) << (corner >> 2 & 1) << (corner >> 3 & 1);
            }
        }
        std::printf("%s: largest DC over the 16 corners of ONE, TWO, CLOCK and TWEAK %.2g\n", c.name, worst);
        recordFigure(std::string("drisk.dc_dbfs.") + c.key, 20.0 * std::log10(worst), 0);
    }
}

// ---- hold clock -------------------------------------------------------------

// x under a Hann window, so a strong tone leaks little into a weak one's
// measurement far from it.
std::vector<float> hannWindowed(std::vector<float> x) {
    const double n = static_cast<double>(x.size());
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = static_cast<float>(x[i] * (0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * double(i) / n)));
    return x;
}

// Power at `hz` by the Goertzel recurrence (one multiply-add a sample), in
// the units of tonePower.
double goertzelPower(const std::vector<float>& x, double hz) {
    const double c = 2.0 * std::cos(2.0 * std::numbers::pi * hz / kRate);
    double s1 = 0.0, s2 = 0.0;
    for (float v : x) {
        const double s0 = v + c * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double n = static_cast<double>(x.size());
    return (s1 * s1 + s2 * s2 - c * s1 * s2) / (n * n);
}

// The hold clock heard as the images it folds a 97 Hz tone into, a pair at
// the clock minus and plus 97 Hz: the strongest component off the tone's
// harmonics (found on a 2 Hz grid in 0.25 s of the wet output, then on a
// 0.1 Hz grid around it in 1 s, both Hann-windowed) is one of the pair, and
// the stronger of its two possible partners, 194 Hz above or below, tells
// which.
struct ClockImage {
    double hz;   // the hold clock
    double dbc;  // the stronger image against the tone
};
ClockImage holdClock(float clock) {
    FirmwareRig rig = cleanCrusher();
    rig.setKnob(kClock, clock);
    rig.settle();
    const std::vector<Frame> out = rig.run(sine(97.0, 0.5, kRate + 4800));
    const std::vector<float> coarse = hannWindowed(channel(out, 2, 4800, 4800 + kRate / 4));
    const std::vector<float> fine = hannWindowed(channel(out, 2, 4800));
    auto strongest = [](const std::vector<float>& x, double from, double to, double step) {
        double best = from, bestPower = -1.0;
        for (double hz = from; hz < to; hz += step) {
            if (std::fabs(hz - 97.0 * std::round(hz / 97.0)) < 6.0) continue;  // a harmonic
            const double power = goertzelPower(x, hz);
            if (power > bestPower) {
                best = hz;
                bestPower = power;
            }
        }
        return best;
    };
    const double roughly = strongest(coarse, 150.0, 23900.0, 2.0);
    const double image = strongest(fine, roughly - 3.0, roughly + 3.0, 0.1);
    const double hz =
        goertzelPower(fine, image + 194.0) > goertzelPower(fine, image - 194.0) ? image + 97.0 : image - 97.0;
    return {hz, 10.0 * std::log10(goertzelPower(fine, image) / goertzelPower(fine, 97.0))};
}

TEST(Drisk, ClockSlowsTheHoldFrom48kHzTo1kHz) {
    double previous = 1e9;
    struct Case {
        float clock;
        const char* key;
    };
    for (const Case c : {Case{0.75f, "clock_0_75"}, Case{0.5f, "clock_0_5"}, Case{0.25f, "clock_0_25"},
                         Case{0.0f, "clock_0"}}) {
        const float clock = c.clock;
        const ClockImage image = holdClock(clock);
        std::printf("CLOCK %.2f: images of a 97 Hz tone up to %.1f dBc: hold clock %.0f Hz\n", clock,
                    image.dbc, image.hz);
        recordFigure(std::string("drisk.hold_clock_hz.") + c.key, image.hz, 0);
        recordFigure(std::string("drisk.hold_image_dbc.") + c.key, image.dbc, 1);
        EXPECT_GT(image.dbc, -50.0) << "CLOCK " << clock;
        EXPECT_LT(image.hz * 1.5, previous) << "CLOCK " << clock;
        previous = image.hz;
    }
    EXPECT_NEAR(previous, 48000.0 / std::pow(2.0, 5.5), 10.0) << "CLOCK 0";
    const ClockImage open = holdClock(1.0f);
    std::printf("CLOCK 1: strongest component off the tone %.1f dBc\n", open.dbc);
    recordFigure("drisk.hold_image_dbc.clock_1", open.dbc, 1);
    EXPECT_LT(open.dbc, -80.0) << "CLOCK 1 holds every sample: no image";
}

// Odd harmonics from the clipper and a little even-order warmth, both
// growing with ONE; none at all at the clean end.
TEST(Drisk, DriveAddsHarmonicsAndTheLampShowsClipping) {
    double previousSecond = 0.0;
    double previousThird = 0.0;
    struct Case {
        float one;
        const char* key;
    };
    for (const Case c : {Case{0.0f, "one_0"}, Case{0.5f, "one_0_5"}, Case{1.0f, "one_1"}}) {
        const float one = c.one;
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
        recordFigure(std::string("drisk.second_harmonic_db.") + c.key, 10.0 * std::log10(second), 1);
        recordFigure(std::string("drisk.third_harmonic_db.") + c.key, 10.0 * std::log10(third), 1);
        recordFigure(std::string("drisk.lamp1_duty.") + c.key, lamp, 2);
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
    recordFigure("drisk.tone_db.tweak_0_at_490_hz", dark, 2);
    recordFigure("drisk.tone_db.tweak_1_at_10_khz", open, 3);
    EXPECT_NEAR(dark, -6.0, 0.5);
    EXPECT_NEAR(open, 0.0, 0.05);
}

// The drive alone: bits at 16, the hold clock at every sample, the tone open.
FirmwareRig driveOnly(float one) {
    FirmwareRig rig = cleanCrusher();
    rig.setKnob(kOne, one);
    return rig;
}

// The level follower keeps the wet signal at the dry one's rms over the
// whole signal, at every drive, for loud and quiet playing alike (the
// clipper compresses the loud phrase by some 20 dB more than the quiet
// one), on a bass line whose lows the tight high-pass cuts as much as on a
// guitar, and on each channel alone.
TEST(Drisk, WetLevelFollowsTheDryLevelAtAnyDriveAndInputLevel) {
    const Signal demo = demoOpening();
    ASSERT_FALSE(demo.left.empty()) << CORLINDE_DEMO_WAV;
    struct Case {
        std::string name;
        std::string key;
        Signal input;
        bool guitar;  // a guitar phrase, of the guitar's own range
    };
    std::vector<Case> cases;
    for (const double peakDb : {-6.0, -18.0, -30.0}) {
        const std::string level = " at " + std::to_string(int(peakDb)) + " dBFS";
        const std::string levelKey = ".minus_" + std::to_string(int(-peakDb));
        cases.push_back({"plucked phrase" + level, "plucked" + levelKey, guitarPhrase(peakDb), true});
        cases.push_back({"demo phrase" + level, "demo" + levelKey, scaledToPeak(demo, peakDb), true});
        cases.push_back({"picked bass line" + level, "bass_line" + levelKey, pickedBassLine(peakDb), false});
    }
    cases.push_back({"picked bass line at -6 dBFS, left only", "bass_line_left.minus_6",
                     oneSide(pickedBassLine(-6.0), 0), false});
    cases.push_back({"41.2 Hz sine at -6 dBFS", "sine_41_hz.minus_6",
                     scaledToPeak(sine(41.2, 1.0, 2 * kRate), -6.0), false});
    cases.push_back({"82.4 Hz sine at -12 dBFS", "sine_82_hz.minus_12",
                     scaledToPeak(sine(82.4, 1.0, 2 * kRate), -12.0), false});
    cases.push_back({"1 kHz sine at -12 dBFS", "sine_1_khz.minus_12",
                     scaledToPeak(sine(1000.0, 1.0, 2 * kRate), -12.0), false});
    double lowest = 1e9, highest = -1e9, lowestGuitar = 1e9, highestGuitar = -1e9;
    for (const Case& c : cases) {
        double caseLowest = 1e9, caseHighest = -1e9;
        std::printf("%-40s wet against dry over ONE 0 .. 1 (left / right):", c.name.c_str());
        for (const float one : {0.0f, 0.25f, 0.5f, 0.75f, 1.0f}) {
            FirmwareRig rig = driveOnly(one);
            rig.idle(kRate / 100);  // the knobs are in place 5 ms after the load
            const std::vector<Frame> out = rig.run(c.input);
            for (int side : {0, 1}) {
                const std::vector<float>& dry = side == 0 ? c.input.left : c.input.right;
                if (rms(dry) == 0.0) continue;
                const double wet = decibels(rms(channel(out, side)) / rms(dry));
                std::printf(" %+5.2f", wet);
                caseLowest = std::min(caseLowest, wet);
                caseHighest = std::max(caseHighest, wet);
                EXPECT_LT(std::fabs(wet), 2.0) << c.name << ", ONE " << one << ", side " << side;
            }
        }
        std::printf(" dB\n");
        recordFigure("drisk.level_db." + c.key + ".min", caseLowest, 2);
        recordFigure("drisk.level_db." + c.key + ".max", caseHighest, 2);
        lowest = std::min(lowest, caseLowest);
        highest = std::max(highest, caseHighest);
        if (c.guitar) {
            lowestGuitar = std::min(lowestGuitar, caseLowest);
            highestGuitar = std::max(highestGuitar, caseHighest);
        }
    }
    std::printf("wet against dry over all: %+.2f .. %+.2f dB\n", lowest, highest);
    recordFigure("drisk.level_across_drive_db.min", lowest, 1);
    recordFigure("drisk.level_across_drive_db.max", highest, 1);
    recordFigure("drisk.level_across_drive_db.guitar_min", lowestGuitar, 1);
    recordFigure("drisk.level_across_drive_db.guitar_max", highestGuitar, 1);
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
        recordFigure("drisk.inharmonic_dbc.hz_" + std::to_string(c.hz), inharmonic, 1);
        recordFigure("drisk.harmonics_dbc.hz_" + std::to_string(c.hz), distortion, 1);
        EXPECT_LT(inharmonic, c.maxInharmonicDb) << c.hz << " Hz";
        EXPECT_GT(distortion, -25.0) << c.hz << " Hz: still driven hard";
    }
}

}  // namespace
}  // namespace fxcore::firmwaretest
