// VESTRA, the shimmer reverb: a decay time that does not depend on the
// level, a straight decay far below a 16-bit memory's floor and then exact
// silence, a dense onset, a steady pitch in the tail, the octave voice of
// TWO, the damping of TWEAK, the modulation lamp, and a start at the knobs'
// positions.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <iostream>
#include <numbers>
#include <string>

#include "firmware/tests/FirmwareRig.h"
#include "firmware/tests/Harmonics.h"
#include "testsupport/Figures.h"

namespace fxcore::firmwaretest {
namespace {

double dB(double power) {
    return 10.0 * std::log10(power + 1e-30);
}

using corlinde::test::recordFigure;

// "0.25" -> "0_25": a knob position as part of a figure key.
std::string keyPart(double value) {
    std::string text = corlinde::test::figureText(value, 2);
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    std::replace(text.begin(), text.end(), '.', '_');
    return text;
}

// Energy of the wet outputs (2 and 3) per sample.
std::vector<double> wetEnergy(const std::vector<Frame>& out) {
    std::vector<double> e;
    for (const Frame& f : out) e.push_back(double(f[2]) * f[2] + double(f[3]) * f[3]);
    return e;
}

// Least-squares straight line through points (x, y).
struct LineFit {
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    void add(double x, double y) {
        n += 1;
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
    }
    double slope() const { return (n * sxy - sx * sy) / (n * sxx - sx * sx); }
    double offset() const { return (sy - slope() * sx) / n; }
};

// Slope of the energy decay curve (Schroeder's backward integration of the
// energy), in dB per second, fitted by least squares between two levels of
// the curve (dB below its start). 0 when the curve never falls below `lower`.
double decaySlope(const std::vector<double>& energy, double upper, double lower) {
    std::vector<double> curve(energy.size());
    double sum = 0.0;
    for (std::size_t i = energy.size(); i-- > 0;) curve[i] = sum += energy[i];
    if (sum <= 0.0) return 0.0;
    LineFit fit;
    for (std::size_t i = 0; i < curve.size(); ++i) {
        const double level = dB(curve[i] / sum);
        if (level < lower) return fit.slope();
        if (level <= upper) fit.add(double(i) / kRate, level);
    }
    return 0.0;
}

// T20: the curve fitted from -5 dB to -25 dB, extrapolated to -60 dB.
double t20(const std::vector<double>& energy) {
    const double slope = decaySlope(energy, -5.0, -25.0);
    return slope < 0.0 ? -60.0 / slope : 0.0;
}

FirmwareRig decayRig(float one, float two = 0.0f, float clock = 0.5f) {
    FirmwareRig rig(Mode::Vestra);
    rig.setKnob(kOne, one);
    rig.setKnob(kTwo, two);
    rig.setKnob(kClock, clock);
    rig.setKnob(kTweak, 0.2f);
    rig.setKnob(kMix, 1.0f);
    rig.settle();
    return rig;
}

// Noise whose rms is `dbfs`, 0.5 s of it.
Signal noiseBurst(double dbfs) {
    return noise(std::pow(10.0, dbfs / 20.0) * std::sqrt(3.0), kRate / 2);
}

// The decay is the same for loud and quiet input: the tank keeps each
// sample in two memory words (about 31 bits), so even the tail of a 0.005
// impulse, which starts far below the impulse, decays 25 dB and more
// at the same rate as that of a 0.5 impulse. The energy decay curve is
// straight, its slope from -30 to -55 dB within 20 % of that from -5 to
// -25 dB, and the 0.5 impulse's T20 is the RT60 that the READMEs give,
// within 10 %.
struct DecayCase {
    float one;
    double minRatio;  // of the late slope to the early one, at least
    double rt60;      // T20 of the 0.5 impulse, seconds
    float seconds;    // of tail: past the -55 dB point of the decay curve
};

class VestraDecay : public ::testing::TestWithParam<DecayCase> {};

TEST_P(VestraDecay, IsTheSameForLoudAndQuietInput) {
    const DecayCase c = GetParam();
    const int tail = static_cast<int>(c.seconds * kRate);
    std::vector<double> t20s;
    for (const double amplitude : {0.5, 0.05, 0.005}) {
        FirmwareRig rig = decayRig(c.one);
        const std::vector<double> energy = wetEnergy(rig.run(impulse(amplitude, tail)));
        t20s.push_back(t20(energy));
        std::cout << "ONE " << c.one << ", impulse " << amplitude << ": T20 " << t20s.back() << " s\n";
        if (amplitude == 0.5) {
            const double ratio = decaySlope(energy, -30.0, -55.0) / decaySlope(energy, -5.0, -25.0);
            std::cout << "ONE " << c.one << ", impulse 0.5: decay from -30 to -55 dB at " << ratio
                      << " of the slope from -5 to -25 dB\n";
            recordFigure("vestra.slope_ratio.one_" + keyPart(c.one), ratio, 2);
            EXPECT_GE(ratio, c.minRatio) << "the decay curve bends";
            EXPECT_LE(ratio, 1.2) << "the decay curve bends";
        }
    }
    for (const double dbfs : {-10.0, -30.0}) {
        FirmwareRig rig = decayRig(c.one);
        rig.run(noiseBurst(dbfs));
        const std::vector<Frame> out = rig.run(silence(tail));
        t20s.push_back(t20(wetEnergy(out)));
        // Wide: the two sides of the tail are uncorrelated.
        double lr = 0.0, ll = 0.0, rr = 0.0;
        for (const Frame& f : out) {
            lr += double(f[2]) * f[3];
            ll += double(f[2]) * f[2];
            rr += double(f[3]) * f[3];
        }
        const double correlation = lr / std::sqrt(ll * rr);
        std::cout << "ONE " << c.one << ", noise " << dbfs << " dBFS: T20 " << t20s.back()
                  << " s, tail's left/right correlation " << correlation << "\n";
        EXPECT_LT(std::fabs(correlation), 0.1);
    }
    const double lo = *std::min_element(t20s.begin(), t20s.end());
    const double hi = *std::max_element(t20s.begin(), t20s.end());
    std::cout << "ONE " << c.one << ": T20 from " << lo << " to " << hi << " s, " << (hi / lo - 1.0) * 100.0
              << " % apart\n";
    recordFigure("vestra.rt60_s.one_" + keyPart(c.one), t20s[0], t20s[0] < 1.0 ? 3 : 2);
    recordFigure("vestra.level_spread_pct.one_" + keyPart(c.one), (hi / lo - 1.0) * 100.0, 1);
    EXPECT_GT(lo, 0.0);
    EXPECT_LT(hi, lo * 1.15) << "the decay depends on the level";
    EXPECT_NEAR(t20s[0], c.rt60, c.rt60 * 0.1) << "the READMEs' RT60";
}

// From a small room (at most 0.4 s) to a long wash (at least 12 s). The
// late slope is at least 0.8 of the early one everywhere: the short decays
// are the hard case (the modes at the tank all-passes' group-delay peaks
// ring longer than the rest), which the deeper modulation at low ONE smears;
// at ONE 0.5 and up the curve holds 0.82 and more.
INSTANTIATE_TEST_SUITE_P(AcrossOne, VestraDecay,
                         ::testing::Values(DecayCase{0.0f, 0.8, 0.365, 2.0f},
                                           DecayCase{0.25f, 0.8, 1.0, 4.0f},
                                           DecayCase{0.5f, 0.82, 2.95, 8.0f},
                                           DecayCase{0.75f, 0.82, 8.2, 16.0f},
                                           DecayCase{1.0f, 0.82, 21.3, 36.0f}),
                         [](const auto& param) { return "One" + std::to_string(param.index); });

// The hotter tank keeps its headroom for a sustained note at the longest
// decay: 10 dB more input gives 10 dB more tail up to -20 dBFS rms.
TEST(Vestra, LongestTailStaysLinearUpToMinus20dBFS) {
    std::vector<double> wet;
    for (const double dbfs : {-30.0, -20.0, -10.0}) {
        FirmwareRig rig = decayRig(1.0f);
        const Signal note = noise(std::pow(10.0, dbfs / 20.0) * std::sqrt(3.0), 2 * kRate);
        wet.push_back(20.0 * std::log10(rms(channel(rig.run(note), 2, std::size_t(3 * kRate / 2)))));
        std::cout << "ONE 1, noise at " << dbfs << " dBFS rms: wet " << wet.back() << " dBFS rms\n";
    }
    EXPECT_NEAR(wet[1] - wet[0], 10.0, 0.5);
}

// Level of the wet outputs in 50 ms frames, dBFS per channel.
std::vector<double> frameLevels(const std::vector<Frame>& out) {
    const std::size_t frame = kRate / 20;
    std::vector<double> levels;
    const std::vector<double> e = wetEnergy(out);
    for (std::size_t start = 0; start + frame <= e.size(); start += frame) {
        double sum = 0.0;
        for (std::size_t i = start; i < start + frame; ++i) sum += e[i];
        levels.push_back(dB(sum / double(frame) / 2.0));
    }
    return levels;
}

// After a note the tail keeps its decay far below where a 16-bit memory
// would have stopped it, then the activity gate makes the outputs exactly 0
// (with the shimmer voice on too, whose filter state would otherwise keep a
// last bit). The tail's slope in 50 ms frames deep down is
// compared with its slope from -50 to -70 dBFS: a noise floor would flatten
// it, a loss in the memory would steepen it. The octave voice's window keeps
// 16 bits, so with TWO up the voice leaves the tail near -100 dBFS and the
// tail falls faster from there: it is checked down to -95 dBFS.
TEST(Vestra, TailDecaysStraightThenIntoExactSilence) {
    struct Case {
        float two;
        double deepFrom, deepTo;  // dBFS
    };
    for (const Case c : {Case{0.0f, -100.0, -120.0}, Case{1.0f, -75.0, -95.0}}) {
        FirmwareRig rig = decayRig(0.5f, c.two);
        rig.run(noiseBurst(-30.0));
        const std::vector<Frame> tail = rig.run(silence(10 * kRate));
        const std::vector<double> levels = frameLevels(tail);

        LineFit upper, deep;
        std::size_t lastAudible = 0;
        for (std::size_t i = 0; i < levels.size(); ++i) {
            if (levels[i] > -300.0) lastAudible = i;
            if (levels[i] <= -50.0 && levels[i] >= -70.0) upper.add(double(i), levels[i]);
            if (levels[i] <= c.deepFrom && levels[i] >= c.deepTo) deep.add(double(i), levels[i]);
        }
        ASSERT_GE(upper.n, 5);
        ASSERT_GE(deep.n, 5) << "TWO " << c.two << ": the tail stops above " << c.deepTo << " dBFS";
        const double ratio = deep.slope() / upper.slope();
        std::cout << "tail of a -30 dBFS note (ONE 0.5, TWO " << c.two << "): " << upper.slope() * 20.0
                  << " dB/s from -50 to -70 dBFS, " << ratio << " of that from " << c.deepFrom << " to "
                  << c.deepTo << " dBFS; last frame " << levels[lastAudible] << " dBFS at "
                  << double(lastAudible) / 20.0 << " s\n";
        EXPECT_NEAR(ratio, 1.0, 0.25) << "TWO " << c.two << ": the tail bends";
        EXPECT_LT(levels[lastAudible], -130.0) << "TWO " << c.two << ": the tail stops above -130 dBFS";

        ASSERT_LT(lastAudible + 20, levels.size()) << "TWO " << c.two << ": silence within 9 s";
        for (std::size_t i = tail.size() - kRate; i < tail.size(); ++i)
            for (int output = 0; output < 4; ++output)
                ASSERT_EQ(tail[i][std::size_t(output)], 0.0f)
                    << "TWO " << c.two << ", output " << output << " sample " << i;
    }
}

// Every decay ends in exact digital silence once the gate closes: no filter
// state or memory word is left to keep a last bit going. The short decays
// are the harder case: there the tank's filters end on a few steps of 2^-31.
TEST(Vestra, EveryDecayEndsInExactSilence) {
    for (const float one : {0.0f, 0.25f, 0.5f, 0.75f}) {
        FirmwareRig rig = decayRig(one);
        const std::vector<Frame> out = rig.run(impulse(0.05, 15 * kRate));
        std::size_t silentFrom = 0;
        for (std::size_t i = 0; i < out.size(); ++i)
            for (const float v : out[i])
                if (v != 0.0f) silentFrom = i + 1;
        std::cout << "ONE " << one << ", impulse 0.05: all four outputs exactly 0 from "
                  << double(silentFrom) / kRate << " s\n";
        EXPECT_LT(silentFrom, out.size() - kRate) << "ONE " << one;
    }
}

// Normalised echo density (Abel and Huang): in a 20 ms Hann window, the
// fraction of samples beyond one standard deviation, over that of a
// Gaussian (0.3173). Returns the window centre (ms after the first sample
// that is not 0) where it first reaches 0.9.
double echoDensityOnsetMs(const std::vector<float>& x) {
    const std::size_t onset = static_cast<std::size_t>(
        std::find_if(x.begin(), x.end(), [](float v) { return v != 0.0f; }) - x.begin());
    const std::size_t window = kRate / 50;
    std::vector<double> w(window);
    double wsum = 0.0;
    for (std::size_t i = 0; i < window; ++i)
        wsum += w[i] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * double(i) / double(window));
    for (std::size_t start = onset; start + window <= x.size(); start += kRate / 1000) {
        double power = 0.0;
        for (std::size_t i = 0; i < window; ++i) power += w[i] * double(x[start + i]) * x[start + i];
        const double sd = std::sqrt(power / wsum);
        double outside = 0.0;
        for (std::size_t i = 0; i < window; ++i) outside += std::fabs(x[start + i]) > sd ? w[i] : 0.0;
        if (outside / wsum / 0.3173 >= 0.9)
            return (double(start - onset) + double(window) / 2.0) * 1000.0 / kRate;
    }
    return 1e9;
}

TEST(Vestra, OnsetIsDenseWithin60ms) {
    FirmwareRig rig = decayRig(0.5f);
    const std::vector<Frame> out = rig.run(impulse(0.5, kRate / 2));
    for (const int output : {2, 3}) {
        const double ms = echoDensityOnsetMs(channel(out, output));
        std::cout << "output " << output << ": echo density 0.9 at " << ms << " ms after onset\n";
        recordFigure(output == 2 ? "vestra.onset_ms.left" : "vestra.onset_ms.right", ms, 0);
        EXPECT_LE(ms, 60.0) << "output " << output;
    }
}

// Peak-to-peak pitch, in cents, of x against a tone of `hz`: its phase in
// 80 ms Hann windows every 20 ms; the frequency is the phase's slope between
// windows. With `tail`, windows more than 6 dB below the decay line are left
// out: where beating modes cancel, the phase jumps without any pitch to hear.
double pitchRangeCents(const std::vector<float>& x, double hz, bool tail) {
    const std::size_t window = 3840, hop = kRate / 50;
    const double w0 = 2.0 * std::numbers::pi * hz / kRate;
    std::vector<std::complex<double>> phasors;
    LineFit decay;
    for (std::size_t start = 0; start + window <= x.size(); start += hop) {
        std::complex<double> z;
        for (std::size_t i = 0; i < window; ++i) {
            const double hann = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * double(i) / window);
            z += hann * double(x[start + i]) * std::polar(1.0, -w0 * double(start + i));
        }
        decay.add(double(phasors.size()), dB(std::norm(z)));
        phasors.push_back(z);
    }
    auto audible = [&](std::size_t k) {
        return !tail || dB(std::norm(phasors[k])) > decay.offset() + decay.slope() * double(k) - 6.0;
    };
    double lo = 1e9, hi = -1e9;
    for (std::size_t k = 1; k < phasors.size(); ++k) {
        if (!audible(k) || !audible(k - 1)) continue;
        const double step = std::arg(phasors[k] / phasors[k - 1]);
        const double cents =
            1200.0 * std::log2(1.0 + step / (2.0 * std::numbers::pi) * kRate / double(hop) / hz);
        lo = std::min(lo, cents);
        hi = std::max(hi, cents);
    }
    return hi - lo;
}

