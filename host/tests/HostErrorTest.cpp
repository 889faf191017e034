// Every way a render can be asked wrongly: a non-zero exit, one line on
// stderr that names the problem, and no output file (nor a leftover
// temporary one); a file already at the output's name stays as it was.

#include <gtest/gtest.h>

#include <elf.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "HostTestSupport.h"

namespace fxcorehost::test {
namespace {

constexpr int kRuntimeError = 1;
constexpr int kUsageError = 2;

struct ErrorCase {
    const char* label;
    // {clap}, {in}, {out}, {dir}, {notclap} and {hex0} (KAVRO's HEX text as
    // kavro.hex) are replaced by paths.
    std::vector<std::string> args;
    int exitCode;
    const char* message;  // must appear in the one line
};

void PrintTo(const ErrorCase& c, std::ostream* os) {
    *os << c.label;
}

const std::vector<ErrorCase>& errorCases() {
    static const std::vector<ErrorCase> cases = {
        {"missing_input",
         {"render", "{clap}", "{dir}/nope.wav", "{out}"},
         kRuntimeError,
         "cannot open input '{dir}/nope.wav': No such file or directory"},
        {"input_not_audio",
         {"render", "{clap}", "{dir}/text.wav", "{out}"},
         kRuntimeError,
         "cannot read input '{dir}/text.wav'"},
        {"input_is_folder", {"render", "{clap}", "{dir}", "{out}"}, kRuntimeError, "it is a folder"},
        {"three_channel_input",
         {"render", "{clap}", "{dir}/three.wav", "{out}"},
         kRuntimeError,
         "the input has 3 channels; the plug-in's input takes 2"},
        {"missing_plugin",
         {"render", "{dir}/nope.clap", "{in}", "{out}"},
         kRuntimeError,
         "cannot open plug-in '{dir}/nope.clap': No such file or directory"},
        {"plugin_is_text",
         {"render", "{dir}/text.clap", "{in}", "{out}"},
         kRuntimeError,
         "'{dir}/text.clap' is not a CLAP plug-in"},
        {"library_without_entry",
         {"render", "{notclap}", "{in}", "{out}"},
         kRuntimeError,
         "is not a CLAP plug-in: it exports no clap_entry"},
        {"info_of_text", {"info", "{dir}/text.clap"}, kRuntimeError, "is not a CLAP plug-in"},
        {"unknown_plugin_id",
         {"render", "--plugin-id", "com.example.nope", "{clap}", "{in}", "{out}"},
         kRuntimeError,
         "has no plug-in with id 'com.example.nope' (it has: "},
        {"unknown_param_name",
         {"render", "--param", "LOUDNESS=1", "{clap}", "{in}", "{out}"},
         kRuntimeError,
         "unknown parameter 'LOUDNESS'"},
        {"unknown_param_id",
         {"render", "--param", "999=1", "{clap}", "{in}", "{out}"},
         kRuntimeError,
         "unknown parameter '999'"},
        {"param_value_text",
         {"render", "--param", "ONE=loud", "{clap}", "{in}", "{out}"},
         kRuntimeError,
         "parameter 100 (ONE): cannot read the value 'loud'"},
        {"param_out_of_range",
         {"render", "--param", "ONE=1.5", "{clap}", "{in}", "{out}"},
         kRuntimeError,
         "parameter 100 (ONE): value 1.5 is outside its range 0 to 1"},
        {"param_without_value",
         {"render", "--param", "ONE", "{clap}", "{in}", "{out}"},
         kUsageError,
         "--param ONE: expected ID=VALUE"},
        {"mode_out_of_range",
         {"render", "--mode", "9", "{clap}", "{in}", "{out}"},
         kRuntimeError,
         "--mode 9: parameter 402 (Mode): value 9 is outside its range 0 to 7"},
        {"mode_unknown_name",
         {"render", "--mode", "two", "{clap}", "{in}", "{out}"},
         kRuntimeError,
         "--mode two: parameter 402 (Mode): cannot read the value 'two' (a number from 0 to 7, or one of "
         "0: mp-corlinde-jr_0 (KAVRO), 1: mp-corlinde-jr_1 (DRISK), 2: mp-corlinde-jr_2 (VESTRA))"},
        // The custom program's bank has one mode, named after the program.
        {"mode_name_of_another_bank",
         {"render", "--program", "{hex0}", "--mode", "VESTRA", "{clap}", "{in}", "{out}"},
         kRuntimeError,
         "(a number from 0 to 7, or one of 0: kavro)"},
        {"program_missing",
         {"render", "--program", "{dir}/nope.hex", "{clap}", "{in}", "{out}"},
         kRuntimeError,
         "--program '{dir}/nope.hex': No such file or directory"},
        {"program_is_folder",
         {"render", "--program", "{dir}", "{clap}", "{in}", "{out}"},
         kRuntimeError,
         "--program '{dir}': not a regular file"},
        {"program_is_binary",
         {"render", "--program", "{notclap}", "{clap}", "{in}", "{out}"},
         kRuntimeError,
         "--program '{notclap}': not a text file (byte 0x02 at offset 4)"},
        {"program_is_empty",
         {"render", "--program", "{dir}/empty.hex", "{clap}", "{in}", "{out}"},
         kRuntimeError,
         "--program '{dir}/empty.hex': the file is empty"},
        {"output_is_program",
         {"render", "--program", "{hex0}", "{clap}", "{in}", "{dir}/./kavro.hex"},
         kRuntimeError,
         "the output '{dir}/./kavro.hex' is the --program file"},
        {"state_out_is_program",
         {"render", "--program", "{hex0}", "--state-out", "{hex0}", "{clap}", "{in}", "{out}"},
         kRuntimeError,
         "--state-out '{hex0}' is the --program file"},
        {"program_is_not_hex",
         {"render", "--program", "{dir}/text.wav", "{clap}", "{in}", "{out}"},
         kRuntimeError,
         "--program '{dir}/text.wav': the plug-in did not load the program"},
        {"block_zero",
         {"render", "--block", "0", "{clap}", "{in}", "{out}"},
         kUsageError,
         "--block 0: expected a frame count from 1 to"},
        {"block_text", {"render", "--block=big", "{clap}", "{in}", "{out}"}, kUsageError, "--block big"},
        {"midi_cc_controller",
         {"render", "--midi-cc", "0.1:200:5", "{clap}", "{in}", "{out}"},
         kUsageError,
         "--midi-cc 0.1:200:5: expected SECONDS:CC:VALUE"},
        {"midi_cc_shape",
         {"render", "--midi-cc", "0.1:50", "{clap}", "{in}", "{out}"},
         kUsageError,
         "--midi-cc 0.1:50"},
        {"midi_cc_past_end",
         {"render", "--midi-cc", "9:50:64", "{clap}", "{in}", "{out}"},
         kRuntimeError,
         "--midi-cc 9.000: the time is past the end of the input (0.500 s)"},
        {"press_negative",
         {"render", "--press", "-1", "{clap}", "{in}", "{out}"},
         kUsageError,
         "--press -1: expected a time in seconds"},
        {"press_past_end",
         {"render", "--press", "0.5", "{clap}", "{in}", "{out}"},
         kRuntimeError,
         "--press 0.500: the time is past the end"},
        {"unknown_option",
         {"render", "--loud", "{clap}", "{in}", "{out}"},
         kUsageError,
         "unknown option --loud"},
        {"missing_output",
         {"render", "{clap}", "{in}"},
         kUsageError,
         "render takes a plug-in file, an input and an output"},
        {"unknown_command", {"play", "{clap}"}, kUsageError, "unknown command 'play'"},
        {"state_in_missing",
         {"render", "--state-in", "{dir}/nope.bin", "{clap}", "{in}", "{out}"},
         kRuntimeError,
         "cannot open '{dir}/nope.bin': No such file or directory"},
        {"state_in_refused",
         {"render", "--state-in", "{dir}/text.wav", "{clap}", "{in}", "{out}"},
         kRuntimeError,
         "the plug-in refused the state in '{dir}/text.wav'"},
        {"output_folder_missing",
         {"render", "{clap}", "{in}", "{dir}/no/such/out.wav"},
         kRuntimeError,
         "cannot write '{dir}/no/such/out.wav': No such file or directory"},
        {"output_type_unknown",
         {"render", "{clap}", "{in}", "{dir}/out.xyz"},
         kRuntimeError,
         "unknown audio file type '.xyz'"},
        {"state_out_folder_missing",
         {"render", "--state-out", "{dir}/no/state.bin", "{clap}", "{in}", "{out}"},
         kRuntimeError,
         "cannot write '{dir}/no/state.bin'"},
        {"input_is_fifo",
         {"render", "{clap}", "{dir}/fifo.wav", "{out}"},
         kRuntimeError,
         "cannot read input '{dir}/fifo.wav': it is not a regular file"},
        // A state file that is also the output or the input, by name or by identity.
        {"state_out_is_output",
         {"render", "--state-out", "{out}", "{clap}", "{in}", "{out}"},
         kRuntimeError,
         "--state-out '{out}' is the output file"},
        {"state_out_is_output_spelt_otherwise",
         {"render", "--state-out", "{dir}/./out.wav", "{clap}", "{in}", "{out}"},
         kRuntimeError,
         "--state-out '{dir}/./out.wav' is the output file"},
        {"state_out_is_input",
         {"render", "--state-out", "{in}", "{clap}", "{in}", "{out}"},
         kRuntimeError,
         "--state-out '{in}' is the input file"},
        {"state_out_is_input_linked",
         {"render", "--state-out", "{dir}/linked.wav", "{clap}", "{in}", "{out}"},
         kRuntimeError,
         "--state-out '{dir}/linked.wav' is the input file"},
        {"state_in_is_output",
         {"render", "--state-in", "{dir}/text.wav", "{clap}", "{in}", "{dir}/text.wav"},
         kRuntimeError,
         "--state-in '{dir}/text.wav' is the output file"},
        // Files a render would replace with its output: the plug-in, the input.
        {"state_out_is_plugin",
         {"render", "--state-out", "{dir}/copy.clap", "{dir}/copy.clap", "{in}", "{out}"},
         kRuntimeError,
         "--state-out '{dir}/copy.clap' is the plug-in file"},
        {"state_out_is_plugin_through_a_symlink",
         {"render", "--state-out", "{dir}/clap.link", "{dir}/copy.clap", "{in}", "{out}"},
         kRuntimeError,
         "--state-out '{dir}/clap.link' is the plug-in file"},
        {"output_is_input",
         {"render", "{clap}", "{in}", "{in}"},
         kRuntimeError,
         "the output '{in}' is the input file"},
        {"output_is_input_through_a_symlink",
         {"render", "{clap}", "{in}", "{dir}/in.link.wav"},
         kRuntimeError,
         "the output '{dir}/in.link.wav' is the input file"},
        {"output_is_input_linked",
         {"render", "{clap}", "{dir}/linked.wav", "{in}"},
         kRuntimeError,
         "the output '{in}' is the input file"},
        {"output_is_plugin",
         {"render", "{dir}/copy.clap", "{in}", "{dir}/copy.clap"},
         kRuntimeError,
         "the output '{dir}/copy.clap' is the plug-in file"},
        {"tail_negative",
         {"render", "--tail", "-1", "{clap}", "{in}", "{out}"},
         kUsageError,
         "--tail -1: expected a time in seconds from 0 to 86400"},
        {"tail_text", {"render", "--tail=long", "{clap}", "{in}", "{out}"}, kUsageError, "--tail long"},
    };
    return cases;
}

std::string substitute(std::string text, const ScratchDir& dir) {
    const std::pair<std::string, std::string> keys[] = {
        {"{clap}", pluginPath()},       {"{notclap}", notAPluginPath()},   {"{in}", dir.path("in.wav")},
        {"{out}", dir.path("out.wav")}, {"{hex0}", dir.path("kavro.hex")}, {"{dir}", dir.root()}};
    for (const auto& [key, value] : keys)
        for (auto at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
            text.replace(at, key.size(), value);
    return text;
}

class HostErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(HostErrorTest, ExitsNonZeroWithOneLineAndNoOutput) {
    const ErrorCase& c = GetParam();
    ScratchDir dir;
    ASSERT_TRUE(writeWav(dir.path("in.wav"), testSignal(48000, 0.5)));
    ASSERT_TRUE(writeWav(dir.path("three.wav"), testSignal(48000, 0.1, 3)));
    for (const char* name : {"text.wav", "text.clap"})
        std::ofstream(dir.path(name)) << "not audio, not code\n";
    ASSERT_EQ(mkfifo(dir.path("fifo.wav").c_str(), 0600), 0);
    ASSERT_EQ(link(dir.path("in.wav").c_str(), dir.path("linked.wav").c_str()), 0);
    ASSERT_EQ(symlink("in.wav", dir.path("in.link.wav").c_str()), 0);
    std::ofstream(dir.path("copy.clap"), std::ios::binary) << readText(pluginPath());
    ASSERT_EQ(symlink("copy.clap", dir.path("clap.link").c_str()), 0);
    std::ofstream(dir.path("kavro.hex"), std::ios::binary) << readText(firmwareHexPath(0));
    std::ofstream(dir.path("empty.hex"));
    const std::vector<std::string> before = dir.entries();
    const std::string inputBytes = readText(dir.path("in.wav"));
    const std::string pluginBytes = readText(dir.path("copy.clap"));

    std::vector<std::string> args;
    for (const auto& a : c.args) args.push_back(substitute(a, dir));
    const RunResult run = runHost(args);

    EXPECT_EQ(run.exitCode, c.exitCode);
    const std::string expected = substitute(c.message, dir);
    ASSERT_FALSE(run.err.empty());
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "more than one line:\n" << run.err;
    EXPECT_EQ(run.err.rfind("corlinde-host: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(expected), std::string::npos) << "expected: " << expected << "\ngot: " << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(dir.entries(), before) << "the failed run left or changed files";
    EXPECT_TRUE(readText(dir.path("in.wav")) == inputBytes) << "the input was replaced";
    EXPECT_TRUE(readText(dir.path("copy.clap")) == pluginBytes) << "the plug-in was replaced";
    EXPECT_TRUE(readText(dir.path("kavro.hex")) == readText(firmwareHexPath(0)))
        << "the program was replaced";
}

INSTANTIATE_TEST_SUITE_P(Cases, HostErrorTest, ::testing::ValuesIn(errorCases()),
                         [](const auto& row) { return std::string(row.param.label); });

// A render that fails after the output was begun keeps an older file of the
// same name as it was.
TEST(HostErrorOutputTest, FailedRenderKeepsAnExistingOutput) {
    ScratchDir dir;
    ASSERT_TRUE(writeWav(dir.path("in.wav"), testSignal(48000, 0.5)));
    std::ofstream(dir.path("out.wav")) << "previous take\n";
    const RunResult run = runHost({"render", "--state-out", dir.path("missing/state.bin"), pluginPath(),
                                   dir.path("in.wav"), dir.path("out.wav")});
    EXPECT_EQ(run.exitCode, kRuntimeError);
    std::ifstream kept(dir.path("out.wav"));
    std::string text;
    std::getline(kept, text);
    EXPECT_EQ(text, "previous take");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"in.wav", "out.wav"}));
}

// A signal that ends the render in its middle removes the partly written
// output: Ctrl-C, and every other signal whose default is to end a process.
TEST(HostErrorOutputTest, InterruptedRenderLeavesNoFile) {
    ScratchDir dir;
    ASSERT_TRUE(writeWav(dir.path("in.wav"), testSignal(48000, 120.0)));
    const rlimit noCore{0, 0};  // SIGQUIT, SIGXCPU and SIGXFSZ would leave a core file
    ASSERT_EQ(setrlimit(RLIMIT_CORE, &noCore), 0);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGXCPU, SIGXFSZ,
                             SIGVTALRM, SIGPROF, SIGRTMIN}) {
        ScratchDir capture;
        // The temporary output's creation is the event to interrupt at.
        const int watch = inotify_init1(IN_CLOEXEC);
        ASSERT_GE(watch, 0);
        ASSERT_GE(inotify_add_watch(watch, dir.root().c_str(), IN_CREATE), 0);
        const int pid = startHost({"render", pluginPath(), dir.path("in.wav"), dir.path("out.wav")},
                                  capture.path("out"), capture.path("err"));
        ASSERT_GT(pid, 0);
        bool writing = false;
        alignas(inotify_event) char events[4096];
        pollfd ready{watch, POLLIN, 0};
        // A generous bound: the file appears within milliseconds of the start.
        while (!writing && poll(&ready, 1, 120000) == 1) {
            const ssize_t got = read(watch, events, sizeof events);
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(events + at);
                writing =
                    writing || (event->len > 0 && std::string(event->name).rfind(".out.wav.part-", 0) == 0);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        close(watch);
        ASSERT_TRUE(writing) << "no temporary output appeared";
        kill(pid, signal);
        EXPECT_EQ(waitHost(pid), 128 + signal) << "signal " << signal;
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"in.wav"}) << "signal " << signal;
    }
}

