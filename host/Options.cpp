#include "host/Options.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

namespace fxcorehost {

namespace {

const char s_usage[] =
    "usage: corlinde-host info [--plugin-id ID] PLUGIN.clap\n"
    "       corlinde-host render [options] PLUGIN.clap IN.wav OUT.wav\n"
    "       corlinde-host gui [options] PLUGIN.clap\n"
    "\n"
    "commands:\n"
    "  info      print the plug-in's descriptor, extensions, ports and parameters\n"
    "  render    run an audio file through the plug-in into another file\n"
    "  gui       show the plug-in's editor with live audio (options: gui --help)\n"
    "\n"
    "render options:\n"
    "  --param ID=VALUE          set a parameter before processing (id or name;\n"
    "                            value as a number or as the plug-in's value text)\n"
    "  --mode N|NAME             set the Mode parameter, by number or by name (the\n"
    "                            Corlinde Jr pedal has modes 0-2: KAVRO, DRISK, VESTRA)\n"
    "  --monitor                 set the Monitor parameter (outputs 2 and 3)\n"
    "  --midi-cc SECONDS:CC:VAL  send a MIDI control change (channel 1) at that time\n"
    "  --press SECONDS           press the footswitch (MIDI CC 119) at that time\n"
    "  --block N                 frames per processing block (default 512)\n"
    "  --tail SECONDS            after the input ends, run on until the output has\n"
    "                            stayed below -100 dBFS for 1 s, for at most\n"
    "                            SECONDS (default 30; 0: the input's length)\n"
    "  --state-in FILE           load the plug-in state from FILE before processing\n"
    "  --state-out FILE          save the plug-in state to FILE after processing\n"
    "  --program FILE.hex        run the FXCore program in FILE.hex (Intel HEX text,\n"
    "                            as fxasm writes it), handed over in an FXC1 state\n"
    "  --print-events            print the parameter events the plug-in sends\n"
    "  --plugin-id ID            pick a plug-in of the file by id (default: the first)\n"
    "  -h, --help                show this text\n";

// Splits "--name=value" into name and value; value is empty without '='.
struct OptionToken {
    std::string_view name;
    std::string_view inlineValue;
    bool hasInlineValue = false;
};

OptionToken splitOption(std::string_view arg) {
    OptionToken token;
    const auto eq = arg.find('=');
    if (eq == std::string_view::npos) {
        token.name = arg;
    } else {
        token.name = arg.substr(0, eq);
        token.inlineValue = arg.substr(eq + 1);
        token.hasInlineValue = true;
    }
    return token;
}

bool parseMidiCc(const std::string& text, MidiCcRequest& out) {
    const auto first = text.find(':');
    const auto second = first == std::string::npos ? first : text.find(':', first + 1);
    if (second == std::string::npos) return false;
    double seconds = 0.0;
    std::uint64_t cc = 0;
    std::uint64_t value = 0;
    if (!parseDouble(text.substr(0, first), seconds) || !(seconds >= 0.0)) return false;
    if (!parseUnsigned(text.substr(first + 1, second - first - 1), cc) || cc > 127) return false;
    if (!parseUnsigned(text.substr(second + 1), value) || value > 127) return false;
    out.seconds = seconds;
    out.controller = static_cast<std::uint8_t>(cc);
    out.value = static_cast<std::uint8_t>(value);
    return true;
}

ParseResult failure(std::string message) {
    ParseResult result;
    result.error = std::move(message);
    return result;
}

}  // namespace

const char* usageText() {
    return s_usage;
}

bool parseDouble(const std::string& text, double& out) {
    if (text.empty()) return false;
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (*begin == '+') ++begin;  // from_chars takes no leading plus
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value)) return false;
    out = value;
    return true;
}

bool parseUnsigned(const std::string& text, std::uint64_t& out) {
    if (text.empty()) return false;
    std::uint64_t value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size()) return false;
    out = value;
    return true;
}