struct PitchCase {
    double hz;
    float tweak;
};
constexpr std::array<PitchCase, 4> kPitchCases{
    {{440.0, 0.2f}, {440.0, 0.5f}, {1000.0, 0.2f}, {1000.0, 0.5f}}};

// The tail's modulation is gentle: a note held for 3 s at ONE 0.5 keeps its
// pitch in the wet outputs (each on its own) within 6 cents peak to peak
// over its last 2 s at every CLOCK, for two tones and two dampings. Held,
// every mode of the tank rings at the note's frequency, so what moves the
// pitch is the modulation sweeping the modes past it (and the tail of the
// note's first second still building up).
TEST(Vestra, HeldNotePitchStaysSteadyAtEveryClock) {
    double worst = 0.0;
    std::vector<double> all;
    for (const PitchCase c : kPitchCases) {
        for (const float clock : {0.0f, 0.5f, 0.75f, 1.0f}) {
            FirmwareRig rig(Mode::Vestra);
            rig.setKnobs({0.5f, 1.0f, 0.0f, clock, c.tweak});
            rig.settle();
            const std::vector<Frame> out = rig.run(sine(c.hz, 0.3, 3 * kRate));
            for (const int output : {2, 3}) {
                const double cents = pitchRangeCents(channel(out, output, kRate), c.hz, false);
                worst = std::max(worst, cents);
                all.push_back(cents);
                std::cout << c.hz << " Hz held, TWEAK " << c.tweak << ", CLOCK " << clock << ", output "
                          << output << ": " << cents << " cents peak to peak\n";
                EXPECT_LE(cents, 6.0)
                    << c.hz << " Hz, TWEAK " << c.tweak << ", CLOCK " << clock << ", output " << output;
            }
        }
    }
    std::sort(all.begin(), all.end());
    std::cout << "held notes: at most " << worst << " cents peak to peak\n";
    recordFigure("vestra.pitch.held_min_cents", all.front(), 1);
    recordFigure("vestra.pitch.held_median_cents", all[all.size() / 2], 1);
    recordFigure("vestra.pitch.held_max_cents", worst, 1);
}

