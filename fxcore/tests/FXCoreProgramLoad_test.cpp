// Loader behaviour on hand-written HEX: malformed records, record types,
// section sizes, sums and the warnings they give.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fxcore/FXCoreProgram.h"
#include "fxcore/tests/FXCoreProgramHexText.h"

namespace fxcore {
namespace {

using namespace testhex;

// PRG section of one word 0x12345678 and its sum, written by hand.
const std::string kOneWord = ":06180000785634121401B9\n";

FXCoreProgram::Result load(FXCoreProgram& program, const std::string& text) {
    return program.loadFromText(text);
}

bool presetsEqual(const FXCoreCore::Presets& a, const FXCoreCore::Presets& b) {
    return std::equal(std::begin(a.creg), std::end(a.creg), std::begin(b.creg)) &&
           std::equal(std::begin(a.mreg), std::end(a.mreg), std::begin(b.mreg)) &&
           std::equal(std::begin(a.sfr), std::end(a.sfr), std::begin(b.sfr)) &&
           a.userOutInitial[0] == b.userOutInitial[0] && a.userOutInitial[1] == b.userOutInitial[1] &&
           a.tapLongPressSamples == b.tapLongPressSamples && a.tapDebounceSamples == b.tapDebounceSamples &&
           a.switchDebounceSamples == b.switchDebounceSamples;
}

TEST(FXCoreProgramLoad, HandWrittenProgramLoadsWithoutWarnings) {
    FXCoreProgram program;
    const auto result = load(program, kOneWord + endRecord());
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.error, "");
    EXPECT_TRUE(result.warnings.empty());
    EXPECT_EQ(program.words, std::vector<std::uint32_t>{0x12345678u});
    EXPECT_TRUE(presetsEqual(program.presets, FXCoreProgram::defaultPresets()));
}

TEST(FXCoreProgramLoad, DefaultPresets) {
    const auto p = FXCoreProgram::defaultPresets();
    for (std::size_t k = 0; k < 49; ++k) {
        const int expected = (k >= 10 && k <= 15) ? 10 : (k == 44 ? 32767 : 0);
        EXPECT_EQ(p.sfr[k], expected) << "SFR " << k;
    }
    EXPECT_TRUE(std::all_of(std::begin(p.creg), std::end(p.creg), [](int v) { return v == 0; }));
    EXPECT_TRUE(std::all_of(std::begin(p.mreg), std::end(p.mreg), [](int v) { return v == 0; }));
    EXPECT_EQ(p.userOutInitial[0] | p.userOutInitial[1], 0);
    EXPECT_EQ(p.tapLongPressSamples, 36000);
    EXPECT_EQ(p.tapDebounceSamples, 480);
    EXPECT_EQ(p.switchDebounceSamples, 480);
}

struct MalformedCase {
    const char* what;
    std::string text;
    std::string error;
};

// Every record check with the exact message it gives; a record error leaves no
// words, default presets and no warnings.
TEST(FXCoreProgramLoad, MalformedRecordsGiveTheirMessage) {
    const std::string mreg = section(0x0000, wordsWithSum({0x11111111u}));
    const std::vector<MalformedCase> cases = {
        {"colon alone", ":", "Line 1: record too short"},
        {"comment", "; comment\n" + kOneWord, "Line 1: record does not start with ':'"},
        {"ten characters", ":00000001F", "Line 1: record too short"},
        {"space in header", ":00 000001FF", "Line 1: bad record header"},
        {"letter in header", ":0G000001FF", "Line 1: bad record header"},
        {"cut in data", ":02180000AB", "Line 1: truncated record"},
        {"cut in checksum", ":0118000012F", "Line 1: truncated record"},
        {"bad data digit", ":021800001G00CE", "Line 1: bad data byte"},
        {"space in data", ":0218000012 4CE", "Line 1: bad data byte"},
        {"checksum not hex", ":0118000012ZZ", "Line 1: missing checksum"},
        {"checksum wrong", ":00000001FE", "Line 1: record checksum mismatch"},
        {"second record, LF", mreg + ":00000001FE\n", "Line 2: record checksum mismatch"},
        {"second record, CR LF", ":0118000012D5\r\n:00000001FE\r\n", "Line 3: record checksum mismatch"},
        {"after blank lines", "\n  \n\t\nX", "Line 4: record does not start with ':'"},
        {"after MREG data", mreg + "x", "Line 2: record does not start with ':'"},
        {"no-break space before the record, default locale", "\xA0" + kOneWord,
         "Line 1: record does not start with ':'"},
    };
    for (const auto& c : cases) {
        FXCoreProgram program;
        program.name = "kept";
        const auto result = load(program, c.text);
        EXPECT_FALSE(result.ok) << c.what;
        EXPECT_EQ(result.error, c.error) << c.what;
        EXPECT_TRUE(result.warnings.empty()) << c.what;
        EXPECT_TRUE(program.words.empty()) << c.what;
        EXPECT_TRUE(presetsEqual(program.presets, FXCoreProgram::defaultPresets())) << c.what;
        EXPECT_EQ(program.name, "kept") << c.what;
    }
}

TEST(FXCoreProgramLoad, ProgramSectionErrors) {
    const std::string noProgram =
        "No program section at HEX address 6144; this does not look like an assembled FXCore program";
    struct Case {
        const char* what;
        std::string text;
        std::string error;
        std::vector<std::string> warnings;
    };
    const std::vector<Case> cases = {
        {"empty text", "", noProgram, {"No end-of-file record; the HEX may be truncated"}},
        {"end record only", endRecord(), noProgram, {}},
        {"linear base moves data out", record(0, 4, {0x00, 0x01}) + kOneWord + endRecord(), noProgram, {}},
        {"one word without sum", section(0x1800, {1, 2, 3, 4}) + endRecord(), "Program section is empty", {}},
        {"five bytes", section(0x1800, {1, 2, 3, 4, 5}) + endRecord(), "Program section is empty", {}},
        {"PRG past 0x2801 only", section(0x2802, {1, 2, 3, 4, 5, 6}) + endRecord(), noProgram, {}},
    };
    for (const auto& c : cases) {
        FXCoreProgram program;
        const auto result = load(program, c.text);
        EXPECT_FALSE(result.ok) << c.what;
        EXPECT_EQ(result.error, c.error) << c.what;
        EXPECT_EQ(result.warnings, c.warnings) << c.what;
        EXPECT_TRUE(program.words.empty()) << c.what;
    }
}

TEST(FXCoreProgramLoad, ProgramSectionErrorKeepsRegistersAndWarnings) {
    FXCoreProgram program;
    const std::string text = section(0x0000, wordsWithSum({0x7FFFFFFFu, 0x80000000u})) +
                             section(0x0800, wordsWithSum({5})) + section(0x1800, {1, 2, 3});
    const auto result = load(program, text);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "Program section is empty");
    EXPECT_EQ(result.warnings, (std::vector<std::string>{"No end-of-file record; the HEX may be truncated",
                                                         "CREG section holds 1 registers, expected 16"}));
    EXPECT_EQ(program.presets.mreg[0], 0x7FFFFFFF);
    EXPECT_EQ(program.presets.mreg[1], INT32_MIN);
    EXPECT_EQ(program.presets.creg[0], 5);
}

