// KAVRO, the tape echo: echo time over ONE, stable feedback, wow and flutter,
// darkening, mono-safe stereo; each test records the figures it measures.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <iostream>
#include <numbers>
#include <numeric>
#include <string>
#include <vector>

#include "firmware/tests/FirmwareRig.h"
#include "firmware/tests/Harmonics.h"
#include "testsupport/Figures.h"

namespace fxcore::firmwaretest {
namespace {

using corlinde::test::recordFigure;

// The sample of the strongest wet output after an impulse: the first echo.
int firstEchoDelay(float one) {
    FirmwareRig rig(Mode::Kavro);
    rig.setKnob(kOne, one);
    rig.setKnob(kTwo, 0.0f);
    rig.setKnob(kClock, 1.0f);  // fast, shallow wow: the echo does not wander
    rig.setKnob(kTweak, 0.0f);
    rig.settle();
    return static_cast<int>(strongestSample(channel(rig.run(impulse(0.8, 33000)), 2)));
}

// Level in dB of the component at `hz` (relative: the DFT of `x` at that
// frequency).
double levelDb(const std::vector<float>& x, double hz) {
    return 10.0 * std::log10(tonePower(x, hz) + 1e-30);
}

// The first echo over ONE in tenths, ms at 48 kHz: the program's taper
// p (0.35 + 0.65 p) from 30 ms to the end of the memory, expected within
// 0.1 ms.
TEST(Kavro, FirstEchoFollowsOneOverTheWholeMemory) {
    constexpr std::array<double, 11> kExpectedMs{30.0,  56.8,  92.2,  136.0, 188.2, 248.8,
                                                 317.8, 395.4, 481.1, 575.6, 678.2};
    for (std::size_t step = 0; step < kExpectedMs.size(); ++step) {
        const float one = static_cast<float>(step) / 10.0f;
        const std::string position = step == 0 ? "0" : step == 10 ? "1" : "0_" + std::to_string(step);
        const double ms =
            recordFigure("kavro.first_echo_ms.one_" + position, firstEchoDelay(one) * 1000.0 / kRate, 1);
        std::cout << "ONE " << one << ": first echo at " << ms << " ms\n";
        EXPECT_NEAR(ms, kExpectedMs[step], 0.1) << "ONE " << one;
    }
    const double longest = recordFigure("kavro.first_echo_samples.one_1", firstEchoDelay(1.0f), 0);
    EXPECT_LT(longest, 32767) << "within the memory";
}

// Uniform noise of a given rms, the same grid and generator as noise().
Signal noiseAtRms(double rmsLevel, int samples, std::uint32_t seed) {
    return noise(rmsLevel * std::sqrt(3.0), samples, seed);
}

// TWO 1 with loud signals (ONE 0.3, MIX 0.5, TWEAK 0: the brightest repeats,
// the most loop gain): the saturator holds the loop, so the repeats alone
// (outputs 2/3) never reach full scale, and they die away once the input
// stops. Outputs 0/1 add the dry signal at 0.75: they reach full scale only
// where the dry and the saturated repeats together pass it, which takes an
// input close to full scale itself. The bounds lie a little above what the
// program gives.
TEST(Kavro, FullFeedbackOnLoudSignalsNeverRunsAway) {
    struct Case {
        const char* name;
        const char* key;
        Signal input;
        double maxMixPeakDb;   // or 0: some samples reach full scale
        double maxClippedPct;  // share of output 0/1 samples at full scale
        double maxWetPeakDb;
        bool dieAway;  // also checked: the repeats die away after it
    };
    Signal demo = readStereoFile(CORLINDE_DEMO_WAV);
    ASSERT_FALSE(demo.left.empty()) << CORLINDE_DEMO_WAV;
    const double gain = 1.0 / std::max(peak(demo.left), peak(demo.right));
    Signal loudDemo;
    for (int pass = 0; pass < 3; ++pass)  // 13.5 s: the repeats build up to the saturator
        for (std::size_t i = 0; i < demo.left.size(); ++i) {
            loudDemo.left.push_back(static_cast<float>(demo.left[i] * gain));
            loudDemo.right.push_back(static_cast<float>(demo.right[i] * gain));
        }
    const std::array<Case, 5> cases{{
        {"noise peaking at -6 dBFS, seed 1", "noise_peak.seed_1", noise(0.5, 10 * kRate), -0.8, 0.0, -2.0,
         true},
        {"noise peaking at -6 dBFS, seed 2", "noise_peak.seed_2", noise(0.5, 10 * kRate, 777), -0.8, 0.0,
         -2.0, false},
        {"noise at -6 dBFS rms, seed 1", "noise_rms.seed_1", noiseAtRms(0.5, 10 * kRate, 12345), 0.0, 0.15,
         -0.4, true},
        {"noise at -6 dBFS rms, seed 2", "noise_rms.seed_2", noiseAtRms(0.5, 10 * kRate, 777), 0.0, 0.15,
         -0.4, false},
        {"demo phrase at 0 dBFS peak", "demo", loudDemo, -0.6, 0.0, -0.6, true},
    }};
    for (const Case& c : cases) {
        FirmwareRig rig(Mode::Kavro);
        rig.setKnobs({0.3f, 0.5f, 1.0f, 0.5f, 0.0f});
        rig.settle();
        const std::vector<Frame> out = rig.run(c.input);
        double mixPeak = 0.0, wetPeak = 0.0;
        long clipped = 0;
        for (const Frame& f : out) {
            for (const float v : {f[0], f[1]}) {
                mixPeak = std::max(mixPeak, double(std::fabs(v)));
                clipped += std::fabs(v) >= 1.0f ? 1 : 0;
            }
            wetPeak = std::max({wetPeak, double(std::fabs(f[2])), double(std::fabs(f[3]))});
        }
        const double clippedPct = 100.0 * double(clipped) / double(2 * out.size());
        const double mixDb = 20.0 * std::log10(mixPeak), wetDb = 20.0 * std::log10(wetPeak);
        std::cout << "TWO 1, " << c.name << ": outputs 0/1 peak " << mixDb << " dBFS (" << clippedPct
                  << " % of samples at full scale), wet alone " << wetDb << " dBFS\n";
        const std::string key = std::string("kavro.loud.") + c.key;
        std::vector<float> input = c.input.left;
        input.insert(input.end(), c.input.right.begin(), c.input.right.end());
        recordFigure(key + ".input_rms_dbfs", 20.0 * std::log10(rms(input)), 1);
        recordFigure(key + ".input_peak_dbfs", 20.0 * std::log10(peak(input)), 1);
        recordFigure(key + ".input_seconds", double(c.input.left.size()) / kRate, 1);
        recordFigure(key + ".mix_peak_dbfs", mixDb, 1);
        recordFigure(key + ".clipped_pct", clippedPct, 2);
        recordFigure(key + ".wet_peak_dbfs", wetDb, 1);
        EXPECT_LE(wetDb, c.maxWetPeakDb) << c.name;
        EXPECT_LE(clippedPct, c.maxClippedPct) << c.name;
        if (c.maxMixPeakDb < 0.0) {
            EXPECT_LE(mixDb, c.maxMixPeakDb) << c.name;
        }
        if (c.dieAway) {
            const std::vector<Frame> tail = rig.run(silence(30 * kRate));
            EXPECT_LT(peak(channel(tail, 2, tail.size() - kRate)), 0.05) << c.name;
        }
    }
}

// Repeats 1.0 to 1.5 s after a short burst (ONE 0.2): none at TWO 0 (the
// floor of the measure, -240 dB), a faint trace at 0.5, loud at 1.
TEST(Kavro, FeedbackSetsHowLongTheRepeatsLast) {
    struct Case {
        float two;
        const char* key;
        double expectedDb;
    };
    for (const Case c :
         {Case{0.0f, "two_0", -240.0}, Case{0.5f, "two_0_5", -112.0}, Case{1.0f, "two_1", -35.0}}) {
        FirmwareRig rig(Mode::Kavro);
        rig.setKnob(kOne, 0.2f);
        rig.setKnob(kTwo, c.two);
        rig.settle();
        rig.run(noise(0.5, kRate / 20));
        const std::vector<Frame> out = rig.run(silence(3 * kRate / 2));
        const double late = rms(channel(out, 2, kRate));
        const double lateDb = 20.0 * std::log10(late + 1e-12);
        std::cout << "TWO " << c.two << ": repeats 1.0 to 1.5 s after a burst at " << lateDb << " dBFS rms\n";
        const std::string key = std::string("kavro.late_repeats_dbfs.") + c.key;
        if (late == 0.0)
            corlinde::test::recordFigureText(key, "none");
        else
            recordFigure(key, lateDb, 0);
        EXPECT_NEAR(lateDb, c.expectedDb, 1.5) << "TWO " << c.two;
    }
}

// The rising zero crossings of a tone, in samples, interpolated linearly.
std::vector<double> risingCrossings(const std::vector<float>& x) {
    std::vector<double> crossings;
    for (std::size_t i = 1; i < x.size(); ++i)
        if (x[i - 1] < 0.0f && x[i] >= 0.0f) crossings.push_back(double(i) - x[i] / double(x[i] - x[i - 1]));
    return crossings;
}

// The pitch of a tone, one value per cycle, from its rising zero crossings.
std::vector<double> cyclePitch(const std::vector<float>& x) {
    const std::vector<double> crossings = risingCrossings(x);
    std::vector<double> hz;
    for (std::size_t i = 1; i < crossings.size(); ++i)
        hz.push_back(kRate / (crossings[i] - crossings[i - 1]));
    return hz;
}

// The pitch of a tone against `hz`, on a 1 ms grid: from its rising zero
// crossings, each cycle's frequency placed at the cycle's middle and
// interpolated linearly in between.
std::vector<double> pitchTrace(const std::vector<float>& x, double hz) {
    const std::vector<double> crossings = risingCrossings(x);
    std::vector<double> trace;
    if (crossings.size() < 3) return trace;
    std::size_t c = 1;
    for (double t = crossings.front();; t += kRate / 1000.0) {
        while (c + 1 < crossings.size() && (crossings[c] + crossings[c + 1]) / 2.0 < t) ++c;
        if (c + 1 >= crossings.size()) break;
        const double t0 = (crossings[c - 1] + crossings[c]) / 2.0,
                     t1 = (crossings[c] + crossings[c + 1]) / 2.0;
        const double r0 = kRate / (crossings[c] - crossings[c - 1]) / hz;
        const double r1 = kRate / (crossings[c + 1] - crossings[c]) / hz;
        trace.push_back(r0 + (r1 - r0) * std::clamp((t - t0) / (t1 - t0), 0.0, 1.0));
    }
    return trace;
}

// ONE moved while a 1 kHz tone plays (TWO 0, MIX 1, CLOCK 1, TWEAK 0): the
// repeats' pitch (the mono sum of the wet sides) while the tape transport
// changes speed.  The head's speed heads for the one that closes the
// distance to the new time with an 85 ms time constant, never beyond half a
// sample per sample (pitch 0.5x .. 1.5x), and changes by at most 2^-13 of
// that per sample, so the pitch bends into a new speed and out of it again,
// whether the knob turns or jumps (MIDI, automation), and a slow turn bends
// it as much as before.  Expected per move: the pitch range, the largest
// change within 10 ms (relative), and when the pitch is back within 1 % of
// the tone for good, after the move began.
TEST(Kavro, DelayTimeGlidesLikeATapeTransport) {
    struct Move {
        const char* name;
        const char* key;
        float from, to;
        double seconds;  // 0: a jump
        double lowest, highest, arrival;
    };
    constexpr std::array<Move, 5> kMoves{{
        {"jump 0.1 to 0.9", "jump_0_1_to_0_9", 0.1f, 0.9f, 0.0, 0.5, 1.0, 1.21},
        {"jump 0 to 1", "jump_0_to_1", 0.0f, 1.0f, 0.0, 0.5, 1.0, 1.46},
        {"jump 1 to 0.2", "jump_1_to_0_2", 1.0f, 0.2f, 0.0, 1.0, 1.5, 1.34},
        {"turn 0 to 1 in 0.3 s", "turn_0_to_1", 0.0f, 1.0f, 0.3, 0.5, 1.0, 1.47},
        {"turn 0.3 to 0.5 in 2 s", "turn_0_3_to_0_5", 0.3f, 0.5f, 2.0, 0.935, 1.0, 2.19},
    }};
    for (const Move& m : kMoves) {
        FirmwareRig rig(Mode::Kavro);
        rig.setKnobs({m.from, 1.0f, 0.0f, 1.0f, 0.0f});
        rig.settle();
        // a second of the tone first, so the repeats carry it when ONE moves
        const Signal tone = sine(1000.0, 0.3, 5 * kRate);
        std::vector<float> mono;
        for (std::size_t i = 0; i < tone.left.size(); ++i) {
            const double since = (double(i) - kRate) / kRate;
            if (since >= 0.0) {
                const double done = m.seconds > 0.0 ? std::min(1.0, since / m.seconds) : 1.0;
                rig.setKnob(kOne, static_cast<float>(m.from + (m.to - m.from) * done));
            }
            const Frame f = rig.step(tone.left[i], tone.right[i]);
            if (i >= std::size_t(kRate)) mono.push_back(f[2] + f[3]);
        }
        const std::vector<double> trace = pitchTrace(mono, 1000.0);
        ASSERT_GT(trace.size(), 3000u) << m.name;
        double lowest = 1e9, highest = 0.0, change = 0.0, arrival = 0.0;
        for (std::size_t ms = 0; ms < trace.size(); ++ms) {
            lowest = std::min(lowest, trace[ms]);
            highest = std::max(highest, trace[ms]);
            if (ms + 10 < trace.size())
                change = std::max(
                    change, std::fabs(trace[ms + 10] - trace[ms]) / std::min(trace[ms], trace[ms + 10]));
            if (std::fabs(trace[ms] - 1.0) > 0.01) arrival = double(ms + 1) / 1000.0;
        }
        std::cout << "ONE " << m.name << ": pitch " << lowest << "x .. " << highest << "x, at most "
                  << change * 100.0 << " % in 10 ms, back within 1 % " << arrival
                  << " s after the move began; every 0.1 s:";
        for (std::size_t ms = 0; ms < trace.size() && ms <= 2000; ms += 100) std::cout << " " << trace[ms];
        std::cout << "\n";
        const std::string key = std::string("kavro.glide.") + m.key;
        recordFigure(key + ".lowest", lowest, 2);
        recordFigure(key + ".highest", highest, 2);
        recordFigure(key + ".change_pct", change * 100.0, 1);
        recordFigure(key + ".back_s", arrival, 2);
        EXPECT_LE(change, 0.10) << m.name;
        EXPECT_NEAR(lowest, m.lowest, 0.01) << m.name;
        EXPECT_NEAR(highest, m.highest, 0.01) << m.name;
        EXPECT_NEAR(arrival, m.arrival, 0.1) << m.name;
        EXPECT_NEAR(trace.back(), 1.0, 0.01) << m.name;
    }
}

// The strongest periodic component of a trace sampled at `rate`, between
// `low` and `high` hertz (DTFT on a fine grid).
double strongestRate(const std::vector<double>& trace, double rate, double low, double high) {
    double m = 0.0;
    for (double v : trace) m += v;
    m /= double(trace.size());
    double best = low, bestPower = -1.0;
    for (double hz = low; hz <= high; hz *= 1.002) {
        const std::complex<double> turn = std::polar(1.0, 2.0 * std::numbers::pi * hz / rate);
        std::complex<double> phasor = 1.0, sum = 0.0;
        for (double v : trace) {
            sum += (v - m) * phasor;
            phasor *= turn;
        }
        if (std::norm(sum) > bestPower) {
            bestPower = std::norm(sum);
            best = hz;
        }
    }
    return best;
}

// Wow and flutter as heard: a held 1 kHz tone's repeats (the mono sum, which
// is the head's signal), period by period: wow 0.3125 Hz at CLOCK 0 to 5 Hz
// at CLOCK 1 (the program's rates) with flutter about 4.1 times faster, and
// the peak pitch deviation of wow, flutter and the random scrape together,
// expected within 10 %: TWEAK 0 leaves 8 % of TWEAK 1's depth.
TEST(Kavro, WowAndFlutterFollowClockAndTweak) {
    struct Case {
        float clock;
        float tweak;
        const char* key;
        double wowHz;         // expected, or 0: not measured here
        double deviationPct;  // expected peak deviation
    };
    for (const Case c :
         {Case{0.0f, 1.0f, "clock_0.tweak_1", 0.3125, 1.2}, Case{1.0f, 1.0f, "clock_1.tweak_1", 5.0, 1.6},
          Case{0.0f, 0.0f, "clock_0.tweak_0", 0.0, 0.097}, Case{1.0f, 0.0f, "clock_1.tweak_0", 0.0, 0.128}}) {
        FirmwareRig rig(Mode::Kavro);
        rig.setKnob(kOne, 0.0f);
        rig.setKnob(kTwo, 0.0f);
        rig.setKnob(kMix, 1.0f);
        rig.setKnob(kClock, c.clock);
        rig.setKnob(kTweak, c.tweak);
        rig.settle();
        // three wow periods where the rate is measured, else one
        const int seconds = c.clock > 0.5f ? 3 : c.wowHz > 0.0 ? 10 : 4;
        const std::vector<Frame> out = rig.run(sine(1000.0, 0.2, seconds * kRate));
        std::vector<float> mono;
        for (std::size_t i = 2000; i < out.size(); ++i) mono.push_back(out[i][2] + out[i][3]);
        const std::vector<double> hz = cyclePitch(mono);
        double deviation = 0.0;
        for (double f : hz) deviation = std::max(deviation, std::fabs(f / 1000.0 - 1.0) * 100.0);
        std::cout << "CLOCK " << c.clock << " TWEAK " << c.tweak << ": peak pitch deviation " << deviation
                  << " %";
        const std::string key = c.key;
        recordFigure("kavro.pitch_deviation_pct." + key, deviation, 2);
        EXPECT_NEAR(deviation, c.deviationPct, c.deviationPct * 0.1)
            << "CLOCK " << c.clock << " TWEAK " << c.tweak;
        if (c.wowHz > 0.0) {
            std::vector<double> trace;  // ten cycles a point: 100 Hz
            for (std::size_t i = 0; i + 10 <= hz.size(); i += 10)
                trace.push_back(std::accumulate(hz.begin() + long(i), hz.begin() + long(i) + 10, 0.0) / 10.0);
            const double wow = strongestRate(trace, 100.0, c.wowHz / 2.0, c.wowHz * 1.5);
            const double flutter = strongestRate(trace, 100.0, wow * 3.0, wow * 6.0);
            std::cout << ", wow " << wow << " Hz, flutter " << flutter / wow << " times faster";
            recordFigure("kavro.wow_hz." + key, wow, 2);
            recordFigure("kavro.flutter_ratio." + key, flutter / wow, 1);
            EXPECT_NEAR(wow, c.wowHz, c.wowHz * 0.05);
            EXPECT_NEAR(flutter / wow, 4.1, 0.15);
        }
        std::cout << "\n";
    }
}

// The first repeat's -3 dB points around its peak (DFT of an impulse's first
// echo, mono sum, CLOCK 1 for the least wow): the head low-pass darkens with
// the tape age, from about 9.3 kHz to 1.25 kHz (expected within 5 %); below,
// the loop's 90 Hz high-pass, within 10 % at every TWEAK.
TEST(Kavro, TapeAgeDarkensTheRepeats) {
    struct Case {
        float tweak;
        const char* key;
        double expectedHz;
    };
    for (const Case c :
         {Case{0.0f, "tweak_0", 9300.0}, Case{0.5f, "tweak_0_5", 3600.0}, Case{1.0f, "tweak_1", 1250.0}}) {
        FirmwareRig rig(Mode::Kavro);
        rig.setKnob(kOne, 0.0f);
        rig.setKnob(kTwo, 0.0f);
        rig.setKnob(kClock, 1.0f);
        rig.setKnob(kTweak, c.tweak);
        rig.settle();
        // TWO 0: one echo, whole in the window, long enough to resolve 90 Hz.
        const std::vector<Frame> out = rig.run(impulse(0.1, 6000));
        std::vector<float> mono;
        for (std::size_t i = 1440 - 300; i < out.size(); ++i) mono.push_back(out[i][2] + out[i][3]);
        double peakDb = -1e9, peakHz = 0.0;
        for (double hz = 50.0; hz < 2000.0; hz *= 1.01) {
            const double db = levelDb(mono, hz);
            if (db > peakDb) {
                peakDb = db;
                peakHz = hz;
            }
        }
        double corner = 0.0;
        for (double hz = peakHz; hz < 20000.0 && corner == 0.0; hz *= 1.002)
            if (levelDb(mono, hz) < peakDb - 3.0) corner = hz;
        double lowCorner = 0.0;
        for (double hz = peakHz; hz > 10.0 && lowCorner == 0.0; hz /= 1.002)
            if (levelDb(mono, hz) < peakDb - 3.0) lowCorner = hz;
        std::cout << "TWEAK " << c.tweak << ": first repeat -3 dB at " << lowCorner << " Hz and " << corner
                  << " Hz\n";
        recordFigure(std::string("kavro.repeat_high_3db_khz.") + c.key, corner / 1000.0, 2);
        recordFigure(std::string("kavro.repeat_low_3db_hz.") + c.key, lowCorner, 0);
        EXPECT_NEAR(corner, c.expectedHz, c.expectedHz * 0.05) << "TWEAK " << c.tweak;
        EXPECT_NEAR(lowCorner, 90.0, 90.0 * 0.1) << "TWEAK " << c.tweak;
    }
}

// Long repeats at TWO 1 (ONE 0.3): a 500 Hz note's repeats fade by a steady
// number of dB per second, more with old tape, the same on each wet side and
// in their mono sum (least-squares slope of 0.5 s rms levels, 1 s to 5 s
// after the note; expected within 0.3 dB/s).
TEST(Kavro, RepeatsFadeFasterOnOldTape) {
    struct Case {
        float tweak;
        const char* key;
        double expectedDbPerSecond;
    };
    for (const Case c : {Case{0.0f, "tweak_0", 2.0}, Case{1.0f, "tweak_1", 6.9}}) {
        FirmwareRig rig(Mode::Kavro);
        rig.setKnob(kOne, 0.3f);
        rig.setKnob(kTwo, 1.0f);
        rig.setKnob(kTweak, c.tweak);
        rig.settle();
        rig.run(sine(500.0, 0.3, kRate / 10));
        const std::vector<Frame> out = rig.run(silence(5 * kRate));
        std::vector<float> mono;
        for (const Frame& f : out) mono.push_back(f[2] + f[3]);
        const std::array<std::vector<float>, 3> sides{channel(out, 2), channel(out, 3), mono};
        constexpr std::array<const char*, 3> kSideNames{"left", "right", "mono sum"};
        constexpr std::array<const char*, 3> kSideKeys{"left", "right", "mono"};
        for (std::size_t side = 0; side < sides.size(); ++side) {
            std::vector<double> t, db;
            for (std::size_t from = kRate; from + kRate / 2 <= out.size(); from += kRate / 2) {
                t.push_back(double(from) / kRate);
                const std::vector<float> part(sides[side].begin() + long(from),
                                              sides[side].begin() + long(from + kRate / 2));
                db.push_back(20.0 * std::log10(rms(part)));
            }
            double mt = 0.0, md = 0.0;
            for (std::size_t i = 0; i < t.size(); ++i) {
                mt += t[i] / double(t.size());
                md += db[i] / double(t.size());
            }
            double num = 0.0, den = 0.0;
            for (std::size_t i = 0; i < t.size(); ++i) {
                num += (t[i] - mt) * (db[i] - md);
                den += (t[i] - mt) * (t[i] - mt);
            }
            const double fade = -num / den;
            std::cout << "TWO 1 TWEAK " << c.tweak << ", " << kSideNames[side] << ": repeats fade by " << fade
                      << " dB/s\n";
            recordFigure(std::string("kavro.fade_db_per_s.") + c.key + "." + kSideKeys[side], fade, 1);
            EXPECT_NEAR(fade, c.expectedDbPerSecond, 0.3) << "TWEAK " << c.tweak << " " << kSideNames[side];
        }
    }
}

// Silence after playing becomes exact silence on every output, even with
// long repeats: nothing in the loop or the stereo side keeps a rounding
// residue alive.
TEST(Kavro, SilenceAfterPlayingBecomesExactSilence) {
    for (const float two : {0.5f, 1.0f}) {
        FirmwareRig rig(Mode::Kavro);
        rig.setKnob(kOne, 0.0f);
        rig.setKnob(kTwo, two);
        rig.setKnob(kMix, 1.0f);
        rig.settle();
        rig.run(noise(0.5, kRate / 2));
        rig.idle(6 * kRate);
        const std::vector<Frame> last = rig.run(silence(kRate));
        long nonzero = 0;
        for (const Frame& f : last)
            for (float v : f) nonzero += v != 0.0f ? 1 : 0;
        EXPECT_EQ(nonzero, 0) << "TWO " << two;
    }
}

// Lamp 1 blinks once per delay period, lit for its first quarter.
TEST(Kavro, RepeatLampBlinksAtTheDelayTime) {
    double lowest = 1.0, highest = 0.0;
    for (const float one : {0.0f, 0.5f, 1.0f}) {
        FirmwareRig rig(Mode::Kavro);
        rig.setKnob(kOne, one);
        rig.settle();
        const int delay = firstEchoDelay(one);
        int rising = 0;
        int lit = 0;
        std::int32_t previous = rig.core().userOut[1];
        const int samples = 4 * delay;  // whole periods, whatever the phase
        for (int i = 0; i < samples; ++i) {
            rig.step(0.0f, 0.0f);
            const std::int32_t now = rig.core().userOut[1];
            rising += (now != 0 && previous == 0) ? 1 : 0;
            lit += now != 0 ? 1 : 0;
            previous = now;
        }
        const double duty = double(lit) / samples;
        lowest = std::min(lowest, duty);
        highest = std::max(highest, duty);
        EXPECT_NEAR(rising, 4, 1) << "ONE " << one;
        EXPECT_NEAR(duty, 0.25, 0.02) << "ONE " << one;
    }
    recordFigure("kavro.lamp1_duty.min", lowest, 2);
    recordFigure("kavro.lamp1_duty.max", highest, 2);
}

// The deepest notch of a spectrum sampled on a log grid: at each point, how
// far it lies below the lower of the highest points within half an octave on
// either side.  A smooth (band-pass) response gives 0; a comb gives its
// notch depth.
double deepestNotchDb(const std::vector<double>& levels, std::size_t halfOctave, std::size_t from,
                      std::size_t to) {
    double worst = 0.0;
    for (std::size_t i = from; i < to; ++i) {
        double below = -1e9, above = -1e9;
        for (std::size_t j = i - halfOctave; j <= i; ++j) below = std::max(below, levels[j]);
        for (std::size_t j = i; j <= i + halfOctave; ++j) above = std::max(above, levels[j]);
        worst = std::max(worst, std::min(below, above) - levels[i]);
    }
    return worst;
}

// The repeats summed to mono: the first echo of impulses met at four phases
// of the wow (CLOCK 0.5: 1.25 Hz, 0.2 s apart) has no comb notch between
// 100 Hz and 5 kHz, at any tape age.  Two heads at different positions, as
// a stereo tape echo's width is often made, would notch it by 6 dB and more.
TEST(Kavro, MonoSumOfTheRepeatsHasNoCombNotch) {
    constexpr int kPerOctave = 24;
    constexpr std::size_t kHalf = kPerOctave / 2;
    std::vector<double> grid;  // 100 Hz / sqrt(2) .. 5 kHz * sqrt(2)
    for (double hz = 100.0 / std::sqrt(2.0); hz < 5000.0 * std::sqrt(2.0) * 1.001;
         hz *= std::pow(2.0, 1.0 / kPerOctave))
        grid.push_back(hz);
    double deepest = 0.0;
    for (const float tweak : {0.0f, 0.5f, 1.0f}) {
        FirmwareRig rig(Mode::Kavro);
        rig.setKnob(kOne, 0.0f);  // 30 ms
        rig.setKnob(kTwo, 0.0f);
        rig.setKnob(kTweak, tweak);
        rig.settle();
        constexpr int kSpacing = kRate / 5;
        Signal clicks = silence(4 * kSpacing);
        for (int k = 0; k < 4; ++k)
            clicks.left[std::size_t(k * kSpacing)] = clicks.right[std::size_t(k * kSpacing)] = 0.1f;
        const std::vector<Frame> out = rig.run(clicks);
        double worst = 0.0;
        for (int k = 0; k < 4; ++k) {
            const std::size_t echo = std::size_t(k * kSpacing + 1440);
            std::vector<float> mono;
            for (std::size_t i = echo - 300; i < echo + 900; ++i) mono.push_back(out[i][2] + out[i][3]);
            std::vector<double> levels;
            for (double hz : grid) levels.push_back(levelDb(mono, hz));
            worst = std::max(worst, deepestNotchDb(levels, kHalf, kHalf, grid.size() - kHalf));
        }
        std::cout << "TWEAK " << tweak << ": deepest notch of the mono sum of the first echo " << worst
                  << " dB\n";
        deepest = std::max(deepest, worst);
        EXPECT_LT(worst, 3.0) << "TWEAK " << tweak;
    }
    recordFigure("kavro.mono_notch_db.max", deepest, 2);
}

// Correlation of the two wet outputs under noise: 1 is a mono image, 0 two
// unrelated sides.
double wetCorrelation(const std::vector<Frame>& out, std::size_t from) {
    double lr = 0.0, ll = 0.0, rr = 0.0;
    for (std::size_t i = from; i < out.size(); ++i) {
        lr += double(out[i][2]) * out[i][3];
        ll += double(out[i][2]) * out[i][2];
        rr += double(out[i][3]) * out[i][3];
    }
    return lr / std::sqrt(ll * rr);
}

// Width that a mono sum keeps: the two sides of the repeats are the same
// signal in quadrature, so they are partly decorrelated at every tape age
// (correlation near 0.47 under noise at TWEAK 0, 0.5 and 1, two seeds),
// and each carries the repeats at the same level at every frequency:
// against each other within 1 dB, and each within 0.5 dB of the level of
// (1 + j 0.6) against 2 under the mono sum, from a low E's fundamental to
// 6 kHz.
TEST(Kavro, RepeatsSpreadAcrossTheStereoField) {
    double lowestRho = 1.0, highestRho = -1.0;
    for (const float tweak : {0.0f, 0.5f, 1.0f}) {
        for (const std::uint32_t seed : {4242u, 99u}) {
            FirmwareRig rig(Mode::Kavro);
            rig.setKnobs({0.0f, 1.0f, 0.0f, 0.5f, tweak});
            rig.settle();
            const std::vector<Frame> out = rig.run(noise(0.1, kRate, seed));
            const double rho = wetCorrelation(out, 2000);
            std::cout << "TWEAK " << tweak << ", seed " << seed
                      << ": correlation of the wet sides under noise " << rho << "\n";
            lowestRho = std::min(lowestRho, rho);
            highestRho = std::max(highestRho, rho);
            EXPECT_NEAR(rho, 0.47, 0.03) << "TWEAK " << tweak << " seed " << seed;
        }
    }
    recordFigure("kavro.side_correlation.min", lowestRho, 2);
    recordFigure("kavro.side_correlation.max", highestRho, 2);
    double lowestSide = 1e9, highestSide = -1e9, leftRight = 0.0;
    const double expectedSideDb = 20.0 * std::log10(std::sqrt(1.36) / 2.0);
    for (const double hz : {82.4, 150.0, 300.0, 700.0, 1500.0, 3000.0, 6000.0}) {
        FirmwareRig rig(Mode::Kavro);
        rig.setKnobs({0.0f, 1.0f, 0.0f, 1.0f, 0.0f});
        rig.settle();
        const std::vector<Frame> out = rig.run(sine(hz, 0.2, kRate / 2));
        std::vector<float> mono;
        for (std::size_t i = 4800; i < out.size(); ++i) mono.push_back(out[i][2] + out[i][3]);
        const double left = 20.0 * std::log10(rms(channel(out, 2, 4800)) / rms(mono));
        const double right = 20.0 * std::log10(rms(channel(out, 3, 4800)) / rms(mono));
        std::cout << hz << " Hz: left " << left << " dB, right " << right << " dB against the mono sum\n";
        lowestSide = std::min({lowestSide, left, right});
        highestSide = std::max({highestSide, left, right});
        leftRight = std::max(leftRight, std::fabs(left - right));
        EXPECT_NEAR(left, right, 1.0) << hz << " Hz";
        EXPECT_NEAR(left, expectedSideDb, 0.5) << hz << " Hz";
        EXPECT_NEAR(right, expectedSideDb, 0.5) << hz << " Hz";
    }
    recordFigure("kavro.side_level_db.min", lowestSide, 1);
    recordFigure("kavro.side_level_db.max", highestSide, 1);
    recordFigure("kavro.side_left_right_db.max", leftRight, 2);
}

// Each wet side on its own, and their mono sum: the first echo of a sine
// (ONE 0, TWO 0, MIX 1; CLOCK 1 and TWEAK 0, the least wow and the brightest
// repeats) carries no more harmonics on a side than in the mono sum.
// Harmonics 2 up to 20 kHz against the fundamental (harmonicsDbc) over 1.37 s
// of the steady echo; at most -45 dBc at -24 dBFS and -35 dBc at -12 dBFS,
// each side within 6 dB of the mono sum's figure.
TEST(Kavro, EachSideOfTheRepeatsIsAsCleanAsTheMonoSum) {
    constexpr std::size_t kLength = 65536;
    struct Level {
        double dbfs, limitDbc;
        const char* key;
    };
    constexpr std::array<Level, 2> kLevels{{{-24.0, -45.0, "minus_24"}, {-12.0, -35.0, "minus_12"}}};
    std::array<double, 2> lowest{1e9, 1e9}, highest{-1e9, -1e9};
    double sideAgainstMono = 0.0;
    for (const double hz : {100.0, 220.0, 500.0, 1000.0, 2000.0}) {
        for (std::size_t k = 0; k < kLevels.size(); ++k) {
            const Level& level = kLevels[k];
            FirmwareRig rig(Mode::Kavro);
            rig.setKnobs({0.0f, 1.0f, 0.0f, 1.0f, 0.0f});
            rig.settle();
            const std::vector<Frame> out =
                rig.run(sine(hz, std::pow(10.0, level.dbfs / 20.0), kRate / 4 + int(kLength)));
            const std::vector<float> left = channel(out, 2, kRate / 4), right = channel(out, 3, kRate / 4);
            std::vector<float> mono(left.size());
            for (std::size_t i = 0; i < mono.size(); ++i) mono[i] = left[i] + right[i];
            const double l = harmonicsDbc(left, hz, kLength), r = harmonicsDbc(right, hz, kLength);
            const double m = harmonicsDbc(mono, hz, kLength);
            std::cout << hz << " Hz at " << level.dbfs << " dBFS: harmonics left " << l << ", right " << r
                      << ", mono sum " << m << " dBc\n";
            lowest[k] = std::min({lowest[k], l, r, m});
            highest[k] = std::max({highest[k], l, r, m});
            sideAgainstMono = std::max({sideAgainstMono, std::fabs(l - m), std::fabs(r - m)});
            EXPECT_LE(l, level.limitDbc) << hz << " Hz at " << level.dbfs << " dBFS";
            EXPECT_LE(r, level.limitDbc) << hz << " Hz at " << level.dbfs << " dBFS";
            EXPECT_LE(m, level.limitDbc) << hz << " Hz at " << level.dbfs << " dBFS";
            EXPECT_NEAR(l, m, 6.0) << hz << " Hz at " << level.dbfs << " dBFS";
            EXPECT_NEAR(r, m, 6.0) << hz << " Hz at " << level.dbfs << " dBFS";
        }
    }
    for (std::size_t k = 0; k < kLevels.size(); ++k) {
        recordFigure(std::string("kavro.harmonics_dbc.") + kLevels[k].key + ".min", lowest[k], 0);
        recordFigure(std::string("kavro.harmonics_dbc.") + kLevels[k].key + ".max", highest[k], 0);
    }
    recordFigure("kavro.harmonics_side_against_mono_db.max", sideAgainstMono, 1);
}

// What a guitar phrase peaking at -6 dBFS leaves on each wet side, and in
// their mono sum, beyond a linear echo: the render minus the same render 30
// dB quieter scaled back up, in rms against the render's (MIX 1, ONE 0.3),
// for the demo phrase and the rig's plucked phrase, at TWO 0 and 0.5 and
// TWEAK 0 and 1. At most -30 dB on every side and the mono sum, each side
// within 3 dB of the mono sum (the tape saturator's share; crackle from the
// side signal would show on one side far above the mono sum).
TEST(Kavro, GuitarRepeatsOnEachSideAreAsLinearAsTheMonoSum) {
    const Signal demo = readStereoFile(CORLINDE_DEMO_WAV);
    ASSERT_FALSE(demo.left.empty()) << CORLINDE_DEMO_WAV;
    auto scaled = [](const Signal& s, double gain) {
        Signal out = s;
        for (float& v : out.left) v = static_cast<float>(v * gain);
        for (float& v : out.right) v = static_cast<float>(v * gain);
        return out;
    };
    const double toMinus6 = 0.5 / std::max(peak(demo.left), peak(demo.right));
    struct Phrase {
        const char* name;
        const char* key;
        Signal signal;
    };
    const std::array<Phrase, 2> phrases{
        {{"demo phrase", "demo", scaled(demo, toMinus6)}, {"plucked phrase", "plucked", pluckedPhrase(0.5)}}};
    const double quiet = std::pow(10.0, -30.0 / 20.0);
    double worst = -1e9, best = 1e9, sideAgainstMono = 0.0;
    for (const auto& [name, key, phrase] : phrases) {
        double phraseWorst = -1e9, phraseBest = 1e9;
        for (const float two : {0.0f, 0.5f}) {
            for (const float tweak : {0.0f, 1.0f}) {
                auto render = [&](const Signal& input) {
                    FirmwareRig rig(Mode::Kavro);
                    rig.setKnobs({0.3f, 1.0f, two, 0.5f, tweak});
                    rig.idle(kRate / 10);  // fresh after the load: the knobs and the head are in place
                    return rig.run(input);
                };
                const std::vector<Frame> loud = render(phrase), soft = render(scaled(phrase, quiet));
                std::array<double, 3> signal{}, residue{};
                for (std::size_t i = 0; i < loud.size(); ++i) {
                    const double l = loud[i][2], r = loud[i][3];
                    const double dl = l - soft[i][2] / quiet, dr = r - soft[i][3] / quiet;
                    signal[0] += l * l, signal[1] += r * r, signal[2] += (l + r) * (l + r);
                    residue[0] += dl * dl, residue[1] += dr * dr, residue[2] += (dl + dr) * (dl + dr);
                }
                std::array<double, 3> db{};
                for (std::size_t k = 0; k < 3; ++k) {
                    db[k] = 10.0 * std::log10(residue[k] / signal[k]);
                    phraseWorst = std::max(phraseWorst, db[k]);
                    phraseBest = std::min(phraseBest, db[k]);
                }
                sideAgainstMono =
                    std::max({sideAgainstMono, std::fabs(db[0] - db[2]), std::fabs(db[1] - db[2])});
                std::cout << name << ", TWO " << two << " TWEAK " << tweak << ": beyond a linear echo left "
                          << db[0] << " dB, right " << db[1] << " dB, mono sum " << db[2] << " dB\n";
                EXPECT_LE(db[0], -30.0) << name << " TWO " << two << " TWEAK " << tweak;
                EXPECT_LE(db[1], -30.0) << name << " TWO " << two << " TWEAK " << tweak;
                EXPECT_LE(db[2], -30.0) << name << " TWO " << two << " TWEAK " << tweak;
                EXPECT_NEAR(db[0], db[2], 3.0) << name << " TWO " << two << " TWEAK " << tweak;
                EXPECT_NEAR(db[1], db[2], 3.0) << name << " TWO " << two << " TWEAK " << tweak;
            }
        }
        recordFigure(std::string("kavro.beyond_linear_db.") + key + ".min", phraseBest, 0);
        recordFigure(std::string("kavro.beyond_linear_db.") + key + ".max", phraseWorst, 0);
        worst = std::max(worst, phraseWorst);
        best = std::min(best, phraseBest);
    }
    recordFigure("kavro.beyond_linear_side_against_mono_db.max", sideAgainstMono, 1);
    std::cout << "beyond a linear echo: " << best << " to " << worst << " dB\n";
}

// No DC on any output at any knob setting: every corner of ONE, TWO, CLOCK
// and TWEAK (0 or 1 each) and the middle, MIX 0.5 (the wet outputs do not
// depend on MIX, and outputs 0/1 only mix them with the dry signal), with a
// plucked phrase at -1 dBFS peak (asymmetric transients into the saturator)
// followed by a second of the repeats alone. Hann-windowed mean of each
// output over the render, at most 1e-3 of full scale (the largest is the
// wet at TWO 1, where the saturator turns the skewed plucks into a little
// DC). The phrase is shifted so that its own windowed mean over the render
// is zero, so the dry signal brings in none.
TEST(Kavro, NoDcOnAnyOutputAtAnyKnobSetting) {
    std::vector<std::array<float, 5>> settings{{0.5f, 0.5f, 0.5f, 0.5f, 0.5f}};
    for (unsigned corner = 0; corner < 16; ++corner) {
        const auto bit = [corner](unsigned k) { return (corner >> k) & 1u ? 1.0f : 0.0f; };
        settings.push_back({bit(0), 0.5f, bit(1), bit(2), bit(3)});
    }
    Signal phrase = pluckedPhrase(std::pow(10.0, -1.0 / 20.0));
    const std::size_t length = phrase.left.size() + kRate;
    double weighted = 0.0, weights = 0.0;
    for (std::size_t i = 0; i < phrase.left.size(); ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * double(i) / double(length));
        weighted += w * phrase.left[i];
        weights += w;
    }
    for (std::size_t i = 0; i < phrase.left.size(); ++i)
        phrase.left[i] = phrase.right[i] = static_cast<float>(phrase.left[i] - weighted / weights);
    double worst = 0.0;
    for (const std::array<float, 5>& knobs : settings) {
        FirmwareRig rig(Mode::Kavro);
        rig.setKnobs(knobs);
        rig.idle(kRate / 10);  // fresh after the load: the knobs and the head are in place
        std::vector<Frame> out = rig.run(phrase);
        const std::vector<Frame> tail = rig.run(silence(kRate));
        out.insert(out.end(), tail.begin(), tail.end());
        for (int output = 0; output < 4; ++output) {
            const double dc = std::fabs(dcLevel(channel(out, output)));
            worst = std::max(worst, dc);
            EXPECT_LE(dc, 1e-3) << "output " << output << " knobs " << knobs[0] << " " << knobs[1] << " "
                                << knobs[2] << " " << knobs[3] << " " << knobs[4];
        }
    }
    std::cout << "largest output DC over " << settings.size() << " knob settings: " << worst << "\n";
    recordFigure("kavro.dc_dbfs.max", 20.0 * std::log10(worst), 0);
}

}  // namespace
}  // namespace fxcore::firmwaretest