// After the note, the tail's pitch seen through 80 ms windows also swings
// with the beating of the tank's modes, which no modulation depth removes:
// with the modulation switched off (depth 0) the same measure gave up to
// 19.4 cents (the 1 kHz tail at TWEAK 0.5, left); the gentle sweep smears
// that beating a little. Measured per output, for the same tones, dampings
// and CLOCKs, over the tail's first second: within 15 cents peak to peak.
TEST(Vestra, TailPitchSwingsWithTheModesBeating) {
    double lo = 1e9, hi = 0.0;
    for (const PitchCase c : kPitchCases) {
        for (const float clock : {0.0f, 0.5f, 0.75f, 1.0f}) {
            FirmwareRig rig(Mode::Vestra);
            rig.setKnobs({0.5f, 1.0f, 0.0f, clock, c.tweak});
            rig.settle();
            rig.run(sine(c.hz, 0.3, kRate));
            const std::vector<Frame> out = rig.run(silence(kRate + 3840));
            for (const int output : {2, 3}) {
                const double cents = pitchRangeCents(channel(out, output), c.hz, true);
                lo = std::min(lo, cents);
                hi = std::max(hi, cents);
                std::cout << c.hz << " Hz tail, TWEAK " << c.tweak << ", CLOCK " << clock << ", output "
                          << output << ": " << cents << " cents peak to peak\n";
                EXPECT_LE(cents, 15.0)
                    << c.hz << " Hz, TWEAK " << c.tweak << ", CLOCK " << clock << ", output " << output;
            }
        }
    }
    std::cout << "tails: " << lo << " to " << hi << " cents peak to peak\n";
    recordFigure("vestra.pitch.tail_min_cents", lo, 1);
    recordFigure("vestra.pitch.tail_max_cents", hi, 1);
}

