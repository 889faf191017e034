#include "host/RenderCommand.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "host/AudioFile.h"
#include "host/ErrorText.h"
#include "host/HostContext.h"
#include "host/ParamCatalog.h"
#include "host/PluginLoader.h"
#include "host/PluginState.h"
#include "host/ProgramState.h"
#include "host/PortBuffers.h"
#include "host/RenderLoop.h"
#include "tools/outputfile/FileIdentity.h"
#include "tools/outputfile/OutputFile.h"

namespace fxcorehost {

namespace {

constexpr int kExitFailure = 1;

std::string secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof(text), seconds < 1e9 ? "%.3f" : "%.3g", seconds);
    return text;
}

std::string dbText(double db) {
    if (!std::isfinite(db)) return "-inf";
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f", db);
    return text;
}

// The parameter values the command line sets before processing, in order.
bool resolveParamValues(const CommandLine& cl, const ParamCatalog& catalog,
                        std::vector<std::pair<clap_id, double>>& values, std::string& error) {
    for (const auto& assignment : cl.params) {
        const clap_param_info_t* info = catalog.resolve(assignment.key, error);
        if (!info) return false;
        double value = 0.0;
        if (!catalog.parseValue(*info, assignment.valueText, value, error)) return false;
        values.emplace_back(info->id, value);
    }
    if (!cl.mode.empty()) {
        const clap_param_info_t* info = catalog.resolve("Mode", error);
        if (!info) {
            error = "--mode: the plug-in has no Mode parameter";
            return false;
        }
        double value = 0.0;
        if (!catalog.parseValue(*info, cl.mode, value, error)) {
            error = "--mode " + cl.mode + ": " + error;
            return false;
        }
        values.emplace_back(info->id, value);
    }
    if (cl.monitor) {
        const clap_param_info_t* info = catalog.resolve("Monitor", error);
        if (!info) {
            error = "--monitor: the plug-in has no Monitor parameter";
            return false;
        }
        values.emplace_back(info->id, info->max_value);
    }
    return true;
}

// A time of the command line as a sample of the input: rounded to the nearest
// sample, and within the file.
bool sampleAt(const char* option, double seconds, const AudioFormat& input, std::int64_t& sample,
              std::string& error) {
    const double length = static_cast<double>(input.frames) / input.sampleRate;
    const double position = std::nearbyint(seconds * input.sampleRate);
    if (!(position < static_cast<double>(input.frames))) {
        error = std::string(option) + " " + secondsText(seconds) +
                ": the time is past the end of the input (" + secondsText(length) + " s)";
        return false;
    }
    sample = static_cast<std::int64_t>(position);
    return true;
}

bool buildSchedule(const CommandLine& cl, const AudioFormat& input, int midiPort,
                   std::vector<ScheduledEvent>& schedule, std::string& error) {
    if ((!cl.midiCcs.empty() || !cl.pressSeconds.empty()) && midiPort < 0) {
        error = "the plug-in takes no MIDI input (needed by --midi-cc and --press)";
        return false;
    }
    auto addCc = [&](const char* option, double seconds, std::uint8_t cc, std::uint8_t value) {
        ScheduledEvent event;
        if (!sampleAt(option, seconds, input, event.sample, error)) return false;
        event.kind = ScheduledEvent::Kind::Midi;
        event.midiPort = static_cast<std::uint16_t>(midiPort);
        event.midi[0] = 0xB0;  // control change, channel 1
        event.midi[1] = cc;
        event.midi[2] = value;
        schedule.push_back(event);
        return true;
    };
    for (const auto& cc : cl.midiCcs)
        if (!addCc("--midi-cc", cc.seconds, cc.controller, cc.value)) return false;
    for (const double seconds : cl.pressSeconds)
        if (!addCc("--press", seconds, kPressController, kPressValue)) return false;
    // Sorted by time; events at the same sample keep their command-line order.
    std::stable_sort(schedule.begin(), schedule.end(),
                     [](const ScheduledEvent& a, const ScheduledEvent& b) { return a.sample < b.sample; });
    return true;
}

// Files that are one file under two names (or spellings, or links): writing
// the output or the state would replace the plug-in, the input, the program
// or the other output, or the state would be read from the file the render
// replaces.
bool checkFileClashes(const CommandLine& cl, std::string& error) {
    const struct {
        const char* what;
        const std::string& path;
        const std::string& other;
        const char* role;
    } kClashes[] = {
        {"the output", cl.outputPath, cl.inputPath, "input file"},
        {"the output", cl.outputPath, cl.pluginPath, "plug-in file"},
        {"--state-out", cl.stateOut, cl.outputPath, "output file"},
        {"--state-out", cl.stateOut, cl.inputPath, "input file"},
        {"--state-out", cl.stateOut, cl.pluginPath, "plug-in file"},
        {"--state-in", cl.stateIn, cl.outputPath, "output file"},
        // The program is read before the render, but the user's own source.
        {"the output", cl.outputPath, cl.programPath, "--program file"},
        {"--state-out", cl.stateOut, cl.programPath, "--program file"},
    };
    for (const auto& c : kClashes) {
        if (c.path.empty() || c.other.empty() || !fxcorefile::sameFile(c.path, c.other)) continue;
        error =
            std::string(c.what) + " " + quoted(c.path) + " is the " + c.role + "; give them different names";
        return false;
    }
    return true;
}

