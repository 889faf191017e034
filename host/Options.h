#pragma once
// The command line of corlinde-host: which command, which files, which options.
// Parsing checks only the syntax and the ranges that need no plug-in; names of
// parameters and times against the input's length are checked once the
// plug-in and the input are open.

#include <cstdint>
#include <string>
#include <vector>

namespace fxcorehost {

enum class Command { Help, Info, Render };

// --param KEY=VALUE, kept as text: KEY is an id or a name, VALUE a number or a
// value text, both resolved against the plug-in's parameter list.
struct ParamAssignment {
    std::string key;
    std::string valueText;
};

// --midi-cc SECONDS:CC:VALUE (channel 1).
struct MidiCcRequest {
    double seconds = 0.0;
    std::uint8_t controller = 0;
    std::uint8_t value = 0;
};

// How a render runs on after the input ends, so that echoes and reverbs
// fade out instead of stopping dead: until the output has stayed below
// kQuietLevel (-100 dBFS) on every channel for kQuietSeconds, and for at most
// --tail seconds (default kDefaultTailSeconds), which ends a tail that
// never dies away (an echo whose repeats do not decay).
inline constexpr double kQuietLevel = 1e-5;
inline constexpr double kQuietSeconds = 1.0;
inline constexpr double kDefaultTailSeconds = 30.0;
inline constexpr double kMaxTailSeconds = 86400.0;

struct CommandLine {
    Command command = Command::Help;
    std::string pluginPath;
    std::string inputPath;
    std::string outputPath;
    std::string pluginId;  // empty: the factory's first descriptor

    std::vector<ParamAssignment> params;
    std::vector<MidiCcRequest> midiCcs;
    std::vector<double> pressSeconds;
    std::string mode;         // --mode: a number or a mode's name; empty: not given
    std::string programPath;  // --program: a custom program's HEX text; empty: none
    bool monitor = false;
    std::uint32_t blockSize = 512;
    double tailSeconds = kDefaultTailSeconds;  // the most a render runs on past the input
    std::string stateIn;
    std::string stateOut;
    bool printEvents = false;
};

struct ParseResult {
    bool ok = false;
    std::string error;  // one line, without the program name
    CommandLine commandLine;
};

// Largest --block: a block is held in memory for every channel of every port.
inline constexpr std::uint32_t kMaxBlockSize = 1u << 20;

// The MIDI control change a --press sends: CC 119 with value 127 presses the
// pedal's footswitch (switch 4) for the plug-in's own press time.
inline constexpr std::uint8_t kPressController = 119;
inline constexpr std::uint8_t kPressValue = 127;

// [main-thread] Parses argv[1..argc-1].
ParseResult parseCommandLine(int argc, const char* const* argv);

// The usage text printed by --help.
const char* usageText();

// Strict number parsing: the whole text must be the number.
bool parseDouble(const std::string& text, double& out);
bool parseUnsigned(const std::string& text, std::uint64_t& out);

}  // namespace fxcorehost
