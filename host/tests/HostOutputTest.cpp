// Where the render's output and its saved state go when the name given is not
// a plain new file: a regular file is replaced whole and keeps its mode, a
// symbolic link is written through and stays a link, and what is not a
// regular file (a FIFO, the standard output on a pipe) is written into, the same
// bytes a plain file would get.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "HostTestSupport.h"

namespace fxcorehost::test {
namespace {

enum class Kind { PrivateFile, LinkToAFile, LinkToANewName, Fifo, StdoutPipe };

struct TargetCase {
    const char* label;
    Kind kind;
};

void PrintTo(const TargetCase& c, std::ostream* os) {
    *os << c.label;
}

const TargetCase kTargets[] = {
    {"private_file", Kind::PrivateFile},
    {"symlink_to_a_file", Kind::LinkToAFile},
    {"symlink_to_a_new_name", Kind::LinkToANewName},
    {"fifo", Kind::Fifo},
    {"stdout_on_a_pipe", Kind::StdoutPipe},
};

bool isLink(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool isFifo(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

unsigned modeOf(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0u;
}

// One render with the output (or the state, when forState) going to a target
// of the case's kind; the bytes it wrote there must be those of the same
// render into plain new files.
void renderInto(const TargetCase& c, bool forState) {
    ScratchDir dir;
    ASSERT_TRUE(writeWav(dir.path("in.wav"), testSignal(48000, 0.3), true));
    const auto args = [&](const std::string& out, const std::string& state) {
        return std::vector<std::string>{"render",     "--mode",           "2", "--state-out", state,
                                        pluginPath(), dir.path("in.wav"), out};
    };
    const RunResult plain = runHost(args(dir.path("plain.wav"), dir.path("plain.fxc1")));
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    const std::string expected = readText(dir.path(forState ? "plain.fxc1" : "plain.wav"));
    ASSERT_GT(expected.size(), 16u);

    // The name given, and the file that ends up with the bytes.
    const std::string name = dir.path(forState ? "target.fxc1" : "target.wav");
    std::string given = name;
    std::string holder = name;
    switch (c.kind) {
    case Kind::PrivateFile:
        std::ofstream(name) << "older take\n";
        ASSERT_EQ(chmod(name.c_str(), 0600), 0);
        break;
    case Kind::LinkToAFile:
        holder = dir.path("real");
        std::ofstream(holder) << "older take\n";
        ASSERT_EQ(chmod(holder.c_str(), 0640), 0);
        ASSERT_EQ(symlink("real", name.c_str()), 0);
        break;
    case Kind::LinkToANewName:
        holder = dir.path("new");
        ASSERT_EQ(symlink("new", name.c_str()), 0);
        break;
    case Kind::Fifo:
        ASSERT_EQ(mkfifo(name.c_str(), 0600), 0);
        holder = dir.path("read-from-fifo");
        break;
    case Kind::StdoutPipe:
        // What /dev/stdout links to: the same for the host, but a host that
        // renamed a file over the name given fails here instead of replacing
        // the system's /dev/stdout (when the tests run as root).
        given = "/proc/self/fd/1";
        holder = dir.path("read-from-pipe");
        break;
    }
    const std::vector<std::string> renderArgs =
        forState ? args(dir.path("out.wav"), given) : args(given, dir.path("out.fxc1"));
    ScratchDir capture;
    RunResult run;
    if (c.kind == Kind::StdoutPipe) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        std::string piped;
        std::thread reader([&] {
            char buffer[65536];
            ssize_t n = 0;
            while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
                piped.append(buffer, static_cast<std::size_t>(n));
        });
        const int pid = startHost(renderArgs, fds[1], capture.path("err"));
        close(fds[1]);  // the host holds the only writer: its end is the reader's end of file
        run.exitCode = waitHost(pid);
        reader.join();
        close(fds[0]);
        std::ofstream(holder, std::ios::binary) << piped;
    } else {
        const int reader = c.kind == Kind::Fifo ? startFifoReader(name, holder) : -1;
        const int pid = startHost(renderArgs, capture.path("out"), capture.path("err"));
        run.exitCode = waitHost(pid);
        finishFifoReader(reader, run.exitCode == 0 && isFifo(name));
        run.out = readText(capture.path("out"));
    }
    run.err = readText(capture.path("err"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(readText(holder) == expected) << "the bytes differ from a plain file's";

    switch (c.kind) {
    case Kind::PrivateFile: EXPECT_EQ(modeOf(name), 0600u) << "the mode of the file replaced"; break;
    case Kind::LinkToAFile:
        EXPECT_TRUE(isLink(name));
        EXPECT_EQ(modeOf(holder), 0640u);
        break;
    case Kind::LinkToANewName: EXPECT_TRUE(isLink(name)); break;
    case Kind::Fifo: EXPECT_TRUE(isFifo(name)) << "the FIFO was replaced"; break;
    case Kind::StdoutPipe:
        // The summary line moves to stderr, out of the bytes on stdout.
        EXPECT_NE(run.err.find("wrote "), std::string::npos) << run.err;
        break;
    }
    // Nothing left beside the target but what the case made.
    for (const auto& entry : dir.entries()) EXPECT_EQ(entry.find(".part-"), std::string::npos) << entry;
}

class HostOutputTarget : public ::testing::TestWithParam<TargetCase> {};

TEST_P(HostOutputTarget, RenderOutputGoesWhereTheNameLeads) {
    renderInto(GetParam(), false);
}

TEST_P(HostOutputTarget, StateOutGoesWhereTheNameLeads) {
    renderInto(GetParam(), true);
}

INSTANTIATE_TEST_SUITE_P(Kinds, HostOutputTarget, ::testing::ValuesIn(kTargets),
                         [](const auto& row) { return std::string(row.param.label); });

}  // namespace
}  // namespace fxcorehost::test
