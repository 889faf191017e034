#pragma once
// The gui command: the plug-in's editor in a window of its own, with audio
// processed live beside it, and the parameter events it sends printed.
//
//     corlinde-host gui [--input FILE] [--seconds N] [--screenshot FILE] [--plugin-id ID] PLUGIN.clap

#include <string>

namespace fxcorehost {

// [main-thread] argv[1] is "gui"; parses the rest and runs. Returns the exit
// code (0, 1 for a failure, 2 for a malformed command line); error gets one
// line on failure. Built without the editor, it reports that it is missing.
int runGuiCommand(int argc, const char* const* argv, std::string& error);

}  // namespace fxcorehost
