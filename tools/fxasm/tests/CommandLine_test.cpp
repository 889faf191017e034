// The fxasm command: output file only on success, errors as file:line: message.

#include <fcntl.h>
#include <spawn.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "fxcore/FXCoreProgram.h"

extern char** environ;

namespace {

class FxasmCommand : public ::testing::Test {
public:
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
    // stdout goes to the file "stdout" unless the arguments send it elsewhere.
    // prefix comes before the command (a `timeout`).
    int run(const std::string& arguments, std::string& err, const std::string& stdoutTo = "",
            const std::string& prefix = "") const {
        const std::string command = prefix + FXASM_PATH + " " + arguments + " 2>'" + path("stderr") + "'" +
                                    (stdoutTo.empty() ? " >'" + path("stdout") + "'" : " " + stdoutTo);
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
    EXPECT_EQ(err, path("missing.fxasm") + ": cannot read the file: No such file or directory\n");
    write("broken.hex", ":00000001FE\n");
    EXPECT_EQ(run("--disassemble " + path("broken.hex"), err), 1);
    EXPECT_EQ(err, path("broken.hex") + ": Line 1: record checksum mismatch\n");
    EXPECT_EQ(run("", err), 2);
    EXPECT_NE(err.find("usage:"), std::string::npos);
}


constexpr const char* kProgram = "LoadSfr r0, in0\nStoreSfr r0, out0\n";

// What is not a regular file is written directly and stays what it was; a
// symbolic link is written through and stays a link; a file replaced keeps
// its mode; and fxasm's temporary file is a name of its own, never the
// user's OUT.tmp (a file, or a link to another file).
TEST_F(FxasmCommand, OutputsThatAreNotPlainNewFiles) {
    write("prog.fxasm", kProgram);
    std::string err;
    ASSERT_EQ(run(path("prog.fxasm") + " -o " + path("plain.hex"), err), 0) << err;
    const std::string hex = read(path("plain.hex"));
    ASSERT_NE(hex.find(":00000001FF"), std::string::npos) << hex;

    const auto isLink = [&](const std::string& name) {
        struct stat st {};
        return lstat(path(name).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    };
    const auto modeOf = [&](const std::string& name) {
        struct stat st {};
        return stat(path(name).c_str(), &st) == 0 ? st.st_mode & 07777 : 0u;
    };
    const struct {
        const char* label;
        void (*setUp)(const FxasmCommand& t);
        const char* target;     // -o
        const char* holdsHex;   // the file that ends up with the HEX text
        const char* untouched;  // a file that must keep "mine\n", or ""
    } cases[] = {
        {"symlink_to_a_file",
         [](const FxasmCommand& t) {
             t.write("real.hex", "old\n");
             symlink("real.hex", t.path("link.hex").c_str());
         },
         "link.hex", "real.hex", ""},
        {"symlink_to_a_new_name",
         [](const FxasmCommand& t) { symlink("new.hex", t.path("dangling.hex").c_str()); }, "dangling.hex",
         "new.hex", ""},
        {"private_file",
         [](const FxasmCommand& t) {
             t.write("private.hex", "old\n");
             chmod(t.path("private.hex").c_str(), 0600);
         },
         "private.hex", "private.hex", ""},
        {"users_tmp_file", [](const FxasmCommand& t) { t.write("out.hex.tmp", "mine\n"); }, "out.hex",
         "out.hex", "out.hex.tmp"},
        {"users_tmp_link",
         [](const FxasmCommand& t) {
             t.write("victim", "mine\n");
             symlink("victim", t.path("out2.hex.tmp").c_str());
         },
         "out2.hex", "out2.hex", "victim"},
    };
    for (const auto& c : cases) {
        c.setUp(*this);
        ASSERT_EQ(run(path("prog.fxasm") + " -o " + path(c.target), err), 0) << c.label << ": " << err;
        EXPECT_EQ(read(path(c.holdsHex)), hex) << c.label;
        if (std::string(c.target) != c.holdsHex) {
            EXPECT_TRUE(isLink(c.target)) << c.label;
        }
        if (*c.untouched) {
            EXPECT_EQ(read(path(c.untouched)), "mine\n") << c.label;
        }
    }
    EXPECT_EQ(modeOf("private.hex"), 0600u);
    EXPECT_TRUE(isLink("out2.hex.tmp"));

    // A FIFO read by another process, and the standard output as a pipe.
    // The reader is a process of its own (cat), ended if fxasm never opens the FIFO.
    ASSERT_EQ(mkfifo(path("fifo.hex").c_str(), 0600), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, path("from-fifo").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    const std::string fifo = path("fifo.hex");
    const char* argv[] = {"cat", fifo.c_str(), nullptr};
    pid_t reader = 0;
    ASSERT_EQ(posix_spawnp(&reader, "cat", &actions, nullptr, const_cast<char* const*>(argv), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    const int status = run(path("prog.fxasm") + " -o " + fifo, err);
    struct stat st {};
    const bool stillFifo = lstat(fifo.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
    if (status != 0 || !stillFifo) kill(reader, SIGKILL);
    waitpid(reader, nullptr, 0);
    EXPECT_EQ(status, 0) << err;
    EXPECT_TRUE(stillFifo) << "the FIFO was replaced";
    EXPECT_EQ(read(path("from-fifo")), hex);
    // /proc/self/fd/1 is what /dev/stdout links to; an fxasm that renamed a
    // file over the name would fail on it rather than replace /dev/stdout.
    ASSERT_EQ(run(path("prog.fxasm") + " -o /proc/self/fd/1", err, "| cat >'" + path("piped.hex") + "'"), 0)
        << err;
    EXPECT_EQ(read(path("piped.hex")), hex);
}

// -o naming the input itself (by another spelling, a symbolic or a hard link)
// is refused and leaves the source as it was.
TEST_F(FxasmCommand, OutputThatIsTheInputIsRefused) {
    write("prog.fxasm", kProgram);
    ASSERT_EQ(symlink("prog.fxasm", path("soft.hex").c_str()), 0);
    ASSERT_EQ(link(path("prog.fxasm").c_str(), path("hard.hex").c_str()), 0);
    for (const std::string& target :
         {path("prog.fxasm"), dir_ + "/./prog.fxasm", path("soft.hex"), path("hard.hex")}) {
        std::string err;
        EXPECT_EQ(run(path("prog.fxasm") + " -o " + target, err), 1) << target;
        EXPECT_EQ(err, target + ": the output is the input file; give them different names\n");
        EXPECT_EQ(read(path("prog.fxasm")), kProgram) << target;
    }
}

// Inputs that are not regular files are refused at once (a FIFO would block
// for ever), and every file error names its cause.
TEST_F(FxasmCommand, FileErrorsNameTheirCause) {
    ASSERT_EQ(mkfifo(path("fifo.fxasm").c_str(), 0600), 0);
    ASSERT_EQ(mkdir(path("folder.fxasm").c_str(), 0700), 0);
    write("prog.fxasm", kProgram);
    const struct {
        std::string arguments;
        std::string message;
    } cases[] = {
        {path("fifo.fxasm") + " -o " + path("a.hex"),
         path("fifo.fxasm") + ": cannot read the file: it is not a regular file"},
        {"--disassemble " + path("fifo.fxasm"),
         path("fifo.fxasm") + ": cannot read the file: it is not a regular file"},
        {path("folder.fxasm") + " -o " + path("a.hex"),
         path("folder.fxasm") + ": cannot read the file: it is a folder"},
        {path("prog.fxasm") + " -o " + path("none/a.hex"),
         path("none/a.hex") + ": cannot write the file: No such file or directory"},
        {path("prog.fxasm") + " -o " + path("folder.fxasm"),
         path("folder.fxasm") + ": cannot write the file: it is a folder"},
    };
    for (const auto& c : cases) {
        std::string err;
        // A run that blocks (on the FIFO) is ended after a minute rather than hanging the suite.
        EXPECT_EQ(run(c.arguments, err, "", "timeout 60 "), 1) << c.arguments;
        EXPECT_EQ(err, c.message + "\n");
    }
    EXPECT_FALSE(std::ifstream(path("a.hex")).good());
}

}  // namespace
