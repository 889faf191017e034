#include "host/GuiOptions.h"

#include <string_view>
#include <vector>

#include "host/Options.h"

namespace fxcorehost {

namespace {

const char s_usage[] =
    "usage: corlinde-host gui [options] PLUGIN.clap\n"
    "\n"
    "Shows the plug-in's editor in a window, processes audio live beside it\n"
    "and prints the parameter events the plug-in sends. Ends when the window\n"
    "is closed, on Ctrl-C, or after --seconds.\n"
    "\n"
    "  --input FILE        play FILE in a loop through the plug-in (default: silence)\n"
    "  --seconds N         end after N seconds\n"
    "  --screenshot FILE   write a PNG picture of the window just before ending\n"
    "  --program FILE.hex  run the FXCore program in FILE.hex (Intel HEX text, as\n"
    "                      fxasm writes it), handed over in an FXC1 state\n"
    "  --plugin-id ID      pick a plug-in of the file by id (default: the first)\n"
    "  -h, --help          show this text\n";

}  // namespace

const char* guiUsageText() {
    return s_usage;
}

bool parseGuiOptions(int argc, const char* const* argv, GuiOptions& options, std::string& error) {
    std::vector<std::string> positional;
    for (int i = 2; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            options.help = true;
            return true;
        }
        if (arg.size() < 2 || arg.substr(0, 2) != "--") {
            positional.emplace_back(arg);
            continue;
        }
        const auto eq = arg.find('=');
        const std::string name(arg.substr(0, eq));
        if (name != "--input" && name != "--seconds" && name != "--screenshot" && name != "--program" &&
            name != "--plugin-id") {
            error = "gui: unknown option " + name + " (see gui --help)";
            return false;
        }
        std::string value;
        if (eq != std::string_view::npos) {
            value = std::string(arg.substr(eq + 1));
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            error = "gui: " + name + " needs a value";
            return false;
        }
        if (name == "--seconds") {
            if (!parseDouble(value, options.seconds) || !(options.seconds > 0.0) || options.seconds > 1e7) {
                error = "gui: --seconds " + value + ": expected a time in seconds above 0";
                return false;
            }
            continue;
        }
        if (value.empty()) {
            error = "gui: " + name + " needs a value";
            return false;
        }
        (name == "--input"        ? options.inputPath
         : name == "--screenshot" ? options.screenshotPath
         : name == "--program"    ? options.programPath
                                  : options.pluginId) = value;
    }
    if (positional.size() != 1) {
        error = "gui takes one plug-in file (see gui --help)";
        return false;
    }
    options.pluginPath = positional[0];
    return true;
}

}  // namespace fxcorehost