// The one line of a failed run that left nothing behind in dir but keep.
void expectOneLineFailure(const RunResult& run, const std::string& message, const ScratchDir& dir,
                          const std::vector<std::string>& keep, const std::string& label) {
    EXPECT_EQ(run.exitCode, kRuntimeError) << label;
    EXPECT_EQ(run.err.rfind("corlinde-host: ", 0), 0u) << label << ": " << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << label << ": more than one line:\n" << run.err;
    EXPECT_NE(run.err.find(message), std::string::npos)
        << label << ": expected " << message << "\ngot: " << run.err;
    EXPECT_EQ(dir.entries(), keep) << label << ": the failed run left files";
}

// A damaged plug-in file is refused with one line before dlopen maps it:
// mapping a file cut short kills the loader with SIGBUS.
TEST(HostErrorModuleTest, DamagedModulesAreRefusedBeforeLoading) {
    const std::string module = readText(pluginPath());
    ASSERT_GT(module.size(), 200000u);
    const auto patched = [&](std::size_t at, std::initializer_list<unsigned char> bytes) {
        std::string copy = module;
        for (const unsigned char b : bytes) copy[at++] = static_cast<char>(b);
        return copy;
    };
    const struct {
        const char* label;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"ident_only", module.substr(0, 16), "the file is cut short"},
        {"header_only", module.substr(0, 64), "the file is cut short"},
        {"first_kilobyte", module.substr(0, 1024), "the file is cut short"},
        {"first_half", module.substr(0, module.size() / 2), "the file is cut short"},
        {"all_but_the_last_byte", module.substr(0, module.size() - 1), "the file is cut short"},
        {"thirty_two_bit", patched(EI_CLASS, {ELFCLASS32}), "it is built for another processor (32-bit"},
        {"other_machine", patched(18, {EM_AARCH64, 0}),
         "it is built for another processor (ELF machine 183)"},
        {"executable", patched(16, {ET_EXEC, 0}), "it is not a shared library"},
        {"empty", "", "it is not an ELF shared library"},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        ASSERT_TRUE(writeWav(dir.path("in.wav"), testSignal(48000, 0.1)));
        std::ofstream(dir.path("bad.clap"), std::ios::binary) << c.bytes;
        const std::string expected = "'" + dir.path("bad.clap") + "' is not a CLAP plug-in: " + c.message;
        const std::vector<std::string> keep = {"bad.clap", "in.wav"};
        expectOneLineFailure(runHost({"info", dir.path("bad.clap")}), expected, dir, keep,
                             std::string("info ") + c.label);
        expectOneLineFailure(
            runHost({"render", dir.path("bad.clap"), dir.path("in.wav"), dir.path("out.wav")}), expected, dir,
            keep, std::string("render ") + c.label);
    }
}

