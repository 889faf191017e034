// The sample cycle: order of the steps, input conversion, the program pass,
// level flags and duty counting, and the worked delay example as a whole.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "fxcore/FXCoreCore.h"
#include "fxcore/FXCoreDispatch.h"
#include "fxcore/tests/PassRig.h"
#include "fxcore/tests/WordBuilder.h"

namespace fxcore {
namespace {

using test::word;
using O = Opcode;
constexpr int kFlagsAddress = FXCoreCore::kFlagsRegister;

void load(FXCoreCore& core, const std::vector<std::uint32_t>& words) {
    ASSERT_TRUE(core.setProgram(words.data(), words.size()));
}

// The delay example: R0 <- input 0; delay[0] <- R0; R1 <- delay[100]; OUT0 <- R1.
const std::vector<std::uint32_t> kDelayBy100 = {0x64000000u, 0x8A000000u, 0x88010064u, 0x68010004u};

TEST(CoreSampleCycle, WorkedExampleWordsAreTheOperationsTheyName) {
    EXPECT_EQ(kDelayBy100[0], word(O::LoadSfr, 0, 0));
    EXPECT_EQ(kDelayBy100[1], word(O::WriteDelay, 0, 0));
    EXPECT_EQ(kDelayBy100[2], word(O::ReadDelay, 1, 100));
    EXPECT_EQ(kDelayBy100[3], word(O::StoreSfr, 1, 4));
}

TEST(CoreSampleCycle, WorkedExampleDelaysInputZeroBy100Samples) {
    FXCoreCore core;
    load(core, kDelayBy100);
    auto inputAt = [](int n) { return n == 0 ? 0.5f : static_cast<float>(std::sin(0.01 * n) * 0.97); };
    auto s31 = [](float x) { return FXCoreCore::roundSat32(static_cast<double>(x) * 2147483648.0); };
    auto atLevel = [](std::int32_t v) { return std::llabs(static_cast<long long>(v)) >= 2027353413LL; };
    int loudInputs = 0;
    for (int n = 0; n < 400; ++n) {
        const float in[4] = {inputAt(n), 0.25f, 0.0f, 0.0f};
        core.run(in);
        // The input of 100 samples ago with its low 16 bits dropped.
        const std::int32_t expected =
            n < 100
                ? 0
                : static_cast<std::int32_t>(static_cast<std::uint32_t>(s31(inputAt(n - 100))) & 0xFFFF0000u);
        ASSERT_EQ(core.outputs[0], expected) << "sample " << n;
        ASSERT_EQ(core.getOutput(0), static_cast<float>(expected * 0x1p-31)) << "sample " << n;
        EXPECT_EQ(core.outputs[1], 0);
        // Input 0 peaks at 0.97: its level flag follows it; output 0's 100 samples later.
        EXPECT_EQ((core.levelFlags >> 8) & 1u, atLevel(s31(in[0])) ? 1u : 0u) << "sample " << n;
        EXPECT_EQ((core.levelFlags >> 12) & 1u, atLevel(expected) ? 1u : 0u) << "sample " << n;
        loudInputs += atLevel(s31(in[0])) ? 1 : 0;
    }
    EXPECT_GT(loudInputs, 10);
    EXPECT_EQ(core.sampleCounter, 400u);
}

TEST(CoreSampleCycle, HalfComesOutAsHalfAfter100Samples) {
    FXCoreCore core;
    load(core, kDelayBy100);
    const float half[4] = {0.5f, 0, 0, 0};
    for (int n = 0; n < 100; ++n) {
        core.run(half);
        ASSERT_EQ(core.outputs[0], 0);
    }
    core.run(half);
    EXPECT_EQ(core.outputs[0], 0x40000000);
    EXPECT_EQ(core.getOutput(0), 0.5f);
}

TEST(CoreSampleCycle, UnloadedCoreChangesNothing) {
    FXCoreCore core;
    const float in[4] = {0.5f, 0.5f, 0.5f, 0.5f};
    core.outputs[2] = 1234;
    core.sfr[0] = 99;
    core.run(in);
    EXPECT_EQ(core.delayPtr, 0);
    EXPECT_EQ(core.sampleCounter, 0u);
    EXPECT_EQ(core.sfr[0], 99);
    EXPECT_EQ(core.outputs[2], 1234);
    EXPECT_EQ(core.noiseState, FXCoreCore::kNoiseSeed);
}

TEST(CoreSampleCycle, FirstSamplesSeeTheCounterBeforeItCounts) {
    FXCoreCore core;
    load(core, {word(O::LoadSfr, 1, 46), word(O::StoreMreg, 1, 0), word(O::LoadSfr, 2, 47)});
    core.run(nullptr);
    EXPECT_EQ(core.delayPtr, 32767);
    EXPECT_EQ(core.sampleCounter, 1u);
    EXPECT_EQ(core.mreg[0], 0);
    EXPECT_EQ(static_cast<std::uint32_t>(core.creg[2]), 0xE124B63Au);  // first noise value
    core.run(nullptr);
    EXPECT_EQ(core.mreg[0], 1);
    EXPECT_EQ(core.delayPtr, 32766);
}

TEST(CoreSampleCycle, InputsConvertWithSaturationAndNaNAsZero) {
    FXCoreCore core;
    load(core, {word(O::Jump, 0)});
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        float in[4];
        std::int32_t expected[4];
    };
    const Case cases[] = {
        {{1.0f, 2.0f, -1.0f, -3.0f}, {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN}},
        {{0.5f, nan, -0.5f, std::numeric_limits<float>::infinity()}, {0x40000000, 0, -0x40000000, INT32_MAX}},
        {{0x1p-32f, -0x1p-32f, 0x1p-31f, -0x1p-33f}, {1, 0, 1, 0}},  // halves round up
    };
    for (const Case& c : cases) {
        core.run(c.in);
        for (std::size_t k = 0; k < 4; ++k) {
            EXPECT_EQ(core.inputs[k], c.expected[k]) << k;
            EXPECT_EQ(core.sfr[k], c.expected[k]) << k;
        }
    }
    core.run(nullptr);
    for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(core.inputs[k], 0);
}

TEST(CoreSampleCycle, InputConversionMatchesTheRoundingRuleForAnyFloat) {
    FXCoreCore core;
    load(core, {word(O::Jump, 0)});
    std::uint32_t bits = 0x12345678u;
    for (int n = 0; n < 100000; ++n) {
        float in[4];
        for (float& x : in) {
            bits ^= bits << 13;
            bits ^= bits >> 17;
            bits ^= bits << 5;
            // Any bit pattern below 2^-20 or in the audio range, with both signs.
            const std::uint32_t exponent = (n % 3 == 0) ? (bits >> 24) : 100u + (bits >> 24) % 30u;
            const std::uint32_t pattern = (bits & 0x807FFFFFu) | (exponent << 23);
            std::memcpy(&x, &pattern, sizeof x);
        }
        core.run(in);
        for (std::size_t k = 0; k < 4; ++k)
            ASSERT_EQ(core.inputs[k],
                      FXCoreCore::sat32d(FXCoreCore::jsRound(static_cast<double>(in[k]) * 2147483648.0)))
                << in[k];
    }
}

TEST(CoreSampleCycle, LevelFlagReachesTheProgramOneSampleLater) {
    FXCoreCore core;
    // MREG0 <- flags word as the program sees it.
    load(core, {word(O::StoreMreg, kFlagsAddress, 0)});
    const float loud[4] = {0.95f, 0, 0, 0};
    const float quiet[4] = {0.1f, 0, 0, 0};
    core.run(loud);
    EXPECT_EQ(core.mreg[0] & 0x100, 0);
    EXPECT_EQ(core.levelFlags, 0x100u);
    core.run(quiet);
    EXPECT_EQ(core.mreg[0] & 0x100, 0x100);
    EXPECT_EQ(core.levelFlags, 0u);
    core.run(quiet);
    EXPECT_EQ(core.mreg[0] & 0x100, 0);
    EXPECT_EQ(core.mreg[0] & 0xFF, 0x01);  // tap released
}

TEST(CoreSampleCycle, ProgramWritingTheFlagsWordSeesItUntilTheNextSample) {
    FXCoreCore core;
    load(core, {word(O::StoreMreg, kFlagsAddress, 1), word(O::LoadImmHigh, kFlagsAddress, 0x1234),
                word(O::StoreMreg, kFlagsAddress, 2)});
    core.run(nullptr);
    EXPECT_EQ(core.mreg[2], 0x12340000);
    core.run(nullptr);
    EXPECT_EQ(core.mreg[1], 0x01);
}

TEST(CoreSampleCycle, JumpsEndThePassAtTheProgramEnd) {
    FXCoreCore core;
    // Jump over one word; the skipped word would set R1.
    load(core, {word(O::Jump, 1), word(O::LoadImmHigh, 1, 0x1000), word(O::LoadImmHigh, 2, 0x2000),
                word(O::Jump, 4095), word(O::LoadImmHigh, 3, 0x3000)});
    core.run(nullptr);
    EXPECT_EQ(core.creg[1], 0);
    EXPECT_EQ(core.creg[2], 0x20000000);
    EXPECT_EQ(core.creg[3], 0);

    FXCoreCore single;
    load(single, {word(O::Jump, 7)});
    single.run(nullptr);
    EXPECT_EQ(single.sampleCounter, 1u);
}

TEST(CoreSampleCycle, DutyCountsEverySample) {
    FXCoreCore core;
    // userOut[0] <- 1 (bit 0 of R1 = 1), userOut[1] <- 0.
    FXCoreCore::Presets presets;
    presets.creg[1] = 1;
    core.setPresets(presets);
    load(core, {word(O::SetUserOut, 1, 0, 0), word(O::SetUserOut, 1, 1, 1)});
    for (int i = 0; i < 10; ++i) core.run(nullptr);
    EXPECT_EQ(core.dutyAccum[0].load(), 10u);
    EXPECT_EQ(core.dutyAccum[1].load(), 0u);
    EXPECT_EQ(core.dutyCount.load(), 10u);
}

// run executes pre-decoded words; they must behave exactly like step on the
// same words, including invalid ones and jumps.
TEST(CoreSampleCycle, PassMatchesStepWordByWord) {
    for (std::uint32_t seed : {12345u, 777u, 0xBADC0DEu, 4242u, 31337u, 2718u, 8086u, 1618u}) {
        SCOPED_TRACE(seed);
        // One program ends in 40 words of jumps and invalid words, which the pass
        // may skip, with jumps before them aimed into them.
        const bool paddedTail = seed == 4242u;
        // Two are full of pairs (a word and a move of acc32 after it, two equal
        // words, two multiply-accumulates of one kind), with short jumps
        // landing between the words of a pair.
        const bool pairs = seed == 31337u || seed == 2718u;
        // Two are runs of the fused sequences, with a random word in 16 (jumps
        // among them, landing anywhere, also inside a sequence).
        const bool sequences = seed == 8086u || seed == 1618u;
        test::Random next{seed};
        std::vector<std::uint32_t> words;
        for (int i = 0; i < 1024; ++i) {
            std::uint32_t w = next();
            const Operation* op = findOperation(w);
            // Jumps short so the pass covers most words, near the end also past it.
            if (op != nullptr && op->operationClass == OperationClass::Jump && i < 1000) w &= 0xFFFFF003u;
            words.push_back(w);
        }
        if (pairs) {
            const O kMacs[] = {O::Mac,     O::MacImm,     O::MacDelay,     O::MacCoefDelay,
                               O::MacDiv8, O::MacDiv8Imm, O::MacDiv8Delay, O::MacDiv8CoefDelay};
            auto withFields = [&next](std::uint32_t opcodeOf) {
                return (opcodeOf & 0xFF000000u) | (next() & 0x00FFFFFFu);
            };
            for (std::size_t i = 0; i + 1 < 1000; i += 3) {
                switch (next() % 3) {
                case 0: words[i + 1] = word(O::Move, next() % 32, FXCoreCore::kAcc32Register); break;
                case 1: words[i + 1] = withFields(words[i]); break;
                default:
                    words[i] = withFields(word(kMacs[next() % 8]));
                    words[i + 1] = withFields(words[i]);
                    break;
                }
            }
        }
        if (sequences) {
            for (std::size_t i = 0; i + 4 < 1000;) {
                if (next() % 16 == 0) {
                    ++i;  // the random word stays
                    continue;
                }
                const dispatch::Sequence& s = dispatch::kFusedSequences[next() % dispatch::kFusedCount];
                for (std::size_t k = 0; k < s.length; ++k)
                    words[i++] = test::wordForEntry(s.entries[k], next);
            }
        }
        if (paddedTail) {
            ASSERT_EQ(findOperation(0xFF000000u), nullptr);
            const std::uint32_t kTail[] = {word(O::Jump, 0), word(O::JumpIfNeg, 3, 2), 0xFF000000u,
                                           word(O::JumpIfZero, 16, 0)};
            for (int i = 984; i < 1024; ++i) words[static_cast<std::size_t>(i)] = kTail[i % 4];
            for (int i = 960; i < 984; i += 3)
                words[static_cast<std::size_t>(i)] = word(O::JumpIfNotNeg, 1, 30);
        }
        const FXCoreCore::Presets presets = test::edgePresets(next);
        auto byRun = std::make_unique<FXCoreCore>();
        auto byStep = std::make_unique<FXCoreCore>();
        byRun->setPresets(presets);
        byStep->setPresets(presets);
        load(*byRun, words);
        load(*byStep, words);
        if (sequences) {
            int fusedWords = 0;
            for (int pc = 0; pc < 1024; ++pc) fusedWords += byRun->fusedLengthAt(pc) > 1 ? 1 : 0;
            EXPECT_GT(fusedWords, 400);  // the pass really runs fused sequences
        }
        const float in[4] = {0.3f, -0.7f, 1.0f, -1.0f};
        long executed = 0;
        const auto count = [](void* context, int, int) { ++*static_cast<long*>(context); };
        for (int sample = 0; sample < 200; ++sample) {
            byRun->run(in);
            byStep->runWordByWord(in, count, &executed);
            ASSERT_TRUE(test::sameProgramState(*byRun, *byStep)) << "sample " << sample;
        }
        EXPECT_GT(executed, 200L * 500);  // the passes really ran most words
    }
}

// Every listed fused sequence, alone as a program, runs under one dispatch
// and gives what step gives word by word: over random fields (registers that
// alias, acc32 read and written through a register number) and edge values.
TEST(CoreSampleCycle, EveryFusedSequenceMatchesStep) {
    test::Random next{0x5EEDu};
    std::vector<std::int16_t> noise(FXCoreCore::kDelayWords);
    for (std::int16_t& w : noise) w = static_cast<std::int16_t>(next());
    auto byRun = std::make_unique<FXCoreCore>();
    auto byStep = std::make_unique<FXCoreCore>();
    const float in[4] = {0.3f, -0.7f, 1.0f, -1.0f};
    for (const dispatch::Sequence& s : dispatch::kFusedSequences) {
        std::string name;
        for (std::size_t k = 0; k < s.length; ++k)
            name += std::string(" ") + dispatch::kEntryNames[s.entries[k]];
        SCOPED_TRACE(name);
        for (int variant = 0; variant < 16; ++variant) {
            std::vector<std::uint32_t> words;
            for (std::size_t k = 0; k < s.length; ++k)
                words.push_back(test::wordForEntry(s.entries[k], next));
            const FXCoreCore::Presets presets = test::edgePresets(next);
            for (FXCoreCore* core : {byRun.get(), byStep.get()}) {
                core->setPresets(presets);
                load(*core, words);
                std::copy(noise.begin(), noise.end(), core->delayMemory.begin());
            }
            ASSERT_EQ(byRun->fusedLengthAt(0), s.length);
            for (int sample = 0; sample < 3; ++sample) {
                byRun->run(in);
                byStep->runWordByWord(in);
                ASSERT_TRUE(test::sameProgramState(*byRun, *byStep))
                    << "variant " << variant << ", sample " << sample;
            }
        }
    }
}

}  // namespace
}  // namespace fxcore
