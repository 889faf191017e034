#include "host/GuiCommand.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "host/AudioFile.h"
#include "host/ErrorText.h"
#include "host/EventLists.h"
#include "host/GuiAudioThread.h"
#include "host/GuiHostServices.h"
#include "host/GuiOptions.h"
#include "host/HostContext.h"
#include "host/Options.h"
#include "host/ParamCatalog.h"
#include "host/PluginLoader.h"
#include "host/PortBuffers.h"
#include "host/ProgramState.h"
#include "host/RenderLoop.h"
#include "host/X11Window.h"
#include "tools/outputfile/FileIdentity.h"
#include "tools/outputfile/OutputFile.h"

namespace fxcorehost {

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Without a file the plug-in runs on silence at this rate.
constexpr int kSilenceSampleRate = 48000;
constexpr std::uint32_t kBlockSize = 512;
// How often the main loop looks at the plug-in's requests (on_main_thread,
// rescans) and prints what the audio thread passed on, when nothing else
// wakes it: well inside the 33 ms CLAP suggests for request_callback.
constexpr auto kServiceInterval = std::chrono::milliseconds(10);

// The whole input file, one vector per channel, decoded once in pieces (no
// second copy of the whole file).
bool readLoop(AudioReader& reader, const std::string& path, std::vector<std::vector<float>>& loop,
              std::string& error) {
    constexpr std::int64_t kPieceFrames = 4096;
    const AudioFormat& format = reader.format();
    const auto channels = static_cast<std::size_t>(format.channels);
    loop.assign(channels, std::vector<float>(static_cast<std::size_t>(format.frames)));
    std::vector<float> piece(static_cast<std::size_t>(kPieceFrames) * channels);
    for (std::int64_t start = 0; start < format.frames; start += kPieceFrames) {
        const std::int64_t frames = std::min(kPieceFrames, format.frames - start);
        if (reader.read(piece.data(), frames) != frames) {
            error = "--input " + path + ": the file ends early";
            return false;
        }
        for (std::size_t f = 0; f < static_cast<std::size_t>(frames); ++f)
            for (std::size_t c = 0; c < channels; ++c)
                loop[c][static_cast<std::size_t>(start) + f] = piece[f * channels + c];
    }
    return true;
}

// SIGINT and SIGTERM arrive as readable data on a descriptor the main loop
// polls, instead of running a handler. They are blocked before any thread is
// made, so every thread inherits the mask and only the descriptor sees them.
class SignalDescriptor {
public:
    SignalDescriptor() {
        sigemptyset(&m_signals);
        sigaddset(&m_signals, SIGINT);
        sigaddset(&m_signals, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &m_signals, &m_previous);
        m_fd = signalfd(-1, &m_signals, SFD_CLOEXEC | SFD_NONBLOCK);
    }
    ~SignalDescriptor() {
        if (m_fd >= 0) close(m_fd);
        pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
    }
    SignalDescriptor(const SignalDescriptor&) = delete;
    SignalDescriptor& operator=(const SignalDescriptor&) = delete;

