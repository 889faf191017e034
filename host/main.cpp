// corlinde-host: a small command-line CLAP host. It prints what a plug-in
// offers (info) and renders an audio file through it (render), serving the
// plug-in as a DAW would: one thread that is the main thread and takes the
// audio-thread role while it processes.

#include <cstdio>
#include <string>
#include <string_view>

#include "host/GuiCommand.h"
#include "host/InfoCommand.h"
#include "host/Options.h"
#include "host/RenderCommand.h"
#include "host/ReplacingFile.h"

int main(int argc, char** argv) {
    using namespace fxcorehost;
    constexpr int kExitUsage = 2;

    // gui parses its own options (it runs a window and an audio thread, not a render).
    if (argc >= 2 && std::string_view(argv[1]) == "gui") {
        ReplacingFile::removePendingOnInterrupt();
        std::string error;
        const int code = runGuiCommand(argc, argv, error);
        if (code != 0) std::fprintf(stderr, "corlinde-host: %s\n", error.c_str());
        std::fflush(stdout);
        return code;
    }

    const ParseResult parsed = parseCommandLine(argc, argv);
    if (!parsed.ok) {
        std::fprintf(stderr, "corlinde-host: %s\n", parsed.error.c_str());
        return kExitUsage;
    }
    const CommandLine& cl = parsed.commandLine;
    if (cl.command == Command::Help) {
        std::fputs(usageText(), stdout);
        return 0;
    }

    ReplacingFile::removePendingOnInterrupt();
    std::string error;
    const int code = cl.command == Command::Info ? runInfoCommand(cl, error)
                                                 : runRenderCommand(cl, error);
    if (code != 0) std::fprintf(stderr, "corlinde-host: %s\n", error.c_str());
    std::fflush(stdout);
    return code;
}
