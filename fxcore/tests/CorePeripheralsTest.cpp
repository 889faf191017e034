// Pots, LFOs, ramps, noise, level flags, outputs, the SFR map and the duty read.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "fxcore/FXCoreCore.h"
#include "fxcore/tests/WordBuilder.h"

namespace fxcore {
namespace {

using test::word;
using O = Opcode;

void loadIdle(FXCoreCore& core) {
    const std::uint32_t words[] = {word(O::Jump, 0)};
    ASSERT_TRUE(core.setProgram(words, 1));
}

TEST(CorePeripherals, PotPositionsClampAndScaleTo12Bits) {
    FXCoreCore core;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        float position;
        std::int32_t expected;
    };
    const Case cases[] = {{1.0f, 4095}, {0.5f, 2048},     {2.0f, 4095},     {-0.1f, 0},
                          {nan, 0},     {0.99999f, 4095}, {1.0f / 4096, 1}, {0.0f, 0}};
    for (const Case& c : cases) {
        core.setPot(3, c.position);
        EXPECT_EQ(core.potInput[3], c.expected) << c.position;
    }
    const float all[6] = {0.25f, 1, 0, 2, -1, 0.5f};
    core.setPots(all);
    EXPECT_EQ(core.potInput, (std::array<std::int32_t, 6>{1024, 4095, 0, 4095, 0, 2048}));
    core.setPot(6, 0.5f);
    core.setPot(-1, 0.5f);
    EXPECT_EQ(core.potInput, (std::array<std::int32_t, 6>{1024, 4095, 0, 4095, 0, 2048}));
}

TEST(CorePeripherals, PotScanLatchesEvery24thSampleAt48k) {
    FXCoreCore core;
    loadIdle(core);
    core.setPot(0, 1.0f);
    for (int n = 1; n <= 23; ++n) {
        core.run(nullptr);
        ASSERT_EQ(core.sfr[16], 0) << n;
    }
    core.run(nullptr);
    EXPECT_EQ(core.sfr[16], 0x7FF80000);
    EXPECT_EQ(core.sfr[22], 0x7FF80000);  // shift 0: no smoothing
}

TEST(CorePeripherals, PotScanAveragesTwoKilohertzAtOtherRates) {
    FXCoreCore core;
    loadIdle(core);
    core.sampleRate = 44100.0;
    int scans = 0;
    int shortest = 1000;
    int longest = 0;
    int last = -1;
    for (int n = 0; n < 44100; ++n) {
        // A different value every sample, so every scan changes the latch.
        core.setPot(1, static_cast<float>((n % 4000) + 1) / 4096.0f);
        const std::int32_t before = core.potLatched[1];
        core.run(nullptr);
        if (core.potLatched[1] == before) continue;
        ++scans;
        if (last >= 0) {
            shortest = std::min(shortest, n - last);
            longest = std::max(longest, n - last);
        }
        last = n;
    }
    EXPECT_EQ(scans, 2000);
    EXPECT_EQ(shortest, 22);
    EXPECT_EQ(longest, 23);
}

TEST(CorePeripherals, SmoothingRisesShortOfTheTargetAndFallsExactly) {
    FXCoreCore core;
    FXCoreCore::Presets presets;
    presets.sfr[10] = 10;
    core.setPresets(presets);
    loadIdle(core);
    core.setPot(0, 1.0f);
    for (int n = 0; n < 200000; ++n) core.run(nullptr);
    EXPECT_LE(0x7FF80000 - core.sfr[22], 1023);
    EXPECT_GE(0x7FF80000 - core.sfr[22], 0);
    core.setPot(0, 0.0f);
    for (int n = 0; n < 200000; ++n) core.run(nullptr);
    EXPECT_EQ(core.sfr[22], 0);
}

TEST(CorePeripherals, LfosAtRestGiveSineZeroCosineOne) {
    FXCoreCore core;
    FXCoreCore::Presets presets;
    for (std::size_t n = 34; n <= 41; ++n) presets.sfr[n] = 5555;  // overwritten by the first sample
    core.setPresets(presets);
    loadIdle(core);
    core.run(nullptr);
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(core.sfr[34 + 2 * k], 0);
        EXPECT_EQ(core.sfr[35 + 2 * k], 0x7FFFFFFF);
    }
}