// Power of x between two frequencies: Goertzel bins every 0.5 Hz.
double bandPower(const std::vector<float>& x, double lo, double hi) {
    double sum = 0.0;
    for (double hz = lo; hz <= hi; hz += 0.5) {
        const double c = 2.0 * std::cos(2.0 * std::numbers::pi * hz / kRate);
        double s1 = 0.0, s2 = 0.0;
        for (const float v : x) {
            const double s0 = v + c * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        sum += s1 * s1 + s2 * s2 - c * s1 * s2;
    }
    return sum;
}

// The octave voice's level: the power of the band around the octave (620 to
// 700 Hz, which holds the chorused voice whatever the LFO's phase) against
// that around a 330 Hz tone (300 to 360 Hz).
TEST(Vestra, ShimmerAddsTheOctaveAbove) {
    double previous = 0.0;
    for (const float two : {0.0f, 0.5f, 1.0f}) {
        FirmwareRig rig(Mode::Vestra);
        rig.setKnob(kOne, 0.6f);
        rig.setKnob(kTwo, two);
        rig.setKnob(kMix, 1.0f);
        rig.settle();
        const std::vector<float> wet = channel(rig.run(sine(330.0, 0.3, 3 * kRate)), 2, kRate);
        const double octave = bandPower(wet, 620.0, 700.0) / bandPower(wet, 300.0, 360.0);
        std::cout << "TWO " << two << ": octave band at " << dB(octave)
                  << " dB to the fundamental's, wet peak " << peak(wet) << "\n";
        recordFigure("vestra.shimmer.octave_db.two_" + keyPart(two), dB(octave), 1);
        EXPECT_GT(octave, previous * 2.0) << "TWO " << two;
        previous = octave;
    }
    EXPECT_GT(previous, 0.2) << "at TWO 1 the octave stands within 7 dB of the note";
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

// ---- TWEAK's damping, measured from the tail's decay in bands --------------

// Half-octave steps from 125 Hz to 8 kHz; each band spans a third of an
// octave around its centre.
constexpr std::array<double, 13> kDampBands{125,  177,  250,  354,  500,  707, 1000,
                                            1414, 2000, 2828, 4000, 5657, 8000};

// Decay rate of the tail in each band of kDampBands, dB per second (negative):
// the impulse response of both wet outputs at ONE 1 (the slowest decay, so
// that even the highs at full damping last long enough to fit), TWO 0,
// CLOCK 0.5, in 4096-sample Hann frames every 1024 samples; the band's
// power in dB against time is fitted with a line from 0.2 s on (more than a
// pass through the tank, so that every arrival has been damped) down to 40
// dB below its level there, or to the end of the 3 s.
std::vector<double> bandDecayRates(float tweak) {
    FirmwareRig rig(Mode::Vestra);
    rig.setKnobs({1.0f, 1.0f, 0.0f, 0.5f, tweak});
    rig.settle();
    const std::vector<Frame> out = rig.run(impulse(0.5, 3 * kRate));

    const std::size_t size = 4096, hop = 1024;
    std::vector<double> hann(size);
    for (std::size_t i = 0; i < size; ++i)
        hann[i] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * double(i) / double(size));
    std::vector<LineFit> fits(kDampBands.size());
    std::vector<double> top(kDampBands.size(), 0.0);
    std::vector<bool> done(kDampBands.size(), false);
    std::vector<std::size_t> firstBin, lastBin;
    for (const double centre : kDampBands) {
        const double binHz = double(kRate) / double(size);
        firstBin.push_back(static_cast<std::size_t>(std::ceil(centre * std::pow(2.0, -1.0 / 6.0) / binHz)));
        lastBin.push_back(static_cast<std::size_t>(std::floor(centre * std::pow(2.0, 1.0 / 6.0) / binHz)));
    }
    std::vector<std::complex<double>> spectrum(size);
    for (std::size_t start = 0; start + size <= out.size(); start += hop) {
        const double time = (double(start) + double(size) / 2.0) / kRate;
        if (time < 0.2) continue;
        std::vector<double> power(kDampBands.size(), 0.0);
        for (const std::size_t output : {2u, 3u}) {
            for (std::size_t i = 0; i < size; ++i) spectrum[i] = hann[i] * double(out[start + i][output]);
            fourierTransform(spectrum);
            for (std::size_t b = 0; b < kDampBands.size(); ++b)
                for (std::size_t k = firstBin[b]; k <= lastBin[b]; ++k) power[b] += std::norm(spectrum[k]);
        }
        for (std::size_t b = 0; b < kDampBands.size(); ++b) {
            const double level = dB(power[b]);
            if (fits[b].n == 0) top[b] = level;
            done[b] = done[b] || level < top[b] - 40.0;
            if (!done[b]) fits[b].add(time, level);
        }
    }
    std::vector<double> rates;
    for (std::size_t b = 0; b < kDampBands.size(); ++b) {
        EXPECT_GE(fits[b].n, 8) << "TWEAK " << tweak << ", " << kDampBands[b]
                                << " Hz: too short a decay to fit";
        rates.push_back(fits[b].slope());
    }
    return rates;
}

// Gain in dB at `hz` of the damping one-pole y += a (x - y):
// |H|^2 = a^2 / (1 - 2 (1 - a) cos w + (1 - a)^2).
double onePoleDb(double a, double hz) {
    const double w = 2.0 * std::numbers::pi * hz / kRate;
    return 10.0 * std::log10(a * a / (1.0 - 2.0 * (1.0 - a) * std::cos(w) + (1.0 - a) * (1.0 - a)));
}

// Its -3 dB frequency, where |H|^2 = 1/2.
double onePoleCorner(double a) {
    const double p = 1.0 - a;
    return std::acos((1.0 + p * p - 2.0 * a * a) / (2.0 * p)) * kRate / (2.0 * std::numbers::pi);
}

// The coefficient whose one-pole has its -3 dB corner at `hz`: the root of
// a^2 + 2 a (1 - cos w) - 2 (1 - cos w) = 0.
double onePoleForCorner(double hz) {
    const double k = 1.0 - std::cos(2.0 * std::numbers::pi * hz / kRate);
    return std::sqrt(k * k + 2.0 * k) - k;
}

// The one-pole, and the number of passes through it per second, that best
// explain the extra decay (dB/s per band, negative) that damping adds:
// extra(f) = passes * onePoleDb(a, f). For each coefficient on a fine grid
// of log2(a) the passes follow by least squares; the residuals are relative
// (a band decaying fast is fitted over fewer frames and is no more exact),
// with a floor of 0.1 dB/s for the low bands that damping barely touches.
struct OnePoleFit {
    double a = 0.0;
    double passesPerSecond = 0.0;
    double rmsRelativeError = 1e9;
};

OnePoleFit fitOnePole(const std::vector<double>& extra) {
    OnePoleFit best;
    for (double log2a = -8.0; log2a <= 0.0; log2a += 1.0 / 2048.0) {
        const double a = std::exp2(log2a);
        double sxy = 0.0, sxx = 0.0;
        for (std::size_t b = 0; b < kDampBands.size(); ++b) {
            const double weight = 1.0 / (extra[b] * extra[b] + 0.01);
            const double model = onePoleDb(a, kDampBands[b]);
            sxy += weight * model * extra[b];
            sxx += weight * model * model;
        }
        const double passes = sxy / sxx;
        double error = 0.0;
        for (std::size_t b = 0; b < kDampBands.size(); ++b) {
            const double residual = extra[b] - passes * onePoleDb(a, kDampBands[b]);
            error += residual * residual / (extra[b] * extra[b] + 0.01);
        }
        error = std::sqrt(error / double(kDampBands.size()));
        if (error < best.rmsRelativeError) best = {a, passes, error};
    }
    return best;
}

// TWEAK damps the tail with a one-pole low-pass in each tank half. The
// band decay rates at TWEAK 0 are the reference: taking them off those at
// TWEAK 0.5 and 1 leaves the damping's own loss per second, free of the
// decay gain, the bass cut and the modulated reads' interpolation, which do
// not change with TWEAK. A one-pole that the signal passes `passes` times a
// second is fitted to it; its -3 dB corner is the READMEs' figure (within
// 10 %: over other LFO phases at the impulse, other CLOCKs, fit ranges and
// band widths and at ONE 0.75 it moved by at most 4 %), and its passes per second must be
// those of the tank's half loop, 48000 / 6414 (the lengths in vestra.fxasm:
// 677 + 5717 and 811 + 5623 samples), within 15 %: the loss is one pass of
// this filter per half loop, not some other shape that happens to fit.
// At TWEAK 0 the damping is open: the tail loses less at 4 kHz, against 1
// kHz, than a one-pole at 10 kHz would take.
TEST(Vestra, TweakDampsTheTailDownTo730Hz) {
    const std::vector<double> open = bandDecayRates(0.0f);
    struct Case {
        float tweak;
        double corner;  // Hz, as the READMEs give it
    };
    double passes = 0.0;
    for (const Case c : {Case{0.5f, 2700.0}, Case{1.0f, 730.0}}) {
        const std::vector<double> damped = bandDecayRates(c.tweak);
        std::vector<double> extra;
        for (std::size_t b = 0; b < kDampBands.size(); ++b) extra.push_back(damped[b] - open[b]);
        const OnePoleFit fit = fitOnePole(extra);
        passes = fit.passesPerSecond;
        std::cout << "TWEAK " << c.tweak << ", extra decay of the tail in dB/s (fitted one-pole):";
        for (std::size_t b = 0; b < kDampBands.size(); ++b)
            std::cout << " " << kDampBands[b] << " Hz " << extra[b] << " ("
                      << passes * onePoleDb(fit.a, kDampBands[b]) << ")";
        const double corner = onePoleCorner(fit.a);
        std::cout << "\nTWEAK " << c.tweak << ": one-pole coefficient " << fit.a << ", -3 dB at " << corner
                  << " Hz, " << passes << " passes/s, rms relative misfit " << fit.rmsRelativeError << "\n";
        recordFigure("vestra.damping.corner_hz.tweak_" + keyPart(c.tweak), corner, 0);
        recordFigure("vestra.damping.passes_per_s.tweak_" + keyPart(c.tweak), passes, 2);
        EXPECT_NEAR(corner, c.corner, c.corner * 0.1) << "TWEAK " << c.tweak;
        EXPECT_NEAR(passes, 48000.0 / 6414.0, 48000.0 / 6414.0 * 0.15) << "TWEAK " << c.tweak;
        EXPECT_LT(fit.rmsRelativeError, 0.1) << "TWEAK " << c.tweak << ": not the shape of a one-pole";
    }
    // open[6] is the 1 kHz band, open[10] the 4 kHz one; the passes per
    // second are those fitted at TWEAK 1
    const double perPass = (open[6] - open[10]) / passes;
    const double a10k = onePoleForCorner(10000.0);
    const double tenKHz = onePoleDb(a10k, 1000.0) - onePoleDb(a10k, 4000.0);
    std::cout << "TWEAK 0: the tail loses " << perPass
              << " dB per pass more at 4 kHz than at 1 kHz (a one-pole at 10 kHz: " << tenKHz << " dB)\n";
    EXPECT_LT(perPass, tenKHz) << "TWEAK 0 is not open";
}

// ---- headroom, the limiter, the octave's tuning and width, DC --------------

// Power spectrum of the last 2^17 samples (2.7 s, 0.37 Hz bins) of x under
// a Hann window.
std::vector<double> powerSpectrum(const std::vector<float>& x) {
    const std::size_t size = std::size_t(1) << 17;
    std::vector<std::complex<double>> a(size);
    const std::size_t from = x.size() - size;
    for (std::size_t i = 0; i < size; ++i)
        a[i] =
            (0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * double(i) / double(size))) * double(x[from + i]);
    fourierTransform(a);
    std::vector<double> power(size / 2);
    for (std::size_t k = 0; k < power.size(); ++k) power[k] = std::norm(a[k]);
    return power;
}

