// corlinde-host: a small command-line CLAP host. It prints what a plug-in
// offers (info), renders an audio file through it (render), serving the
// plug-in as a DAW would: one thread that is the main thread and takes the
// audio-thread role while it processes, and shows its editor with live audio
// on a thread of its own (gui).

#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>

#include "host/GuiCommand.h"
#include "host/InfoCommand.h"
#include "host/Options.h"
#include "host/RenderCommand.h"
#include "host/RenderLoop.h"
#include "tools/outputfile/OutputFile.h"

namespace {

// The command's exit code once everything it printed is out: output that
// could not be written (a closed pipe) is a failure like any other.
int finish(int code, std::string& error) {
    if (code == 0 && !fxcorehost::standardOutputWritten(error)) code = 1;
    if (code != 0) std::fprintf(stderr, "corlinde-host: %s\n", error.c_str());
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace fxcorehost;
    constexpr int kExitUsage = 2;
    // A reader that closes stdout early (`| head`) makes writes fail with
    // EPIPE, which the commands report, instead of killing the process
    // before it can remove its temporary files.
    std::signal(SIGPIPE, SIG_IGN);

    // gui parses its own options (it runs a window and an audio thread, not a render).
    if (argc >= 2 && std::string_view(argv[1]) == "gui") {
        fxcorefile::OutputFile::removePendingOnSignals();
        std::string error;
        return finish(runGuiCommand(argc, argv, error), error);
    }

    const ParseResult parsed = parseCommandLine(argc, argv);
    if (!parsed.ok) {
        std::fprintf(stderr, "corlinde-host: %s\n", parsed.error.c_str());
        return kExitUsage;
    }
    const CommandLine& cl = parsed.commandLine;
    if (cl.command == Command::Help) {
        std::fputs(usageText(), stdout);
        std::string error;
        return finish(0, error);
    }

    fxcorefile::OutputFile::removePendingOnSignals();
    std::string error;
    return finish(cl.command == Command::Info ? runInfoCommand(cl, error) : runRenderCommand(cl, error),
                  error);
}
