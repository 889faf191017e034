#pragma once
// A custom FXCore program of the user's own, handed to a plug-in that keeps
// one in its "FXC1" state (Corlinde Jr) the way a DAW project carries it: the
// plug-in's own state with the program's name and Intel HEX text in it and
// the custom program's bank, "(loaded)", selected, loaded through
// clap.state. The FXC1 stream, little-endian without gaps:
//
//   magic "FXC1" (u32 0x31435846) | version u32 (2) | count u32
//   count x (id u32, value f64) | name (u32 length, bytes)
//   HEX text (u32 length, bytes) | bank name (u32 length, bytes; version 2)

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "clap/clap.h"
#include "host/HostContext.h"

namespace fxcorehost {

class ParamCatalog;

struct Fxc1State {
    std::uint32_t version = 2;
    std::vector<std::pair<std::uint32_t, double>> records;
    std::string programName;
    std::string programText;
    std::string bankName;
};

// The bank the plug-in puts its custom program in.
inline constexpr const char* kCustomBankName = "(loaded)";
// Longest text a state field may hold (the plug-in refuses a longer one).
inline constexpr std::size_t kMaxStateText = 0x1000000;

// The stream's fields; false for bytes that are not a whole FXC1 stream of
// version 0 to 2.
bool parseFxc1State(const std::vector<unsigned char>& bytes, Fxc1State& state);
// The stream of version 2 (the bank name written whatever the version says).
std::vector<unsigned char> writeFxc1State(const Fxc1State& state);

// [main-thread] The text of a --program file: a regular file of at most
// kMaxStateText bytes holding text (no NUL byte or other control character
// but tab, line feed, carriage return, form feed and vertical tab); false with
// one line in error otherwise.
bool readProgramText(const std::string& path, std::string& text, std::string& error);

// [main-thread] Reads the program at path and hands it to the plug-in in its
// own state with the program named after the file (without folder and
// extension) and its bank selected, then checks that the plug-in took it: it
// logged no error while loading (host's "clap.log"; a plug-in that cannot load
// a custom text keeps it for the next save, so the saved text alone does not
// tell) and it saves the text again. On success loaded says what now runs (the
// Program and Mode parameters' value texts); false with one line in error when
// the file is not text, the plug-in keeps no FXC1 state, or it refused the
// program (with the plug-in's own reason when it logged one).
bool loadProgramThroughState(const clap_plugin_t* plugin, const clap_plugin_state_t* state,
                             const ParamCatalog& catalog, HostContext& context, const std::string& path,
                             std::string& loaded, std::string& error);

}  // namespace fxcorehost