    int fd() const { return m_fd; }
    // The signal that arrived, 0 if none.
    int take() const {
        signalfd_siginfo info{};
        if (read(m_fd, &info, sizeof(info)) != static_cast<ssize_t>(sizeof(info))) return 0;
        return static_cast<int>(info.ssi_signo);
    }

private:
    sigset_t m_signals{};
    sigset_t m_previous{};
    int m_fd = -1;
};

// The editor, destroyed through the gui extension on every way out.
struct EditorHandle {
    const clap_plugin_t* plugin = nullptr;
    const clap_plugin_gui_t* gui = nullptr;
    bool created = false;
    EditorHandle() = default;
    EditorHandle(const EditorHandle&) = delete;
    EditorHandle& operator=(const EditorHandle&) = delete;
    ~EditorHandle() {
        if (created) gui->destroy(plugin);
    }
};

// [main-thread] Prints what the audio thread passed on.
void printSentEvents(SentEventRing& ring, EventStore& scratch, int sampleRate, const ParamCatalog& catalog) {
    SentParamEvent event;
    bool printed = false;
    while (ring.pop(event)) {
        scratch.clear();
        scratch.push(&event.header);
        printOutputEvents(scratch, event.blockStart, sampleRate, catalog);
        printed = true;
    }
    if (printed) std::fflush(stdout);
}

bool hasGuiEntries(const clap_plugin_gui_t* gui) {
    return gui && gui->is_api_supported && gui->create && gui->destroy && gui->set_scale && gui->get_size &&
           gui->set_parent && gui->show && gui->hide;
}

// The screenshot's file opens before anything is printed: when it is the
// standard output, the lines gui prints go to stderr instead.
bool openScreenshot(const GuiOptions& options, fxcorefile::OutputFile& screenshot, std::string& error) {
    if (options.screenshotPath.empty()) return true;
    const std::pair<const std::string&, const char*> others[] = {{options.pluginPath, "plug-in file"},
                                                                 {options.inputPath, "input file"},
                                                                 {options.programPath, "--program file"}};
    for (const auto& [other, role] : others) {
        if (other.empty() || !fxcorefile::sameFile(options.screenshotPath, other)) continue;
        error = "--screenshot " + quoted(options.screenshotPath) + " is the " + role +
                "; give them different names";
        return false;
    }
    std::string cause;
    if (!screenshot.open(options.screenshotPath, cause)) {
        error = "cannot write " + quoted(options.screenshotPath) + ": " + cause;
        return false;
    }
    if (screenshot.direct() && fxcorefile::sameOpenFile(screenshot.fd(), STDOUT_FILENO))
        dup2(STDERR_FILENO, STDOUT_FILENO);
    return true;
}

// The --input file, opened to learn its rate (the plug-in runs at it); without
// one, silence at kSilenceSampleRate.
bool openInput(const GuiOptions& options, AudioReader& input, int& sampleRate, std::string& error) {
    sampleRate = kSilenceSampleRate;
    if (options.inputPath.empty()) return true;
    if (!input.open(options.inputPath, error)) return false;
    if (input.format().frames <= 0) {
        error = "--input " + options.inputPath + ": the file holds no audio";
        return false;
    }
    sampleRate = input.format().sampleRate;
    return true;
}

// The CLAP order for an embedded editor: create, scale, size, parent, show.
bool openEditor(const LoadedPlugin& plugin, const clap_plugin_gui_t* gui, X11Window& window,
                EditorHandle& editor, std::uint32_t& width, std::uint32_t& height, std::string& error) {
    const clap_plugin_t* p = plugin.plugin();
    if (!hasGuiEntries(gui)) {
        error = "the plug-in has no editor (no clap.gui extension)";
        return false;
    }
    if (!gui->is_api_supported(p, CLAP_WINDOW_API_X11, false)) {
        error = "the plug-in's editor does not embed in X11 windows";
        return false;
    }
    editor.plugin = p;
    editor.gui = gui;
    if (!gui->create(p, CLAP_WINDOW_API_X11, false)) {
        error = "the plug-in refused to create its editor";
        return false;
    }
    editor.created = true;
    gui->set_scale(p, 1.0);  // the editor may keep its own size instead
    if (!gui->get_size(p, &width, &height) || width == 0 || height == 0 || width > 16384 || height > 16384) {
        error = "the plug-in gave no usable editor size";
        return false;
    }
    if (!window.create(width, height, textOf(plugin.descriptor()->name), error)) return false;
    clap_window_t parent{};
    parent.api = CLAP_WINDOW_API_X11;
    parent.x11 = window.id();
    if (!gui->set_parent(p, &parent)) {
        error = "the plug-in's editor refused the window";
        return false;
    }
    window.map();
    gui->show(p);
    return true;
}

// What the main loop works with.
struct GuiLoop {
    const GuiOptions& options;
    SignalDescriptor& signals;
    X11Window& window;
    GuiHostServices& services;
    HostContext& context;
    LoadedPlugin& plugin;
    ParamCatalog& catalog;
    GuiAudioThread& audio;
    EventStore& scratch;
    RenderReport& report;
    int sampleRate;
};

// [main-thread] Sleeps in poll on the signals, the window, the plug-in's
// descriptors and its next timer; serves what is ready until the window is
// closed, a signal comes or --seconds have passed. The ending names why it
// ended; false with error set when it failed instead.
bool runMainLoop(GuiLoop& loop, GuiHostServices::Clock::time_point started, std::string& ending,
                 std::string& error) {
    using Clock = GuiHostServices::Clock;
    const bool timed = loop.options.seconds > 0.0;
    const Clock::time_point deadline = started + std::chrono::duration_cast<Clock::duration>(
                                                     std::chrono::duration<double>(loop.options.seconds));
    std::vector<pollfd> fds;
    while (ending.empty()) {
        loop.window.flush();
        const Clock::time_point now = Clock::now();
        Clock::duration wait = loop.services.timeUntilNextTimer(now, kServiceInterval);
        if (timed) wait = std::min(wait, std::max(deadline - now, Clock::duration::zero()));
        // Rounded up: waking before a timer is due would only poll again at once.
        const auto waitMs = std::chrono::ceil<std::chrono::milliseconds>(wait).count();

        fds.clear();
        fds.push_back({loop.signals.fd(), POLLIN, 0});
        fds.push_back({loop.window.fd(), POLLIN, 0});
        loop.services.addPollFds(fds);
        if (poll(fds.data(), fds.size(), static_cast<int>(waitMs)) < 0 && errno != EINTR) {
            error = "gui: poll failed";
            return false;
        }
        if (fds[0].revents & POLLIN) {
            const int sig = loop.signals.take();
            if (sig != 0) ending = sig == SIGTERM ? "SIGTERM" : "SIGINT";
        }
        const X11Window::Status status = loop.window.drainEvents();
        if (status == X11Window::Status::CloseRequested) ending = "window closed";
        if (status == X11Window::Status::ConnectionLost) {
            error = "gui: the connection to the X display was lost";
            return false;
        }
        loop.services.dispatchFds(fds, 2);
        loop.services.fireDueTimers(Clock::now());
        // Processing runs all the time, so a requested flush is left to the
        // next block, which drains the same queue.
        serviceHostRequests(loop.plugin, loop.context, loop.catalog, false, false, loop.sampleRate,
                            loop.report);
        printSentEvents(loop.audio.sentEvents(), loop.scratch, loop.sampleRate, loop.catalog);
        if (std::ferror(stdout)) {
            standardOutputWritten(error);
            return false;
        }
        if (loop.audio.failure() != GuiAudioThread::Failure::None) {
            error = loop.audio.failure() == GuiAudioThread::Failure::StartRefused
                        ? "the plug-in refused to start processing"
                        : "the plug-in reported a processing error";
            return false;
        }
        if (timed && Clock::now() >= deadline) ending = "--seconds " + formatNumber(loop.options.seconds);
    }
    return true;
}

// [main-thread] After the loop: the audio thread stops, its last events are
// printed, and what the editor queued since the last block goes out through
// a flush (processing has stopped); then the editor closes and the plug-in
// deactivates.
void closeDown(GuiLoop& loop, const clap_plugin_params_t* params, const clap_plugin_gui_t* gui,
               EditorHandle& editor) {
    const clap_plugin_t* p = loop.plugin.plugin();
    loop.audio.stop();
    printSentEvents(loop.audio.sentEvents(), loop.scratch, loop.sampleRate, loop.catalog);
    serviceHostRequests(loop.plugin, loop.context, loop.catalog, false, false, loop.sampleRate, loop.report);
    if (loop.context.takeFlushRequest() && params && params->flush) {
        InputEventList in;
        OutputEventList out;
        params->flush(p, in.list(), out.list());
        printOutputEvents(out.events(), static_cast<std::int64_t>(loop.audio.blocks() * kBlockSize),
                          loop.sampleRate, loop.catalog);
    }
    gui->hide(p);
    gui->destroy(p);
    editor.created = false;
    loop.plugin.deactivate();
}

void printWarnings(GuiAudioThread& audio, const RenderReport& report) {
    const std::uint64_t lost = audio.refusedOutputEvents() + audio.sentEvents().refused();
    if (lost > 0)
        std::fprintf(stderr, "corlinde-host: warning: %llu events from the plug-in were not printed\n",
                     static_cast<unsigned long long>(lost));
    if (report.restartRequested)
        std::fprintf(stderr,
                     "corlinde-host: warning: the plug-in asked for a restart, which gui does not do\n");
}

}  // namespace

