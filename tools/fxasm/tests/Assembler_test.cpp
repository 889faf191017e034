// The assembly language: labels, constants, regions, directives, and an exact
// message with its line for every mistake.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fxcore/FXCoreProgram.h"
#include "fxcore/Operations.h"
#include "fxcore/tests/WordBuilder.h"
#include "tools/fxasm/Assembler.h"

namespace fxcore::fxasm {
namespace {

using test::word;

std::vector<std::uint32_t> wordsOf(const std::string& source) {
    const Assembly a = assemble(source);
    EXPECT_TRUE(a.ok) << (a.errors.empty() ? ""
                                           : std::to_string(a.errors[0].line) + ": " + a.errors[0].message);
    return a.words;
}

TEST(Assembler, HundredSampleDelayOfInputZero) {
    const char* source = R"(; out0 = in0, 100 samples late
        .region line, 101          ; delays of 0..100 samples
        LoadSfr    r0, in0
        WriteDelay r0, line        ; write at the start of the region
        ReadDelay  r1, line[100]   // what was written 100 samples ago
        StoreSfr   r1, out0
    )";
    // The words of the core's own worked example of a 100-sample delay.
    EXPECT_EQ(wordsOf(source),
              (std::vector<std::uint32_t>{0x64000000u, 0x8A000000u, 0x88010064u, 0x68010004u}));
}

TEST(Assembler, ForwardJumpsComputeTheirSkip) {
    const char* source = R"(
        JumpIfZero acc32, end
        Jump next
next:   Jump skipTwo
        Abs r0
        Abs r1
skipTwo:
        Jump end
end:
    )";
    EXPECT_EQ(wordsOf(source), (std::vector<std::uint32_t>{
                                   word(Opcode::JumpIfZero, 16, 5),
                                   word(Opcode::Jump, 0),
                                   word(Opcode::Jump, 2),
                                   word(Opcode::Abs, 0),
                                   word(Opcode::Abs, 1),
                                   word(Opcode::Jump, 0),
                               }));
}

TEST(Assembler, ConstantsRegionsAndAliases) {
    const char* source = R"(
        .equ    TAPS, 3
        .equ    HALF, 0.5
        .equ    QUARTER, HALF / 2
        .region first, 10
        .region second, TAPS * 100
        .reg    dry, r3
        .reg    wet, MREG2
        ReadDelay dry, second          ; offset 10
        ReadDelay wet, second.end      ; 10 + 300 - 1
        ReadDelay r0, second[TAPS]     ; 13
        ReadDelay r0, first.size - 1 + second.size
        MacCoefDelay -QUARTER, first[9]
        MulImm dry, HALF - 1.0
        AddImm acc32, -(TAPS + 1)
        LoadMreg r1, mreg[TAPS * 40]
        StoreMreg dry, wet             ; an alias of mreg2 names memory register 2
        macdelay R1, FIRST.END - 0x0         ; built-in names in any case; user names exactly
    )";
    const Assembly a = assemble(source);
    ASSERT_FALSE(a.ok);  // FIRST is not first
    ASSERT_EQ(a.errors.size(), 1u);
    EXPECT_EQ(a.errors[0].line, 18);
    EXPECT_EQ(a.errors[0].message, "MacDelay operand 2: undefined symbol 'FIRST'");
    std::string fixed = source;
    fixed.replace(fixed.find("FIRST.END"), 9, "first.end");
    EXPECT_EQ(wordsOf(fixed), (std::vector<std::uint32_t>{
                                  word(Opcode::ReadDelay, 3, 10),
                                  word(Opcode::ReadDelay, 20, 309),
                                  word(Opcode::ReadDelay, 0, 13),
                                  word(Opcode::ReadDelay, 0, 309),
                                  word(Opcode::MacCoefDelay, -32, 9),
                                  word(Opcode::MulImm, 3, -16384),
                                  word(Opcode::AddImm, 16, -4),
                                  word(Opcode::LoadMreg, 1, 120),
                                  word(Opcode::StoreMreg, 3, 2),
                                  word(Opcode::MacDelay, 1, 9),
                              }));
}

