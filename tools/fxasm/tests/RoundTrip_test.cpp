// Every operation of the table: what the assembler writes decodes back to the
// operation and the operand values written, and the disassembler's listing
// assembles back to the same word.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "fxcore/Operations.h"
#include "tools/fxasm/Assembler.h"
#include "tools/fxasm/Disassembler.h"

namespace fxcore::fxasm {
namespace {

// An operand as written, and the raw field value it must give.
struct Sample {
    const char* text;
    std::uint32_t raw;
};

// Samples per field kind, edges first, written the way a user writes them.
std::vector<Sample> samplesFor(FieldKind kind) {
    switch (kind) {
    case FieldKind::Register:
        return {{"r0", 0}, {"acc32", 16}, {"mreg13", 31}, {"flags", 17}, {"R15", 15}, {"mreg0", 18}};
    case FieldKind::MemoryRegister: return {{"mreg[0]", 0}, {"mreg[127]", 127}, {"mreg[2 * 10 + 1]", 21}};
    case FieldKind::SpecialRegister:
        return {{"in0", 0},       {"out3", 7},   {"switches", 9}, {"pot5", 27},
                {"lfo3_cos", 41}, {"noise", 47}, {"sfr[63]", 63}, {"sample_count", 46}};
    case FieldKind::Coefficient:
        return {{"-1.0", 0x80}, {"0.9921875", 0x7F}, {"0.5", 0x40}, {"-0.25", 0xE0},
                {"0", 0},       {"0xFF", 0xFF}};
    case FieldKind::ImmediateHigh:
        return {{"-1", 0x8000},
                {"0.999969482421875", 0x7FFF},
                {"0.25", 0x2000},
                {"-0.5", 0xC000},
                {"0x1234", 0x1234}};
    case FieldKind::ImmediateSigned:
        return {{"-32768", 0x8000}, {"32767", 0x7FFF}, {"-1", 0xFFFF}, {"1", 1}, {"0xABCD", 0xABCD}};
    case FieldKind::ImmediateBits: return {{"0", 0}, {"0xFFFF", 0xFFFF}, {"65535", 0xFFFF}, {"0x00F0", 0xF0}};
    case FieldKind::DelayOffset: return {{"0", 0}, {"32767", 32767}, {"100", 100}, {"0x4000", 0x4000}};
    case FieldKind::ShiftCount:
    case FieldKind::BitNumber: return {{"0", 0}, {"31", 31}, {"7", 7}};
    case FieldKind::Skip: return {{"0", 0}, {"4095", 4095}, {"12", 12}};
    case FieldKind::UserOutput: return {{"0", 0}, {"1", 1}};
    case FieldKind::LfoLane: return {{"lfo0_sin", 0}, {"lfo3_cos", 7}, {"lfo1_cos", 3}, {"5", 5}};
    case FieldKind::LfoNegate: return {{"0", 0}, {"1", 1}};
    case FieldKind::RampSelect: return {{"ramp0", 0}, {"ramp1", 1}, {"1", 1}};
    case FieldKind::WindowSize: return {{"512", 0}, {"4096", 3}, {"1024", 1}, {"2048", 2}};
    }
    return {};
}

class EveryOperation : public ::testing::TestWithParam<Operation> {};

TEST_P(EveryOperation, AssembledWordDecodesToTheOperandsWritten) {
    const Operation& op = GetParam();
    std::size_t rounds = 1;
    for (std::uint8_t f = 0; f < op.fieldCount; ++f)
        rounds = std::max(rounds, samplesFor(op.fields[f].kind).size());
    for (std::size_t round = 0; round < rounds; ++round) {
        std::string line(op.name);
        std::vector<std::uint32_t> raws;
        for (std::uint8_t f = 0; f < op.fieldCount; ++f) {
            const auto samples = samplesFor(op.fields[f].kind);
            const Sample& s = samples[round % samples.size()];
            line += std::string(f == 0 ? " " : ", ") + s.text;
            raws.push_back(s.raw);
        }
        const Assembly a = assemble(line);
        ASSERT_TRUE(a.ok) << line << ": " << (a.errors.empty() ? "" : a.errors[0].message);
        ASSERT_EQ(a.words.size(), 1u);
        const std::uint32_t w = a.words[0];
        ASSERT_EQ(findOperation(w), &operationOf(op.opcode)) << line;
        std::uint32_t rebuilt = static_cast<std::uint32_t>(op.opcodeByte()) << 24;
        for (std::uint8_t f = 0; f < op.fieldCount; ++f) {
            EXPECT_EQ(op.fields[f].extract(w), raws[f]) << line << ", operand " << int(f + 1);
            rebuilt |= op.fields[f].place(raws[f]);
        }
        EXPECT_EQ(w, rebuilt) << line << ": no bit outside the operation's fields is set";
    }
}

TEST_P(EveryOperation, DisassemblyAssemblesBackToTheSameWord) {
    const Operation& op = GetParam();
    std::mt19937 random(op.opcodeByte());
    for (int i = 0; i < 200; ++i) {
        std::uint32_t w = static_cast<std::uint32_t>(op.opcodeByte()) << 24;
        for (std::uint8_t f = 0; f < op.fieldCount; ++f)
            w |= op.fields[f].place(static_cast<std::uint32_t>(random()));
        const std::string text = disassembleWord(w);
        EXPECT_EQ(text.rfind(std::string(op.name), 0), 0u) << text;
        const Assembly a = assemble(text);
        ASSERT_TRUE(a.ok) << text << ": " << (a.errors.empty() ? "" : a.errors[0].message);
        EXPECT_EQ(a.words, std::vector<std::uint32_t>{w}) << text;
    }
}

INSTANTIATE_TEST_SUITE_P(RoundTrip, EveryOperation, ::testing::ValuesIn(kOperations),
                         [](const ::testing::TestParamInfo<Operation>& param) {
                             return std::string(param.param.name);
                         });

TEST(RoundTrip, WordsThatAreNoInstructionListAsRawWords) {
    // Invalid opcodes, and valid ones with bits set that the operation ignores.
    for (std::uint32_t w : {0x01000000u, 0x3A123456u, 0xFFFFFFFFu, 0xD8000000u, 0x02000001u, 0xB8001000u}) {
        const std::string text = disassembleWord(w);
        EXPECT_EQ(text.rfind(".word ", 0), 0u) << text;
        const Assembly a = assemble(text);
        ASSERT_TRUE(a.ok) << text;
        EXPECT_EQ(a.words, std::vector<std::uint32_t>{w});
    }
}

}  // namespace
}  // namespace fxcore::fxasm