// The plug-in of a render with the extensions the render uses.
struct RenderSession {
    HostContext host;
    LoadedPlugin plugin;
    ParamCatalog catalog;
    const clap_plugin_t* p = nullptr;
    const clap_plugin_params_t* params = nullptr;
    const clap_plugin_state_t* state = nullptr;
    const clap_plugin_audio_ports_t* audioPorts = nullptr;
    const clap_plugin_note_ports_t* notePorts = nullptr;

    bool load(const CommandLine& cl, std::string& error) {
        if (!plugin.load(cl.pluginPath, cl.pluginId, host.host(), error)) return false;
        p = plugin.plugin();
        params = plugin.extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
        state = plugin.extension<clap_plugin_state_t>(CLAP_EXT_STATE);
        audioPorts = plugin.extension<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
        notePorts = plugin.extension<clap_plugin_note_ports_t>(CLAP_EXT_NOTE_PORTS);
        catalog.refresh(p, params);
        return true;
    }
};

// --state-in, then --program on top of it, as a DAW opens a project and then
// the user loads a program into the plug-in. What --program loaded is
// described in programReport.
bool loadStates(const CommandLine& cl, RenderSession& s, std::string& programReport, std::string& error) {
    const bool needsState = !cl.stateIn.empty() || !cl.stateOut.empty() || !cl.programPath.empty();
    if (needsState && !s.state) {
        error =
            std::string("the plug-in has no state to ") + (!cl.stateIn.empty()       ? "load (--state-in)"
                                                           : !cl.programPath.empty() ? "carry --program"
                                                                                     : "save (--state-out)");
        return false;
    }
    if (!cl.stateIn.empty() && !loadPluginStateFile(s.p, s.state, cl.stateIn, error)) return false;
    return cl.programPath.empty() ||
           loadProgramThroughState(s.p, s.state, s.catalog, s.host, cl.programPath, programReport, error);
}

// The output's channels (the plug-in's main output), rate (the input's) and format.
bool chooseRenderFormat(const CommandLine& cl, const RenderSession& s, const AudioFormat& inFormat,
                        AudioFormat& outFormat, std::string& error) {
    PortBuffers probe;
    probe.setUp(s.p, s.audioPorts, false, 1);
    if (probe.count() == 0 || probe.port(0).channels == 0) {
        error = "the plug-in has no audio output";
        return false;
    }
    if (!inputChannelsFit(s.p, s.audioPorts, inFormat.channels, error)) return false;
    outFormat.channels = static_cast<int>(probe.port(0).channels);
    outFormat.sampleRate = inFormat.sampleRate;
    return chooseOutputFormat(cl.outputPath, inFormat.format, outFormat.channels, outFormat.sampleRate,
                              outFormat.format, error);
}

// The output and the --state-out file open before anything is printed: when
// one of them is the standard output, the lines the render prints go to
// stderr instead.
bool openOutputs(const CommandLine& cl, const AudioFormat& outFormat, AudioWriter& output,
                 fxcorefile::OutputFile& stateFile, std::string& error) {
    if (!output.open(cl.outputPath, outFormat, error)) return false;
    std::string cause;
    if (!cl.stateOut.empty() && !stateFile.open(cl.stateOut, cause)) {
        error = "cannot write " + quoted(cl.stateOut) + ": " + cause;
        return false;
    }
    const bool stateToStdout = stateFile.direct() && fxcorefile::sameOpenFile(stateFile.fd(), STDOUT_FILENO);
    if (output.writesTo(STDOUT_FILENO) || stateToStdout) dup2(STDERR_FILENO, STDOUT_FILENO);
    return true;
}

// Values from the command line reach the plug-in before activation, through
// the params flush, as a host sets up a track before playing.
bool flushParamValues(const CommandLine& cl, RenderSession& s,
                      const std::vector<std::pair<clap_id, double>>& values, int sampleRate,
                      RenderReport& report, std::string& error) {
    if (!values.empty()) {
        if (!s.params || !s.params->flush) {
            error = "the plug-in takes no parameter changes outside processing";
            return false;
        }
        InputEventList in(values.size());
        OutputEventList out(kDefaultListEvents + values.size());
        for (const auto& [id, value] : values) in.addParamValue(0, id, value);  // sized for all
        s.params->flush(s.p, in.list(), out.list());
        if (cl.printEvents) printOutputEvents(out.events(), 0, sampleRate, s.catalog);
    }
    serviceHostRequests(s.plugin, s.host, s.catalog, true, cl.printEvents, sampleRate, report);
    return true;
}

