// The HEX text the assembler writes: the exact form the pedal's programs are
// shipped in, and that the loader reads it back whole with no warnings.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fxcore/FXCoreProgram.h"
#include "tools/fxasm/Assembler.h"
#include "tools/fxasm/Disassembler.h"
#include "tools/fxasm/HexWriter.h"

namespace fxcore::fxasm {
namespace {

struct Record {
    std::uint32_t count;
    std::uint32_t address;
    std::uint32_t type;
};

std::uint32_t hexAt(const std::string& s, std::size_t pos, std::size_t digits) {
    return static_cast<std::uint32_t>(std::stoul(s.substr(pos, digits), nullptr, 16));
}

// Splits on LF, checks each line is a record of upper-case digits.
std::vector<Record> recordsOf(const std::string& text) {
    std::vector<Record> records;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find('\n', pos);
        EXPECT_NE(end, std::string::npos) << "the text ends with an LF";
        if (end == std::string::npos) break;
        const std::string line = text.substr(pos, end - pos);
        EXPECT_EQ(line[0], ':');
        EXPECT_EQ(line.find_first_not_of("0123456789ABCDEF", 1), std::string::npos) << line;
        records.push_back({hexAt(line, 1, 2), hexAt(line, 3, 4), hexAt(line, 7, 2)});
        EXPECT_EQ(line.size(), 11 + 2 * records.back().count) << line;
        pos = end + 1;
    }
    EXPECT_EQ(text.find('\r'), std::string::npos);
    return records;
}

std::string programOf(int words) {
    return ".pad " + std::to_string(words) + "\n";
}

TEST(HexForm, SizesOfTheEmbeddedProgramForms) {
    struct Case {
        int words;
        std::size_t lines;
        std::size_t bytes;
    };
    for (const Case c : {Case{273, 31, 3820}, Case{269, 30, 3776}, Case{253, 29, 3636}, Case{1, 14, 1440}}) {
        const Assembly a = assemble(programOf(c.words));
        ASSERT_TRUE(a.ok);
        const std::string text = writeHex(a.words, a.presets);
        const auto records = recordsOf(text);
        EXPECT_EQ(records.size(), c.lines) << c.words;
        EXPECT_EQ(text.size(), c.bytes) << c.words;
    }
}

TEST(HexForm, RecordLayout) {
    const Assembly a = assemble(programOf(273));
    ASSERT_TRUE(a.ok);
    const auto records = recordsOf(writeHex(a.words, a.presets));
    ASSERT_EQ(records.size(), 31u);
    std::vector<std::uint32_t> expectedAddresses;
    for (std::uint32_t i = 0; i < 8; ++i) expectedAddresses.push_back(0x40 * i);
    expectedAddresses.push_back(0x0200);
    expectedAddresses.push_back(0x0800);
    expectedAddresses.push_back(0x0840);
    expectedAddresses.push_back(0x1000);
    for (std::uint32_t i = 0; i < 18; ++i) expectedAddresses.push_back(0x1800 + 0x40 * i);
    for (std::size_t i = 0; i + 1 < records.size(); ++i) {
        EXPECT_EQ(records[i].type, 0u);
        EXPECT_EQ(records[i].address, expectedAddresses[i]) << i;
        const std::uint32_t expectedCount =
            i == 8 || i == 10 ? 2 : (i == 11 ? 50 : (i == 29 ? 1094 - 17 * 64 : 64));
        EXPECT_EQ(records[i].count, expectedCount) << i;
    }
    EXPECT_EQ(records.back().type, 1u);
    EXPECT_EQ(records.back().count, 0u);
}

TEST(HexForm, LoadsBackWithoutWarnings) {
    const char* source = R"(
        .mreg 0, 0.5
        .mreg 127, -1.0
        .mreg mreg[64], 0xDEADBEEF
        .creg r0, 12345
        .creg r15, -0.25
        .preset pot0_smooth, 0
        .preset pot5_smooth, 31
        .preset lfo0_rate, 0.0001
        .preset ramp1_rate, -5
        .preset tap_max, 48000
        .preset tap_interval, 24000
        .preset tap_long_press, 65535
        .preset tap_debounce, 0
        .preset switch_debounce, 240
        .preset user_out1, 1
        LoadSfr r0, in0
        StoreSfr r0, out0
        .pad 1024
    )";
    const Assembly a = assemble(source);
    ASSERT_TRUE(a.ok) << a.errors[0].message;
    const std::string text = writeHex(a.words, a.presets);
    FXCoreProgram program;
    const auto result = program.loadFromText(text);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_TRUE(result.warnings.empty());
    EXPECT_EQ(program.words, a.words);
    EXPECT_EQ(program.presets.mreg, a.presets.mreg);
    EXPECT_EQ(program.presets.creg, a.presets.creg);
    EXPECT_EQ(program.presets.sfr, a.presets.sfr);
    EXPECT_EQ(program.presets.userOutInitial, a.presets.userOutInitial);
    EXPECT_EQ(program.presets.tapLongPressSamples, 65535);
    EXPECT_EQ(program.presets.tapDebounceSamples, 0);
    EXPECT_EQ(program.presets.switchDebounceSamples, 240);
    EXPECT_EQ(program.presets.mreg[0], 0x40000000);
    EXPECT_EQ(program.presets.mreg[127], INT32_MIN);
    EXPECT_EQ(program.presets.mreg[64], static_cast<std::int32_t>(0xDEADBEEFu));
    EXPECT_EQ(program.presets.creg[15], -0x20000000);
    EXPECT_EQ(program.presets.sfr[15], 31);
    EXPECT_EQ(program.presets.sfr[10], 0);
    EXPECT_EQ(program.presets.sfr[33], -5);
    EXPECT_EQ(program.presets.sfr[44], 48000);
    EXPECT_EQ(program.presets.userOutInitial[1], 1);
    EXPECT_EQ(program.presets.userOutInitial[0], 0);

    // The listing of the loaded program assembles back to the same program.
    const Assembly again = assemble(disassemble(program.words, program.presets));
    ASSERT_TRUE(again.ok) << again.errors[0].line << ": " << again.errors[0].message;
    EXPECT_EQ(writeHex(again.words, again.presets), text);
}

TEST(HexForm, DefaultSettingsBlockIsTheDefaultPresets) {
    const Assembly a = assemble("Jump 0\n");
    ASSERT_TRUE(a.ok);
    const std::string text = writeHex(a.words, a.presets);
    // The 50-byte record at 0x1000: shifts 10 x6, rates 0, tap max 32767,
    // interval 0, timings 36000, 480, 480, the constants 2400 and 960, user outputs off.
    EXPECT_NE(text.find(":32100000"
                        "4A29A514"
                        "000000000000000000000000000000000000000000000000"
                        "FF7F0000"
                        "00000000"
                        "A08C"
                        "E001"
                        "E001"
                        "6009"
                        "C003"
                        "00"
                        "00"
                        "C406"),
              std::string::npos)
        << text;
    FXCoreProgram program;
    ASSERT_TRUE(program.loadFromText(text).ok);
    const auto defaults = FXCoreProgram::defaultPresets();
    EXPECT_EQ(program.presets.sfr, defaults.sfr);
    EXPECT_EQ(program.presets.tapLongPressSamples, defaults.tapLongPressSamples);
}

}  // namespace
}  // namespace fxcore::fxasm
