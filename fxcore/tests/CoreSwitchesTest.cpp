// Switch debouncing with SFR 8 and 9, and the tap-tempo timer with its flags.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "fxcore/FXCoreCore.h"
#include "fxcore/tests/WordBuilder.h"

namespace fxcore {
namespace {

using test::word;

class CoreSwitches : public ::testing::Test {
protected:
    void SetUp() override {
        const std::uint32_t words[] = {word(Opcode::Jump, 0)};
        ASSERT_TRUE(core.setProgram(words, 1));
    }
    // Runs n samples with the tap pin held (pressed) or released.
    void tap(bool pressed, int n) {
        for (int i = 0; i < n; ++i) {
            core.setPin(6, pressed);
            core.run(nullptr);
            flagsSeen.push_back(core.tapFlags);
        }
    }
    std::uint32_t sfr9() const { return static_cast<std::uint32_t>(core.sfr[9]); }
    FXCoreCore core;
    std::vector<std::uint32_t> flagsSeen;
};

TEST_F(CoreSwitches, SetPinChangesOnlyPinsZeroToSix) {
    core.setPin(7, true);
    core.setPin(-1, true);
    EXPECT_EQ(core.pins, 0x7Fu);
    core.setPin(2, true);
    EXPECT_EQ(core.pins, 0x7Bu);
    core.setPin(2, false);
    EXPECT_EQ(core.pins, 0x7Fu);
}

TEST_F(CoreSwitches, FirstSampleWithEverythingReleased) {
    core.run(nullptr);
    EXPECT_EQ(sfr9(), 0x801Fu);
    EXPECT_EQ(core.sfr[8], 0x7F);
    EXPECT_EQ(core.tapFlags, 0x01u);
}

TEST_F(CoreSwitches, PressMustLastTheDebounceTime) {
    core.setPin(0, true);
    for (int n = 0; n < 479; ++n) core.run(nullptr);
    EXPECT_EQ(sfr9() & 1u, 1u);
    EXPECT_EQ(core.sfr[8], 0x7E);  // the raw pin shows at once
    core.setPin(0, false);
    core.run(nullptr);
    EXPECT_EQ(sfr9(), 0x801Fu);  // no edge, count restarted

    core.setPin(0, true);
    for (int n = 1; n < 480; ++n) {
        core.run(nullptr);
        ASSERT_EQ(sfr9() & (1u | 1u << 10), 1u) << n;
    }
    core.run(nullptr);  // the 480th pressed sample
    EXPECT_EQ(sfr9(), 0x801Eu | 1u << 10);
    core.run(nullptr);
    EXPECT_EQ(sfr9(), 0x801Eu);

    core.setPin(0, false);
    for (int n = 1; n < 480; ++n) core.run(nullptr);
    EXPECT_EQ(sfr9(), 0x801Eu);
    core.run(nullptr);
    EXPECT_EQ(sfr9(), 0x801Fu | 1u << 5);
    core.run(nullptr);
    EXPECT_EQ(sfr9(), 0x801Fu);
}

TEST_F(CoreSwitches, EdgeBitsOfPinFourAndPinFiveWithout) {
    FXCoreCore::Presets presets;
    presets.switchDebounceSamples = 1;
    core.setPresets(presets);
    core.setPin(4, true);
    core.setPin(5, true);
    core.run(nullptr);
    EXPECT_EQ(sfr9(), 0x000Fu | 1u << 14);  // pin 5 down clears bit 15, no edge for it
    core.setPin(4, false);
    core.setPin(5, false);
    core.run(nullptr);
    EXPECT_EQ(sfr9(), 0x801Fu | 1u << 9);
}

TEST_F(CoreSwitches, TwoTapsCaptureTheirInterval) {
    FXCoreCore::Presets presets;
    presets.sfr[44] = 0x7FFF;
    core.setPresets(presets);
    tap(true, 480);  // debounced press edge in the 480th sample
    EXPECT_EQ(core.tapFlags, 0x02u);
    EXPECT_EQ(core.tapMeasuring, 1);
    tap(true, 100);
    tap(false, 23420);
    tap(true, 479);
    EXPECT_EQ(core.sfr[45], 0);
    tap(true, 1);  // the second press edge, 24000 samples after the first
    EXPECT_EQ(core.tapFlags, 0x2Au);
    EXPECT_EQ(core.sfr[45], 24000);
    EXPECT_EQ(core.tapMeasuring, 0);
}

TEST_F(CoreSwitches, IntervalBeyondTheMaximumIsNotCaptured) {
    for (std::int32_t maximum : {0x7FFF, 0}) {
        FXCoreCore::Presets presets;
        presets.sfr[44] = maximum;
        presets.sfr[45] = 77;
        core.setPresets(presets);
        tap(true, 480);
        tap(false, 40000 - 480);
        tap(true, 480);
        if (maximum != 0) {
            EXPECT_EQ(core.tapFlags, 0x02u);
            EXPECT_EQ(core.sfr[45], 77);
        } else {
            EXPECT_EQ(core.tapFlags, 0x2Au);
            EXPECT_EQ(core.sfr[45], 40000);
        }
        tap(false, 480);
    }
}

// SFR 44 = M lets an interval of exactly M samples be captured and cancels
// the measurement one sample later; it is compared as unsigned.
TEST_F(CoreSwitches, MaximumIntervalIsTheLongestCaptured) {
    struct Case {
        std::int32_t maximum;
        int gap;
        bool captured;
    };
    const Case cases[] = {
        {2, 2, true},           {2, 3, false},           {1000, 1000, true}, {1000, 1001, false},
        {0x7FFF, 0x7FFF, true}, {0x7FFF, 0x8000, false}, {-1, 40000, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "maximum " << c.maximum << ", gap " << c.gap);
        FXCoreCore::Presets presets;
        presets.tapDebounceSamples = 1;
        presets.sfr[44] = c.maximum;
        presets.sfr[45] = 77;
        core.setPresets(presets);
        tap(true, 1);  // press edge: the measurement starts
        tap(false, c.gap - 1);
        tap(true, 1);  // press edge c.gap samples after the first
        EXPECT_EQ(core.tapFlags, c.captured ? 0x2Au : 0x02u);
        EXPECT_EQ(core.sfr[45], c.captured ? c.gap : 77);
        EXPECT_EQ(core.tapMeasuring, c.captured ? 0 : 1);
    }
}

TEST_F(CoreSwitches, PinWordKeepsItsLowSixteenBitsInSfr8) {
    core.pins = 0x1234Fu;
    core.run(nullptr);
    EXPECT_EQ(core.sfr[8], 0x234F);
}

TEST_F(CoreSwitches, LongPressRaisesBitFourAndCancelsTheMeasurement) {
    FXCoreCore::Presets presets;
    presets.tapDebounceSamples = 1;
    presets.tapLongPressSamples = 36000;
    core.setPresets(presets);
    tap(true, 35999);
    EXPECT_EQ(core.tapFlags, 0x00u);
    tap(true, 1);  // 36000th held sample
    EXPECT_EQ(core.tapFlags, 0x10u);
    tap(true, 10);
    EXPECT_EQ(core.tapFlags, 0x10u);
    tap(false, 1);
    EXPECT_EQ(core.tapFlags, 0x05u);
    EXPECT_EQ(core.tapMeasuring, 0);
    tap(false, 100);
    EXPECT_EQ(core.tapFlags, 0x01u);
    tap(true, 1);  // starts a new measurement instead of capturing
    EXPECT_EQ(core.tapFlags, 0x02u);
}

TEST_F(CoreSwitches, LongPressOfOneSampleFlagsThePressEdgeItself) {
    FXCoreCore::Presets presets;
    presets.tapDebounceSamples = 1;
    presets.tapLongPressSamples = 1;
    core.setPresets(presets);
    tap(true, 1);
    EXPECT_EQ(core.tapFlags, 0x12u);
    tap(false, 1);
    EXPECT_EQ(core.tapFlags, 0x05u);
    EXPECT_EQ(core.tapMeasuring, 0);  // held "long", so the release cancelled it
    tap(true, 1);
    tap(false, 1);
    tap(false, 2);
    EXPECT_EQ(core.tapFlags, 0x01u);
    presets.tapLongPressSamples = 100;
    core.setPresets(presets);
    tap(true, 1);
    tap(false, 3);
    tap(true, 1);  // captures: the press edge 4 samples after the first
    EXPECT_EQ(core.tapFlags, 0x2Au);
    EXPECT_EQ(core.sfr[45], 4);
}

TEST_F(CoreSwitches, ShortTapPulseIsNeverSeen) {
    tap(true, 479);
    tap(false, 1000);
    for (std::uint32_t flags : flagsSeen) ASSERT_EQ(flags, 0x01u);
    EXPECT_EQ(core.tapMeasuring, 0);
}

TEST_F(CoreSwitches, CountersSaturateInsteadOfOverflowing) {
    FXCoreCore::Presets presets;
    presets.tapDebounceSamples = 1;
    presets.tapLongPressSamples = std::numeric_limits<std::int32_t>::max();
    core.setPresets(presets);
    tap(true, 1);
    ASSERT_EQ(core.tapMeasuring, 1);
    core.tapHoldCount = std::numeric_limits<std::int32_t>::max() - 1;
    core.tapInterval = std::numeric_limits<std::uint32_t>::max() - 1;
    tap(true, 3);
    EXPECT_EQ(core.tapHoldCount, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(core.tapInterval, std::numeric_limits<std::uint32_t>::max());
    EXPECT_EQ(core.tapFlags, 0x10u);  // held for INT32_MAX samples at last
    tap(false, 1);
    EXPECT_EQ(core.tapFlags, 0x05u);
    EXPECT_EQ(core.tapMeasuring, 0);  // the long press cancelled it

    presets.switchDebounceSamples = std::numeric_limits<std::int32_t>::max();
    core.setPresets(presets);
    core.setPin(1, true);
    core.switchDebounceCount[1] = std::numeric_limits<std::int32_t>::max() - 1;
    core.run(nullptr);
    EXPECT_EQ(core.sfr[9] & 2, 0);  // reached the longest debounce time
    EXPECT_EQ(core.switchDebounceCount[1], 0);
}

}  // namespace
}  // namespace fxcore