TEST(FXCoreProgramLoad, LineHandling) {
    struct Case {
        const char* what;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"CR LF line ends", ":06180000785634121401B9\r\n:00000001FF\r\n"},
        {"CR line ends", ":06180000785634121401B9\r:00000001FF\r"},
        {"spaces, tabs, vertical tab and form feed around records",
         " \t:06180000785634121401B9\v\f\n\t:00000001FF "},
        {"lower-case digits", ":06180000785634121401b9\n:00000001ff"},
        {"characters after the checksum", ":06180000785634121401B9 anything\n:00000001FFxyz"},
        {"malformed line after the end record", kOneWord + endRecord() + "garbage\n:00\n"},
        {"records of other types, 02/04 of the wrong count",
         record(0, 3, {1, 2, 3, 4}) + record(0, 5, {9}) + record(0, 4, {0x00, 0x01, 0x00}) +
             record(0, 2, {0x7F}) + kOneWord + endRecord()},
        {"segment base 0x180 places address 0 at 0x1800",
         record(0, 2, {0x01, 0x80}) + record(0, 0, {0x78, 0x56, 0x34, 0x12, 0x14, 0x01}) + endRecord()},
        {"linear base returned to 0",
         record(0, 4, {0x12, 0x34}) + record(0, 4, {0, 0}) + kOneWord + endRecord()},
        {"record crossing from the SFR window into the PRG window",
         record(0x17FE, 0, {0xAA, 0xBB, 0x78, 0x56, 0x34, 0x12, 0x14, 0x01}) + endRecord()},
    };
    for (const auto& c : cases) {
        FXCoreProgram program;
        const auto result = load(program, c.text);
        EXPECT_TRUE(result.ok) << c.what << ": " << result.error;
        EXPECT_TRUE(result.warnings.empty()) << c.what;
        EXPECT_EQ(program.words, std::vector<std::uint32_t>{0x12345678u}) << c.what;
    }
}

