#include "host/InfoCommand.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "host/HostContext.h"
#include "host/ParamCatalog.h"
#include "host/PluginLoader.h"

namespace fxcorehost {

namespace {

struct FlagName {
    std::uint32_t flag;
    const char* name;
};
constexpr FlagName kParamFlagNames[] = {
    {CLAP_PARAM_IS_STEPPED, "stepped"},
    {CLAP_PARAM_IS_PERIODIC, "periodic"},
    {CLAP_PARAM_IS_HIDDEN, "hidden"},
    {CLAP_PARAM_IS_READONLY, "readonly"},
    {CLAP_PARAM_IS_BYPASS, "bypass"},
    {CLAP_PARAM_IS_AUTOMATABLE, "automatable"},
    {CLAP_PARAM_IS_AUTOMATABLE_PER_NOTE_ID, "automatable-per-note-id"},
    {CLAP_PARAM_IS_AUTOMATABLE_PER_KEY, "automatable-per-key"},
    {CLAP_PARAM_IS_AUTOMATABLE_PER_CHANNEL, "automatable-per-channel"},
    {CLAP_PARAM_IS_AUTOMATABLE_PER_PORT, "automatable-per-port"},
    {CLAP_PARAM_IS_MODULATABLE, "modulatable"},
    {CLAP_PARAM_IS_MODULATABLE_PER_NOTE_ID, "modulatable-per-note-id"},
    {CLAP_PARAM_IS_MODULATABLE_PER_KEY, "modulatable-per-key"},
    {CLAP_PARAM_IS_MODULATABLE_PER_CHANNEL, "modulatable-per-channel"},
    {CLAP_PARAM_IS_MODULATABLE_PER_PORT, "modulatable-per-port"},
    {CLAP_PARAM_REQUIRES_PROCESS, "requires-process"},
    {CLAP_PARAM_IS_ENUM, "enum"},
};

// The extensions a host commonly asks for; info lists those the plug-in answers.
// clang-format off
constexpr const char* kKnownExtensions[] = {
    "clap.params",        "clap.state",         "clap.gui",
    "clap.audio-ports",   "clap.note-ports",    "clap.tail",
    "clap.latency",       "clap.render",        "clap.timer-support",
    "clap.posix-fd-support", "clap.plugin-info-as-vst3/0",
};
// clang-format on

// The names of the flags set in flags, comma-separated; "-" when none is.
std::string flagNames(std::uint32_t flags, std::span<const FlagName> names) {
    std::string text;
    for (const auto& f : names) {
        if (!(flags & f.flag)) continue;
        if (!text.empty()) text += ',';
        text += f.name;
    }
    return text.empty() ? "-" : text;
}

std::string flagsText(std::uint32_t flags) {
    return flagNames(flags, kParamFlagNames);
}

std::string dialectsText(std::uint32_t dialects) {
    static constexpr FlagName kDialects[] = {{CLAP_NOTE_DIALECT_CLAP, "CLAP"},
                                             {CLAP_NOTE_DIALECT_MIDI, "MIDI"},
                                             {CLAP_NOTE_DIALECT_MIDI_MPE, "MIDI-MPE"},
                                             {CLAP_NOTE_DIALECT_MIDI2, "MIDI2"}};
    return flagNames(dialects, kDialects);
}

void printDescriptor(const clap_plugin_descriptor_t& d) {
    std::printf("plug-in:      %s\n", textOf(d.name));
    std::printf("id:           %s\n", textOf(d.id));
    std::printf("vendor:       %s\n", textOf(d.vendor));
    std::printf("version:      %s\n", textOf(d.version));
    std::printf("clap version: %u.%u.%u\n", d.clap_version.major, d.clap_version.minor,
                d.clap_version.revision);
    std::printf("url:          %s\n", textOf(d.url));
    std::printf("manual url:   %s\n", textOf(d.manual_url));
    std::printf("support url:  %s\n", textOf(d.support_url));
    std::printf("description:  %s\n", textOf(d.description));
    std::string features;
    for (const char* const* f = d.features; f && *f; ++f)
        features += (features.empty() ? "" : ", ") + std::string(*f);
    std::printf("features:     %s\n", features.c_str());
}

// The ports of an audio-ports or note-ports extension under a heading, inputs
// then outputs: line(direction, index, info) prints each port get() answers.
template <typename Info, typename Ports, typename Line>
void printPorts(const char* heading, const clap_plugin_t* p, const Ports* ports, Line line) {
    std::printf("\n%s:\n", heading);
    if (!ports || !ports->count || !ports->get) {
        std::printf("  (none)\n");
        return;
    }
    for (const bool isInput : {true, false}) {
        const std::uint32_t count = ports->count(p, isInput);
        for (std::uint32_t i = 0; i < count; ++i) {
            Info info{};
            if (!ports->get(p, i, isInput, &info)) continue;
            info.name[sizeof(info.name) - 1] = '\0';
            line(isInput ? "input" : "output", i, info);
        }
    }
}

void printAudioPorts(const clap_plugin_t* p, const clap_plugin_audio_ports_t* ports) {
    printPorts<clap_audio_port_info_t>(
        "audio ports", p, ports,
        [](const char* direction, std::uint32_t i, const clap_audio_port_info_t& info) {
            std::printf("  %-6s %u  id %u  \"%s\"  %u channels  type %s%s\n", direction, i, info.id,
                        info.name, info.channel_count,
                        info.port_type && *info.port_type ? info.port_type : "-",
                        (info.flags & CLAP_AUDIO_PORT_IS_MAIN) ? "  main" : "");
        });
}

void printNotePorts(const clap_plugin_t* p, const clap_plugin_note_ports_t* ports) {
    printPorts<clap_note_port_info_t>(
        "note ports", p, ports,
        [](const char* direction, std::uint32_t i, const clap_note_port_info_t& info) {
            std::printf("  %-6s %u  id %u  \"%s\"  dialects %s  preferred %s\n", direction, i, info.id,
                        info.name, dialectsText(info.supported_dialects).c_str(),
                        dialectsText(info.preferred_dialect).c_str());
        });
}

void printParams(const clap_plugin_t* p, const clap_plugin_params_t* params) {
    ParamCatalog catalog;
    catalog.refresh(p, params);
    std::printf("\nparameters (%zu):\n", catalog.infos().size());
    if (catalog.infos().empty()) return;

    struct Row {
        std::string cells[8];
    };
    std::vector<Row> rows;
    rows.push_back({{"id", "name", "group", "min", "max", "default", "value", "flags"}});
    for (const auto& info : catalog.infos()) {
        double value = 0.0;
        std::string valueText = "?";
        if (params->get_value && params->get_value(p, info.id, &value)) {
            valueText = catalog.valueText(info.id, value);
            if (valueText.empty()) valueText = formatNumber(value);
        }
        rows.push_back({{std::to_string(info.id), info.name, info.module[0] ? info.module : "-",
                         formatNumber(info.min_value), formatNumber(info.max_value),
                         formatNumber(info.default_value), valueText, flagsText(info.flags)}});
    }
    std::size_t widths[8] = {};
    for (const auto& row : rows)
        for (std::size_t c = 0; c < 8; ++c) widths[c] = std::max(widths[c], row.cells[c].size());
    for (const auto& row : rows) {
        std::string line = " ";
        for (std::size_t c = 0; c < 8; ++c) {
            const std::string& cell = row.cells[c];
            const std::string pad(widths[c] - cell.size(), ' ');
            const bool number = c >= 3 && c <= 5;  // min, max, default align right
            line += "  " + (number ? pad + cell : (c == 7 ? cell : cell + pad));
        }
        std::printf("%s\n", line.c_str());
    }
}

}  // namespace

int runInfoCommand(const CommandLine& cl, std::string& error) {
    HostContext host;
    LoadedPlugin plugin;
    if (!plugin.load(cl.pluginPath, cl.pluginId, host.host(), error)) return 1;
    const clap_plugin_t* p = plugin.plugin();

    if (plugin.descriptors().size() > 1) {
        std::printf("file holds %zu plug-ins:", plugin.descriptors().size());
        for (const auto* d : plugin.descriptors()) std::printf(" %s", d->id);
        std::printf("\n\n");
    }
    printDescriptor(*plugin.descriptor());

    std::string extensions;
    for (const char* id : kKnownExtensions)
        if (p->get_extension(p, id)) extensions += (extensions.empty() ? "" : ", ") + std::string(id);
    std::printf("extensions:   %s\n", extensions.empty() ? "(none)" : extensions.c_str());
    if (const auto* tail = plugin.extension<clap_plugin_tail_t>(CLAP_EXT_TAIL); tail && tail->get) {
        // CLAP reads INT32_MAX or more as a tail that never ends.
        const std::uint32_t samples = tail->get(p);
        if (samples >= static_cast<std::uint32_t>(INT32_MAX))
            std::printf("tail:         infinite\n");
        else
            std::printf("tail:         %u samples\n", samples);
    }

    printAudioPorts(p, plugin.extension<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS));
    printNotePorts(p, plugin.extension<clap_plugin_note_ports_t>(CLAP_EXT_NOTE_PORTS));
    printParams(p, plugin.extension<clap_plugin_params_t>(CLAP_EXT_PARAMS));

    // A plug-in may ask for its callback at any time; serve it before unloading.
    if (host.takeCallbackRequest()) p->on_main_thread(p);
    return 0;
}

}  // namespace fxcorehost
