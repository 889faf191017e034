// The host's own parts that the end-to-end runs cannot reach: an event list
// that fills up, malformed events, and command lines that parse.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/EventLists.h"
#include "host/Options.h"

namespace fxcorehost {
namespace {

clap_event_param_value_t paramEvent(std::uint32_t time) {
    clap_event_param_value_t e{};
    e.header.size = sizeof(e);
    e.header.time = time;
    e.header.type = CLAP_EVENT_PARAM_VALUE;
    e.param_id = 7;
    e.value = 0.25;
    return e;
}

TEST(EventStoreTest, RefusesWhatDoesNotFitAndCountsIt) {
    // Room for two 56-byte events by bytes, three by count.
    EventStore store(2 * 56 + 8, 3);
    const auto e = paramEvent(3);
    EXPECT_TRUE(store.push(&e.header));
    EXPECT_TRUE(store.push(&e.header));
    EXPECT_FALSE(store.push(&e.header));
    EXPECT_EQ(store.size(), 2u);
    EXPECT_EQ(store.refused(), 1u);
    const auto* copy = reinterpret_cast<const clap_event_param_value_t*>(store.at(1));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->header.time, 3u);
    EXPECT_EQ(copy->value, 0.25);
    EXPECT_EQ(store.at(2), nullptr);

    store.clear();
    EXPECT_EQ(store.size(), 0u);
    EXPECT_TRUE(store.push(&e.header));
    EXPECT_EQ(store.refused(), 1u);
}

TEST(EventStoreTest, RefusesMalformedEvents) {
    EventStore store(4096, 16);
    clap_event_header_t tooSmall{};
    tooSmall.size = sizeof(tooSmall) - 1;
    clap_event_header_t tooLarge{};
    tooLarge.size = 1u << 20;
    EXPECT_FALSE(store.push(nullptr));
    EXPECT_FALSE(store.push(&tooSmall));
    EXPECT_FALSE(store.push(&tooLarge));
    EXPECT_EQ(store.size(), 0u);
    EXPECT_EQ(store.refused(), 3u);
}

TEST(OutputEventListTest, TryPushCopiesIntoTheList) {
    OutputEventList out;
    const auto e = paramEvent(11);
    EXPECT_TRUE(out.list()->try_push(out.list(), &e.header));
    ASSERT_EQ(out.events().size(), 1u);
    EXPECT_EQ(out.events().at(0)->time, 11u);
}

// A scheduled value reaches the plug-in at its sample, in the core space, for
// the whole parameter (no note, port, channel or key: all -1).
TEST(InputEventListTest, ParamValueIsStampedAndNamesTheWholeParameter) {
    InputEventList in;
    in.addParamValue(17, 402, 2.0);
    const clap_input_events_t* list = in.list();
    ASSERT_EQ(list->size(list), 1u);
    const clap_event_header_t* header = list->get(list, 0);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->size, sizeof(clap_event_param_value_t));
    EXPECT_EQ(header->time, 17u);
    EXPECT_EQ(header->space_id, CLAP_CORE_EVENT_SPACE_ID);
    EXPECT_EQ(header->type, CLAP_EVENT_PARAM_VALUE);
    EXPECT_EQ(header->flags, 0u);
    const auto* event = reinterpret_cast<const clap_event_param_value_t*>(header);
    EXPECT_EQ(event->param_id, 402u);
    EXPECT_EQ(event->cookie, nullptr);
    EXPECT_EQ(event->note_id, -1);
    EXPECT_EQ(event->port_index, -1);
    EXPECT_EQ(event->channel, -1);
    EXPECT_EQ(event->key, -1);
    EXPECT_EQ(event->value, 2.0);
}

