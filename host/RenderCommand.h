#pragma once
// The render command: open the input and the plug-in, turn the command line
// into parameter values and timed events, run the loop, and put the output
// (and the saved state) in place only when everything succeeded.

#include <string>

#include "host/Options.h"

namespace fxcorehost {

// [main-thread] Returns the process exit code; error gets one line on failure.
int runRenderCommand(const CommandLine& commandLine, std::string& error);

}  // namespace fxcorehost
