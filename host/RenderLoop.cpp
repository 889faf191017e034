#include "host/RenderLoop.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "host/Options.h"
#include "host/PortBuffers.h"
#include "host/ProcessBlock.h"
#include "host/ProgressBar.h"

namespace fxcorehost {

namespace {

bool isIntegerFormat(int format) {
    const int subtype = format & SF_FORMAT_SUBMASK;
    return subtype != SF_FORMAT_FLOAT && subtype != SF_FORMAT_DOUBLE;
}

// Input file channels to the main input port: a mono file feeds every
// channel, otherwise channel c feeds channel c and the rest stay silent.
void deinterleave(const float* interleaved, int fileChannels, std::uint32_t frames, PortBuffer& port) {
    for (std::uint32_t c = 0; c < port.channels; ++c) {
        const int source = fileChannels == 1 ? 0 : static_cast<int>(c);
        float* out = port.samples[c].data();
        if (source >= fileChannels) {
            std::fill(out, out + frames, 0.0f);
            continue;
        }
        for (std::uint32_t f = 0; f < frames; ++f)
            out[f] = interleaved[static_cast<std::size_t>(f) * static_cast<std::size_t>(fileChannels) +
                                 static_cast<std::size_t>(source)];
    }
}

void interleave(const PortBuffer& port, std::uint32_t frames, bool clip, float* interleaved) {
    const std::size_t channels = port.channels;
    for (std::size_t c = 0; c < channels; ++c) {
        const float* in = port.samples[c].data();
        for (std::uint32_t f = 0; f < frames; ++f) {
            float x = in[f];
            if (clip) x = std::clamp(x, -1.0f, 1.0f);
            interleaved[static_cast<std::size_t>(f) * channels + c] = x;
        }
    }
}

// The largest number of scheduled events (sorted by sample) that fall in one
// block, so that the input list can hold every one of them.
std::size_t mostEventsInABlock(const std::vector<ScheduledEvent>& schedule, std::uint32_t blockSize) {
    std::size_t most = 0;
    for (std::size_t first = 0, i = 0; i < schedule.size(); ++i) {
        const std::int64_t block = schedule[i].sample / blockSize;
        if (schedule[first].sample / blockSize != block) first = i;
        most = std::max(most, i - first + 1);
    }
    return most;
}

// Counts how long the output has stayed below kQuietLevel on every channel,
// the time before the file counting as quiet.
class QuietRun {
public:
    QuietRun(std::int64_t needed, std::size_t channels)
        : m_needed(needed), m_run(needed), m_channels(channels) {}
    // The number of frames of the block to keep: up to the frame at which
    // the output, at least endAfter frames long, has stayed quiet long
    // enough; frames when it has not.
    std::uint32_t keep(const float* interleaved, std::uint32_t frames, std::int64_t start,
                       std::int64_t endAfter) {
        for (std::uint32_t f = 0; f < frames; ++f) {
            const float* frame = interleaved + static_cast<std::size_t>(f) * m_channels;
            bool quiet = true;
            for (std::size_t c = 0; c < m_channels; ++c) quiet = quiet && std::fabs(frame[c]) < kQuietLevel;
            m_run = quiet ? m_run + 1 : 0;
            if (m_run >= m_needed && start + f + 1 >= endAfter) {
                m_ended = true;
                return f + 1;
            }
        }
        return frames;
    }
    bool ended() const { return m_ended; }

private:
    std::int64_t m_needed;
    std::int64_t m_run;
    std::size_t m_channels;
    bool m_ended = false;
};

}  // namespace

void printOutputEvents(const EventStore& events, std::int64_t blockStart, int sampleRate,
                       const ParamCatalog& catalog) {
    for (std::uint32_t i = 0; i < events.size(); ++i) {
        const clap_event_header_t* header = events.at(i);
        if (header->space_id != CLAP_CORE_EVENT_SPACE_ID) continue;
        const std::int64_t sample = blockStart + header->time;
        const double seconds = static_cast<double>(sample) / sampleRate;
        if (header->type == CLAP_EVENT_PARAM_VALUE && header->size >= sizeof(clap_event_param_value_t)) {
            const auto* event = reinterpret_cast<const clap_event_param_value_t*>(header);
            const std::string text = catalog.valueText(event->param_id, event->value);
            std::printf("event sample %lld (%.6f s): param %u \"%s\" = %s%s%s%s\n",
                        static_cast<long long>(sample), seconds, event->param_id,
                        catalog.nameOf(event->param_id).c_str(), formatNumber(event->value).c_str(),
                        text.empty() ? "" : " (", text.c_str(), text.empty() ? "" : ")");
        } else if ((header->type == CLAP_EVENT_PARAM_GESTURE_BEGIN ||
                    header->type == CLAP_EVENT_PARAM_GESTURE_END) &&
                   header->size >= sizeof(clap_event_param_gesture_t)) {
            const auto* event = reinterpret_cast<const clap_event_param_gesture_t*>(header);
            std::printf("event sample %lld (%.6f s): gesture %s %u \"%s\"\n", static_cast<long long>(sample),
                        seconds, header->type == CLAP_EVENT_PARAM_GESTURE_BEGIN ? "begin" : "end",
                        event->param_id, catalog.nameOf(event->param_id).c_str());
        }
    }
}

std::string standardOutputFailure(int cause) {
    std::string text = "cannot write to standard output";
    if (cause != 0) text += std::string(": ") + std::strerror(cause);
    return text;
}

bool standardOutputWritten(std::string& error) {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    if (flushed && !std::ferror(stdout)) return true;
    error = standardOutputFailure(flushed ? 0 : errno);
    return false;
}

void serviceHostRequests(LoadedPlugin& plugin, HostContext& host, ParamCatalog& catalog, bool flushWhenIdle,
                         bool printEvents, int sampleRate, RenderReport& report) {
    const clap_plugin_t* p = plugin.plugin();
    if (host.takeCallbackRequest()) p->on_main_thread(p);
    const auto* params = plugin.extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
    if (host.takeRescanFlags() != 0) catalog.refresh(p, params);
    if (host.takeRestartRequest()) report.restartRequested = true;
    for (const std::string& message : host.takeLogMessages())
        std::fprintf(stderr, "corlinde-host: the plug-in logs: %s\n", message.c_str());
    if (flushWhenIdle && host.takeFlushRequest() && params && params->flush) {
        InputEventList in;
        OutputEventList out;
        params->flush(p, in.list(), out.list());
        if (printEvents) printOutputEvents(out.events(), 0, sampleRate, catalog);
        report.refusedOutputEvents += out.events().refused();
    }
}

bool runRenderLoop(RenderJob& job, RenderReport& report, std::string& error) {
    const clap_plugin_t* plugin = job.plugin->plugin();
    const AudioFormat& inFormat = job.input->format();
    const auto* audioPorts = job.plugin->extension<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);