TEST(Assembler, PresetDirectives) {
    const Assembly a = assemble(R"(
        .mreg 0, 0.25
        .mreg mreg[127], 4800
        .creg r7, -1
        .preset pot2_smooth, 3
        .preset lfo3_rate, -0.5
        .preset tap_max, 0xFFFFFFFF
        .preset user_out0, 1
        Jump 0
    )");
    ASSERT_TRUE(a.ok);
    EXPECT_EQ(a.presets.mreg[0], 0x20000000);
    EXPECT_EQ(a.presets.mreg[127], 4800);
    EXPECT_EQ(a.presets.creg[7], -1);
    EXPECT_EQ(a.presets.sfr[12], 3);
    EXPECT_EQ(a.presets.sfr[11], 10);  // untouched: the default
    EXPECT_EQ(a.presets.sfr[31], INT32_MIN / 2);
    EXPECT_EQ(a.presets.sfr[44], -1);
    EXPECT_EQ(a.presets.userOutInitial[0], 1);
    EXPECT_EQ(a.presets.tapLongPressSamples, FXCoreProgram::defaultPresets().tapLongPressSamples);
}

TEST(Assembler, PadFillsWithDoNothingWords) {
    const auto words = wordsOf("Abs r1\n.pad 4\n");
    EXPECT_EQ(words,
              (std::vector<std::uint32_t>{word(Opcode::Abs, 1), 0xB8000000u, 0xB8000000u, 0xB8000000u}));
    EXPECT_EQ(wordsOf(".pad 1024").size(), 1024u);
    EXPECT_EQ(wordsOf("Abs r0\n.pad 1").size(), 1u);
}

struct ErrorCase {
    const char* source;
    int line;
    const char* message;
};

