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
    if (cl.mode >= 0) {
        const clap_param_info_t* info = catalog.resolve("Mode", error);
        if (!info) {
            error = "--mode: the plug-in has no Mode parameter";
            return false;
        }
        double value = 0.0;
        if (!catalog.parseValue(*info, std::to_string(cl.mode), value, error)) {
            error = "--mode " + std::to_string(cl.mode) + ": modes go from " + formatNumber(info->min_value) +
                    " to " + formatNumber(info->max_value);
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
// the output or the state would replace the plug-in, the input or the other
// output, or the state would be read from the file the render replaces.
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
    };
    for (const auto& c : kClashes) {
        if (c.path.empty() || !fxcorefile::sameFile(c.path, c.other)) continue;
        error =
            std::string(c.what) + " " + quoted(c.path) + " is the " + c.role + "; give them different names";
        return false;
    }
    return true;
}

}  // namespace

int runRenderCommand(const CommandLine& cl, std::string& error) {
    if (!checkFileClashes(cl, error)) return kExitFailure;
    AudioReader input;
    if (!input.open(cl.inputPath, error)) return kExitFailure;
    const AudioFormat& inFormat = input.format();

    HostContext host;
    LoadedPlugin plugin;
    if (!plugin.load(cl.pluginPath, cl.pluginId, host.host(), error)) return kExitFailure;
    const clap_plugin_t* p = plugin.plugin();
    const auto* params = plugin.extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
    const auto* state = plugin.extension<clap_plugin_state_t>(CLAP_EXT_STATE);
    const auto* audioPorts = plugin.extension<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
    const auto* notePorts = plugin.extension<clap_plugin_note_ports_t>(CLAP_EXT_NOTE_PORTS);
    ParamCatalog catalog;
    catalog.refresh(p, params);

    std::vector<std::pair<clap_id, double>> paramValues;
    if (!resolveParamValues(cl, catalog, paramValues, error)) return kExitFailure;
    std::vector<ScheduledEvent> schedule;
    if (!buildSchedule(cl, inFormat, midiInputPort(p, notePorts), schedule, error)) return kExitFailure;

    PortBuffers probe;
    probe.setUp(p, audioPorts, false, 1);
    if (probe.count() == 0 || probe.port(0).channels == 0) {
        error = "the plug-in has no audio output";
        return kExitFailure;
    }
    if (!inputChannelsFit(p, audioPorts, inFormat.channels, error)) return kExitFailure;
    AudioFormat outFormat;
    outFormat.channels = static_cast<int>(probe.port(0).channels);
    outFormat.sampleRate = inFormat.sampleRate;
    if (!chooseOutputFormat(cl.outputPath, inFormat.format, outFormat.channels, outFormat.sampleRate,
                            outFormat.format, error))
        return kExitFailure;

    if (!cl.stateIn.empty()) {
        if (!state) {
            error = "the plug-in has no state to load (--state-in)";
            return kExitFailure;
        }
        if (!loadPluginStateFile(p, state, cl.stateIn, error)) return kExitFailure;
    }
    if (!cl.stateOut.empty() && !state) {
        error = "the plug-in has no state to save (--state-out)";
        return kExitFailure;
    }

    // The outputs open before anything is printed: when one of them is the
    // standard output, the lines the render prints go to stderr instead.
    AudioWriter output;
    if (!output.open(cl.outputPath, outFormat, error)) return kExitFailure;
    fxcorefile::OutputFile stateFile;
    std::string cause;
    if (!cl.stateOut.empty() && !stateFile.open(cl.stateOut, cause)) {
        error = "cannot write " + quoted(cl.stateOut) + ": " + cause;
        return kExitFailure;
    }
    const bool stateToStdout = stateFile.direct() && fxcorefile::sameOpenFile(stateFile.fd(), STDOUT_FILENO);
    if (output.writesTo(STDOUT_FILENO) || stateToStdout) dup2(STDERR_FILENO, STDOUT_FILENO);

    RenderReport report;
    // Values from the command line reach the plug-in before activation,
    // through the params flush, as a host sets up a track before playing.
    if (!paramValues.empty()) {
        InputEventList in(paramValues.size());
        OutputEventList out(kDefaultListEvents + paramValues.size());
        for (const auto& [id, value] : paramValues) in.addParamValue(0, id, value);  // sized for all
        if (!params || !params->flush) {
            error = "the plug-in takes no parameter changes outside processing";
            return kExitFailure;
        }
        params->flush(p, in.list(), out.list());
        if (cl.printEvents) printOutputEvents(out.events(), 0, inFormat.sampleRate, catalog);
    }
    serviceHostRequests(plugin, host, catalog, true, cl.printEvents, inFormat.sampleRate, report);

    if (!plugin.activate(static_cast<double>(inFormat.sampleRate), 1, cl.blockSize)) {
        error = "the plug-in refused to activate at " + std::to_string(inFormat.sampleRate) + " Hz";
        return kExitFailure;
    }
    if (!plugin.startProcessing()) {
        error = "the plug-in refused to start processing";
        return kExitFailure;
    }

    RenderJob job;
    job.plugin = &plugin;
    job.host = &host;
    job.catalog = &catalog;
    job.input = &input;
    job.output = &output;
    job.outputFormat = outFormat.format;
    job.schedule = std::move(schedule);
    job.blockSize = cl.blockSize;
    job.tailLimitFrames = static_cast<std::int64_t>(std::nearbyint(cl.tailSeconds * inFormat.sampleRate));
    job.printEvents = cl.printEvents;
    if (!runRenderLoop(job, report, error)) return kExitFailure;

    plugin.stopProcessing();
    serviceHostRequests(plugin, host, catalog, true, cl.printEvents, inFormat.sampleRate, report);
    std::vector<unsigned char> savedState;
    if (!cl.stateOut.empty() && !savePluginState(p, state, savedState)) {
        error = "the plug-in failed to save its state";
        return kExitFailure;
    }
    plugin.deactivate();

    // Everything succeeded: write the state, then put both files in place,
    // so that no failure leaves one of them claiming success.
    // (A state written into a FIFO has reached its reader by then.)
    const auto stateFailed = [&] {
        error = "cannot write " + quoted(cl.stateOut) + ": " + cause;
        return kExitFailure;
    };
    if (!cl.stateOut.empty() && !stateFile.writeAll(savedState.data(), savedState.size(), cause))
        return stateFailed();
    // The printed events are part of what was asked for: all of them out first.
    if (!standardOutputWritten(error)) return kExitFailure;
    if (!output.commit(error)) return kExitFailure;
    if (!cl.stateOut.empty() && !stateFile.commit(cause)) return stateFailed();

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
    return 0;
}

}  // namespace fxcorehost
