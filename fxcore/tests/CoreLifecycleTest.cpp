// Construction, state reset, presets and program loading.

#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <vector>

#include "fxcore/FXCoreCore.h"
#include "fxcore/tests/WordBuilder.h"

namespace fxcore {
namespace {

using test::word;

bool allZero(std::span<const std::int16_t> memory) {
    return std::all_of(memory.begin(), memory.end(), [](std::int16_t w) { return w == 0; });
}

TEST(CoreLifecycle, NewCoreIsResetAndUnloaded) {
    FXCoreCore core;
    EXPECT_EQ(core.loaded, 0);
    EXPECT_EQ(core.programLength, 0);
    EXPECT_TRUE(std::all_of(core.regFile.begin(), core.regFile.end(), [](std::int32_t v) { return v == 0; }));
    EXPECT_EQ(core.pins, 0x7Fu);
    EXPECT_EQ(core.switchState, 0x3Fu);
    EXPECT_EQ(core.tapState, 1);
    EXPECT_EQ(core.sampleRate, 48000.0);
    EXPECT_EQ(core.noiseState, 0x2545F491u);
    EXPECT_EQ(core.delayMemory.size(), 32768u);
    EXPECT_TRUE(allZero(core.delayMemory));
    float out[4] = {1, 1, 1, 1};
    core.getOutputs(out);
    for (float v : out) EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(core.presets.tapLongPressSamples, 36000);
    EXPECT_EQ(core.presets.tapDebounceSamples, 480);
    EXPECT_EQ(core.presets.switchDebounceSamples, 480);
}

TEST(CoreLifecycle, RegisterNumbersNameTheRegisterFile) {
    FXCoreCore core;
    core.reg(20) = 77;
    EXPECT_EQ(core.mreg[2], 77);
    core.reg(16) = 5;
    EXPECT_EQ(core.acc32, 5);
    core.reg(17) = 6;
    EXPECT_EQ(core.flags, 6);
    core.creg[15] = 9;
    EXPECT_EQ(core.reg(15), 9);
    core.mreg[13] = 3;
    EXPECT_EQ(core.reg(31), 3);
}

TEST(CoreLifecycle, EmptyProgramIsRefusedAndChangesNothing) {
    FXCoreCore core;
    const std::uint32_t words[] = {word(Opcode::LoadImmHigh, 1, 0x4000), word(Opcode::StoreSfr, 1, 4)};
    ASSERT_TRUE(core.setProgram(words, 2));
    const float in[4] = {0.5f, 0, 0, 0};
    core.run(in);
    core.delayMemory[3] = 42;
    const std::int32_t delayPtr = core.delayPtr;
    const std::uint32_t counter = core.sampleCounter;

    EXPECT_FALSE(core.setProgram(nullptr, 5));
    EXPECT_FALSE(core.setProgram(words, 0));
    EXPECT_EQ(core.loaded, 0);
    EXPECT_EQ(core.programLength, 0);
    EXPECT_EQ(core.creg[1], 0x40000000);  // no state reset
    EXPECT_EQ(core.delayMemory[3], 42);
    EXPECT_EQ(core.program[0], words[0]);  // old words stay, unreachable

    core.run(in);
    EXPECT_EQ(core.delayPtr, delayPtr);
    EXPECT_EQ(core.sampleCounter, counter);
    EXPECT_EQ(core.getOutput(0), 0.5f);
}

TEST(CoreLifecycle, ProgramIsPaddedOrTruncatedTo1024Words) {
    FXCoreCore core;
    const std::uint32_t three[] = {1, 2, 3};
    ASSERT_TRUE(core.setProgram(three, 3));
    EXPECT_EQ(core.programLength, 3);
    EXPECT_EQ(core.loaded, 1);
    EXPECT_TRUE(
        std::all_of(core.program.begin() + 3, core.program.end(), [](std::uint32_t w) { return w == 0; }));

    std::vector<std::uint32_t> many(2000);
    for (std::size_t i = 0; i < many.size(); ++i) many[i] = static_cast<std::uint32_t>(i);
    ASSERT_TRUE(core.setProgram(many.data(), many.size()));
    EXPECT_EQ(core.programLength, 1024);
    EXPECT_EQ(core.program[1023], 1023u);
}

TEST(CoreLifecycle, PresetsAreLoadedByTheStateReset) {
    FXCoreCore core;
    const std::uint32_t words[] = {word(Opcode::Jump, 0)};
    ASSERT_TRUE(core.setProgram(words, 1));
    FXCoreCore::Presets presets;
    presets.creg[3] = 33;
    presets.mreg[127] = -7;
    presets.sfr[48] = 1234;
    presets.sfr[28] = 99;
    presets.userOutInitial = {5, 0};
    core.acc64 = 11;
    core.setPresets(presets);
    EXPECT_EQ(core.loaded, 1);
    EXPECT_EQ(core.program[0], words[0]);
    EXPECT_EQ(core.creg[3], 33);
    EXPECT_EQ(core.mreg[127], -7);
    EXPECT_EQ(core.sfr[48], 1234);
    EXPECT_EQ(core.sfr[28], 99);
    EXPECT_EQ(core.acc64, 0);
    EXPECT_EQ(core.userOut[0], 1);
    EXPECT_EQ(core.userOut[1], 0);
}

TEST(CoreLifecycle, ResetRestartsTheProgramButKeepsRateAndNoise) {
    FXCoreCore core;
    FXCoreCore::Presets presets;
    presets.creg[0] = 1;
    core.setPresets(presets);
    const std::uint32_t words[] = {word(Opcode::LoadSfr, 0, 0), word(Opcode::WriteDelay, 0, 0),
                                   word(Opcode::AddImm, 1, 1), word(Opcode::Move, 1, 16)};
    ASSERT_TRUE(core.setProgram(words, 4));
    core.sampleRate = 44100.0;
    core.setPots(std::array<float, 6>{1, 1, 1, 1, 1, 1}.data());
    const float in[4] = {0.5f, 0, 0, 0};
    for (int i = 0; i < 50; ++i) core.run(in);
    ASSERT_NE(core.sfr[16], 0);
    const std::uint32_t noise = core.noiseState;

    core.reset();
    EXPECT_TRUE(allZero(core.delayMemory));
    EXPECT_EQ(core.sampleCounter, 0u);
    EXPECT_EQ(core.delayPtr, 0);
    EXPECT_EQ(core.creg[0], 1);
    EXPECT_EQ(core.creg[1], 0);
    EXPECT_EQ(core.potInput[0], 0);
    EXPECT_EQ(core.sampleRate, 44100.0);
    EXPECT_EQ(core.noiseState, noise);
    EXPECT_EQ(core.loaded, 1);
    for (int i = 0; i < 30; ++i) core.run(nullptr);
    EXPECT_EQ(core.sfr[16], 0);  // pot values 0 until the next setPots
}

// Everything a state reset restarts, member by member.
void expectSameRestartedState(const FXCoreCore& a, const FXCoreCore& b) {
    EXPECT_EQ(a.regFile, b.regFile);
    EXPECT_EQ(a.sfr, b.sfr);
    EXPECT_TRUE(a.delayMemory == b.delayMemory);
    EXPECT_EQ(a.acc64, b.acc64);
    EXPECT_EQ(a.delayPtr, b.delayPtr);
    EXPECT_EQ(a.sampleCounter, b.sampleCounter);
    EXPECT_EQ(a.userOut, b.userOut);
    EXPECT_EQ(a.potLatched, b.potLatched);
    EXPECT_EQ(a.potInput, b.potInput);
    EXPECT_EQ(a.potSmoothed, b.potSmoothed);
    EXPECT_EQ(a.potScanPhase, b.potScanPhase);
    EXPECT_EQ(a.lfoPhase, b.lfoPhase);
    EXPECT_EQ(a.ramp, b.ramp);
    EXPECT_EQ(a.pins, b.pins);
    EXPECT_EQ(a.switchState, b.switchState);
    EXPECT_EQ(a.switchDebounceCount, b.switchDebounceCount);
    EXPECT_EQ(a.tapState, b.tapState);
    EXPECT_EQ(a.tapDebounceCount, b.tapDebounceCount);
    EXPECT_EQ(a.tapHoldCount, b.tapHoldCount);
    EXPECT_EQ(a.tapMeasuring, b.tapMeasuring);
    EXPECT_EQ(a.tapInterval, b.tapInterval);
    EXPECT_EQ(a.tapFlags, b.tapFlags);
    EXPECT_EQ(a.levelFlags, b.levelFlags);
    EXPECT_EQ(a.inputs, b.inputs);
    EXPECT_EQ(a.outputs, b.outputs);
}

// A core reset after running with every peripheral busy (LFOs and ramps
// moving, pots smoothing, a switch half debounced, a tap measurement open,
// loud inputs and outputs) must be in the state of a freshly loaded one, and
// stay in step with it afterwards.
TEST(CoreLifecycle, ResetAfterBusySamplesMatchesAFreshLoad) {
    FXCoreCore::Presets presets;
    presets.sfr[10] = 6;           // pot 0 smoothing
    presets.sfr[28] = 50000000;    // LFO 0 rate
    presets.sfr[32] = 0x01000000;  // ramp 0 rate
    presets.sfr[44] = 0x7FFF;
    presets.userOutInitial = {1, 0};
    // OUT0 <- input 0 (loud, so both level flags rise); MREG0 <- flags word.
    const std::uint32_t words[] = {word(Opcode::LoadSfr, 1, 0), word(Opcode::StoreSfr, 1, 4),
                                   word(Opcode::StoreMreg, FXCoreCore::kFlagsRegister, 0)};
    const float loud[4] = {0.99f, -0.99f, 0, 0};
    const float pots[6] = {0.7f, 0.2f, 0, 0, 0, 1};

    FXCoreCore used;
    used.sampleRate = 44100.0;
    used.setPresets(presets);
    ASSERT_TRUE(used.setProgram(words, 3));
    used.setPots(pots);
    for (int n = 0; n < 1000; ++n) {
        // Tap pressed from sample 100 on; switch pin 1 from sample 900 on.
        used.pins = 0x7Fu & ~(n >= 100 ? 1u << 6 : 0u) & ~(n >= 900 ? 1u << 1 : 0u);
        used.run(loud);
    }
    ASSERT_EQ(used.tapMeasuring, 1);
    ASSERT_GT(used.switchDebounceCount[1], 0);
    ASSERT_NE(used.levelFlags, 0u);
    used.reset();

    FXCoreCore fresh;
    fresh.sampleRate = 44100.0;
    fresh.setPresets(presets);
    ASSERT_TRUE(fresh.setProgram(words, 3));
    fresh.noiseState = used.noiseState;  // the noise sequence runs on across resets
    expectSameRestartedState(used, fresh);

    for (FXCoreCore* core : {&used, &fresh}) {
        core->setPots(pots);
        for (int n = 0; n < 600; ++n) {
            core->pins = 0x7Fu & ~(n >= 50 ? 1u << 1 : 0u);
            core->run(loud);
        }
    }
    expectSameRestartedState(used, fresh);
}

}  // namespace
}  // namespace fxcore
