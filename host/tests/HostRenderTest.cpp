// Renders through corlinde-host and the built .clap, compared sample for
// sample with the same processing done in-process on an emulator core.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "HostTestSupport.h"

namespace fxcorehost::test {
namespace {

struct RenderCase {
    const char* label;
    int sampleRate;
    int channels;
    std::uint32_t block;
    std::vector<std::string> options;  // besides --block
    ReferenceSetup reference;
};

void PrintTo(const RenderCase& c, std::ostream* os) {
    *os << c.label;
}

ReferenceSetup modeSetup(int mode) {
    ReferenceSetup setup;
    setup.mode = mode;
    return setup;
}

std::vector<RenderCase> renderCases() {
    std::vector<RenderCase> cases;
    cases.push_back({"mode0_block512", 48000, 2, 512, {"--mode", "0"}, modeSetup(0)});
    cases.push_back({"mode1_block1", 48000, 2, 1, {"--mode", "1"}, modeSetup(1)});
    cases.push_back({"mode2_block777", 48000, 2, 777, {"--mode=2"}, modeSetup(2)});
    {
        RenderCase c{"mode1_44k1_monitor_block4096", 44100,       2, 4096,
                     {"--mode", "1", "--monitor"},   modeSetup(1)};
        c.reference.monitor = true;
        cases.push_back(c);
    }
    {
        RenderCase c{"mode2_knobs_and_trims",
                     48000,
                     2,
                     64,
                     {"--mode", "2", "--param", "ONE=0.3", "--param", "tweak=0.9", "--param", "Input Trim=6",
                      "--param", "501=-3.5 dB"},
                     modeSetup(2)};
        c.reference.pots[0] = static_cast<float>(0.3);
        c.reference.pots[5] = static_cast<float>(0.9);
        c.reference.inputTrimDb = 6.0;
        c.reference.outputTrimDb = -3.5;
        cases.push_back(c);
    }
    {
        RenderCase c{"mode0_mono_input_mix_by_id", 48000, 1, 256, {"--param", "101=0.8"}, modeSetup(0)};
        c.reference.pots[1] = static_cast<float>(0.8);
        cases.push_back(c);
    }
    return cases;
}

double peakOf(const Audio& audio) {
    double peak = 0.0;
    for (const float x : audio.samples) peak = std::max(peak, static_cast<double>(std::fabs(x)));
    return peak;
}

// The tail's rule: the render runs on (silence in) until the output has
// stayed below -100 dBFS on every channel for one second.
constexpr double kQuiet = 1e-5;

bool quietFrame(const Audio& audio, std::int64_t frame) {
    for (int c = 0; c < audio.channels; ++c)
        if (std::fabs(audio.samples[static_cast<std::size_t>(frame * audio.channels + c)]) >= kQuiet)
            return false;
    return true;
}

// The input followed by frames of silence.
Audio withSilence(const Audio& input, std::int64_t frames) {
    Audio padded = input;
    padded.samples.resize(padded.samples.size() + static_cast<std::size_t>(frames * input.channels), 0.0f);
    return padded;
}

class HostRenderTest : public ::testing::TestWithParam<RenderCase> {};

// Each render, its tail included, is the core's output sample for sample, and
// the tail ends one second after the last sample above -100 dBFS, which
// comes after the input's end.
TEST_P(HostRenderTest, MatchesTheCoreSampleForSample) {
    const RenderCase& c = GetParam();
    ScratchDir dir;
    const Audio input = testSignal(c.sampleRate, 1.0, c.channels);
    ASSERT_TRUE(writeWav(dir.path("in.wav"), input));

    std::vector<std::string> args = {"render", "--block", std::to_string(c.block)};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.insert(args.end(), {pluginPath(), dir.path("in.wav"), dir.path("out.wav")});
    const RunResult run = runHost(args);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find("wrote " + dir.path("out.wav")), std::string::npos) << run.out;

