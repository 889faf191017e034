#pragma once
// The info command: what a plug-in file holds and what the chosen plug-in
// shows a host (descriptor, features, extensions, ports, parameters).

#include <string>

#include "host/Options.h"

namespace fxcorehost {

// [main-thread] Prints to stdout; returns the exit code, error gets one line.
int runInfoCommand(const CommandLine& commandLine, std::string& error);

}  // namespace fxcorehost