int runGuiCommand(int argc, const char* const* argv, std::string& error) {
    GuiOptions options;
    if (!parseGuiOptions(argc, argv, options, error)) return kExitUsage;
    if (options.help) {
        std::fputs(guiUsageText(), stdout);
        return 0;
    }
    fxcorefile::OutputFile screenshot;
    if (!openScreenshot(options, screenshot, error)) return kExitFailure;
    SignalDescriptor signals;
    if (signals.fd() < 0) {
        error = "gui: cannot watch for signals";
        return kExitFailure;
    }
    AudioReader input;
    int sampleRate = kSilenceSampleRate;
    if (!openInput(options, input, sampleRate, error)) return kExitFailure;

    HostContext context;
    GuiHostServices services(context);
    LoadedPlugin plugin;
    if (!plugin.load(options.pluginPath, options.pluginId, services.host(), error)) return kExitFailure;
    const clap_plugin_t* p = plugin.plugin();
    services.attach(p);
    const auto* params = plugin.extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
    ParamCatalog catalog;
    catalog.refresh(p, params);
    const auto* audioPorts = plugin.extension<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
    // The input a render takes, no other.
    const bool withInput = !options.inputPath.empty();
    if (withInput && !inputChannelsFit(p, audioPorts, input.format().channels, error)) return kExitFailure;
    std::vector<std::vector<float>> loopAudio;
    if (withInput && !readLoop(input, options.inputPath, loopAudio, error)) return kExitFailure;
    // The program is in place before the editor opens, as a DAW loads a
    // project's state before it shows the plug-in.
    std::string programReport;
    if (!options.programPath.empty() &&
        !loadProgramThroughState(p, plugin.extension<clap_plugin_state_t>(CLAP_EXT_STATE), catalog, context,
                                 options.programPath, programReport, error))
        return kExitFailure;

    const auto* gui = plugin.extension<clap_plugin_gui_t>(CLAP_EXT_GUI);
    X11Window window;
    EditorHandle editor;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (!openEditor(plugin, gui, window, editor, width, height, error)) return kExitFailure;

    if (!plugin.activate(static_cast<double>(sampleRate), 1, kBlockSize)) {
        error = "the plug-in refused to activate at " + std::to_string(sampleRate) + " Hz";
        return kExitFailure;
    }
    GuiAudioThread audio;
    audio.prepare(plugin, audioPorts, sampleRate, kBlockSize, std::move(loopAudio));
    if (!audio.start()) {
        error = "cannot start the audio thread";
        return kExitFailure;
    }
    if (!programReport.empty()) std::printf("gui: %s\n", programReport.c_str());
    std::printf("gui: %s editor %u x %u in window 0x%x, %d Hz %s; close the window or press Ctrl-C to end\n",
                textOf(plugin.descriptor()->name), width, height, window.id(), sampleRate,
                withInput ? "input looped" : "silence");
    std::fflush(stdout);

    const GuiHostServices::Clock::time_point started = GuiHostServices::Clock::now();
    EventStore scratch(256, 4);
    RenderReport report;
    GuiLoop loop{options, signals, window,  services, context,   plugin,
                 catalog, audio,   scratch, report,   sampleRate};
    std::string ending;
    const bool failed = !runMainLoop(loop, started, ending, error);
    bool screenshotFailed = false;
    if (!failed && !options.screenshotPath.empty()) {
        std::string screenshotError;
        if (!window.writeScreenshot(screenshot, options.screenshotPath, screenshotError)) {
            error = screenshotError;
            screenshotFailed = true;
        }
    }
    closeDown(loop, params, gui, editor);
    printWarnings(audio, report);
    if (failed || screenshotFailed) return kExitFailure;
    const double ran = std::chrono::duration<double>(GuiHostServices::Clock::now() - started).count();
    std::printf("gui: ended (%s) after %.1f s, %llu blocks processed%s%s\n", ending.c_str(), ran,
                static_cast<unsigned long long>(audio.blocks()),
                options.screenshotPath.empty() ? "" : "; wrote ", options.screenshotPath.c_str());
    return 0;
}

}  // namespace fxcorehost
