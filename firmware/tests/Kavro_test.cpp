// KAVRO, the tape echo: echo time over ONE, stable feedback, the repeat lamp.
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>

#include "firmware/tests/FirmwareRig.h"

namespace fxcore::firmwaretest {
namespace {

// The sample of the strongest wet output after an impulse: the first echo.
int firstEchoDelay(float one) {
    FirmwareRig rig(Mode::Kavro);
    rig.setKnob(kOne, one);
    rig.setKnob(kTwo, 0.0f);
    rig.setKnob(kClock, 1.0f);  // fast, shallow wow: the echo does not wander
    rig.setKnob(kTweak, 0.0f);
    rig.settle();
    const std::vector<float> wet = channel(rig.run(impulse(0.8, 33000)), 2);
    std::size_t best = 0;
    for (std::size_t i = 0; i < wet.size(); ++i)
        if (std::fabs(wet[i]) > std::fabs(wet[best])) best = i;
    return static_cast<int>(best);
}

TEST(Kavro, FirstEchoGrowsWithOneOverTheWholeMemory) {
    int previous = 0;
    for (int step = 0; step <= 10; ++step) {
        const float one = static_cast<float>(step) / 10.0f;
        const int delay = firstEchoDelay(one);
        EXPECT_GT(delay, previous) << "ONE " << one;
        if (step == 0) {
            EXPECT_NEAR(delay, 1440, 8);
        }
        if (step == 10) {
            EXPECT_GT(delay, 32400);
            EXPECT_LT(delay, 32767);
        }
        std::cout << "ONE " << one << ": first echo at " << delay << " samples, "
                  << delay * 1000.0 / kRate << " ms\n";
        previous = delay;
    }
}

TEST(Kavro, FullFeedbackOnLoudNoiseNeverRunsAway) {
    for (const float one : {0.0f, 0.3f}) {
        FirmwareRig rig(Mode::Kavro);
        rig.setKnob(kOne, one);
        rig.setKnob(kTwo, 1.0f);
        rig.setKnob(kTweak, 0.0f);  // brightest repeats: the most loop gain
        rig.setKnob(kMix, 0.5f);
        rig.settle();
        const std::vector<Frame> out = rig.run(noise(0.5, 10 * kRate));
        for (int output = 0; output < 4; ++output) {
            const double p = peak(channel(out, output));
            EXPECT_LT(p, 0.99) << "ONE " << one << " output " << output;
            std::cout << "ONE " << one << " TWO 1, noise -6 dBFS for 10 s: output " << output
                      << " peak " << 20.0 * std::log10(p) << " dBFS\n";
        }
        // The repeats die away once the input stops.
        const std::vector<Frame> tail = rig.run(silence(30 * kRate));
        EXPECT_LT(peak(channel(tail, 2, tail.size() - kRate)), 0.05);
    }
}

TEST(Kavro, FeedbackSetsHowLongTheRepeatsLast) {
    double previous = -1.0;
    for (const float two : {0.0f, 0.5f, 1.0f}) {
        FirmwareRig rig(Mode::Kavro);
        rig.setKnob(kOne, 0.2f);
        rig.setKnob(kTwo, two);
        rig.settle();
        rig.run(noise(0.5, kRate / 20));
        const std::vector<Frame> out = rig.run(silence(3 * kRate / 2));
        const double late = rms(channel(out, 2, kRate));
        EXPECT_GT(late, previous) << "TWO " << two;
        std::cout << "TWO " << two << ": repeats 1.0 to 1.5 s after a burst at "
                  << 20.0 * std::log10(late + 1e-12) << " dBFS rms\n";
        previous = late;
    }
    EXPECT_GT(previous, 0.01);
}

// ONE thrown from one end to the other: the heads glide like a transport
// changing speed, so a held tone bends in pitch (never below half or above
// one and a half of its own) and settles at the new time.
TEST(Kavro, DelayTimeGlidesAtBoundedSpeed) {
    FirmwareRig rig(Mode::Kavro);
    rig.setKnob(kOne, 0.0f);
    rig.setKnob(kTwo, 0.0f);
    rig.setKnob(kMix, 1.0f);
    rig.setKnob(kClock, 1.0f);
    rig.setKnob(kTweak, 0.0f);
    rig.settle();
    const Signal tone = sine(1000.0, 0.3, 3 * kRate);
    Signal first, second;
    first.left.assign(tone.left.begin(), tone.left.begin() + kRate);
    first.right = first.left;
    second.left.assign(tone.left.begin() + kRate, tone.left.end());
    second.right = second.left;
    rig.run(first);
    rig.setKnob(kOne, 1.0f);
    const std::vector<float> wet = channel(rig.run(second), 2);

    // Frequency from the rising zero crossings of 20 ms windows.
    double lowest = 1e9, highest = 0.0, settled = 0.0;
    const std::size_t window = kRate / 50;
    for (std::size_t start = 0; start + window <= wet.size(); start += window) {
        std::vector<double> crossings;
        for (std::size_t i = start + 1; i < start + window; ++i)
            if (wet[i - 1] < 0.0f && wet[i] >= 0.0f)
                crossings.push_back(double(i) - wet[i] / double(wet[i] - wet[i - 1]));
        if (crossings.size() < 2) continue;
        const double hz = kRate * double(crossings.size() - 1) / (crossings.back() - crossings.front());
        lowest = std::min(lowest, hz);
        highest = std::max(highest, hz);
        settled = hz;
    }
    std::cout << "ONE 0 to 1 with a 1 kHz tone: pitch between " << lowest << " and " << highest
              << " Hz, " << settled << " Hz at the end\n";
    EXPECT_GT(lowest, 480.0);
    EXPECT_LT(highest, 1020.0);
    EXPECT_NEAR(settled, 1000.0, 10.0);
}

// Lamp 1 blinks once per delay period, lit for its first quarter.
TEST(Kavro, RepeatLampBlinksAtTheDelayTime) {
    for (const float one : {0.0f, 0.5f, 1.0f}) {
        FirmwareRig rig(Mode::Kavro);
        rig.setKnob(kOne, one);
        rig.settle();
        const int delay = firstEchoDelay(one);
        int rising = 0;
        int lit = 0;
        int32_t previous = rig.core().userOut[1];
        const int samples = 4 * delay;  // whole periods, whatever the phase
        for (int i = 0; i < samples; ++i) {
            rig.step(0.0f, 0.0f);
            const int32_t now = rig.core().userOut[1];
            rising += (now != 0 && previous == 0) ? 1 : 0;
            lit += now != 0 ? 1 : 0;
            previous = now;
        }
        EXPECT_NEAR(rising, 4, 1) << "ONE " << one;
        EXPECT_NEAR(double(lit) / samples, 0.25, 0.02) << "ONE " << one;
    }
}

}  // namespace
}  // namespace fxcore::firmwaretest