TEST(CorePeripherals, LfoFollowsItsPhaseExactly) {
    FXCoreCore core;
    FXCoreCore::Presets presets;
    presets.sfr[28] = 2147483647;   // one radian per sample
    presets.sfr[29] = -1000000000;  // backwards
    presets.sfr[30] = 1;            // slowest forward rate
    core.setPresets(presets);
    loadIdle(core);
    double phase0 = 0.0;
    double phase1 = 0.0;
    double phase2 = 0.0;
    auto wrapped = [](double p) {
        if (p >= 6.283185307179586) return p - 6.283185307179586;
        return p < 0.0 ? p + 6.283185307179586 : p;
    };
    auto out = [](double p) { return FXCoreCore::sat32d(FXCoreCore::jsRound(p * 2147483647.0)); };
    for (int n = 0; n < 100; ++n) {
        core.run(nullptr);
        phase0 = wrapped(phase0 + 2147483647 / 2147483647.0);
        phase1 = wrapped(phase1 + -1000000000 / 2147483647.0);
        phase2 = wrapped(phase2 + 1 / 2147483647.0);
        ASSERT_EQ(core.lfoPhase[0], phase0);
        ASSERT_EQ(core.sfr[34], out(std::sin(phase0)));
        ASSERT_EQ(core.sfr[35], out(std::cos(phase0)));
        ASSERT_EQ(core.sfr[36], out(std::sin(phase1)));
        ASSERT_EQ(core.sfr[37], out(std::cos(phase1)));
        ASSERT_EQ(core.lfoPhase[1], phase1);  // a negative phase is wrapped at once
        ASSERT_EQ(core.lfoPhase[2], phase2);
        ASSERT_EQ(core.sfr[38], out(std::sin(phase2)));
    }
    EXPECT_GT(core.lfoPhase[2], 0.0);  // slow rates still advance
    // A program that stops the LFO keeps its last outputs.
    const std::int32_t sine = core.sfr[34];
    core.writeSFR(28, 0);
    core.run(nullptr);
    EXPECT_EQ(core.sfr[34], sine);
}

// Settled pots and resting LFOs are not recomputed; anything that changes
// their inputs must bring the full update back.
TEST(CorePeripherals, SettledPotsAndRestingLfosWakeUpOnChange) {
    FXCoreCore core;
    FXCoreCore::Presets presets;
    presets.sfr[10] = 12;  // settles up to 2^12 - 1 below the target
    core.setPresets(presets);
    // When R1 is not 0: SFR 10 <- R2 (the smoothing shift) and SFR 28 <- R3.
    const std::uint32_t words[] = {word(O::JumpIfZero, 1, 2), word(O::StoreSfr, 2, 10),
                                   word(O::StoreSfr, 3, 28)};
    ASSERT_TRUE(core.setProgram(words, 3));
    core.setPot(0, 1.0f);
    for (int n = 0; n < 100000; ++n) core.run(nullptr);
    const std::int32_t settled = core.sfr[22];
    EXPECT_GT(0x7FF80000 - settled, 0);
    EXPECT_LT(0x7FF80000 - settled, 1 << 12);
    core.run(nullptr);
    EXPECT_EQ(core.sfr[22], settled);
    EXPECT_EQ(core.sfr[34], 0);

    core.creg[1] = 1;
    core.creg[2] = 0;
    core.creg[3] = 1 << 24;
    core.run(nullptr);  // the program writes the shift and the rate
    core.run(nullptr);  // and this sample uses them
    EXPECT_EQ(core.sfr[22], 0x7FF80000);
    EXPECT_EQ(core.lfoPhase[0], (1 << 24) / 2147483647.0);
    EXPECT_EQ(core.sfr[34], FXCoreCore::roundSat32(std::sin(core.lfoPhase[0]) * 2147483647.0));

    core.writeSFR(10, 31);  // from outside the program, too
    core.setPot(0, 0.5f);
    for (int n = 0; n < 24; ++n) core.run(nullptr);
    EXPECT_EQ(core.sfr[16], 2048 << 19);
}