constexpr double kBinHz = double(kRate) / double(std::size_t(1) << 17);

double spectrumBand(const std::vector<double>& power, double lo, double hi) {
    double sum = 0.0;
    for (auto k = std::size_t(std::ceil(lo / kBinHz)); k <= std::size_t(hi / kBinHz) && k < power.size(); ++k)
        sum += power[k];
    return sum;
}

// The wet outputs 2 and 3 each on their own, and their sum.
std::array<std::vector<float>, 3> wetChannels(const std::vector<Frame>& out) {
    std::array<std::vector<float>, 3> c{channel(out, 2), channel(out, 3), {}};
    for (std::size_t i = 0; i < out.size(); ++i) c[2].push_back(out[i][2] + out[i][3]);
    return c;
}
constexpr std::array<const char*, 3> kWetNames{"left", "right", "sum"};

// Strongest of the harmonics 2 to 6 of f0 against f0 (bands of +-8 Hz, which
// hold the tank's chorusing), dBc.
double worstHarmonicDbc(const std::vector<float>& x, double f0) {
    const std::vector<double> power = powerSpectrum(x);
    const double fundamental = spectrumBand(power, f0 - 8.0, f0 + 8.0);
    double worst = 0.0;
    for (int k = 2; k <= 6; ++k) worst = std::max(worst, spectrumBand(power, k * f0 - 8.0, k * f0 + 8.0));
    return dB(worst / fundamental);
}

