#pragma once
// The command line of the gui command: corlinde-host gui [options] PLUGIN.clap.

#include <string>

namespace fxcorehost {

struct GuiOptions {
    bool help = false;
    std::string pluginPath;
    std::string pluginId;
    std::string inputPath;       // empty: silence
    std::string screenshotPath;  // empty: no screenshot
    std::string programPath;     // empty: the plug-in's own programs
    double seconds = 0.0;        // 0: until the window is closed or a signal comes
};

// [main-thread] Parses argv[2..argc-1] (argv[1] is "gui"); false with one line
// in error for a malformed command line.
bool parseGuiOptions(int argc, const char* const* argv, GuiOptions& options, std::string& error);

// The text of gui --help.
const char* guiUsageText();

}  // namespace fxcorehost