TEST(FXCoreProgramLoad, MissingEndRecordIsAWarning) {
    FXCoreProgram program;
    const auto result = load(program, kOneWord);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.warnings, std::vector<std::string>{"No end-of-file record; the HEX may be truncated"});
    EXPECT_EQ(program.words.size(), 1u);
}

TEST(FXCoreProgramLoad, AddressesOutsideTheImageAndRewrites) {
    FXCoreProgram program;
    // A byte at 0x2802 and one far above are dropped; the PRG sum bytes are
    // first written wrong, then rewritten; records come in descending order.
    const std::string text = record(0x2802, 0, {0xAA}) + record(0xFFFF, 0, {0xAA, 0xBB}) +
                             record(0x1804, 0, {0x00, 0x00}) + record(0x1800, 0, {0x78, 0x56, 0x34, 0x12}) +
                             record(0x1804, 0, {0x14, 0x01}) + endRecord();
    const auto result = load(program, text);
    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_TRUE(result.warnings.empty());
    EXPECT_EQ(program.words, std::vector<std::uint32_t>{0x12345678u});
}

// Data addresses are base + record address + i in 32 bits: wrapping past 2^32,
// never reduced to 16 bits, and each 02 or 04 record replaces the base whole.
TEST(FXCoreProgramLoad, AddressArithmetic) {
    struct Case {
        const char* what;
        std::string records;
        std::int32_t mreg0;
    };
    // MREG word 0x01020304 and its sum 0x000A, one byte ahead of 0x0000.
    const Bytes ahead = {0xEE, 0x04, 0x03, 0x02, 0x01, 0x0A, 0x00};
    const std::vector<Case> cases = {
        {"linear base 0xFFFF0000 + 0xFFFF wraps to 0 one byte later",
         record(0, 4, {0xFF, 0xFF}) + record(0xFFFF, 0, ahead), 0x01020304},
        {"record address 0xFFFF + i runs past 0xFFFF, not back to 0", record(0xFFFF, 0, ahead), 0},
        {"segment base 0xFFFF + 0xFFFF stays above the image",
         record(0, 2, {0xFF, 0xFF}) + record(0xFFFF, 0, ahead), 0},
        {"a segment base of 0 replaces a linear one",
         record(0, 4, {0x00, 0x01}) + record(0, 2, {0, 0}) +
             record(0, 0, Bytes(ahead.begin() + 1, ahead.end())),
         0x01020304},
        {"a linear base of 0 replaces a segment one",
         record(0, 2, {0x00, 0x01}) + record(0, 4, {0, 0}) +
             record(0, 0, Bytes(ahead.begin() + 1, ahead.end())),
         0x01020304},
    };
    for (const auto& c : cases) {
        FXCoreProgram program;
        const auto result = load(program, c.records + record(0, 4, {0, 0}) + kOneWord + endRecord());
        EXPECT_TRUE(result.ok) << c.what << ": " << result.error;
        EXPECT_TRUE(result.warnings.empty()) << c.what;
        EXPECT_EQ(program.presets.mreg[0], c.mreg0) << c.what;
        EXPECT_EQ(program.words, std::vector<std::uint32_t>{0x12345678u}) << c.what;
    }
}

TEST(FXCoreProgramLoad, GapReadsAsZeroAndNeverShortensASection) {
    FXCoreProgram program;
    // Word 0 written, word 1 left unwritten, word 2 and the sum written.
    Bytes prg = wordsWithSum({0x01020304u, 0, 0x0A0B0C0Du});
    const std::string text = record(0x1800, 0, Bytes(prg.begin(), prg.begin() + 4)) +
                             record(0x1808, 0, Bytes(prg.begin() + 8, prg.end()));
    const auto result = load(program, text + endRecord());
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(result.warnings.empty());
    EXPECT_EQ(program.words, (std::vector<std::uint32_t>{0x01020304u, 0, 0x0A0B0C0Du}));
}

