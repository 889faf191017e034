#include "host/PortBuffers.h"

#include <algorithm>

namespace fxcorehost {

namespace {
// A port with more channels than this is not one a file render can feed.
constexpr std::uint32_t kMaxPortChannels = 64;
}

void PortBuffers::setUp(const clap_plugin_t* plugin, const clap_plugin_audio_ports_t* ports, bool isInput,
                        std::uint32_t blockSize) {
    m_ports.clear();
    m_buffers.clear();
    if (!ports || !ports->count || !ports->get) return;
    const std::uint32_t count = ports->count(plugin, isInput);
    for (std::uint32_t i = 0; i < count; ++i) {
        clap_audio_port_info_t info{};
        PortBuffer port;
        if (ports->get(plugin, i, isInput, &info)) {
            info.name[sizeof(info.name) - 1] = '\0';
            port.name = info.name;
            port.channels = std::min(info.channel_count, kMaxPortChannels);
        }
        port.samples.assign(port.channels, std::vector<float>(blockSize, 0.0f));
        m_ports.push_back(std::move(port));
    }
    for (auto& port : m_ports) {
        for (auto& channel : port.samples) port.pointers.push_back(channel.data());
        clap_audio_buffer_t buffer{};
        buffer.data32 = port.pointers.empty() ? nullptr : port.pointers.data();
        buffer.data64 = nullptr;
        buffer.channel_count = port.channels;
        buffer.latency = 0;
        buffer.constant_mask = 0;
        m_buffers.push_back(buffer);
    }
}

void PortBuffers::silence() {
    for (auto& port : m_ports)
        for (auto& channel : port.samples) std::fill(channel.begin(), channel.end(), 0.0f);
}

bool inputChannelsFit(const clap_plugin_t* plugin, const clap_plugin_audio_ports_t* ports, int fileChannels,
                      std::string& error) {
    if (fileChannels <= 1) return true;
    PortBuffers inputs;
    inputs.setUp(plugin, ports, true, 1);
    const std::uint32_t taken = inputs.count() > 0 ? inputs.port(0).channels : 0;
    if (static_cast<std::uint32_t>(fileChannels) <= taken) return true;
    error = "the input has " + std::to_string(fileChannels) + " channels; the plug-in's input takes " +
            std::to_string(taken);
    return false;
}

int midiInputPort(const clap_plugin_t* plugin, const clap_plugin_note_ports_t* notePorts) {
    if (!notePorts || !notePorts->count || !notePorts->get) return -1;
    const std::uint32_t count = std::min(notePorts->count(plugin, true), std::uint32_t{32767});
    for (std::uint32_t i = 0; i < count; ++i) {
        clap_note_port_info_t info{};
        if (notePorts->get(plugin, i, true, &info) && (info.supported_dialects & CLAP_NOTE_DIALECT_MIDI) != 0)
            return static_cast<int>(i);
    }
    return -1;
}

}  // namespace fxcorehost