TEST(Assembler, MistakesGiveTheirLineAndMessage) {
    const std::vector<ErrorCase> cases = {
        {"Abs r0\nMacDelai r0, 5", 2, "unknown mnemonic 'MacDelai'"},
        {"MacDelay r0", 1, "MacDelay takes 2 operands (register, delay offset), 1 given"},
        {"ClearAcc64 r0", 1, "ClearAcc64 takes 0 operands (none), 1 given"},
        {"Abs r16", 1, "Abs operand 1: register expected (r0-r15, acc32, flags, mreg0-mreg13), got 'r16'"},
        {"Abs mreg14", 1,
         "Abs operand 1: register expected (r0-r15, acc32, flags, mreg0-mreg13), got 'mreg14'"},
        {"ReadDelay r0, 32768", 1, "ReadDelay operand 2: delay offset 32768 is out of range 0 to 32767"},
        {"ReadDelay r0, -1", 1, "ReadDelay operand 2: delay offset -1 is out of range 0 to 32767"},
        {"ReadDelay r0, 1.5", 1, "ReadDelay operand 2: delay offset needs an integer, got 1.5"},
        {"LoadMreg r0, mreg[128]", 1, "LoadMreg operand 2: memory register 128 is out of range 0 to 127"},
        {"LoadSfr r0, sfr[64]", 1, "LoadSfr operand 2: special function register 64 is out of range 0 to 63"},
        {"LoadSfr r0, input0", 1,
         "LoadSfr operand 2: special function register expected (in0, out0, pot0, ... or sfr[N]), got 'input0'"},
        {"MacCoefDelay 1, 0", 1,
         "MacCoefDelay operand 1: coefficient 1 is out of range -1.0 to 0.9921875 (hex gives raw bits)"},
        {"MulImm r0, 1.0", 1,
         "MulImm operand 2: immediate 1 is out of range -1.0 to 0.999969482421875 (hex gives raw bits)"},
        {"MacCoefDelay 0x100, 0", 1, "MacCoefDelay operand 1: coefficient 0x100 does not fit 0x0 to 0xFF"},
        {"AddImm r0, 32768", 1, "AddImm operand 2: signed immediate 32768 is out of range -32768 to 32767"},
        {"AndImm r0, -1", 1, "AndImm operand 2: bit immediate -1 is out of range 0 to 65535"},
        {"ShiftLeftImm r0, 32", 1, "ShiftLeftImm operand 2: shift count 32 is out of range 0 to 31"},
        {"ReadRampPitch 500, ramp0, 0", 1,
         "ReadRampPitch operand 1: window size must be 512, 1024, 2048 or 4096 words, got 500"},
        {"ReadLfoModulated 2, lfo0_sin, 0", 1,
         "ReadLfoModulated operand 1: LFO negate 2 is out of range 0 to 1"},
        {"SetUserOut r0, 2, 0", 1, "SetUserOut operand 2: user output 2 is out of range 0 to 1"},
        {"back: Abs r0\nJump back", 2,
         "Jump operand 1: backward jump to 'back' (line 1): jumps only move forward"},
        {"self: Jump self", 1, "Jump operand 1: backward jump to 'self' (line 1): jumps only move forward"},
        {"Jump nowhere", 1, "Jump operand 1: undefined label 'nowhere'"},
        {"Jump far\n.pad 4097\nfar:", 2, ".pad 4097 is out of range 1 to 1024 words"},
        {"Jump 4096", 1, "Jump operand 1: jump target 4096 is out of range 0 to 4095"},
        {".region a, 100\nReadDelay r0, a[100]", 2,
         "ReadDelay operand 2: index 100 is outside region 'a' (0 to 99)"},
        {".region a, 30000\n.region b, 2769", 2,
         "region 'b' overflows the delay memory: the regions need 32769 words, there are 32768"},
        {".region a, 0", 1, "region size 0 is out of range 1 to 32768 words"},
        {"ReadDelay r0, missing", 1, "ReadDelay operand 2: undefined symbol 'missing'"},
        {".equ a, 1\n.equ a, 2", 2, "'a' is already defined on line 1"},
        {".equ r3, 1", 1, "'r3' is a built-in name and cannot be redefined"},
        {"x: Abs r0\nx: Abs r1", 2, "'x' is already defined on line 1"},
        {".mreg 128, 0", 1, "memory register 128 is out of range 0 to 127"},
        {".mreg 1, 1.0", 1, "value 1 is out of range -1.0 to below 1.0"},
        {".mreg 1, 0x100000000", 1, "value 4294967296 does not fit 32 bits"},
        {".mreg 1, 0\n.mreg 1, 0", 2, "memory register 1 is already set on line 1"},
        {".creg acc32, 0", 1, ".creg sets r0-r15 only, got acc32"},
        {".preset pot0_smooth, 32", 1, "pot0_smooth 32 is out of range 0 to 31"},
        {".preset tap_debounce, 65536", 1, "tap_debounce 65536 is out of range 0 to 65535"},
        {".preset volume, 1", 1,
         "unknown preset (pot0_smooth..pot5_smooth, lfo0_rate..lfo3_rate, ramp0_rate, ramp1_rate, tap_max, "
         "tap_interval, tap_long_press, tap_debounce, switch_debounce, user_out0, user_out1)"},
        {".org 5", 1, "unknown directive '.org'"},
        {"Abs r0\nAbs r1\n.pad 1", 3, ".pad 1: the program already has 2 words"},
        {".pad 1024\nAbs r0", 2, "the program exceeds 1024 words"},
        {"; nothing but a comment", 0, "the program has no instructions"},
        {"Abs r0 $", 1, "unexpected character '$'"},
        {"ReadDelay r0, (1 + 2", 1, "ReadDelay operand 2: missing ')'"},
        {"ReadDelay r0, 4 / 0", 1, "ReadDelay operand 2: division by zero"},
        {"ReadDelay r0, 0x7FFFFFFFFFFFFF * 0x7FFFFFFFFFFFFF", 1,
         "ReadDelay operand 2: integer overflow in expression"},
        {"ReadDelay r0, 12abc", 1, "malformed number '12a'"},
        {"AddImm r0, 1 2", 1, "AddImm operand 2: unexpected '2'"},
        {"5 Abs r0", 1, "expected an instruction or a directive, got '5'"},
    };
    for (const auto& c : cases) {
        const Assembly a = assemble(c.source);
        EXPECT_FALSE(a.ok) << c.source;
        ASSERT_FALSE(a.errors.empty()) << c.source;
        EXPECT_EQ(a.errors[0].line, c.line) << c.source;
        EXPECT_EQ(a.errors[0].message, c.message) << c.source;
        EXPECT_TRUE(a.words.empty()) << c.source;
    }
}