ParseResult parse(std::vector<const char*> args) {
    args.insert(args.begin(), "corlinde-host");
    return parseCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(OptionsTest, ReadsEveryOptionInBothSpellings) {
    const ParseResult r = parse({"render",         "--param",      "ONE=0.3",   "--param=Input Trim=-6 dB",
                                 "a.clap",         "--mode=2",     "--monitor", "--midi-cc",
                                 "1.5:50:127",     "--press=0.25", "--block",   "64",
                                 "in.wav",         "--state-in",   "s1",        "--state-out=s2",
                                 "--print-events", "--plugin-id",  "x.y",       "--tail=2.5",
                                 "--program",      "p.hex",        "out.flac"});
    ASSERT_TRUE(r.ok) << r.error;
    const CommandLine& cl = r.commandLine;
    EXPECT_EQ(cl.command, Command::Render);
    EXPECT_EQ(cl.pluginPath, "a.clap");
    EXPECT_EQ(cl.inputPath, "in.wav");
    EXPECT_EQ(cl.outputPath, "out.flac");
    ASSERT_EQ(cl.params.size(), 2u);
    EXPECT_EQ(cl.params[1].key, "Input Trim");
    EXPECT_EQ(cl.params[1].valueText, "-6 dB");
    EXPECT_EQ(cl.mode, "2");
    EXPECT_EQ(cl.programPath, "p.hex");
    EXPECT_TRUE(cl.monitor);
    ASSERT_EQ(cl.midiCcs.size(), 1u);
    EXPECT_EQ(cl.midiCcs[0].seconds, 1.5);
    EXPECT_EQ(cl.midiCcs[0].controller, 50);
    EXPECT_EQ(cl.midiCcs[0].value, 127);
    EXPECT_EQ(cl.pressSeconds, std::vector<double>{0.25});
    EXPECT_EQ(cl.blockSize, 64u);
    EXPECT_EQ(cl.stateIn, "s1");
    EXPECT_EQ(cl.stateOut, "s2");
    EXPECT_TRUE(cl.printEvents);
    EXPECT_EQ(cl.pluginId, "x.y");
    EXPECT_EQ(cl.tailSeconds, 2.5);
    EXPECT_EQ(parse({"render", "--tail", "0", "a.clap", "in.wav", "out.wav"}).commandLine.tailSeconds, 0.0);
    EXPECT_EQ(parse({"render", "a.clap", "in.wav", "out.wav"}).commandLine.tailSeconds, kDefaultTailSeconds);
    // A mode's name is resolved against the plug-in, later.
    EXPECT_EQ(parse({"render", "--mode", "VESTRA", "a.clap", "in.wav", "out.wav"}).commandLine.mode,
              "VESTRA");
    EXPECT_EQ(parse({"render", "--program=p.hex", "a.clap", "in.wav", "out.wav"}).commandLine.programPath,
              "p.hex");
}

TEST(OptionsTest, NumbersMustBeWholeAndFinite) {
    double d = 0.0;
    std::uint64_t u = 0;
    EXPECT_TRUE(parseDouble("+0.5", d));
    EXPECT_EQ(d, 0.5);
    EXPECT_TRUE(parseDouble("-1e-3", d));
    for (const char* bad : {"", "0.5s", "inf", "nan", "1e999", " 1", "0x10"})
        EXPECT_FALSE(parseDouble(bad, d)) << bad;
    EXPECT_TRUE(parseUnsigned("4096", u));
    for (const char* bad : {"", "-1", "1.0", "99999999999999999999", "12a"})
        EXPECT_FALSE(parseUnsigned(bad, u)) << bad;
}

TEST(OptionsTest, InfoTakesNoRenderOptions) {
    EXPECT_TRUE(parse({"info", "a.clap"}).ok);
    EXPECT_TRUE(parse({"info", "--plugin-id", "x", "a.clap"}).ok);
    for (const char* option : {"--mode", "--program"}) {
        const ParseResult r = parse({"info", option, "1", "a.clap"});
        EXPECT_FALSE(r.ok) << option;
        EXPECT_EQ(r.error, "info takes only --plugin-id (see --help)");
    }
}

// The top-level usage names every command, each on one line of its own.
TEST(OptionsTest, UsageListsEveryCommandOnce) {
    const std::string usage = usageText();
    for (const char* command : {"info", "render", "gui"}) {
        const std::string synopsis = std::string("corlinde-host ") + command + " ";
        const std::string line = std::string("\n  ") + command + " ";
        EXPECT_NE(usage.find(synopsis), std::string::npos) << command;
        const auto at = usage.find(line);
        ASSERT_NE(at, std::string::npos) << command << " has no line of its own:\n" << usage;
        EXPECT_EQ(usage.find(line, at + 1), std::string::npos) << command;
        const auto end = usage.find('\n', at + 1);
        EXPECT_GT(end - at, line.size() + 10) << command << " is listed without a description";
    }
}

}  // namespace
}  // namespace fxcorehost