    PortBuffers inputs;
    PortBuffers outputs;
    inputs.setUp(plugin, audioPorts, true, job.blockSize);
    outputs.setUp(plugin, audioPorts, false, job.blockSize);
    if (outputs.count() == 0 || outputs.port(0).channels == 0) {
        error = "the plug-in has no audio output";
        return false;
    }
    const bool clip = isIntegerFormat(job.outputFormat);
    const PortBuffer& mainOut = outputs.port(0);

    std::vector<float> inInterleaved(static_cast<std::size_t>(job.blockSize) *
                                     static_cast<std::size_t>(inFormat.channels));
    std::vector<float> outInterleaved(static_cast<std::size_t>(job.blockSize) * mainOut.channels);
    // Every scheduled event reaches the plug-in, and every answer to one has
    // room besides the usual.
    const std::size_t mostEvents = mostEventsInABlock(job.schedule, job.blockSize);
    InputEventList inEvents(mostEvents);
    OutputEventList outEvents(kDefaultListEvents + mostEvents);
    ProgressBar progress(inFormat.frames, inFormat.sampleRate);
    std::size_t nextEvent = 0;
    // The input, then silence until the output has stayed quiet or the tail's limit.
    const std::int64_t limit = inFormat.frames + job.tailLimitFrames;
    QuietRun quiet(static_cast<std::int64_t>(std::ceil(kQuietSeconds * inFormat.sampleRate)),
                   mainOut.channels);

    for (std::int64_t start = 0; start < limit && !quiet.ended();) {
        const bool inInput = start < inFormat.frames;
        const auto frames = static_cast<std::uint32_t>(
            std::min<std::int64_t>(job.blockSize, (inInput ? inFormat.frames : limit) - start));
        if (inInput && job.input->read(inInterleaved.data(), frames) != frames) {
            error = "cannot read the input: it ends early, at " +
                    std::to_string(static_cast<double>(start) / inFormat.sampleRate) + " s";
            return false;
        }
        inputs.silence();
        outputs.silence();
        if (inInput && inputs.count() > 0)
            deinterleave(inInterleaved.data(), inFormat.channels, frames, inputs.port(0));

        inEvents.events().clear();
        outEvents.events().clear();
        while (nextEvent < job.schedule.size() && job.schedule[nextEvent].sample < start + frames) {
            const ScheduledEvent& e = job.schedule[nextEvent++];
            const auto time = static_cast<std::uint32_t>(e.sample - start);
            const bool added = e.kind == ScheduledEvent::Kind::ParamValue
                                   ? inEvents.addParamValue(time, e.paramId, e.value)
                                   : inEvents.addMidi(time, e.midiPort, e.midi[0], e.midi[1], e.midi[2]);
            if (!added) {  // the list was sized for the busiest block: never
                error = "internal error: the block at " + std::to_string(start) +
                        " has more events than its list";
                return false;
            }
        }

        if (processBlock(plugin, start, frames, inputs, outputs, inEvents, outEvents) == CLAP_PROCESS_ERROR) {
            error = "the plug-in reported a processing error at " +
                    std::to_string(static_cast<double>(start) / inFormat.sampleRate) + " s";
            return false;
        }

        interleave(mainOut, frames, clip, outInterleaved.data());
        const std::uint32_t kept = job.tailLimitFrames > 0
                                       ? quiet.keep(outInterleaved.data(), frames, start, inFormat.frames)
                                       : frames;
        report.levels.add(outInterleaved.data(), static_cast<std::int64_t>(kept) * mainOut.channels);
        if (!job.output->write(outInterleaved.data(), kept, error)) return false;
        if (job.printEvents) {
            printOutputEvents(outEvents.events(), start, inFormat.sampleRate, *job.catalog);
            // A line that could not be written ends the render; errno still
            // holds why (the failed write is the last thing that set it).
            if (std::ferror(stdout)) {
                error = standardOutputFailure(errno);
                return false;
            }
        }

        serviceHostRequests(*job.plugin, *job.host, *job.catalog, false, job.printEvents, inFormat.sampleRate,
                            report);
        start += frames;
        report.frames = start - frames + kept;
        progress.update(std::min(start, inFormat.frames));
    }
    report.refusedOutputEvents += outEvents.events().refused();
    return true;
}

}  // namespace fxcorehost