namespace {

// The options that take a value, as --name VALUE or --name=VALUE.
constexpr const char* kValuedOptions[] = {"--param", "--mode",     "--midi-cc",   "--press",   "--block",
                                          "--tail",  "--state-in", "--state-out", "--program", "--plugin-id"};

bool isValuedOption(const std::string& name) {
    for (const char* option : kValuedOptions)
        if (name == option) return true;
    return false;
}

// Stores one valued option into cl; false with the message in error for a
// value out of its syntax.
bool applyValuedOption(const std::string& name, const std::string& value, CommandLine& cl,
                       std::string& error) {
    const auto fail = [&](const std::string& message) {
        error = message;
        return false;
    };
    if (name == "--param") {
        const auto eq = value.find('=');
        if (eq == std::string::npos || eq == 0 || eq + 1 == value.size())
            return fail("--param " + value + ": expected ID=VALUE");
        cl.params.push_back({value.substr(0, eq), value.substr(eq + 1)});
    } else if (name == "--mode") {
        if (value.empty()) return fail("--mode needs a mode's number or name");
        cl.mode = value;
    } else if (name == "--midi-cc") {
        MidiCcRequest request;
        if (!parseMidiCc(value, request))
            return fail("--midi-cc " + value + ": expected SECONDS:CC:VALUE with CC and VALUE 0 to 127");
        cl.midiCcs.push_back(request);
    } else if (name == "--press") {
        double seconds = 0.0;
        if (!parseDouble(value, seconds) || seconds < 0.0)
            return fail("--press " + value + ": expected a time in seconds, 0 or more");
        cl.pressSeconds.push_back(seconds);
    } else if (name == "--block") {
        std::uint64_t block = 0;
        if (!parseUnsigned(value, block) || block < 1 || block > kMaxBlockSize)
            return fail("--block " + value + ": expected a frame count from 1 to " +
                        std::to_string(kMaxBlockSize));
        cl.blockSize = static_cast<std::uint32_t>(block);
    } else if (name == "--tail") {
        double seconds = 0.0;
        if (!parseDouble(value, seconds) || seconds < 0.0 || seconds > kMaxTailSeconds)
            return fail("--tail " + value + ": expected a time in seconds from 0 to " +
                        std::to_string(static_cast<int>(kMaxTailSeconds)));
        cl.tailSeconds = seconds;
    } else if (name == "--state-in" || name == "--state-out" || name == "--program") {
        if (value.empty()) return fail(name + " needs a file name");
        (name == "--state-in" ? cl.stateIn : name == "--state-out" ? cl.stateOut : cl.programPath) = value;
    } else {  // --plugin-id
        if (value.empty()) return fail("--plugin-id needs an id");
        cl.pluginId = value;
    }
    return true;
}

// The command and its files from the words that are not options.
bool assignCommand(const std::vector<std::string>& positional, CommandLine& cl, std::string& error) {
    const auto fail = [&](const char* message) {
        error = message;
        return false;
    };
    if (positional.empty()) return fail("no command given (see --help)");
    const std::string& command = positional[0];
    if (command == "info") {
        if (positional.size() != 2) return fail("info takes one plug-in file (see --help)");
        const bool renderOnly = !cl.params.empty() || !cl.midiCcs.empty() || !cl.pressSeconds.empty() ||
                                !cl.mode.empty() || cl.monitor || !cl.stateIn.empty() ||
                                !cl.stateOut.empty() || !cl.programPath.empty() || cl.printEvents ||
                                cl.tailSeconds != kDefaultTailSeconds;
        if (renderOnly) return fail("info takes only --plugin-id (see --help)");
        cl.command = Command::Info;
        cl.pluginPath = positional[1];
    } else if (command == "render") {
        if (positional.size() != 4)
            return fail("render takes a plug-in file, an input and an output (see --help)");
        cl.command = Command::Render;
        cl.pluginPath = positional[1];
        cl.inputPath = positional[2];
        cl.outputPath = positional[3];
    } else {
        error = "unknown command '" + command + "' (see --help)";
        return false;
    }
    return true;
}

}  // namespace

ParseResult parseCommandLine(int argc, const char* const* argv) {
    ParseResult result;
    CommandLine& cl = result.commandLine;
    std::vector<std::string> positional;

    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            cl.command = Command::Help;
            result.ok = true;
            return result;
        }
        if (arg.size() < 2 || arg.substr(0, 2) != "--") {
            positional.emplace_back(arg);
            continue;
        }
        const OptionToken token = splitOption(arg);
        const std::string name(token.name);

        // Flags without a value.
        if (name == "--monitor" || name == "--print-events") {
            if (token.hasInlineValue) return failure(name + " takes no value");
            (name == "--monitor" ? cl.monitor : cl.printEvents) = true;
            continue;
        }
        if (!isValuedOption(name)) return failure("unknown option " + name + " (see --help)");

        std::string value;
        if (token.hasInlineValue) {
            value = std::string(token.inlineValue);
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            return failure(name + " needs a value");
        }
        if (!applyValuedOption(name, value, cl, result.error)) return result;
    }

    if (!assignCommand(positional, cl, result.error)) return result;
    result.ok = true;
    return result;
}

}  // namespace fxcorehost