// A held note comes out clean: the tank runs 6 dB below the output it
// feeds (it ran 12 dB above it), and the diffusers below the level where a
// full-scale mono sum would clip their all-pass nodes. Middle C held for 12 s,
// the last 2.7 s measured (the longest tail has built up by then).
TEST(Vestra, HeldSinesComeOutWithoutHarmonics) {
    struct Case {
        double dbfs;
        float one;
    };
    for (const Case c : {Case{-12.0, 1.0f}, Case{-6.0, 0.5f}, Case{-6.0, 0.75f}}) {
        FirmwareRig rig = decayRig(c.one);
        const std::vector<Frame> out = rig.run(sine(261.63, std::pow(10.0, c.dbfs / 20.0), 12 * kRate));
        const auto wet = wetChannels(out);
        for (std::size_t k = 0; k < wet.size(); ++k) {
            const double dbc = worstHarmonicDbc(wet[k], 261.63);
            std::cout << "sine at " << c.dbfs << " dBFS, ONE " << c.one << ", " << kWetNames[k] << ": peak "
                      << 20.0 * std::log10(peak(wet[k])) << " dBFS, strongest harmonic " << dbc << " dBc\n";
            recordFigure(
                "vestra.harmonic_dbc.m" + keyPart(-c.dbfs) + "_one_" + keyPart(c.one) + "." + kWetNames[k],
                dbc, 1);
            EXPECT_LT(dbc, -40.0) << c.dbfs << " dBFS, ONE " << c.one << ", " << kWetNames[k];
        }
    }
}

// A nylon-string arpeggio (Karplus-Strong plucks with a soft attack), eight
// notes of A minor and F major over two octaves, one every 250 ms, each
// ringing on, for 8 s; the same on both channels, peak `peakLevel`.
Signal arpeggio(double peakLevel) {
    Signal s = silence(8 * kRate);
    const double notes[] = {110.0, 164.8, 220.0, 261.6, 329.6, 261.6, 220.0, 164.8,
                            87.3,  130.8, 174.6, 220.0, 261.6, 220.0, 174.6, 130.8};
    std::uint32_t seed = 77;
    for (std::size_t n = 0; n < 32; ++n) {
        const std::size_t start = n * kRate / 4;
        std::vector<double> string(static_cast<std::size_t>(std::lround(kRate / notes[n % 16])));
        double smooth = 0.0;
        for (double& v : string) {
            seed = seed * 1664525u + 1013904223u;
            smooth += 0.5 * (double(std::int32_t(seed)) / 2147483648.0 - smooth);  // a soft pluck
            v = smooth;
        }
        for (std::size_t i = 0; start + i < s.left.size(); ++i) {
            const std::size_t k = i % string.size();
            s.left[start + i] += static_cast<float>(string[k]);
            string[k] = 0.4985 * (string[k] + string[(k + 1) % string.size()]);
        }
    }
    const double scale = peakLevel / peak(s.left);
    for (std::size_t i = 0; i < s.left.size(); ++i) s.left[i] = s.right[i] = float(s.left[i] * scale);
    return s;
}

