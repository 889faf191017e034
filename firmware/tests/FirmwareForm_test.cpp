// The three assembled programs have exactly the form the plug-in's program
// table expects: record layout, text size, word counts and register image.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <sstream>

#include "firmware/tests/FirmwareRig.h"
#include "testsupport/Figures.h"

namespace fxcore::firmwaretest {
namespace {

struct ExpectedForm {
    Mode mode;
    std::size_t words;
    std::size_t recordLines;
    std::size_t textBytes;
};

constexpr ExpectedForm kForms[] = {
    {Mode::Kavro, 273, 31, 3820},
    {Mode::Drisk, 269, 30, 3776},
    {Mode::Vestra, 253, 29, 3636},
};

struct Record {
    unsigned count;
    unsigned address;
    unsigned type;
};

std::vector<Record> recordsOf(const std::string& text) {
    std::vector<Record> records;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.size() < 11 || line[0] != ':') return {};
        records.push_back({static_cast<unsigned>(std::stoul(line.substr(1, 2), nullptr, 16)),
                           static_cast<unsigned>(std::stoul(line.substr(3, 4), nullptr, 16)),
                           static_cast<unsigned>(std::stoul(line.substr(7, 2), nullptr, 16))});
    }
    return records;
}

std::string lowerName(Mode mode) {
    std::string name = modeName(mode);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

class FirmwareForm : public ::testing::TestWithParam<ExpectedForm> {};

TEST_P(FirmwareForm, TextHasTheTableForm) {
    const ExpectedForm form = GetParam();
    const std::string text = readFile(hexPath(form.mode));
    const std::string key = "firmware." + lowerName(form.mode);
    corlinde::test::recordFigure(key + ".text_bytes", static_cast<double>(text.size()), 0);
    EXPECT_EQ(text.size(), form.textBytes);
    const auto lines = std::count(text.begin(), text.end(), '\n');
    corlinde::test::recordFigure(key + ".record_lines", static_cast<double>(lines), 0);
    EXPECT_EQ(lines, static_cast<long>(form.recordLines));
    EXPECT_EQ(text.find('\r'), std::string::npos);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    EXPECT_TRUE(std::none_of(text.begin(), text.end(),
                             [](char c) { return std::islower(static_cast<unsigned char>(c)); }));

    // MREG: eight 64-byte records and its sum; CREG: one record and its sum;
    // the 50-byte SFR block; PRG from 0x1800 in 64-byte records; the end.
    const std::vector<Record> records = recordsOf(text);
    ASSERT_EQ(records.size(), form.recordLines);
    for (unsigned i = 0; i < 8; ++i) {
        EXPECT_EQ(records[i].address, i * 64u);
        EXPECT_EQ(records[i].count, 64u);
    }
    EXPECT_EQ(records[8].address, 0x0200u);
    EXPECT_EQ(records[8].count, 2u);
    EXPECT_EQ(records[9].address, 0x0800u);
    EXPECT_EQ(records[9].count, 64u);
    EXPECT_EQ(records[10].address, 0x0840u);
    EXPECT_EQ(records[10].count, 2u);
    EXPECT_EQ(records[11].address, 0x1000u);
    EXPECT_EQ(records[11].count, 50u);
    std::size_t prgBytes = 0;
    for (std::size_t i = 12; i + 1 < records.size(); ++i) {
        EXPECT_EQ(records[i].address, 0x1800u + (i - 12) * 64u);
        EXPECT_EQ(records[i].type, 0u);
        prgBytes += records[i].count;
    }
    EXPECT_EQ(prgBytes, form.words * 4 + 2);
    EXPECT_EQ(records.back().type, 1u);
}

TEST_P(FirmwareForm, LoadsCleanlyWithTheDefaultSettings) {
    const ExpectedForm form = GetParam();
    FirmwareRig rig(form.mode);
    const FXCoreProgram::Result& result = rig.loadResult();
    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_TRUE(result.warnings.empty()) << result.warnings.front();
    corlinde::test::recordFigure("firmware." + lowerName(form.mode) + ".words",
                                 static_cast<double>(rig.program().words.size()), 0);
    EXPECT_EQ(rig.program().words.size(), form.words);

    const FXCoreCore::Presets& presets = rig.program().presets;
    const FXCoreCore::Presets defaults = FXCoreProgram::defaultPresets();
    for (std::int32_t value : presets.creg) EXPECT_EQ(value, 0);
    for (std::size_t i = 0; i < presets.sfr.size(); ++i)
        EXPECT_EQ(presets.sfr[i], defaults.sfr[i]) << "SFR " << i;
    EXPECT_EQ(presets.userOutInitial, defaults.userOutInitial);
    EXPECT_EQ(presets.tapLongPressSamples, defaults.tapLongPressSamples);
    EXPECT_EQ(presets.tapDebounceSamples, defaults.tapDebounceSamples);
    EXPECT_EQ(presets.switchDebounceSamples, defaults.switchDebounceSamples);

    // The exact size is reached with a short run of do-nothing jumps at the
    // end; most of each program is its effect.
    const std::vector<std::uint32_t>& words = rig.program().words;
    const auto padding = std::count(words.begin(), words.end(), 0xB8000000u);
    corlinde::test::recordFigure("firmware." + lowerName(form.mode) + ".padding_words",
                                 static_cast<double>(padding), 0);
    EXPECT_EQ(std::find(words.begin(), words.end(), 0xB8000000u) + padding, words.end())
        << "the padding is one run at the end";
    EXPECT_LT(padding, static_cast<long>(form.words / 6));
}

INSTANTIATE_TEST_SUITE_P(Modes, FirmwareForm, ::testing::ValuesIn(kForms),
                         [](const auto& param) { return std::string(modeName(param.param.mode)); });

}  // namespace
}  // namespace fxcore::firmwaretest
