// loadFromFile: raw reading, the unopenable path and naming after the file.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fxcore/FXCoreProgram.h"

namespace fxcore {
namespace {

// CR LF line ends must reach the loader untranslated: the bad second record is on line 3.
const std::string kProgram = ":06180000785634121401B9\r\n:00000001FF\r\n";

class FXCoreProgramFile : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/fxcoreprogramXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        for (const auto& path : written_) std::remove(path.c_str());
        std::remove(dir_.c_str());
    }
    std::string write(const std::string& fileName, const std::string& text) {
        const std::string path = dir_ + "/" + fileName;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        if (f) {
            std::fwrite(text.data(), 1, text.size(), f);
            std::fclose(f);
        }
        written_.push_back(path);
        return path;
    }
    std::string dir_;
    std::vector<std::string> written_;
};

TEST_F(FXCoreProgramFile, NamesAnUnnamedProgramAfterTheFile) {
    struct Case {
        const char* fileName;
        const char* name;
    };
    const Case cases[] = {
        {"delay.hex", "delay"}, {"my.chorus.v2.hex", "my.chorus.v2"}, {"plain", "plain"},
        {".hex", ""},           {"back\\slash.hex", "slash"},
    };
    for (const auto& c : cases) {
        FXCoreProgram program;
        const auto result = program.loadFromFile(write(c.fileName, kProgram));
        EXPECT_TRUE(result.ok) << c.fileName;
        EXPECT_TRUE(result.warnings.empty()) << c.fileName;
        EXPECT_EQ(program.name, c.name) << c.fileName;
        EXPECT_EQ(program.words, std::vector<std::uint32_t>{0x12345678u});
    }
}

TEST_F(FXCoreProgramFile, KeepsAnExistingName) {
    FXCoreProgram program;
    program.name = "Mine";
    EXPECT_TRUE(program.loadFromFile(write("other.hex", kProgram)).ok);
    EXPECT_EQ(program.name, "Mine");
}

TEST_F(FXCoreProgramFile, ReadsLineEndsUntranslated) {
    FXCoreProgram program;
    const auto result = program.loadFromFile(write("bad.hex", ":06180000785634121401B9\r\n:00000001FE\r\n"));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "Line 3: record checksum mismatch");
    EXPECT_EQ(program.name, "");
}

TEST_F(FXCoreProgramFile, UnopenablePathLeavesTheProgramAsItWas) {
    FXCoreProgram program;
    ASSERT_TRUE(program.loadFromText(kProgram).ok);
    for (const std::string& path : {dir_ + "/missing.hex", dir_}) {
        const auto result = program.loadFromFile(path);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error, "Could not open " + path);
        EXPECT_TRUE(result.warnings.empty());
        EXPECT_EQ(program.words, std::vector<std::uint32_t>{0x12345678u});
        EXPECT_EQ(program.name, "");
    }
}

}  // namespace
}  // namespace fxcore