// Settled pots are skipped one by one: a sample-by-sample model of the scan
// and smoothing rule must agree with SFR 16..27 while single pots move and
// single shifts change, and stay put, around them.
TEST(CorePeripherals, PotSmoothingFollowsTheRuleWhileSinglePotsMove) {
    FXCoreCore core;
    FXCoreCore::Presets presets;
    const std::int32_t kShifts[6] = {0, 3, 10, 12, 5, 31};
    for (std::size_t k = 0; k < 6; ++k) presets.sfr[10 + k] = kShifts[k];
    core.setPresets(presets);
    loadIdle(core);
    float pots[6] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f};
    core.setPots(pots);
    std::array<std::int32_t, 6> shift{}, latched{}, smoothed{};
    for (std::size_t k = 0; k < 6; ++k) shift[k] = kShifts[k];
    double scan = 0.0;
    for (int n = 0; n < 80000; ++n) {
        if (n == 30000) core.setPot(4, 0.9f);
        if (n == 45000) {
            core.writeSFR(12, 4);   // pot 2 smooths faster from here
            core.writeSFR(13, 44);  // pot 3: 44 & 31 is its shift already
            shift[2] = 4;
        }
        if (n == 60000) core.setPot(0, 0.0f);
        core.run(nullptr);
        scan += 2000.0;
        if (scan >= 48000.0) {
            scan -= 48000.0;
            for (std::size_t k = 0; k < 6; ++k) latched[k] = core.potInput[k];
        }
        for (std::size_t k = 0; k < 6; ++k) {
            const auto raw = static_cast<std::int32_t>(static_cast<std::uint32_t>(latched[k]) << 19);
            const auto difference = static_cast<std::int32_t>(static_cast<std::uint32_t>(raw) -
                                                              static_cast<std::uint32_t>(smoothed[k]));
            smoothed[k] = static_cast<std::int32_t>(static_cast<std::uint32_t>(smoothed[k]) +
                                                    static_cast<std::uint32_t>(difference >> shift[k]));
            ASSERT_EQ(core.sfr[16 + k], raw) << "pot " << k << ", sample " << n;
            ASSERT_EQ(core.sfr[22 + k], smoothed[k]) << "pot " << k << ", sample " << n;
        }
    }
    EXPECT_EQ(core.sfr[13], 12);
}

TEST(CorePeripherals, RampWrapsModulo2To32) {
    FXCoreCore core;
    FXCoreCore::Presets presets;
    presets.sfr[32] = 0x40000000;
    core.setPresets(presets);
    loadIdle(core);
    const std::uint32_t expected[] = {0x40000000, 0x80000000, 0xC0000000, 0, 0x40000000};
    for (std::uint32_t value : expected) {
        core.run(nullptr);
        EXPECT_EQ(static_cast<std::uint32_t>(core.sfr[42]), value);
    }
    EXPECT_EQ(core.sfr[43], 0);
}

TEST(CorePeripherals, NoiseIsXorshiftFromTheSeedAndSurvivesResets) {
    FXCoreCore core;
    EXPECT_EQ(core.nextNoise(), 0xE124B63Au);
    const std::uint32_t second = core.nextNoise();
    core.reset();
    EXPECT_NE(core.nextNoise(), 0xE124B63Au);
    FXCoreCore fresh;
    fresh.nextNoise();
    EXPECT_EQ(fresh.nextNoise(), second);
}

TEST(CorePeripherals, SfrMapReadAndWriteRules) {
    FXCoreCore core;
    core.writeSFR(12, 0x25);
    EXPECT_EQ(core.readSFR(12), 5);
    core.sfr[16] = 1;
    core.sfr[34] = 2;
    for (int n : {0, 1, 2, 3, 8, 9, 16, 27, 34, 41, 42, 43, 45, 46, 47, 48}) core.writeSFR(n, 777);
    EXPECT_EQ(core.sfr[16], 1);
    EXPECT_EQ(core.sfr[34], 2);
    EXPECT_EQ(core.sfr[48], 0);
    core.writeSFR(5, 1234);
    EXPECT_EQ(core.outputs[1], 1234);
    EXPECT_EQ(core.sfr[5], 1234);
    EXPECT_EQ(core.readSFR(5), 0);
    core.sampleCounter = 0xDEADBEEF;
    EXPECT_EQ(static_cast<std::uint32_t>(core.readSFR(46)), 0xDEADBEEFu);
    EXPECT_EQ(core.readSFR(49), 0);
    EXPECT_EQ(core.readSFR(-1), 0);
    core.writeSFR(49, 1);
    core.writeSFR(-1, 1);
    core.writeSFR(100, 1);
}

TEST(CorePeripherals, LevelFlagThresholds) {
    FXCoreCore core;
    struct Case {
        std::int32_t input;
        std::int32_t output;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {2027353413, 0, 0x100},         {2027353412, 0, 0}, {-2027353413, 0, 0x100}, {0, INT32_MIN, 0x1000},
        {INT32_MIN, INT32_MAX, 0x1100},
    };
    for (const Case& c : cases) {
        core.inputs = {c.input, 0, 0, c.input};
        core.outputs = {c.output, 0, c.output, 0};
        core.updateOverflow();
        const std::uint32_t expected =
            c.expected | ((c.expected & 0x100) << 3) | ((c.expected & 0x1000) << 2);
        EXPECT_EQ(core.levelFlags, expected) << c.input << " " << c.output;
    }
}

