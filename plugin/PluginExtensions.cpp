// The plug-in's extension tables and the lookup that hands them to the host.
//
// Each table is a constant record of capture-less functions that find the instance through
// plugin_data and forward to its members. What the host expects of each:
// - audio-ports / note-ports: scanned on the main thread while deactivated; one stereo input,
//   one stereo output, one MIDI input.
// - params: count, info, values and texts on the main thread; flush on the audio thread while
//   active (else main), never during process.
// - state: save and load on the main thread.
// - tail: an infinite tail, asked on the main or audio thread.
// - gui: see guiExtension (only with the editor).
// - timer-support, posix-fd-support: how the host drives the editor's X11 connection and
//   timers on its main thread (only with the editor; see PluginEditor.cpp).
// - clap-wrapper's VST3 info: one MIDI channel per note port, no note expressions.

#include <cstring>

#include <clapwrapper/vst3.h>

#include "plugin/FXCorePlugin.h"

namespace fxcoreplug {

namespace {

std::uint32_t audioPortsCount(const clap_plugin*, bool) {
    return 1;
}

bool audioPortsGet(const clap_plugin* plugin, std::uint32_t index, bool isInput, clap_audio_port_info* info) {
    const FXCorePlugin* self = fromClap(plugin);
    return self != nullptr && self->audioPortsInfo(index, isInput, info);
}

const clap_plugin_audio_ports s_audioPorts{audioPortsCount, audioPortsGet};

std::uint32_t paramsCountCb(const clap_plugin* plugin) {
    const FXCorePlugin* self = fromClap(plugin);
    return self != nullptr ? self->paramsCount() : 0;
}

bool paramsInfoCb(const clap_plugin* plugin, std::uint32_t index, clap_param_info* info) {
    const FXCorePlugin* self = fromClap(plugin);
    return self != nullptr && self->paramsInfo(index, info);
}

bool paramsValueCb(const clap_plugin* plugin, clap_id id, double* out) {
    const FXCorePlugin* self = fromClap(plugin);
    return self != nullptr && self->paramsValue(id, out);
}

bool paramsValueToTextCb(const clap_plugin* plugin, clap_id id, double value, char* buf, std::uint32_t size) {
    const FXCorePlugin* self = fromClap(plugin);
    return self != nullptr && self->paramsValueToText(id, value, buf, size);
}

bool paramsTextToValueCb(const clap_plugin* plugin, clap_id id, const char* text, double* out) {
    const FXCorePlugin* self = fromClap(plugin);
    return self != nullptr && self->paramsTextToValue(id, text, out);
}

void paramsFlushCb(const clap_plugin* plugin, const clap_input_events* in, const clap_output_events* out) {
    if (FXCorePlugin* self = fromClap(plugin)) {
        self->paramsFlush(in, out);
    }
}

const clap_plugin_params s_params{paramsCountCb,       paramsInfoCb,        paramsValueCb,
                                  paramsValueToTextCb, paramsTextToValueCb, paramsFlushCb};

bool stateSaveCb(const clap_plugin* plugin, const clap_ostream* stream) {
    FXCorePlugin* self = fromClap(plugin);
    return self != nullptr && self->stateSave(stream);
}

bool stateLoadCb(const clap_plugin* plugin, const clap_istream* stream) {
    FXCorePlugin* self = fromClap(plugin);
    return self != nullptr && self->stateLoad(stream);
}

const clap_plugin_state s_state{stateSaveCb, stateLoadCb};

std::uint32_t tailGetCb(const clap_plugin* plugin) {
    const FXCorePlugin* self = fromClap(plugin);
    return self != nullptr ? self->tailGet() : 0;
}

const clap_plugin_tail s_tail{tailGetCb};

std::uint32_t notePortsCount(const clap_plugin*, bool isInput) {
    return isInput ? 1 : 0;
}

bool notePortsGet(const clap_plugin* plugin, std::uint32_t index, bool isInput, clap_note_port_info* info) {
    const FXCorePlugin* self = fromClap(plugin);
    return self != nullptr && self->notePortsInfo(index, isInput, info);
}

const clap_plugin_note_ports s_notePorts{notePortsCount, notePortsGet};

std::uint32_t asVst3MidiChannels(const clap_plugin*, std::uint32_t) {
    return 1;
}

std::uint32_t asVst3NoteExpressions(const clap_plugin*) {
    return 0;
}

const clap_plugin_as_vst3 s_asVst3{asVst3MidiChannels, asVst3NoteExpressions};

}  // namespace

const void* pluginGetExtension(const clap_plugin*, const char* id) {
    if (id == nullptr) {
        return nullptr;
    }
    if (std::strcmp(id, CLAP_EXT_AUDIO_PORTS) == 0) {
        return &s_audioPorts;
    }
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0) {
        return &s_params;
    }
    if (std::strcmp(id, CLAP_EXT_STATE) == 0) {
        return &s_state;
    }
    if (std::strcmp(id, CLAP_EXT_TAIL) == 0) {
        return &s_tail;
    }
    if (std::strcmp(id, CLAP_EXT_GUI) == 0) {
        return FXCorePlugin::guiExtension();
    }
    if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0) {
        return FXCorePlugin::timerSupportExtension();
    }
    if (std::strcmp(id, CLAP_EXT_POSIX_FD_SUPPORT) == 0) {
        return FXCorePlugin::posixFdSupportExtension();
    }
    if (std::strcmp(id, CLAP_EXT_NOTE_PORTS) == 0) {
        return &s_notePorts;
    }
    if (std::strcmp(id, CLAP_PLUGIN_AS_VST3) == 0) {
        return &s_asVst3;
    }
    return nullptr;
}

}  // namespace fxcoreplug
