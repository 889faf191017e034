// The instance callback record and the members it reaches that are plain plumbing: activate,
// deactivate, reset, the tail and the port descriptions; and the way to the host's log.
//
// Every callback finds its instance through plugin_data; a record without one does nothing.

#include "plugin/PluginCallbacks.h"

#include <cmath>
#include <cstdio>

#include "plugin/FXCorePlugin.h"

namespace fxcoreplug {

FXCorePlugin* fromClap(const clap_plugin* plugin) {
    if (plugin == nullptr) {
        return nullptr;
    }
    return static_cast<FXCorePlugin*>(plugin->plugin_data);
}

namespace {

bool pluginInit(const clap_plugin*) {
    return true;  // the constructor has done all set-up
}

void pluginDestroy(const clap_plugin* plugin) {
    delete fromClap(plugin);
}

bool pluginActivate(const clap_plugin* plugin, double rate, std::uint32_t minFrames,
                    std::uint32_t maxFrames) {
    FXCorePlugin* self = fromClap(plugin);
    return self != nullptr && self->activate(rate, minFrames, maxFrames);
}

void pluginDeactivate(const clap_plugin* plugin) {
    if (FXCorePlugin* self = fromClap(plugin)) {
        self->deactivate();
    }
}

bool pluginStartProcessing(const clap_plugin*) {
    return true;
}

void pluginStopProcessing(const clap_plugin*) {}

void pluginReset(const clap_plugin* plugin) {
    if (FXCorePlugin* self = fromClap(plugin)) {
        self->reset();
    }
}

clap_process_status pluginProcess(const clap_plugin* plugin, const clap_process* processData) {
    if (FXCorePlugin* self = fromClap(plugin)) {
        self->process(processData);
    }
    return CLAP_PROCESS_CONTINUE;
}

void pluginOnMainThread(const clap_plugin* plugin) {
    if (FXCorePlugin* self = fromClap(plugin)) {
        self->onMainThread();
    }
}

}  // namespace

clap_plugin makeClapPluginRecord(FXCorePlugin* instance) {
    clap_plugin record{};
    record.desc = descriptor();
    record.plugin_data = instance;
    record.init = pluginInit;
    record.destroy = pluginDestroy;
    record.activate = pluginActivate;
    record.deactivate = pluginDeactivate;
    record.start_processing = pluginStartProcessing;
    record.stop_processing = pluginStopProcessing;
    record.reset = pluginReset;
    record.process = pluginProcess;
    record.get_extension = pluginGetExtension;
    record.on_main_thread = pluginOnMainThread;
    return record;
}

bool FXCorePlugin::activate(double rate, std::uint32_t, std::uint32_t) {
    // Block sizes are ignored: processing runs sample by sample over any block.
    // A rate that is not above zero, not a number or infinite gives 48000.
    const double useRate = rate > 0.0 && std::isfinite(rate) ? rate : 48000.0;
    sampleRate = useRate;
    core.sampleRate = useRate;
    appliedProgram = -1;
    pressCountdown.fill(0);
    return true;
}

void FXCorePlugin::deactivate() {}

void FXCorePlugin::reset() {
    core.reset();
    pressCountdown.fill(0);
}

std::uint32_t FXCorePlugin::tailGet() const {
    return kInfiniteTail;
}

bool FXCorePlugin::audioPortsInfo(std::uint32_t index, bool isInput, clap_audio_port_info* info) const {
    if (index != 0 || info == nullptr) {
        return false;
    }
    info->id = isInput ? 0 : 1;
    std::snprintf(info->name, sizeof info->name, "%s", isInput ? "Input" : "Output");
    info->flags = CLAP_AUDIO_PORT_IS_MAIN;
    info->channel_count = 2;
    info->port_type = CLAP_PORT_STEREO;
    info->in_place_pair = CLAP_INVALID_ID;
    return true;
}

void FXCorePlugin::logToHost(clap_log_severity severity, const char* msg) const {
    if (host == nullptr || host->get_extension == nullptr) {
        return;
    }
    const auto* log = static_cast<const clap_host_log*>(host->get_extension(host, CLAP_EXT_LOG));
    if (log != nullptr && log->log != nullptr) {
        log->log(host, severity, msg);
    }
}

bool FXCorePlugin::notePortsInfo(std::uint32_t index, bool isInput, clap_note_port_info* info) const {
    if (index != 0 || !isInput || info == nullptr) {
        return false;
    }
    info->id = 0;
    info->supported_dialects = CLAP_NOTE_DIALECT_MIDI;
    info->preferred_dialect = CLAP_NOTE_DIALECT_MIDI;
    std::snprintf(info->name, sizeof info->name, "%s", "MIDI Control");
    return true;
}

}  // namespace fxcoreplug