    Audio rendered;
    ASSERT_TRUE(readAudio(dir.path("out.wav"), rendered));
    EXPECT_EQ(rendered.channels, 2);
    EXPECT_EQ(rendered.sampleRate, c.sampleRate);
    const std::int64_t hold = c.sampleRate;  // one second
    ASSERT_GT(rendered.frames(), input.frames()) << "the tail was cut";
    ASSERT_LT(rendered.frames(), input.frames() + 30 * c.sampleRate) << "the tail never ended";
    Audio expected;
    ASSERT_TRUE(
        referenceRender(c.reference, withSilence(input, rendered.frames() - input.frames()), expected));
    EXPECT_GT(peakOf(expected), 0.01) << "the reference is silent: nothing would be compared";
    const std::int64_t diff = firstDifference(rendered, expected);
    EXPECT_EQ(diff, -1) << "first difference at frame " << diff / 2 << " channel " << diff % 2;

    const std::int64_t lastLoud = rendered.frames() - hold - 1;
    EXPECT_GE(lastLoud, input.frames() - 1);
    EXPECT_FALSE(quietFrame(rendered, lastLoud)) << "the render ran on past a quiet second";
    for (std::int64_t f = lastLoud + 1; f < rendered.frames(); ++f)
        ASSERT_TRUE(quietFrame(rendered, f)) << "a sound at frame " << f << " of the last second";
}

// How long a render runs on in the cases the rule does not settle alone:
// --tail 0 keeps the input's length, a --tail shorter than the decay (or
// repeats that never die away, KAVRO at TWO 1) ends at the limit (default
// 30 s), and an output that is already quiet at the input's end gets no tail.
TEST(HostTailTest, RendersRunOnUntilQuietOrTheLimit) {
    const struct {
        const char* label;
        int sampleRate;
        double seconds;         // of the test signal
        double silenceSeconds;  // appended to it
        std::vector<std::string> options;
        double tailSeconds;  // expected length past the input
    } cases[] = {
        {"tail_0", 48000, 1.0, 0.0, {"--mode", "0", "--tail", "0"}, 0.0},
        {"limit_before_quiet", 48000, 1.0, 0.0, {"--mode", "2", "--tail=0.25"}, 0.25},
        {"repeats_that_never_die_default_limit", 8000, 0.5, 0.0, {"--mode", "0", "--param", "TWO=1"}, 30.0},
        {"quiet_at_the_input_end", 48000, 0.5, 1.5, {"--mode", "1"}, 0.0},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        const Audio signal = testSignal(c.sampleRate, c.seconds);
        const Audio input = withSilence(signal, static_cast<std::int64_t>(c.silenceSeconds * c.sampleRate));
        ASSERT_TRUE(writeWav(dir.path("in.wav"), input));
        std::vector<std::string> args = {"render"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.insert(args.end(), {pluginPath(), dir.path("in.wav"), dir.path("out.wav")});
        const RunResult run = runHost(args);
        ASSERT_EQ(run.exitCode, 0) << c.label << ": " << run.err;
        Audio rendered;
        ASSERT_TRUE(readAudio(dir.path("out.wav"), rendered));
        EXPECT_EQ(rendered.frames(),
                  input.frames() + static_cast<std::int64_t>(std::nearbyint(c.tailSeconds * c.sampleRate)))
            << c.label;
        EXPECT_GT(peakOf(rendered), 0.01) << c.label;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, HostRenderTest, ::testing::ValuesIn(renderCases()),
                         [](const auto& row) { return std::string(row.param.label); });

// The pedal's modes by name, in any letter case, through --mode and --param:
// the names printed on the pedal and the plug-in's own value texts.
TEST(HostModeNameTest, ModesAreSelectedByTheirNames) {
    const struct {
        std::vector<std::string> options;
        int mode;
    } cases[] = {
        {{"--mode", "VESTRA"}, 2},
        {{"--mode=kavro"}, 0},
        {{"--param", "Mode=Drisk"}, 1},
        {{"--param", "402=MP-CORLINDE-JR_2"}, 2},
        {{"--mode", "1: mp-corlinde-jr_1"}, 1},
    };
    ScratchDir dir;
    const Audio input = testSignal(48000, 0.5);
    ASSERT_TRUE(writeWav(dir.path("in.wav"), input));
    Audio expected[3];
    for (int mode = 0; mode < 3; ++mode) ASSERT_TRUE(referenceRender(modeSetup(mode), input, expected[mode]));
    for (const auto& c : cases) {
        std::vector<std::string> args = {"render", "--tail", "0"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.insert(args.end(), {pluginPath(), dir.path("in.wav"), dir.path("out.wav")});
        const RunResult run = runHost(args);
        ASSERT_EQ(run.exitCode, 0) << c.options.back() << ": " << run.err;
        Audio rendered;
        ASSERT_TRUE(readAudio(dir.path("out.wav"), rendered));
        EXPECT_EQ(firstDifference(rendered, expected[c.mode]), -1) << c.options.back();
    }
}

// A program of the user's own (here VESTRA's HEX text under another name)
// reaches the plug-in in a state: the plug-in says it runs it, the output is
// the core running that text, the knobs of a --state-in stay, and the state
// saved afterwards carries the program into the next render.
TEST(HostProgramTest, RunsAProgramFileHandedOverInAState) {
    ScratchDir dir;
    const Audio input = testSignal(48000, 0.5);
    ASSERT_TRUE(writeWav(dir.path("in.wav"), input));
    std::ofstream(dir.path("my-verb.hex"), std::ios::binary) << readText(firmwareHexPath(2));
    const std::string in = dir.path("in.wav");
    const std::string program = dir.path("my-verb.hex");

    const RunResult knobs =
        runHost({"render", "--tail", "0", "--mode", "1", "--param", "ONE=0.2", "--state-out",
                 dir.path("knobs.fxc1"), pluginPath(), in, dir.path("knobs.wav")});
    ASSERT_EQ(knobs.exitCode, 0) << knobs.err;
    const RunResult run =
        runHost({"render", "--tail", "0", "--state-in", dir.path("knobs.fxc1"), "--program", program,
                 "--state-out", dir.path("program.fxc1"), pluginPath(), in, dir.path("a.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(
        run.out.find("program 'my-verb' from " + program + " loaded: Program (loaded), Mode 0: my-verb\n"),
        std::string::npos)
        << run.out;
    const RunResult again = runHost({"render", "--tail", "0", "--state-in", dir.path("program.fxc1"),
                                     pluginPath(), in, dir.path("b.wav")});
    ASSERT_EQ(again.exitCode, 0) << again.err;

    ReferenceSetup setup = modeSetup(2);
    setup.pots[0] = 0.2f;
    Audio expected;
    ASSERT_TRUE(referenceRender(setup, input, expected));
    Audio a, b;
    ASSERT_TRUE(readAudio(dir.path("a.wav"), a));
    ASSERT_TRUE(readAudio(dir.path("b.wav"), b));
    EXPECT_EQ(firstDifference(a, expected), -1);
    EXPECT_EQ(firstDifference(b, expected), -1);
    EXPECT_EQ(readText(dir.path("program.fxc1")).find(readText(program)) != std::string::npos, true)
        << "the saved state does not carry the program's text";
}

// Parses "event sample N (...): param ID "NAME" = VALUE" lines.
struct PrintedEvent {
    long long sample;
    unsigned id;
    double value;
};

std::vector<PrintedEvent> printedParamEvents(const std::string& out) {
    std::vector<PrintedEvent> events;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        PrintedEvent e{};
        char name[256] = {};
        if (std::sscanf(line.c_str(), "event sample %lld (%*[^)]): param %u \"%255[^\"]\" = %lf", &e.sample,
                        &e.id, name, &e.value) == 4)
            events.push_back(e);
    }
    return events;
}

// Two MIDI presses of the footswitch: the first bypasses the echo, the second
// engages it again. The core debounces the pin, so the sound changes exactly
// kDebounce - 1 samples after the press, and once the fade has run the
// bypassed output is the input bit for bit.
TEST(HostPressTest, MidiPressesToggleBypassAtTheExpectedSample) {
    constexpr int kRate = 48000;
    constexpr std::int64_t kDebounce = 480;  // the firmware's switch debounce, in samples
    constexpr std::uint32_t kBlock = 100;
    const std::int64_t first = 12000;   // 0.25 s
    const std::int64_t second = 36000;  // 0.75 s
    ScratchDir dir;
    const Audio input = testSignal(kRate, 1.0);
    ASSERT_TRUE(writeWav(dir.path("in.wav"), input));

    const auto render = [&](const std::string& out, std::vector<std::string> extra) {
        std::vector<std::string> args = {"render", "--block", std::to_string(kBlock),
                                         "--tail", "0",       "--print-events"};
        args.insert(args.end(), extra.begin(), extra.end());
        args.insert(args.end(), {pluginPath(), dir.path("in.wav"), dir.path(out)});
        return runHost(args);
    };
    const RunResult pressed = render("pressed.wav", {"--press", "0.25", "--press", "0.75"});
    ASSERT_EQ(pressed.exitCode, 0) << pressed.err;
    const RunResult plain = render("plain.wav", {});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;

    Audio withPresses;
    Audio without;
    ASSERT_TRUE(readAudio(dir.path("pressed.wav"), withPresses));
    ASSERT_TRUE(readAudio(dir.path("plain.wav"), without));

    ReferenceSetup setup;
    setup.footswitchPresses = {first, second};
    Audio expected;
    ASSERT_TRUE(referenceRender(setup, input, expected));
    EXPECT_EQ(firstDifference(withPresses, expected), -1);

    // The press takes effect at the debounced edge, not before.
    const std::int64_t toggle = first + kDebounce - 1;
    EXPECT_EQ(firstDifference(withPresses, without) / 2, toggle);

    // Bypassed: the input itself, from at most 100 ms after the edge (the
    // engage fade's one-pole reaches exactly 0 by then) up to the second
    // press's edge.
    const std::int64_t retoggle = second + kDebounce - 1;
    std::int64_t lastEffected = -1;
    for (std::int64_t f = toggle; f < retoggle; ++f)
        for (int c = 0; c < 2; ++c)
            if (withPresses.samples[static_cast<std::size_t>(2 * f + c)] !=
                input.samples[static_cast<std::size_t>(2 * f + c)])
                lastEffected = f;
    EXPECT_LT(lastEffected, toggle + kRate / 10);
    // Engaged again after the second press: the output leaves the input.
    bool differsAfter = false;
    for (std::int64_t f = retoggle + kRate / 20; f < input.frames() && !differsAfter; ++f)
        differsAfter = withPresses.samples[static_cast<std::size_t>(2 * f)] !=
                       input.samples[static_cast<std::size_t>(2 * f)];
    EXPECT_TRUE(differsAfter);

    // The plug-in reports each press and its end as BYPASS (204) values; it
    // stamps them at the start of the block in which they happened.
    const auto blockOf = [&](std::int64_t s) { return s / kBlock * kBlock; };
    const std::int64_t pressLength = static_cast<std::int64_t>(kRate * 0.12) - 1;
    const std::vector<PrintedEvent> events = printedParamEvents(pressed.out);
    ASSERT_EQ(events.size(), 4u) << pressed.out;
    const long long expectedSamples[] = {blockOf(first), blockOf(first + pressLength), blockOf(second),
                                         blockOf(second + pressLength)};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(events[i].id, 204u);
        EXPECT_EQ(events[i].value, i % 2 == 0 ? 1.0 : 0.0);
        EXPECT_EQ(events[i].sample, expectedSamples[i]) << "event " << i;
    }
    EXPECT_TRUE(printedParamEvents(plain.out).empty());
}

// A state saved after one render and loaded into the next reproduces its
// output exactly, without the options that made it.
TEST(HostStateTest, StateWrittenByOneRenderReproducesItInAnother) {
    ScratchDir dir;
    const Audio input = testSignal(48000, 1.0);
    ASSERT_TRUE(writeWav(dir.path("in.wav"), input));
    const std::string in = dir.path("in.wav");

    const RunResult saved =
        runHost({"render", "--mode", "1", "--param", "ONE=0.2", "--param", "Output Trim=-6", "--state-out",
                 dir.path("state.bin"), pluginPath(), in, dir.path("a.wav")});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    const RunResult loaded = runHost({"render", "--state-in", dir.path("state.bin"), "--block", "300",
                                      pluginPath(), in, dir.path("b.wav")});
    ASSERT_EQ(loaded.exitCode, 0) << loaded.err;
    const RunResult defaults = runHost({"render", pluginPath(), in, dir.path("c.wav")});
    ASSERT_EQ(defaults.exitCode, 0) << defaults.err;

    std::ifstream state(dir.path("state.bin"), std::ios::binary);
    char magic[4] = {};
    state.read(magic, 4);
    EXPECT_EQ(std::string(magic, 4), "FXC1");

    Audio a, b, c;
    ASSERT_TRUE(readAudio(dir.path("a.wav"), a));
    ASSERT_TRUE(readAudio(dir.path("b.wav"), b));
    ASSERT_TRUE(readAudio(dir.path("c.wav"), c));
    EXPECT_EQ(firstDifference(a, b), -1);
    EXPECT_NE(firstDifference(a, c), -1) << "the state made no difference";
}

// The value a saved state holds for a parameter (records of a u32 id and a
// little-endian f64 after the magic, the version and the count); NaN when
// the state has no record of it.
double stateValue(const std::string& path, std::uint32_t id) {
    const std::string bytes = readText(path);
    const auto u32 = [&](std::size_t at) {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = v << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
        return v;
    };
    if (bytes.size() < 12) return std::nan("");
    const std::uint32_t count = u32(8);
    for (std::size_t r = 0, at = 12; r < count && at + 12 <= bytes.size(); ++r, at += 12) {
        if (u32(at) != id) continue;
        const std::uint64_t bits = static_cast<std::uint64_t>(u32(at + 8)) << 32 | u32(at + 4);
        double value = 0.0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    return std::nan("");
}

// Far more events at one time than a list holds by default (16384) all reach
// the plug-in, in order, so the last value wins; the plug-in's answer to each
// MIDI change is printed, none lost.
TEST(HostEventsTest, EveryEventOfACrowdedBlockReachesThePlugin) {
    constexpr int kEvents = 20000;
    const struct {
        const char* label;
        std::string (*option)(int value);  // one event setting ONE (id 100) to value / 127
        bool answered;                     // the plug-in sends each change back
    } cases[] = {
        {"midi_cc", [](int v) { return "--midi-cc=0:50:" + std::to_string(v); }, true},
        {"param", [](int v) { return "--param=100=" + std::to_string(v / 127.0); }, false},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        ASSERT_TRUE(writeWav(dir.path("in.wav"), testSignal(48000, 0.2)));
        std::vector<std::string> args = {"render",           "--print-events", "--state-out",
                                         dir.path("s.fxc1"), pluginPath(),     dir.path("in.wav"),
                                         dir.path("out.wav")};
        for (int i = 0; i < kEvents; ++i) args.push_back(c.option(i % 127));  // never 127 before the last
        args.push_back(c.option(127));
        const RunResult run = runHost(args);
        ASSERT_EQ(run.exitCode, 0) << c.label << ": " << run.err;
        EXPECT_EQ(run.err, "") << c.label;
        EXPECT_EQ(stateValue(dir.path("s.fxc1"), 100), 1.0) << c.label;
        if (!c.answered) continue;
        const std::vector<PrintedEvent> printed = printedParamEvents(run.out);
        ASSERT_EQ(printed.size(), static_cast<std::size_t>(kEvents + 1)) << c.label;
        EXPECT_EQ(printed.back().id, 100u);
        EXPECT_EQ(printed.back().value, 1.0);
    }
}

// info shows what a DAW would see of the plug-in.
TEST(HostInfoTest, ListsDescriptorPortsAndParameters) {
    const RunResult run = runHost({"info", pluginPath()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const char* const kExpected[] = {
        R"(plug-in: +Corlinde Jr\n)",
        R"(vendor: +Morvith Pedals\n)",
        R"(version: +0\.1\.0\n)",
        R"(features: +audio-effect, stereo\n)",
        R"(input +0 +id 0 +"Input" +2 channels +type stereo +main)",
        R"(output +0 +id 1 +"Output" +2 channels +type stereo +main)",
        R"(input +0 +id 0 +"MIDI Control" +dialects MIDI +preferred MIDI)",
        R"(tail: +infinite\n)",
        R"(parameters \(18\):)",
        R"(\n +100 +ONE +Corlinde Jr \(KAVRO\) +0 +1 +0\.5 +0\.500 +automatable,modulatable\n)",
        R"(\n +204 +BYPASS +Corlinde Jr \(KAVRO\) +0 +1 +0 +released +stepped,automatable\n)",
        R"(\n +300 +ENABLE +\S.* engaged +stepped,hidden,automatable\n)",
        R"(\n +402 +Mode +Program +0 +7 +0 +0: mp-corlinde-jr_0 +stepped,automatable\n)",
        R"(\n +500 +Input Trim +Levels +-24 +24 +0 +0\.0 dB +automatable,modulatable\n)",
    };
    for (const char* pattern : kExpected)
        EXPECT_TRUE(std::regex_search(run.out, std::regex(pattern))) << "missing: " << pattern << "\n"
                                                                     << run.out;
}

}  // namespace
}  // namespace fxcorehost::test
