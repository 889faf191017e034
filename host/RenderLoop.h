#pragma once
// The block loop of a render: read a block of the input, hand the plug-in its
// audio and the events due in the block, write what it returns, print the
// parameter events it sends back, and serve its main-thread requests between
// blocks.

#include <cstdint>
#include <string>
#include <vector>

#include "clap/clap.h"
#include "host/AudioFile.h"
#include "host/EventLists.h"
#include "host/HostContext.h"
#include "host/LevelMeter.h"
#include "host/ParamCatalog.h"
#include "host/PluginLoader.h"

namespace fxcorehost {

// One input event of the command line, stamped at a sample of the whole file.
struct ScheduledEvent {
    enum class Kind { ParamValue, Midi };
    std::int64_t sample = 0;
    Kind kind = Kind::ParamValue;
    clap_id paramId = 0;
    double value = 0.0;
    std::uint16_t midiPort = 0;
    std::uint8_t midi[3] = {0, 0, 0};
};

struct RenderJob {
    LoadedPlugin* plugin = nullptr;
    HostContext* host = nullptr;
    ParamCatalog* catalog = nullptr;
    AudioReader* input = nullptr;
    AudioWriter* output = nullptr;
    int outputFormat = 0;                  // SF_FORMAT_* of the output
    std::vector<ScheduledEvent> schedule;  // sorted by sample
    std::uint32_t blockSize = 512;
    // Frames the render may run on past the input (silence in) while the
    // output has not yet stayed quiet for kQuietSeconds; 0: the input's length.
    std::int64_t tailLimitFrames = 0;
    bool printEvents = false;
};

struct RenderReport {
    LevelMeter levels;
    std::int64_t frames = 0;
    std::uint64_t refusedOutputEvents = 0;
    bool restartRequested = false;
};

// [main-thread] Runs the whole file through the activated, processing plug-in,
// then silence for its tail (see kQuietSeconds).
bool runRenderLoop(RenderJob& job, RenderReport& report, std::string& error);

// [main-thread] Prints the parameter events of list as sent at the sample
// blockStart (their times count from it).
void printOutputEvents(const EventStore& events, std::int64_t blockStart, int sampleRate,
                       const ParamCatalog& catalog);

// [main-thread] Flushes stdout; false, with one line in error, when anything
// printed so far could not be written (a closed pipe, a full disk). SIGPIPE
// is ignored, so a reader that went away shows here instead of killing the
// process with a temporary file left behind.
bool standardOutputWritten(std::string& error);
// The one line for a failed write to stdout; cause is an errno value, 0 when unknown.
std::string standardOutputFailure(int cause);

// [main-thread] Serves what the plug-in asked of the host since the last call:
// the main-thread callback, a parameter rescan, its log messages (printed to
// stderr) and (when flushWhenIdle) a flush, which during processing the next
// block serves instead.
void serviceHostRequests(LoadedPlugin& plugin, HostContext& host, ParamCatalog& catalog, bool flushWhenIdle,
                         bool printEvents, int sampleRate, RenderReport& report);

}  // namespace fxcorehost