bool startPlugin(const CommandLine& cl, LoadedPlugin& plugin, int sampleRate, std::string& error) {
    if (!plugin.activate(static_cast<double>(sampleRate), 1, cl.blockSize)) {
        error = "the plug-in refused to activate at " + std::to_string(sampleRate) + " Hz";
        return false;
    }
    if (!plugin.startProcessing()) {
        error = "the plug-in refused to start processing";
        return false;
    }
    return true;
}

// After the blocks: stop, save the state, deactivate; then write the state
// and put both files in place, so that no failure leaves one of them
// claiming success. (A state written into a FIFO has reached its reader by
// then.)
bool finishRender(const CommandLine& cl, RenderSession& s, int sampleRate, AudioWriter& output,
                  fxcorefile::OutputFile& stateFile, RenderReport& report, std::string& error) {
    s.plugin.stopProcessing();
    serviceHostRequests(s.plugin, s.host, s.catalog, true, cl.printEvents, sampleRate, report);
    std::vector<unsigned char> savedState;
    if (!cl.stateOut.empty() && !savePluginState(s.p, s.state, savedState)) {
        error = "the plug-in failed to save its state";
        return false;
    }
    s.plugin.deactivate();

    std::string cause;
    const auto stateFailed = [&] {
        error = "cannot write " + quoted(cl.stateOut) + ": " + cause;
        return false;
    };
    if (!cl.stateOut.empty() && !stateFile.writeAll(savedState.data(), savedState.size(), cause))
        return stateFailed();
    // The printed events are part of what was asked for: all of them out first.
    if (!standardOutputWritten(error)) return false;
    if (!output.commit(error)) return false;
    if (!cl.stateOut.empty() && !stateFile.commit(cause)) return stateFailed();
    return true;
}

void printRenderSummary(const CommandLine& cl, const AudioFormat& outFormat, const RenderReport& report) {
    if (report.refusedOutputEvents > 0)
        std::fprintf(stderr,
                     "corlinde-host: warning: %llu events from the plug-in did not fit the output list\n",
                     static_cast<unsigned long long>(report.refusedOutputEvents));
    if (report.restartRequested)
        std::fprintf(
            stderr,
            "corlinde-host: warning: the plug-in asked for a restart, which a file render cannot do\n");
    std::printf("wrote %s: %d ch, %d Hz, %s s, %s; peak %s dBFS, RMS %s dBFS\n", cl.outputPath.c_str(),
                outFormat.channels, outFormat.sampleRate,
                secondsText(static_cast<double>(report.frames) / outFormat.sampleRate).c_str(),
                describeFormat(outFormat.format).c_str(), dbText(report.levels.peakDb()).c_str(),
                dbText(report.levels.rmsDb()).c_str());
}

}  // namespace

int runRenderCommand(const CommandLine& cl, std::string& error) {
    if (!checkFileClashes(cl, error)) return kExitFailure;
    AudioReader input;
    if (!input.open(cl.inputPath, error)) return kExitFailure;
    const AudioFormat& inFormat = input.format();

    RenderSession s;
    if (!s.load(cl, error)) return kExitFailure;
    // The states first: a value's name can depend on them (Corlinde Jr's
    // mode names follow the selected bank).
    std::string programReport;
    if (!loadStates(cl, s, programReport, error)) return kExitFailure;
    std::vector<std::pair<clap_id, double>> paramValues;
    if (!resolveParamValues(cl, s.catalog, paramValues, error)) return kExitFailure;
    std::vector<ScheduledEvent> schedule;
    if (!buildSchedule(cl, inFormat, midiInputPort(s.p, s.notePorts), schedule, error)) return kExitFailure;
    AudioFormat outFormat;
    if (!chooseRenderFormat(cl, s, inFormat, outFormat, error)) return kExitFailure;

    AudioWriter output;
    fxcorefile::OutputFile stateFile;
    if (!openOutputs(cl, outFormat, output, stateFile, error)) return kExitFailure;
    if (!programReport.empty()) std::printf("%s\n", programReport.c_str());

    RenderReport report;
    if (!flushParamValues(cl, s, paramValues, inFormat.sampleRate, report, error)) return kExitFailure;
    if (!startPlugin(cl, s.plugin, inFormat.sampleRate, error)) return kExitFailure;

    RenderJob job;
    job.plugin = &s.plugin;
    job.host = &s.host;
    job.catalog = &s.catalog;
    job.input = &input;
    job.output = &output;
    job.outputFormat = outFormat.format;
    job.schedule = std::move(schedule);
    job.blockSize = cl.blockSize;
    job.tailLimitFrames = static_cast<std::int64_t>(std::nearbyint(cl.tailSeconds * inFormat.sampleRate));
    job.printEvents = cl.printEvents;
    if (!runRenderLoop(job, report, error)) return kExitFailure;

    if (!finishRender(cl, s, inFormat.sampleRate, output, stateFile, report, error)) return kExitFailure;
    printRenderSummary(cl, outFormat, report);
    return 0;
}

}  // namespace fxcorehost