// What the reverb adds to a loud arpeggio beyond a linear reverb: the same
// render 30 dB quieter, scaled back up, taken off it. At the longest decays
// the tail builds up most; the limiter stays out of the way at -6 dBFS.
TEST(Vestra, LoudArpeggioReverbsLinearly) {
    for (const float one : {0.75f, 1.0f}) {
        FirmwareRig loudRig = decayRig(one);
        FirmwareRig quietRig = decayRig(one);
        const auto loud = wetChannels(loudRig.run(arpeggio(0.5)));
        const auto quiet = wetChannels(quietRig.run(arpeggio(0.5 * std::pow(10.0, -1.5))));
        for (std::size_t k = 0; k < loud.size(); ++k) {
            double residual = 0.0, power = 0.0;
            for (std::size_t i = 0; i < loud[k].size(); ++i) {
                const double d = loud[k][i] - std::pow(10.0, 1.5) * quiet[k][i];
                residual += d * d;
                power += double(loud[k][i]) * loud[k][i];
            }
            std::cout << "arpeggio peaking at -6 dBFS, ONE " << one << ", " << kWetNames[k] << ": wet peak "
                      << 20.0 * std::log10(peak(loud[k])) << " dBFS, residual against a linear reverb "
                      << dB(residual / power) << " dB\n";
            recordFigure("vestra.arpeggio_residual_db.one_" + keyPart(one) + "." + kWetNames[k],
                         dB(residual / power), 1);
            EXPECT_LT(dB(residual / power), -30.0) << "ONE " << one << ", " << kWetNames[k];
        }
    }
}

// Where a held sound at the longest decay would build up past full scale,
// the limiter shortens the decay instead of clipping. Noise held for 12 s
// at ONE 1 (the broadest build-up): the wet level of its last 2 s against a
// linear reverb (the same noise 30 dB quieter, scaled up), per output. The
// onset is the input level where that falls 1 dB short (noise at -6 dBFS
// rms). Up to -10 dBFS rms no output sample reaches full scale; at every
// level the 50 ms frames stay within 6 dB of each other: a slow gain
// reduction, no pumping. (At -6 dBFS rms the noise's rarest peaks, 13.7 dB
// above its rms, still touch full scale.) A held middle C at -6 dBFS at ONE
// 1 undamped, and a 120 Hz tone at -12 dBFS with ONE and TWO at 1 and TWEAK
// 0, stay below full scale.
TEST(Vestra, LimiterHoldsLoudHeldSoundsBelowFullScale) {
    double onset = 0.0;
    for (const double dbfs : {-24.0, -18.0, -14.0, -10.0, -6.0}) {
        const double amplitude = std::pow(10.0, dbfs / 20.0) * std::sqrt(3.0);
        FirmwareRig loudRig = decayRig(1.0f), quietRig = decayRig(1.0f);
        const std::vector<Frame> loud = loudRig.run(noise(amplitude, 12 * kRate, 4242));
        const std::vector<Frame> quiet =
            quietRig.run(noise(amplitude * std::pow(10.0, -1.5), 12 * kRate, 4242));
        const std::size_t from = loud.size() - 2 * kRate;
        double worstReduction = 0.0;
        for (const int output : {2, 3}) {
            const std::vector<float> a = channel(loud, output, from), b = channel(quiet, output, from);
            const double reduction = -20.0 * std::log10(rms(a) / (std::pow(10.0, 1.5) * rms(b)));
            worstReduction = std::max(worstReduction, reduction);
            double lo = 1e9, hi = -1e9;
            for (std::size_t start = 0; start + kRate / 20 <= a.size(); start += kRate / 20) {
                const std::vector<float> frame(a.begin() + long(start), a.begin() + long(start + kRate / 20));
                lo = std::min(lo, 20.0 * std::log10(rms(frame)));
                hi = std::max(hi, 20.0 * std::log10(rms(frame)));
            }
            std::cout << "ONE 1, noise at " << dbfs << " dBFS rms, output " << output << ": gain reduction "
                      << reduction << " dB, wet " << 20.0 * std::log10(rms(a)) << " dBFS rms, peak "
                      << 20.0 * std::log10(peak(channel(loud, output))) << " dBFS, 50 ms frames " << lo
                      << " to " << hi << " dBFS\n";
            if (dbfs <= -10.0) {
                EXPECT_LT(peak(channel(loud, output)), 0.999) << dbfs << " dBFS, output " << output;
            }
            EXPECT_LT(hi - lo, 6.0) << dbfs << " dBFS, output " << output << ": the level pumps";
        }
        recordFigure("vestra.limiter.reduction_db.m" + keyPart(-dbfs), worstReduction, 2);
        if (onset == 0.0 && worstReduction > 1.0) onset = dbfs;
    }
    std::cout << "the limiter takes more than 1 dB from noise at " << onset << " dBFS rms on\n";
    EXPECT_LT(onset, 0.0) << "the limiter never acted";
    EXPECT_GE(onset, -10.0) << "the limiter acts on moderate levels";

    struct Tone {
        std::array<float, 5> knobs;
        double hz, dbfs;
    };
    for (const Tone t : {Tone{{1.0f, 1.0f, 0.0f, 0.5f, 0.0f}, 261.63, -6.0},
                         Tone{{1.0f, 1.0f, 1.0f, 0.0f, 0.0f}, 120.0, -12.0}}) {
        FirmwareRig rig(Mode::Vestra);
        rig.setKnobs(t.knobs);
        rig.settle();
        const std::vector<Frame> out = rig.run(sine(t.hz, std::pow(10.0, t.dbfs / 20.0), 12 * kRate));
        for (const int output : {2, 3}) {
            std::cout << t.hz << " Hz at " << t.dbfs << " dBFS, TWO " << t.knobs[2] << ", output " << output
                      << ": peak " << 20.0 * std::log10(peak(channel(out, output))) << " dBFS\n";
            EXPECT_LT(peak(channel(out, output)), 0.999) << t.hz << " Hz, output " << output;
        }
    }
}