TEST(FXCoreProgramLoad, SectionSizes) {
    struct Case {
        const char* what;
        std::string sections;
        std::vector<std::string> warnings;
    };
    std::vector<std::uint32_t> mreg129(129);
    for (std::uint32_t i = 0; i < 129; ++i) mreg129[i] = i * 0x01010101u;
    std::vector<std::uint32_t> creg15(15, 7);
    std::vector<std::uint32_t> creg16(16, 7);
    const std::vector<Case> cases = {
        {"MREG of 129 words reads the sum from bytes 512-513",
         section(0x0000, wordsWithSum(mreg129)),
         {"MREG section checksum mismatch"}},
        {"MREG of a zero sum alone", section(0x0000, {0, 0}), {}},
        {"MREG of a non-zero sum alone", section(0x0000, {1, 0}), {"MREG section checksum mismatch"}},
        {"MREG of one byte", section(0x0000, {0x55}), {}},
        {"MREG sum wrong", section(0x0000, {1, 0, 0, 0, 2, 0}), {"MREG section checksum mismatch"}},
        {"CREG of 15 words",
         section(0x0800, wordsWithSum(creg15)),
         {"CREG section holds 15 registers, expected 16"}},
        {"CREG of one byte", section(0x0800, {9}), {"CREG section holds 0 registers, expected 16"}},
        {"CREG of 17 words reads the sum after 16",
         section(0x0800, wordsWithSum(std::vector<std::uint32_t>(17, 1))),
         {"CREG section checksum mismatch"}},
        {"CREG of 15 words, sum wrong",
         section(0x0800,
                 [] {
                     Bytes b = wordsWithSum(std::vector<std::uint32_t>(15, 7));
                     b.back() ^= 1;
                     return b;
                 }()),
         {"CREG section holds 15 registers, expected 16", "CREG section checksum mismatch"}},
        {"CREG of 16 words", section(0x0800, wordsWithSum(creg16)), {}},
        {"SFR of 47 bytes",
         section(0x1000, Bytes(47, 0xFF)),
         {"SFR section is shorter than the fixed 48 bytes; using defaults"}},
        {"SFR of 48 bytes, no sum test", section(0x1000, Bytes(48, 0xFF)), {}},
        {"SFR of 49 bytes, no sum test", section(0x1000, Bytes(49, 0xFF)), {}},
        {"SFR of 50 bytes, sum wrong",
         section(0x1000, Bytes(50, 0x00)) + record(0x1000, 0, {1}),
         {"SFR section checksum mismatch"}},
    };
    for (const auto& c : cases) {
        FXCoreProgram program;
        const auto result = load(program, c.sections + kOneWord + endRecord());
        EXPECT_TRUE(result.ok) << c.what;
        EXPECT_EQ(result.warnings, c.warnings) << c.what;
    }
}

TEST(FXCoreProgramLoad, RegisterValues) {
    FXCoreProgram program;
    std::vector<std::uint32_t> creg15(15);
    for (std::uint32_t i = 0; i < 15; ++i) creg15[i] = 100 + i;
    const auto result = load(program, section(0x0000, wordsWithSum({0xFFFFFFFFu, 0x40000000u})) +
                                          section(0x0800, wordsWithSum(creg15)) + kOneWord + endRecord());
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(program.presets.mreg[0], -1);
    EXPECT_EQ(program.presets.mreg[1], 0x40000000);
    EXPECT_EQ(program.presets.mreg[2], 0);
    EXPECT_EQ(program.presets.creg[0], 100);
    EXPECT_EQ(program.presets.creg[14], 114);
    EXPECT_EQ(program.presets.creg[15], 0);
}