// A huge --state-in is streamed to the plug-in, which refuses its first bytes;
// it is never read whole into memory.
TEST(HostErrorStateTest, HugeStateIsNotReadIntoMemory) {
    ScratchDir dir;
    ScratchDir capture;
    ASSERT_TRUE(writeWav(dir.path("in.wav"), testSignal(48000, 0.1)));
    const std::string state = dir.path("huge.fxc1");
    std::ofstream(state).close();
    ASSERT_EQ(truncate(state.c_str(), 3LL << 30), 0);  // 3 GiB of zeros, sparse
    const int pid =
        startHost({"render", "--state-in", state, pluginPath(), dir.path("in.wav"), dir.path("out.wav")},
                  capture.path("out"), capture.path("err"));
    long residentKb = 0;
    RunResult run;
    run.exitCode = waitHost(pid, &residentKb);
    run.err = readText(capture.path("err"));
    expectOneLineFailure(run, "the plug-in refused the state in '" + state + "'", dir,
                         {"huge.fxc1", "in.wav"}, "huge state");
    EXPECT_LT(residentKb, 1L << 20) << "peak resident memory in KiB";
}

// A reader that closes stdout early (`--print-events | head -1`) makes the
// render fail with one line, and neither the output nor the state nor a
// temporary file stays: whether the printing fails at the end of the render
// (a few events, still buffered) or in the middle of it (many events).
TEST(HostErrorOutputTest, ClosedStandardOutputFailsAndLeavesNoFile) {
    const struct {
        const char* label;
        int events;
    } cases[] = {{"few_events", 1}, {"many_events", 400}};
    for (const auto& c : cases) {
        ScratchDir dir;
        ScratchDir capture;
        ASSERT_TRUE(writeWav(dir.path("in.wav"), testSignal(48000, 2.0)));
        std::vector<std::string> args = {"render",           "--print-events", "--state-out",
                                         dir.path("s.fxc1"), pluginPath(),     dir.path("in.wav"),
                                         dir.path("out.wav")};
        for (int i = 0; i < c.events; ++i)
            args.push_back("--midi-cc=" + std::to_string(i * 0.004) + ":50:" + std::to_string(i % 128));
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        close(fds[0]);  // no reader: every write fails
        const int pid = startHost(args, fds[1], capture.path("err"));
        close(fds[1]);
        RunResult run;
        run.exitCode = waitHost(pid);
        run.err = readText(capture.path("err"));
        expectOneLineFailure(run, "cannot write to standard output: Broken pipe", dir, {"in.wav"}, c.label);
    }
}

}  // namespace
}  // namespace fxcorehost::test
