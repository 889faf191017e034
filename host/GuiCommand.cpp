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

}  // namespace

int runGuiCommand(int argc, const char* const* argv, std::string& error) {
    GuiOptions options;
    if (!parseGuiOptions(argc, argv, options, error)) return kExitUsage;
    if (options.help) {
        std::fputs(guiUsageText(), stdout);
        return 0;
    }

    // The screenshot's file opens before anything is printed: when it is the
    // standard output, the lines gui prints go to stderr instead.
    fxcorefile::OutputFile screenshot;
    if (!options.screenshotPath.empty()) {
        const std::pair<const std::string&, const char*> others[] = {{options.pluginPath, "plug-in file"},
                                                                     {options.inputPath, "input file"}};
        for (const auto& [other, role] : others) {
            if (other.empty() || !fxcorefile::sameFile(options.screenshotPath, other)) continue;
            error = "--screenshot " + quoted(options.screenshotPath) + " is the " + role +
                    "; give them different names";
            return kExitFailure;
        }
        std::string cause;
        if (!screenshot.open(options.screenshotPath, cause)) {
            error = "cannot write " + quoted(options.screenshotPath) + ": " + cause;
            return kExitFailure;
        }
        if (screenshot.direct() && fxcorefile::sameOpenFile(screenshot.fd(), STDOUT_FILENO))
            dup2(STDERR_FILENO, STDOUT_FILENO);
    }

    SignalDescriptor signals;
    if (signals.fd() < 0) {
        error = "gui: cannot watch for signals";
        return kExitFailure;
    }
    const bool withInput = !options.inputPath.empty();
    AudioReader input;
    int sampleRate = kSilenceSampleRate;
    if (withInput) {
        if (!input.open(options.inputPath, error)) return kExitFailure;
        if (input.format().frames <= 0) {
            error = "--input " + options.inputPath + ": the file holds no audio";
            return kExitFailure;
        }
        sampleRate = input.format().sampleRate;
    }

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
    if (withInput && !inputChannelsFit(p, audioPorts, input.format().channels, error)) return kExitFailure;
    std::vector<std::vector<float>> loop;
    if (withInput && !readLoop(input, options.inputPath, loop, error)) return kExitFailure;

    const auto* gui = plugin.extension<clap_plugin_gui_t>(CLAP_EXT_GUI);
    if (!hasGuiEntries(gui)) {
        error = "the plug-in has no editor (no clap.gui extension)";
        return kExitFailure;
    }
    if (!gui->is_api_supported(p, CLAP_WINDOW_API_X11, false)) {
        error = "the plug-in's editor does not embed in X11 windows";
        return kExitFailure;
    }

    // The CLAP order for an embedded editor: create, scale, size, parent, show.
    X11Window window;
    EditorHandle editor;
    editor.plugin = p;
    editor.gui = gui;
    if (!gui->create(p, CLAP_WINDOW_API_X11, false)) {
        error = "the plug-in refused to create its editor";
        return kExitFailure;
    }
    editor.created = true;
    gui->set_scale(p, 1.0);  // the editor may keep its own size instead
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (!gui->get_size(p, &width, &height) || width == 0 || height == 0 || width > 16384 || height > 16384) {
        error = "the plug-in gave no usable editor size";
        return kExitFailure;
    }
    if (!window.create(width, height, textOf(plugin.descriptor()->name), error)) return kExitFailure;
    clap_window_t parent{};
    parent.api = CLAP_WINDOW_API_X11;
    parent.x11 = window.id();
    if (!gui->set_parent(p, &parent)) {
        error = "the plug-in's editor refused the window";
        return kExitFailure;
    }
    window.map();
    gui->show(p);

    if (!plugin.activate(static_cast<double>(sampleRate), 1, kBlockSize)) {
        error = "the plug-in refused to activate at " + std::to_string(sampleRate) + " Hz";
        return kExitFailure;
    }
    GuiAudioThread audio;
    audio.prepare(plugin, audioPorts, sampleRate, kBlockSize, std::move(loop));
    if (!audio.start()) {
        error = "cannot start the audio thread";
        return kExitFailure;
    }
    std::printf("gui: %s editor %u x %u in window 0x%x, %d Hz %s; close the window or press Ctrl-C to end\n",
                textOf(plugin.descriptor()->name), width, height, window.id(), sampleRate,
                withInput ? "input looped" : "silence");
    std::fflush(stdout);

    using Clock = GuiHostServices::Clock;
    const Clock::time_point started = Clock::now();
    const bool timed = options.seconds > 0.0;
    const Clock::time_point deadline =
        started + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options.seconds));
    EventStore scratch(256, 4);
    RenderReport report;
    std::vector<pollfd> fds;
    std::string ending;
    bool failed = false;

    while (ending.empty()) {
        window.flush();
        const Clock::time_point now = Clock::now();
        Clock::duration wait = services.timeUntilNextTimer(now, kServiceInterval);
        if (timed) wait = std::min(wait, std::max(deadline - now, Clock::duration::zero()));
        // Rounded up: waking before a timer is due would only poll again at once.
        const auto waitMs = std::chrono::ceil<std::chrono::milliseconds>(wait).count();

        fds.clear();
        fds.push_back({signals.fd(), POLLIN, 0});
        fds.push_back({window.fd(), POLLIN, 0});
        services.addPollFds(fds);
        if (poll(fds.data(), fds.size(), static_cast<int>(waitMs)) < 0 && errno != EINTR) {
            error = "gui: poll failed";
            failed = true;
            break;
        }
        if (fds[0].revents & POLLIN) {
            const int sig = signals.take();
            if (sig != 0) ending = sig == SIGTERM ? "SIGTERM" : "SIGINT";
        }
        const X11Window::Status status = window.drainEvents();
        if (status == X11Window::Status::CloseRequested) ending = "window closed";
        if (status == X11Window::Status::ConnectionLost) {
            error = "gui: the connection to the X display was lost";
            failed = true;
            break;
        }
        services.dispatchFds(fds, 2);
        services.fireDueTimers(Clock::now());
        // Processing runs all the time, so a requested flush is left to the
        // next block, which drains the same queue.
        serviceHostRequests(plugin, context, catalog, false, false, sampleRate, report);
        printSentEvents(audio.sentEvents(), scratch, sampleRate, catalog);
        if (std::ferror(stdout)) {
            standardOutputWritten(error);
            failed = true;
            break;
        }
        if (audio.failure() != GuiAudioThread::Failure::None) {
            error = audio.failure() == GuiAudioThread::Failure::StartRefused
                        ? "the plug-in refused to start processing"
                        : "the plug-in reported a processing error";
            failed = true;
            break;
        }
        if (timed && Clock::now() >= deadline) ending = "--seconds " + formatNumber(options.seconds);
    }

    bool screenshotFailed = false;
    if (!failed && !options.screenshotPath.empty()) {
        std::string screenshotError;
        if (!window.writeScreenshot(screenshot, options.screenshotPath, screenshotError)) {
            error = screenshotError;
            screenshotFailed = true;
        }
    }

    audio.stop();
    printSentEvents(audio.sentEvents(), scratch, sampleRate, catalog);
    // Not processing any more: what the editor queued since the last block
    // goes out through a flush.
    serviceHostRequests(plugin, context, catalog, false, false, sampleRate, report);
    if (context.takeFlushRequest() && params && params->flush) {
        InputEventList in;
        OutputEventList out;
        params->flush(p, in.list(), out.list());
        printOutputEvents(out.events(), static_cast<std::int64_t>(audio.blocks() * kBlockSize), sampleRate,
                          catalog);
    }
    gui->hide(p);
    gui->destroy(p);
    editor.created = false;
    plugin.deactivate();

    const std::uint64_t lost = audio.refusedOutputEvents() + audio.sentEvents().refused();
    if (lost > 0)
        std::fprintf(stderr, "corlinde-host: warning: %llu events from the plug-in were not printed\n",
                     static_cast<unsigned long long>(lost));
    if (report.restartRequested)
        std::fprintf(stderr,
                     "corlinde-host: warning: the plug-in asked for a restart, which gui does not do\n");
    if (failed || screenshotFailed) return kExitFailure;
    const double ran = std::chrono::duration<double>(Clock::now() - started).count();
    std::printf("gui: ended (%s) after %.1f s, %llu blocks processed%s%s\n", ending.c_str(), ran,
                static_cast<unsigned long long>(audio.blocks()),
                options.screenshotPath.empty() ? "" : "; wrote ", options.screenshotPath.c_str());
    return 0;
}

}  // namespace fxcorehost
