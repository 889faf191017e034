// Every operation, one table: state in, one step, state out. Anything the
// row does not name must be unchanged, and step must return the right pc.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fxcore/FXCoreCore.h"
#include "fxcore/Operations.h"
#include "fxcore/tests/CoreStateCells.h"
#include "fxcore/tests/WordBuilder.h"

namespace fxcore {
namespace {

using namespace fxcore::test;
using O = Opcode;

constexpr std::int64_t kAcc32Min = INT32_MIN;
constexpr std::int64_t kAcc32Max = INT32_MAX;
constexpr std::int64_t kAcc64Min = INT64_MIN;
constexpr std::int64_t kAcc64Max = INT64_MAX;
constexpr int kAcc = FXCoreCore::kAcc32Register;
constexpr int kFlagsCell = FXCoreCore::kFlagsRegister;

struct OperationCase {
    const char* note;
    std::uint32_t word;
    std::vector<Cell> in;
    std::vector<Cell> out;
    int advance = 1;  // step returns pc + advance
};

std::string caseName(const OperationCase& c) {
    const Operation* operation = findOperation(c.word);
    return std::string(operation != nullptr ? operation->name : "invalid") + ": " + c.note;
}

void runCase(const OperationCase& c) {
    SCOPED_TRACE(caseName(c));
    FXCoreCore core;
    const std::uint32_t words[] = {0, c.word};
    ASSERT_TRUE(core.setProgram(words, 2));
    // Distinct background values, so a write to the wrong register shows.
    for (std::size_t i = 0; i < core.regFile.size(); ++i)
        core.regFile[i] = static_cast<std::int32_t>(0x01010101u * static_cast<std::uint32_t>(i + 1));
    Snapshot before(core);
    for (const Cell& cell : c.in) before.apply(cell);
    before.storeInto(core);
    Snapshot expected = before;
    for (const Cell& cell : c.out) expected.apply(cell);

    EXPECT_EQ(core.step(1), 1 + c.advance);
    expectSameState(expected, Snapshot(core));
}

const std::vector<OperationCase>& arithmeticCases() {
    static const std::vector<OperationCase> cases = {
        {"word 0 is |R0|", 0x00000000u, {reg(0, -5)}, {acc(5)}},
        {"of -1.0 saturates", word(O::Abs, 3), {reg(3, kAcc32Min)}, {acc(kAcc32Max)}},
        {"clears", word(O::ClearAcc64), {acc64(-123)}, {acc64(0)}},
        {"imm 0xFFFF subtracts 1", word(O::AddImm, 1, 0xFFFF), {reg(1, 10)}, {acc(9)}},
        {"wraps", word(O::AddImm, 1, 0xFFFF), {reg(1, kAcc32Min)}, {acc(kAcc32Max)}},
        {"wraps", word(O::Add, 1, 2), {reg(1, kAcc32Max), reg(2, 1)}, {acc(kAcc32Min)}},
        {"saturates up", word(O::AddSat, 1, 2), {reg(1, kAcc32Max), reg(2, 1)}, {acc(kAcc32Max)}},
        {"saturates down", word(O::AddSat, 1, 2), {reg(1, kAcc32Min), reg(2, -1)}, {acc(kAcc32Min)}},
        {"top half saturates", word(O::AddSatImm, 1, 0x4000), {reg(1, 0x40000000)}, {acc(kAcc32Max)}},
        {"imm 0x8000 is -1.0", word(O::AddSatImm, 1, 0x8000), {reg(1, -1)}, {acc(kAcc32Min)}},
        {"wraps", word(O::Sub, 1, 2), {reg(1, kAcc32Min), reg(2, 1)}, {acc(kAcc32Max)}},
        {"saturates down", word(O::SubSat, 1, 2), {reg(1, kAcc32Min), reg(2, 1)}, {acc(kAcc32Min)}},
        {"saturates up", word(O::SubSat, 1, 2), {reg(1, 0), reg(2, kAcc32Min)}, {acc(kAcc32Max)}},
        {"drops the top bit", word(O::ShiftLeftImm, 1, 1), {reg(1, 0x40000000)}, {acc(kAcc32Min)}},
        {"count is B AND 31", word(O::ShiftLeft, 1, 2), {reg(1, 1), reg(2, 33)}, {acc(2)}},
        {"n 0 keeps A", word(O::ShiftLeftSatImm, 1, 0), {reg(1, 0x12345678)}, {acc(0x12345678)}},
        {"saturates up", word(O::ShiftLeftSatImm, 1, 1), {reg(1, 0x40000000)}, {acc(kAcc32Max)}},
        {"exact -1.0", word(O::ShiftLeftSatImm, 1, 1), {reg(1, 0xC0000000)}, {acc(kAcc32Min)}},
        {"saturates down", word(O::ShiftLeftSatImm, 1, 1), {reg(1, 0xBFFFFFFF)}, {acc(kAcc32Min)}},
        {"count is B AND 31",
         word(O::ShiftLeftSat, 1, 2),
         {reg(1, 0x40000000), reg(2, 33)},
         {acc(kAcc32Max)}},
        {"logical", word(O::ShiftRightImm, 1, 28), {reg(1, -1)}, {acc(15)}},
        {"logical, B AND 31", word(O::ShiftRight, 1, 2), {reg(1, -1), reg(2, 60)}, {acc(15)}},
        {"arithmetic", word(O::ShiftRightArithImm, 1, 2), {reg(1, -16)}, {acc(-4)}},
        {"arithmetic, B AND 31", word(O::ShiftRightArith, 1, 2), {reg(1, kAcc32Min), reg(2, 63)}, {acc(-1)}},
        {"-1 x -1 saturates acc64",
         word(O::Mac, 1, 2),
         {reg(1, kAcc32Min), reg(2, kAcc32Min), acc64(1)},
         {acc64(kAcc64Max)}},
        {"0.5 x 0.5",
         word(O::Mac, 1, 2),
         {reg(1, 0x40000000), reg(2, 0x40000000), acc64(5)},
         {acc64((std::int64_t{1} << 61) + 5)}},
        {"saturates down",
         word(O::Mac, 1, 2),
         {reg(1, kAcc32Min), reg(2, kAcc32Max), acc64(kAcc64Min + 3)},
         {acc64(kAcc64Min)}},
        {"top-half immediate",
         word(O::MacImm, 1, 0x4000),
         {reg(1, 0x40000000)},
         {acc64(std::int64_t{1} << 61)}},
        {"delay word",
         word(O::MacDelay, 1, 5),
         {reg(1, 0x40000000), delayWord(5, 0x4000)},
         {acc64(std::int64_t{1} << 61)}},
        {"-1.0 x -1.0 is the largest product",
         word(O::MacDelay, 1, 5),
         {reg(1, kAcc32Min), delayWord(5, -32768), acc64(-1)},
         {acc64(kAcc64Max - 1)}},
        {"-1.0 x the largest word",
         word(O::MacDelay, 1, 5),
         {reg(1, kAcc32Min), delayWord(5, 0x7FFF), acc64(3)},
         {acc64(-0x7FFF * (std::int64_t{1} << 48) + 3)}},
        {"K -1.0 x -1.0", word(O::MacCoefDelay, -128, 5), {delayWord(5, -32768)}, {acc64(kAcc64Max)}},
        {"K -127/128 x -1.0",
         word(O::MacCoefDelay, -127, 5),
         {delayWord(5, -32768), acc64(-2)},
         {acc64(127 * (std::int64_t{1} << 56) - 2)}},
        {"K 0.5", word(O::MacCoefDelay, 64, 5), {delayWord(5, 0x4000)}, {acc64(std::int64_t{1} << 61)}},
        {"A x B/8",
         word(O::MacDiv8, 1, 2),
         {reg(1, kAcc32Max), reg(2, kAcc32Max), acc64(0)},
         {acc64(2 * kAcc32Max * (kAcc32Max >> 3))}},
        {"eighth of simm",
         word(O::MacDiv8Imm, 1, 0x8000),
         {reg(1, 0x40000000), acc64(0)},
         {acc64(-(std::int64_t{1} << 59))}},
        {"low bits of imm drop", word(O::MacDiv8Imm, 1, 7), {reg(1, 0x40000000), acc64(9)}, {acc64(9)}},
        {"eighth of the word",
         word(O::MacDiv8Delay, 1, 5),
         {reg(1, 0x40000000), delayWord(5, -1), acc64(0)},
         {acc64(-(std::int64_t{1} << 47))}},
        {"largest product",
         word(O::MacDiv8CoefDelay, -128, 5),
         {delayWord(5, -32768), acc64(0)},
         {acc64(std::int64_t{1} << 60)}},
        {"-1 x -1", word(O::Mul, 1, 2), {reg(1, kAcc32Min), reg(2, kAcc32Min)}, {acc(kAcc32Max)}},
        {"max x max", word(O::Mul, 1, 2), {reg(1, kAcc32Max), reg(2, kAcc32Max)}, {acc(0x7FFFFFFE)}},
        {"rounds toward minus infinity", word(O::Mul, 1, 2), {reg(1, -1), reg(2, 1)}, {acc(-1)}},
        {"0.5 x 0.5", word(O::MulImm, 1, 0x4000), {reg(1, 0x40000000)}, {acc(0x20000000)}},
        {"of -1.0 saturates", word(O::Negate, 1), {reg(1, kAcc32Min)}, {acc(kAcc32Max)}},
        {"of 0", word(O::Log2, 1), {reg(1, 0)}, {acc(kAcc32Min)}},
        {"of -1.0", word(O::Log2, 1), {reg(1, kAcc32Min)}, {acc(0)}},
        {"of max rounds to 0", word(O::Log2, 1), {reg(1, kAcc32Max)}, {acc(0)}},
        {"of 1", word(O::Log2, 1), {reg(1, 1)}, {acc(-2080374784)}},
        {"of -0.5", word(O::Log2, 1), {reg(1, -0x40000000)}, {acc(-(1 << 26))}},
        {"of 49 rounds to nearest, not toward 0", word(O::Log2, 1), {reg(1, 49)}, {acc(-1703577985)}},
        {"of just below -0.5 rounds to nearest", word(O::Log2, 1), {reg(1, -0x40000001)}, {acc(-(1 << 26))}},
        {"of 0", word(O::Exp2, 1), {reg(1, 0)}, {acc(kAcc32Max)}},
        {"of -1", word(O::Exp2, 1), {reg(1, -(1 << 26))}, {acc(0x40000000)}},
        {"of -32", word(O::Exp2, 1), {reg(1, kAcc32Min)}, {acc(1)}},
        {"of positive", word(O::Exp2, 1), {reg(1, kAcc32Max)}, {acc(kAcc32Max)}},
    };
    return cases;
}

const std::vector<OperationCase>& moveAndMemoryCases() {
    static const std::vector<OperationCase> cases = {
        {"into acc32", word(O::Move, kAcc, 3), {reg(3, 7)}, {acc(7)}},
        {"into flags", word(O::Move, kFlagsCell, 3), {reg(3, 7)}, {reg(kFlagsCell, 7)}},
        {"MREG 100", word(O::LoadMreg, 1, 100), {mreg(100, -3)}, {reg(1, -3)}},
        {"input", word(O::LoadSfr, 1, 0), {sfr(0, 1234)}, {reg(1, 1234)}},
        {"output reads 0", word(O::LoadSfr, 1, 5), {sfr(5, 1234)}, {reg(1, 0)}},
        {"SFR 50 reads 0", word(O::LoadSfr, 1, 50), {}, {reg(1, 0)}},
        {"sample counter",
         word(O::LoadSfr, 1, 46),
         {sampleCounter(0x87654321), sfr(46, 3)},
         {reg(1, 0x87654321)}},
        {"M 2 is register 20", word(O::StoreMreg, 1, 2), {reg(1, 9)}, {reg(20, 9)}},
        {"MREG 127", word(O::StoreMreg, 1, 127), {reg(1, 9)}, {mreg(127, 9)}},
        {"output latch", word(O::StoreSfr, 1, 5), {reg(1, 77)}, {sfr(5, 77), output(1, 77)}},
        {"pot shift keeps 5 bits", word(O::StoreSfr, 1, 12), {reg(1, 0x25)}, {sfr(12, 5)}},
        {"LFO rate", word(O::StoreSfr, 1, 31), {reg(1, -9)}, {sfr(31, -9)}},
        {"ramp rate", word(O::StoreSfr, 1, 33), {reg(1, -9)}, {sfr(33, -9)}},
        {"tap maximum", word(O::StoreSfr, 1, 44), {reg(1, 100)}, {sfr(44, 100)}},
        {"raw pot is read-only", word(O::StoreSfr, 1, 16), {reg(1, 100)}, {}},
        {"LFO output is read-only", word(O::StoreSfr, 1, 34), {reg(1, 100)}, {}},
        {"sample counter is read-only", word(O::StoreSfr, 1, 46), {reg(1, 100)}, {}},
        {"SFR 63 ignored", word(O::StoreSfr, 1, 63), {reg(1, 100)}, {}},
        {"index B AND 127", word(O::LoadMregIndexed, 1, 2), {reg(2, 130), mreg(2, 4)}, {reg(1, 4)}},
        {"high half", word(O::ReadAcc64High, 1), {acc64(0x123456789ABCDEF0)}, {reg(1, 0x12345678)}},
        {"low half", word(O::ReadAcc64Low, 1), {acc64(0x123456789ABCDEF0)}, {reg(1, 0x9ABCDEF0)}},
        {"high half",
         word(O::WriteAcc64High, 1),
         {reg(1, kAcc32Min), acc64(0x1111111122222222)},
         {acc64(static_cast<std::int64_t>(0x8000000022222222u))}},
        {"low half",
         word(O::WriteAcc64Low, 1),
         {reg(1, -1), acc64(0x1111111122222222)},
         {acc64(0x11111111FFFFFFFF)}},
        {"top half", word(O::ReadDelay, 1, 100), {delayPtr(7), delayWord(107, 0x1234)}, {reg(1, 0x12340000)}},
        {"keeps bits 31..16",
         word(O::WriteDelay, 1, 100),
         {delayPtr(7), reg(1, 0x1234FFFF)},
         {delayWord(107, 0x1234)}},
        {"offset wraps",
         word(O::ReadDelayIndexed, 1, 2),
         {reg(2, -1), delayWord(32767, 0x55)},
         {reg(1, 0x550000)}},
        {"offset in A",
         word(O::WriteDelayIndexed, 1, 2),
         {delayPtr(7), reg(1, 32768 + 3), reg(2, 0x55550000)},
         {delayWord(10, 0x5555)}},
        {"absolute address",
         word(O::ReadDelayDirect, 1, 2),
         {delayPtr(7), reg(2, 32768 + 5), delayWord(5, 0x66)},
         {reg(1, 0x660000)}},
        {"absolute address",
         word(O::WriteDelayDirect, 1, 2),
         {delayPtr(7), reg(1, 65536 + 5), reg(2, 0x66660000)},
         {delayWord(5, 0x6666)}},
        {"2^60 - 1", word(O::ReadAcc64Scaled, 1), {acc64((std::int64_t{1} << 60) - 1)}, {reg(1, 0x7FFFFFF8)}},
        {"2^60 saturates", word(O::ReadAcc64Scaled, 1), {acc64(std::int64_t{1} << 60)}, {reg(1, kAcc32Max)}},
        {"-2^60 is exact",
         word(O::ReadAcc64Scaled, 1),
         {acc64(-(std::int64_t{1} << 60))},
         {reg(1, kAcc32Min)}},
        {"below -2^60 saturates",
         word(O::ReadAcc64Scaled, 1),
         {acc64(-(std::int64_t{1} << 60) - 1)},
         {reg(1, kAcc32Min)}},
        {"undoes MacDiv8",
         word(O::ReadAcc64Scaled, 1),
         {acc64(2 * kAcc32Max * (kAcc32Max >> 3))},
         {reg(1, 0x7FFFFFF0)}},
        {"top half", word(O::LoadImmHigh, 1, 0x8000), {}, {reg(1, kAcc32Min)}},
    };
    return cases;
}

const std::vector<OperationCase>& logicAndJumpCases() {
    static const std::vector<OperationCase> cases = {
        {"", word(O::Not, 1), {reg(1, 0)}, {acc(-1)}},
        {"", word(O::Or, 1, 2), {reg(1, 0x0F00), reg(2, 0x00F0)}, {acc(0x0FF0)}},
        {"keeps the top half", word(O::OrImm, 1, 0xFFFF), {reg(1, 0x12340000)}, {acc(0x1234FFFF)}},
        {"", word(O::And, 1, 2), {reg(1, 0x0FF0), reg(2, 0x00FF)}, {acc(0x00F0)}},
        {"clears the top half", word(O::AndImm, 1, 0xFFFF), {reg(1, 0x1234FFFF)}, {acc(0xFFFF)}},
        {"", word(O::Xor, 1, 2), {reg(1, 0x0FF0), reg(2, 0x00FF)}, {acc(0x0F0F)}},
        {"low half only", word(O::XorImm, 1, 0x00FF), {reg(1, -1)}, {acc(0xFFFFFF00)}},
        {"taken on 0", word(O::JumpIfNotNeg, 1, 5), {reg(1, 0)}, {}, 6},
        {"not taken", word(O::JumpIfNotNeg, 1, 5), {reg(1, -1)}, {}, 1},
        {"taken", word(O::JumpIfNeg, 1, 5), {reg(1, kAcc32Min)}, {}, 6},
        {"not taken on 0", word(O::JumpIfNeg, 1, 5), {reg(1, 0)}, {}, 1},
        {"taken", word(O::JumpIfNonZero, 1, 5), {reg(1, 3)}, {}, 6},
        {"not taken", word(O::JumpIfNonZero, 1, 5), {reg(1, 0)}, {}, 1},
        {"taken", word(O::JumpIfZero, 1, 5), {reg(1, 0)}, {}, 6},
        {"not taken", word(O::JumpIfZero, 1, 5), {reg(1, 1)}, {}, 1},
        {"taken for 0 and negative acc32", word(O::JumpIfSignDiffers, 1, 5), {reg(1, 0), acc(-1)}, {}, 6},
        {"not taken for equal signs", word(O::JumpIfSignDiffers, 1, 5), {reg(1, -1), acc(-1)}, {}, 1},
        {"skip 0 goes on", word(O::Jump, 0), {}, {}, 1},
        {"largest skip", word(O::Jump, 4095), {}, {}, 4096},
    };
    return cases;
}

const std::vector<OperationCase>& allpassAndInterpolationCases() {
    static const std::vector<OperationCase> cases = {
        {"K 0.5",
         word(O::AllpassReadImm, 64, 10),
         {delayWord(10, 0x4000), acc(0x10000000)},
         {acc(0x30000000), reg(15, 0x40000000)}},
        {"K 0.5",
         word(O::AllpassWriteImm, 64, 10),
         {acc(0x20000000), reg(15, 0x10000000)},
         {delayWord(10, 0x2000), acc(0x20000000)}},
        {"negated gain",
         word(O::AllpassRead, 1, 10),
         {reg(1, 0x40000000), delayWord(10, 0x4000), acc(0x30000000)},
         {acc(0x10000000), reg(15, 0x40000000)}},
        {"saturates",
         word(O::AllpassRead, 1, 10),
         {reg(1, 0xC0000000), delayWord(10, 0x4000), acc(kAcc32Max)},
         {reg(15, 0x40000000)}},
        {"gain read before R15 is written",
         word(O::AllpassRead, 15, 10),
         {reg(15, 0x40000000), delayWord(10, 0x2000), acc(0)},
         {acc(-0x10000000), reg(15, 0x20000000)}},
        {"",
         word(O::AllpassWrite, 1, 10),
         {reg(1, 0x40000000), acc(0x10000000), reg(15, 0x40000000)},
         {delayWord(10, 0x1000), acc(0x48000000)}},
        {"offset in B",
         word(O::AllpassReadIndexed, 1, 2),
         {reg(1, 0x40000000), reg(2, 10), delayWord(10, 0x4000), acc(0x30000000)},
         {acc(0x10000000), reg(15, 0x40000000)}},
        {"offset in B",
         word(O::AllpassWriteIndexed, 1, 2),
         {reg(1, 0x40000000), reg(2, 10), acc(0x10000000), reg(15, 0x40000000)},
         {delayWord(10, 0x1000), acc(0x48000000)}},
        {"whole word",
         word(O::AllpassReadMreg, 1, 3),
         {reg(1, 0), mreg(3, 0x40000001), acc(5)},
         {reg(15, 0x40000001)}},
        {"whole word",
         word(O::AllpassWriteMreg, 1, 3),
         {reg(1, 0), acc(0x12345678), reg(15, 9)},
         {mreg(3, 0x12345678), acc(9)}},
        {"gain in MREG M read before MREG M is written",
         word(O::AllpassWriteMreg, 20, 2),
         {mreg(2, 0x40000000), acc(0x20000000), reg(15, 0)},
         {mreg(2, 0x20000000), acc(0x10000000)}},
        {"offset in acc32 read before acc32 is written",
         word(O::AllpassWriteIndexed, 1, kAcc),
         {reg(1, 0), acc(0x00017FFF), reg(15, 0x12340000)},
         {delayWord(0x7FFF, 1), acc(0x12340000)}},
        {"depth 0 reads D",
         word(O::ReadLfoModulated, 0, 0, 20),
         {reg(15, 0), sfr(34, 0x7FFFFFFF), delayWord(20, 0x1234)},
         {acc(0x12340000)}},
        {"depth 1 at the top weighs D + 1 fully",
         word(O::ReadLfoModulated, 0, 0, 20),
         {reg(15, 0x00010000), sfr(34, kAcc32Max), delayWord(21, 0x4000)},
         {acc(0x3FFFFFFF)}},
        {"negated lane 3, sign of R15 dropped",
         word(O::ReadLfoModulated, 1, 3, 20),
         {reg(15, 0x80010000), sfr(37, kAcc32Min), delayWord(21, 0x4000)},
         {acc(0x3FFFFFFF)}},
        {"depth 4 at L = 0 reads D + 2",
         word(O::ReadLfoModulated, 0, 1, 20),
         {reg(15, 0x00040000), sfr(35, 0), delayWord(22, 0x0777)},
         {acc(0x07770000)}},
        {"ramp at one half weighs the first tap only",
         word(O::ReadRampPitch, 0, 1, 30),
         {ramp(1, 0x80000000), delayWord(30 + 256, 0x4000), delayWord(30, 0x7FFF)},
         {acc(0x3FFFFFFF)}},
        {"ramp at 0 weighs the second tap only",
         word(O::ReadRampPitch, 0, 0, 30),
         {ramp(0, 0), delayWord(30, 0x7FFF), delayWord(30 + 256, 0x4000)},
         {acc(0x3FFFFFFF)}},
        {"window 4096 at one quarter mixes both",
         word(O::ReadRampPitch, 3, 0, 30),
         {ramp(0, 0x40000000), delayWord(30 + 1024, 0x4000), delayWord(30 + 3072, 0x2000)},
         {acc(0x30000000)}},
        {"sign bit to output 1", word(O::SetUserOut, 1, 1, 31), {reg(1, kAcc32Min)}, {userOut(1, 1)}},
        {"clear bit", word(O::SetUserOut, 1, 1, 31), {reg(1, kAcc32Max), userOut(1, 1)}, {userOut(1, 0)}},
        {"bit 3 to output 0", word(O::SetUserOut, 1, 0, 3), {reg(1, 8)}, {userOut(0, 1)}},
        {"half way between D + 1 and D + 2",
         word(O::ReadInterpolated, 1, 40),
         {reg(1, 0x00018000), delayWord(41, 0x1000), delayWord(42, 0x3000)},
         {acc(0x20000000)}},
        {"difference saturates",
         word(O::ReadInterpolated, 1, 40),
         {reg(1, 0x00010001), delayWord(41, -32768), delayWord(42, 32767)},
         {acc(kAcc32Min + 32767)}},
        {"offset 65535 wraps",
         word(O::ReadInterpolated, 1, 40),
         {reg(1, 0xFFFF0000), delayWord(40 + 65535, 0x0123)},
         {acc(0x01230000)}},
    };
    return cases;
}

TEST(CoreOperations, Arithmetic) {
    for (const auto& c : arithmeticCases()) runCase(c);
}
TEST(CoreOperations, MovesAccumulatorAndDelay) {
    for (const auto& c : moveAndMemoryCases()) runCase(c);
}
TEST(CoreOperations, LogicAndJumps) {
    for (const auto& c : logicAndJumpCases()) runCase(c);
}
TEST(CoreOperations, AllpassAndInterpolatedReads) {
    for (const auto& c : allpassAndInterpolationCases()) runCase(c);
}

TEST(CoreOperations, EveryOperationHasARow) {
    std::vector<bool> seen(256, false);
    for (const auto* cases :
         {&arithmeticCases(), &moveAndMemoryCases(), &logicAndJumpCases(), &allpassAndInterpolationCases()})
        for (const auto& c : *cases) seen[opcodeByteOf(c.word)] = true;
    for (const Operation& operation : kOperations)
        EXPECT_TRUE(seen[operation.opcodeByte()]) << operation.name << " has no row";
}

TEST(CoreOperations, InvalidOpcodesChangeNothing) {
    int invalid = 0;
    for (std::uint32_t byte = 0; byte < 256; ++byte) {
        if (findOperation(byte << 24) != nullptr) continue;
        ++invalid;
        runCase({"all operand bits set", (byte << 24) | 0x00FFFFFFu, {acc64(77)}, {}});
        runCase({"no operand bits", byte << 24, {}, {}});
    }
    EXPECT_EQ(invalid, 184);
    EXPECT_EQ(findOperation(0x01u << 24), nullptr);
    EXPECT_EQ(findOperation(0x3Au << 24), nullptr);
    EXPECT_EQ(findOperation(0xD8u << 24), nullptr);
}

// Bits outside an operation's fields must not change what it does.
TEST(CoreOperations, UnusedBitsAreIgnored) {
    const OperationCase cases[] = {
        {"with stray bits", word(O::Move, 1, 2) | 0x0000FFE0u, {reg(2, 5)}, {reg(1, 5)}},
        {"with stray bits",
         word(O::ReadDelay, 1, 100) | 0x00E08000u,
         {delayWord(100, 0x1234)},
         {reg(1, 0x12340000)}},
        {"with stray bits", word(O::Jump, 3) | 0x00FFF000u, {}, {}, 4},
    };
    for (const auto& c : cases) runCase(c);
}

// The decoder resolves LoadSfr and StoreSfr by SFR number ahead of time (the
// pass and step share that choice); for every number it must agree with the
// map of readSFR and writeSFR.
TEST(CoreOperations, SfrMovesFollowTheSfrMapForEveryNumber) {
    for (int n = 0; n < 64; ++n) {
        SCOPED_TRACE(n);
        auto prepare = [](FXCoreCore& core) {
            for (std::size_t i = 0; i < core.sfr.size(); ++i)
                core.sfr[i] = static_cast<std::int32_t>(1000 + i);
            core.sampleCounter = 777;
            core.creg[2] = 0x12345;
        };
        FXCoreCore byMap;
        FXCoreCore byStep;
        const std::uint32_t words[] = {word(O::LoadSfr, 1, n), word(O::StoreSfr, 2, n)};
        ASSERT_TRUE(byStep.setProgram(words, 2));
        prepare(byMap);
        prepare(byStep);
        byMap.creg[1] = byMap.readSFR(n);
        byMap.writeSFR(n, byMap.creg[2]);
        EXPECT_EQ(byStep.step(byStep.step(0)), 2);
        const Snapshot expected(byMap);
        expectSameState(expected, Snapshot(byStep));
        EXPECT_EQ(byStep.creg[1], expected.regFile[1]);
    }
}

// The decoder gives a product by a constant other than -1.0 a body without
// the limit of (-1.0) x (-1.0), and keeps the limited one for -1.0: for
// constants at and next to both ends, against operands at the edges, each
// product operation must give what the general saturating arithmetic gives.
TEST(CoreOperations, ProductsByAConstantMatchTheSaturatingArithmetic) {
    const std::int32_t kOperands[] = {INT32_MIN, INT32_MIN + 1, -0x40000000, -1, 0, 1, 0x40000000, INT32_MAX};
    const std::uint32_t kImmediates[] = {0x8000, 0x8001, 0xC000, 0xFFFF, 0, 1, 0x4000, 0x7FFF};
    const std::int32_t kCoefficients[] = {-128, -127, -64, -1, 0, 1, 64, 127};
    constexpr int kOffset = 10;
    for (std::int32_t v : kOperands) {
        // A delay word holds the top half of an S.31 value.
        const std::int32_t stored = static_cast<std::int32_t>(static_cast<std::uint32_t>(v) & 0xFFFF0000u);
        for (int k = 0; k < 8; ++k) {
            SCOPED_TRACE(testing::Message() << "operand " << v << ", constant " << k);
            const std::int32_t immediate = static_cast<std::int32_t>(kImmediates[k] << 16);
            const std::int32_t coefficient =
                static_cast<std::int32_t>(static_cast<std::uint32_t>(kCoefficients[k]) << 24);
            const std::int64_t acc64Before = k % 2 ? std::int64_t{-5} : INT64_MAX - 7;
            const std::int32_t accBefore = k % 2 ? INT32_MIN + 3 : 0x30000000;
            const auto reference = [&](FXCoreCore& core, std::uint32_t w) {
                core.creg[1] = v;
                core.creg[15] = -0x20000000;
                core.acc32 = accBefore;
                core.acc64 = acc64Before;
                core.writeDelay(kOffset, v);
                switch (findOperation(w)->opcode) {
                case O::MulImm: core.acc32 = FXCoreCore::mulS31(v, immediate); break;
                case O::MacImm: core.addToAcc64(FXCoreCore::mulFrac64(v, immediate)); break;
                case O::MacCoefDelay: core.addToAcc64(FXCoreCore::mulFrac64(coefficient, stored)); break;
                case O::AllpassReadImm:
                    core.acc32 = FXCoreCore::satAdd(accBefore, FXCoreCore::mulS31(stored, coefficient));
                    core.creg[15] = stored;
                    break;
                default:  // AllpassWriteImm
                    core.writeDelay(kOffset, accBefore);
                    core.acc32 = FXCoreCore::satAdd(-0x20000000, FXCoreCore::mulS31(accBefore, coefficient));
                    break;
                }
            };
            const std::uint8_t kByte = static_cast<std::uint8_t>(kCoefficients[k]);
            for (std::uint32_t w :
                 {word(O::MulImm, 1, kImmediates[k]), word(O::MacImm, 1, kImmediates[k]),
                  word(O::MacCoefDelay, kByte, kOffset), word(O::AllpassReadImm, kByte, kOffset),
                  word(O::AllpassWriteImm, kByte, kOffset)}) {
                SCOPED_TRACE(findOperation(w)->name);
                FXCoreCore expected;
                FXCoreCore byStep;
                ASSERT_TRUE(byStep.setProgram(&w, 1));
                ASSERT_TRUE(expected.setProgram(&w, 1));
                reference(expected, w);
                byStep.creg[1] = v;
                byStep.creg[15] = -0x20000000;
                byStep.acc32 = accBefore;
                byStep.acc64 = acc64Before;
                byStep.writeDelay(kOffset, v);
                EXPECT_EQ(byStep.step(0), 1);
                expectSameState(Snapshot(expected), Snapshot(byStep));
            }
        }
    }
}

TEST(CoreOperations, StepOutsideTheProgramStoreExecutesNothing) {
    FXCoreCore core;
    const std::uint32_t words[] = {word(O::LoadImmHigh, 1, 0x4000)};
    ASSERT_TRUE(core.setProgram(words, 1));
    EXPECT_EQ(core.step(-1), FXCoreCore::kProgramSize);
    EXPECT_EQ(core.step(1024), FXCoreCore::kProgramSize);
    EXPECT_EQ(core.step(INT32_MAX), FXCoreCore::kProgramSize);
    EXPECT_EQ(core.creg[1], 0);
    EXPECT_EQ(core.step(0), 1);
    EXPECT_EQ(core.creg[1], 0x40000000);
}

}  // namespace
}  // namespace fxcore