// The octave voice's strongest line near the octave, per channel, for every
// semitone from G3 to E5: ONE 0 (so that the tank's own tail does not cover
// it), TWO 1, MIX 1, a sine at -18 dBFS for 4 s, the last 2.7 s measured.
// The chip's two-tap crossfade over a 4096-word window puts the voice's
// lines 23.4 Hz apart, anchored on the note, so the nearest lies up to 11.7
// Hz from the octave, and for a note near midway (D4) the next one, 12.4 Hz
// off, is a dB or two weaker; the tank's taps, through which the voice
// reaches the outputs, weigh the lines anew and made that one the strongest.
// The ramp runs 0.225 % fast (the octave 1.9 cents sharp), which shifts the
// lines up by 0.4 to 1.5 Hz over the range and brings both lines of such a
// pair within 12 Hz.
TEST(Vestra, ShimmerOctaveIsInTune) {
    int within6 = 0, notes = 0;
    double worst = 0.0;
    for (int midi = 55; midi <= 76; ++midi) {
        const double hz = 440.0 * std::exp2((midi - 69) / 12.0);
        FirmwareRig rig(Mode::Vestra);
        rig.setKnobs({0.0f, 1.0f, 1.0f, 0.5f, 0.5f});
        rig.settle();
        const auto wet = wetChannels(rig.run(sine(hz, 0.125, 4 * kRate)));
        for (std::size_t k = 0; k < 2; ++k) {
            const std::vector<double> power = powerSpectrum(wet[k]);
            const auto first = std::size_t((2.0 * hz - 30.0) / kBinHz);
            std::size_t best = first;
            for (std::size_t b = first; b <= std::size_t((2.0 * hz + 30.0) / kBinHz); ++b)
                if (power[b] > power[best]) best = b;
            const double offset = double(best) * kBinHz - 2.0 * hz;
            std::cout << "MIDI " << midi << " (" << hz << " Hz), " << kWetNames[k]
                      << ": strongest line near the octave " << offset << " Hz from it\n";
            EXPECT_LE(std::fabs(offset), 12.0) << "MIDI " << midi << ", " << kWetNames[k];
            worst = std::max(worst, std::fabs(offset));
            within6 += std::fabs(offset) <= 6.0 ? 1 : 0;
            ++notes;
        }
    }
    std::cout << within6 << " of " << notes << " within 6 Hz, the farthest " << worst << " Hz off\n";
    recordFigure("vestra.octave.worst_hz", worst, 1);
    recordFigure("vestra.octave.within_6hz", within6, 0);
    recordFigure("vestra.octave.channel_notes", notes, 0);
    EXPECT_GT(within6 * 2, notes) << "most notes within 6 Hz";
}

// Left-right correlation of the wet outputs over a whole render.
double correlation(const std::vector<Frame>& out) {
    double lr = 0.0, ll = 0.0, rr = 0.0;
    for (const Frame& f : out) {
        lr += double(f[2]) * f[3];
        ll += double(f[2]) * f[2];
        rr += double(f[3]) * f[3];
    }
    return lr / std::sqrt(ll * rr);
}

// The octave voice feeds the tank and reaches the outputs through its taps,
// so it is as wide as the tail: the tail's correlation with TWO at 1 lies
// within 0.1 of that at TWO 0, after a noise burst and after the phrase.
TEST(Vestra, OctaveVoiceIsAsWideAsTheTail) {
    for (const float one : {0.25f, 0.5f, 1.0f}) {
        for (const bool phrase : {false, true}) {
            std::array<double, 2> c{};
            for (const int two : {0, 1}) {
                FirmwareRig rig = decayRig(one, float(two));
                rig.run(phrase ? pluckedPhrase(0.25) : noiseBurst(-20.0));
                c[std::size_t(two)] = correlation(rig.run(silence(3 * kRate)));
            }
            std::cout << "ONE " << one << ", tail after " << (phrase ? "the phrase" : "noise")
                      << ": left/right correlation " << c[0] << " at TWO 0, " << c[1] << " at TWO 1\n";
            EXPECT_NEAR(c[1], c[0], 0.1) << "ONE " << one << (phrase ? ", phrase" : ", noise");
            // a noise burst's tail is wide; the phrase's holds its notes'
            // tones, whose two sides keep some of their phase
            if (!phrase) {
                EXPECT_LT(std::fabs(c[0]), 0.1) << "ONE " << one;
            }
        }
    }
}

// No DC at any setting: the Hann-windowed mean of the wet outputs under a
// 120 Hz tone at -12 dBFS, for every corner of ONE, TWO, CLOCK and TWEAK and
// the middle.
TEST(Vestra, NoDcAtAnySetting) {
    double worst = 0.0;
    for (int corner = 0; corner <= 16; ++corner) {
        std::array<float, 5> knobs{0.5f, 1.0f, 0.5f, 0.5f, 0.5f};
        if (corner < 16)
            for (const std::size_t k : {0u, 2u, 3u, 4u})
                knobs[k] = (corner >> (k == 0 ? 0 : k - 1)) & 1 ? 1.0f : 0.0f;
        FirmwareRig rig(Mode::Vestra);
        rig.setKnobs(knobs);
        rig.settle();
        const std::vector<Frame> out = rig.run(sine(120.0, 0.25, 3 * kRate));
        for (const int output : {2, 3}) {
            const double dc = dcLevel(channel(out, output, kRate / 2));
            worst = std::max(worst, std::fabs(dc));
            EXPECT_LT(std::fabs(dc), 1e-3) << "knobs " << knobs[0] << " " << knobs[2] << " " << knobs[3]
                                           << " " << knobs[4] << ", output " << output;
        }
    }
    std::cout << "largest wet DC over the settings: " << worst << "\n";
}

TEST(Vestra, ModulationLampFollowsClock) {
    int previousEdges = -1;
    for (const float clock : {0.0f, 0.5f, 1.0f}) {
        FirmwareRig rig(Mode::Vestra);
        rig.setKnob(kClock, clock);
        rig.settle();
        int edges = 0;
        std::int32_t previous = rig.core().userOut[1];
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