// Nesting deep enough to overflow the stack of a recursive parser is a
// mistake on its line; nesting within the bound still evaluates.
TEST(Assembler, DeepNestingIsAMistakeNotACrash) {
    const auto repeat = [](const std::string& piece, int times) {
        std::string text;
        for (int i = 0; i < times; ++i) text += piece;
        return text;
    };
    const std::string tooDeep = "expression nested too deeply (more than 256 levels)";
    const struct {
        std::string operand;
        const char* message;
    } refused[] = {
        {repeat("(", 1000000) + "1" + repeat(")", 1000000), "AddImm operand 2: "},
        {repeat("(", 1000000), "AddImm operand 2: "},
        {repeat("-", 1000000) + "1", "AddImm operand 2: "},
        {repeat("a[", 1000000) + "0" + repeat("]", 1000000), "AddImm operand 2: "},
        {repeat("(", 257) + "1" + repeat(")", 257), "AddImm operand 2: "},
    };
    for (const auto& c : refused) {
        const Assembly a = assemble(".region a, 4\nAbs r0\nAddImm r0, " + c.operand + "\n");
        EXPECT_FALSE(a.ok) << c.operand.substr(0, 20);
        ASSERT_EQ(a.errors.size(), 1u) << c.operand.substr(0, 20);
        EXPECT_EQ(a.errors[0].line, 3);
        EXPECT_EQ(a.errors[0].message, c.message + tooDeep);
    }
    // 256 levels: parentheses with a sign inside each, then parentheses alone.
    const Assembly within = assemble("AddImm r0, " + repeat("(-", 128) + "3" + repeat(")", 128) + " + " +
                                     repeat("(", 256) + "4" + repeat(")", 256));
    ASSERT_TRUE(within.ok) << (within.errors.empty() ? "" : within.errors[0].message);
    EXPECT_EQ(within.words, assemble("AddImm r0, 7").words);
}

TEST(Assembler, ReportsEveryMistakeNotOnlyTheFirst) {
    const Assembly a = assemble("Foo r0\nAbs r0\nBar\n.org 1\n");
    ASSERT_EQ(a.errors.size(), 3u);
    EXPECT_EQ(a.errors[0].line, 1);
    EXPECT_EQ(a.errors[1].line, 3);
    EXPECT_EQ(a.errors[2].line, 4);
}


// LF, CRLF and a lone CR all end a line, as they do for the HEX loader: the
// same program, and a mistake reported on the same line, whichever a file uses.
TEST(Assembler, EveryLineEndingGivesTheSameProgram) {
    const std::vector<std::string> lines = {"; out0 = in0", "LoadSfr r0, in0", "Abs r0", "StoreSfr r0, out0"};
    const auto joined = [&](const std::vector<const char*>& ends, const std::vector<std::string>& text) {
        std::string source;
        for (std::size_t i = 0; i < text.size(); ++i) source += text[i] + ends[i % ends.size()];
        return source;
    };
    const std::vector<std::string> withMistake = {"; out0 = in0", "LoadSfr r0, in0", "Foo r0", "Abs r0"};
    const struct {
        const char* label;
        std::vector<const char*> ends;
    } cases[] = {{"lf", {"\n"}}, {"crlf", {"\r\n"}}, {"cr", {"\r"}}, {"mixed", {"\r", "\r\n", "\n"}}};
    for (const auto& c : cases) {
        const Assembly a = assemble(joined(c.ends, lines));
        ASSERT_TRUE(a.ok) << c.label;
        EXPECT_EQ(a.words, (std::vector<std::uint32_t>{0x64000000u, 0x00000000u, 0x68000004u})) << c.label;
        const Assembly bad = assemble(joined(c.ends, withMistake));
        ASSERT_EQ(bad.errors.size(), 1u) << c.label;
        EXPECT_EQ(bad.errors[0].line, 3) << c.label;
        EXPECT_EQ(bad.errors[0].message, "unknown mnemonic 'Foo'") << c.label;
    }
}

// A message shows at most the start of a huge token or operand, never the
// megabytes of it.
TEST(Assembler, MessagesShowOnlyTheStartOfAHugeToken) {
    const std::string huge(20u << 20, 'x');
    const std::string digits(20u << 20, '7');
    const std::string start40(40, 'x');
    const struct {
        std::string source;
        std::string message;
    } cases[] = {
        {huge + " r0", "unknown mnemonic '" + start40 + "...'"},
        {"Abs " + huge,
         "Abs operand 1: register expected (r0-r15, acc32, flags, mreg0-mreg13), got '" + start40 + "...'"},
        {"AddImm r0, " + digits, "number '" + std::string(40, '7') + "...' is too large"},
        {"AddImm r0, 1 + " + huge, "AddImm operand 2: undefined symbol '" + start40 + "...'"},
        {".equ " + huge + ", 1\n.equ " + huge + ", 2", "'" + start40 + "...' is already defined on line 1"},
    };
    for (const auto& c : cases) {
        const Assembly a = assemble(c.source);
        ASSERT_FALSE(a.errors.empty()) << c.message;
        EXPECT_EQ(a.errors.back().message, c.message);
    }
}

}  // namespace
}  // namespace fxcore::fxasm
