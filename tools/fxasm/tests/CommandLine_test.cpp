// The fxasm command: output file only on success, errors as file:line: message.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "fxcore/FXCoreProgram.h"

namespace {

class FxasmCommand : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/fxasmXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    void write(const std::string& name, const std::string& text) const { std::ofstream(path(name)) << text; }
    static std::string read(const std::string& file) {
        std::ifstream in(file);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Runs fxasm with arguments; returns its exit status, stderr in err.
    int run(const std::string& arguments, std::string& err) const {
        const std::string command = std::string(FXASM_PATH) + " " + arguments + " >'" + path("stdout") +
                                    "' 2>'" + path("stderr") + "'";
        const int status = std::system(command.c_str());
        err = read(path("stderr"));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string dir_;
};

TEST_F(FxasmCommand, AssemblesAndDisassembles) {
    write("delay.fxasm",
          ".region line, 101\nLoadSfr r0, in0\nWriteDelay r0, line\nReadDelay r1, line[100]\n"
          "StoreSfr r1, out0\n");
    std::string err;
    ASSERT_EQ(run(path("delay.fxasm") + " -o " + path("delay.hex"), err), 0) << err;
    EXPECT_EQ(err, "");
    fxcore::FXCoreProgram program;
    const auto result = program.loadFromFile(path("delay.hex"));
    ASSERT_TRUE(result.ok);
    EXPECT_TRUE(result.warnings.empty());
    EXPECT_EQ(program.words,
              (std::vector<std::uint32_t>{0x64000000u, 0x8A000000u, 0x88010064u, 0x68010004u}));

    ASSERT_EQ(run("--disassemble " + path("delay.hex"), err), 0) << err;
    const std::string listing = read(path("stdout"));
    EXPECT_NE(listing.find("ReadDelay r1, 100"), std::string::npos) << listing;
    EXPECT_NE(listing.find("StoreSfr r1, out0"), std::string::npos) << listing;
}

TEST_F(FxasmCommand, ErrorsWriteNoOutput) {
    write("bad.fxasm", "Abs r0\nJump back\nFoo\n");
    std::string err;
    EXPECT_EQ(run(path("bad.fxasm") + " -o " + path("bad.hex"), err), 1);
    EXPECT_EQ(err, path("bad.fxasm") + ":2: Jump operand 1: undefined label 'back'\n" + path("bad.fxasm") +
                       ":3: unknown mnemonic 'Foo'\n");
    EXPECT_FALSE(std::ifstream(path("bad.hex")).good());
    EXPECT_FALSE(std::ifstream(path("bad.hex.tmp")).good());
}

TEST_F(FxasmCommand, DeepNestingIsAnErrorOnItsLine) {
    write("deep.fxasm",
          "Abs r0\nAddImm r0, " + std::string(1000000, '(') + "1" + std::string(1000000, ')') + "\n");
    std::string err;
    EXPECT_EQ(run(path("deep.fxasm") + " -o " + path("deep.hex"), err), 1);
    EXPECT_EQ(err, path("deep.fxasm") +
                       ":2: AddImm operand 2: expression nested too deeply (more than 256 levels)\n");
    EXPECT_FALSE(std::ifstream(path("deep.hex")).good());
}

TEST_F(FxasmCommand, UnreadableInputsAndUsage) {
    std::string err;
    EXPECT_EQ(run(path("missing.fxasm") + " -o " + path("out.hex"), err), 1);
    EXPECT_EQ(err, path("missing.fxasm") + ": cannot read the file\n");
    write("broken.hex", ":00000001FE\n");
    EXPECT_EQ(run("--disassemble " + path("broken.hex"), err), 1);
    EXPECT_EQ(err, path("broken.hex") + ": Line 1: record checksum mismatch\n");
    EXPECT_EQ(run("", err), 2);
    EXPECT_NE(err.find("usage:"), std::string::npos);
}

}  // namespace