TEST(FXCoreProgramLoad, SfrBlockFields) {
    Bytes block;
    // Shifts 0, 31, 1, 2, 3, 4 and both top bits set (ignored).
    appendLe32(block, 0u | (31u << 5) | (1u << 10) | (2u << 15) | (3u << 20) | (4u << 25) | (3u << 30));
    for (std::uint32_t k = 0; k < 6; ++k) appendLe32(block, 0xFFFFFFF0u + k);  // rates -16 .. -11
    appendLe32(block, 1000);                                                   // tap maximum interval
    appendLe32(block, 0x80000000u);                                            // tap interval
    appendLe16(block, 65535);                                                  // long press
    appendLe16(block, 1);                                                      // tap debounce
    appendLe16(block, 40000);                                                  // switch debounce
    appendLe16(block, 2400);
    appendLe16(block, 960);
    block.push_back(0xFE);  // user out 0 off, 1 on; bits 2-7 ignored
    block.push_back(0x77);
    std::uint32_t sum = 0;
    for (std::uint8_t b : block) sum += b;
    appendLe16(block, sum);
    FXCoreProgram program;
    const auto result = load(program, section(0x1000, block) + kOneWord + endRecord());
    ASSERT_TRUE(result.ok);
    EXPECT_TRUE(result.warnings.empty());
    const auto& p = program.presets;
    const int shifts[6] = {0, 31, 1, 2, 3, 4};
    for (std::size_t k = 0; k < 6; ++k) {
        EXPECT_EQ(p.sfr[10 + k], shifts[k]);
        EXPECT_EQ(p.sfr[28 + k], -16 + static_cast<int>(k));
    }
    EXPECT_EQ(p.sfr[44], 1000);
    EXPECT_EQ(p.sfr[45], INT32_MIN);
    EXPECT_EQ(p.tapLongPressSamples, 65535);
    EXPECT_EQ(p.tapDebounceSamples, 1);
    EXPECT_EQ(p.switchDebounceSamples, 40000);
    EXPECT_EQ(p.userOutInitial[0], 0);
    EXPECT_EQ(p.userOutInitial[1], 1);
    for (std::size_t k :
         {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 16u, 21u, 22u, 27u, 34u, 43u, 46u, 47u, 48u}) {
        EXPECT_EQ(p.sfr[k], 0) << "SFR " << k;
    }
}

TEST(FXCoreProgramLoad, ShortSfrKeepsDefaults) {
    FXCoreProgram program;
    const auto result = load(program, section(0x1000, Bytes(47, 0x11)) + kOneWord + endRecord());
    ASSERT_TRUE(result.ok);
    EXPECT_TRUE(presetsEqual(program.presets, FXCoreProgram::defaultPresets()));
}

TEST(FXCoreProgramLoad, ProgramWordCounts) {
    {
        FXCoreProgram program;
        ASSERT_TRUE(load(program, section(0x1800, wordsWithSum({0xAABBCCDDu})) + endRecord()).ok);
        EXPECT_EQ(program.words, std::vector<std::uint32_t>{0xAABBCCDDu});
    }
    {
        // 1025 words: 1024 kept, the sum read from 0x2800-0x2801 (word 1024's low half).
        std::vector<std::uint32_t> words(1025);
        for (std::uint32_t i = 0; i < 1025; ++i) words[i] = i + 1;
        FXCoreProgram program;
        const auto result = load(program, section(0x1800, wordsWithSum(words)) + endRecord());
        ASSERT_TRUE(result.ok);
        EXPECT_EQ(result.warnings, std::vector<std::string>{"PRG section checksum mismatch"});
        ASSERT_EQ(program.words.size(), 1024u);
        EXPECT_EQ(program.words.back(), 1024u);
    }
    {
        FXCoreProgram program;
        Bytes prg = wordsWithSum({1, 2});
        prg[8] ^= 0xFF;
        const auto result = load(program, section(0x1800, prg) + endRecord());
        ASSERT_TRUE(result.ok);
        EXPECT_EQ(result.warnings, std::vector<std::string>{"PRG section checksum mismatch"});
        EXPECT_EQ(program.words, (std::vector<std::uint32_t>{1, 2}));
    }
}

TEST(FXCoreProgramLoad, WarningsComeInTheirOrder) {
    FXCoreProgram program;
    const std::string text = section(0x0000, {1, 0, 0, 0, 9, 9}) + section(0x0800, {1, 0, 0, 0, 9, 9}) +
                             section(0x1000, Bytes(50, 1)) + section(0x1800, {1, 0, 0, 0, 9, 9});
    const auto result = load(program, text);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.warnings, (std::vector<std::string>{
                                   "No end-of-file record; the HEX may be truncated",
                                   "MREG section checksum mismatch",
                                   "CREG section holds 1 registers, expected 16",
                                   "CREG section checksum mismatch",
                                   "SFR section checksum mismatch",
                                   "PRG section checksum mismatch",
                               }));
}

TEST(FXCoreProgramLoad, ReloadStartsFromScratch) {
    FXCoreProgram program;
    ASSERT_TRUE(
        load(program, section(0x0800, wordsWithSum(std::vector<std::uint32_t>(16, 3))) + kOneWord).ok);
    EXPECT_EQ(program.presets.creg[0], 3);
    const auto result = load(program, ":00000001FE");
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(program.words.empty());
    EXPECT_EQ(program.presets.creg[0], 0);
}

}  // namespace
}  // namespace fxcore