TEST(CorePeripherals, OutputsAsFloats) {
    FXCoreCore core;
    core.outputs = {INT32_MIN, INT32_MAX, 0x40000000, -1};
    EXPECT_EQ(core.getOutput(0), -1.0f);
    EXPECT_EQ(core.getOutput(1), 1.0f);
    EXPECT_EQ(core.getOutput(2), 0.5f);
    EXPECT_EQ(core.getOutput(3), static_cast<float>(-0x1p-31));
    EXPECT_EQ(core.getOutput(4), 0.0f);
    EXPECT_EQ(core.getOutput(-1), 0.0f);
    float all[4] = {};
    core.getOutputs(all);
    EXPECT_EQ(all[0], -1.0f);
    EXPECT_EQ(all[2], 0.5f);
}

TEST(CorePeripherals, DutyIsTheOnFractionSinceThePreviousRead) {
    FXCoreCore core;
    // userOut[0] <- bit 0 of MREG0, which the program counts up: with a
    // pattern of 1 in every 4 samples that is 25 of 100.
    const std::uint32_t words[] = {word(O::LoadMreg, 1, 0),       word(O::AddImm, 1, 1),
                                   word(O::StoreMreg, 16, 0),     word(O::AndImm, 1, 3),
                                   word(O::JumpIfNonZero, 16, 1), word(O::LoadImmHigh, 16, 0x8000),
                                   word(O::SetUserOut, 16, 0, 31)};
    float duty[2] = {-1, -1};
    core.readUserDuty(duty);
    EXPECT_EQ(duty[0], 0.0f);
    EXPECT_EQ(duty[1], 0.0f);
    ASSERT_TRUE(core.setProgram(words, 7));
    for (int n = 0; n < 100; ++n) core.run(nullptr);
    core.readUserDuty(duty);
    EXPECT_EQ(duty[0], 0.25f);
    EXPECT_EQ(duty[1], 0.0f);
    core.readUserDuty(duty);  // no new samples: the same result
    EXPECT_EQ(duty[0], 0.25f);
    core.reset();
    core.readUserDuty(duty);
    EXPECT_EQ(duty[0], 0.0f);
}

// A state reset restarts the counts: samples before it do not reach the next read.
TEST(CorePeripherals, DutyReadAfterAResetCountsOnlyTheSamplesSinceIt) {
    FXCoreCore core;
    // userOut[0] <- bit 0 of R1, userOut[1] <- bit 1 of R1.
    const std::uint32_t words[] = {word(O::SetUserOut, 1, 0, 0), word(O::SetUserOut, 1, 1, 1)};
    FXCoreCore::Presets presets;
    presets.creg[1] = 1;
    core.setPresets(presets);
    ASSERT_TRUE(core.setProgram(words, 2));
    for (int n = 0; n < 100; ++n) core.run(nullptr);
    presets.creg[1] = 2;
    core.setPresets(presets);  // a state reset with the outputs swapped
    for (int n = 0; n < 50; ++n) core.run(nullptr);
    float duty[2] = {-1, -1};
    core.readUserDuty(duty);
    EXPECT_EQ(duty[0], 0.0f);
    EXPECT_EQ(duty[1], 1.0f);
}

// Unread for about 100 hours at 48 kHz: the counts stay exact to one sample.
TEST(CorePeripherals, DutyCountsStayExactPastThirtyTwoBits) {
    FXCoreCore core;
    FXCoreCore::Presets presets;
    presets.userOutInitial = {1, 1};
    core.setPresets(presets);
    const std::uint32_t words[] = {word(O::Jump, 0)};
    ASSERT_TRUE(core.setProgram(words, 1));
    core.readUserDuty(nullptr);
    core.dutyAccum[0].store((std::uint64_t{3} << 32) - 1);
    core.dutyAccum[1].store(std::uint64_t{1} << 32);
    core.dutyCount.store(std::uint64_t{1} << 34);
    core.run(nullptr);
    const FXCoreCore::DutyCounts counts = core.takeUserDutyCounts();
    EXPECT_EQ(counts.samples, (std::uint64_t{1} << 34) + 1);
    EXPECT_EQ(counts.on[0], std::uint64_t{3} << 32);
    EXPECT_EQ(counts.on[1], (std::uint64_t{1} << 32) + 1);
    core.run(nullptr);
    float duty[2];
    core.readUserDuty(duty);
    EXPECT_EQ(duty[0], 1.0f);  // the one sample since the take
}

}  // namespace
}  // namespace fxcore
