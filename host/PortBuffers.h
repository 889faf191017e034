#pragma once
// The plug-in's audio ports as the host sees them, and the 32-bit buffers the
// host gives each port for one block.

#include <cstdint>
#include <string>
#include <vector>

#include "clap/clap.h"

namespace fxcorehost {

struct PortBuffer {
    std::string name;
    std::uint32_t channels = 0;
    std::vector<std::vector<float>> samples;  // one vector per channel, block-sized
    std::vector<float*> pointers;             // what data32 points at
};

class PortBuffers {
public:
    // [main-thread] Reads the ports of one direction through the audio-ports
    // extension (none without it) and sizes each channel for blockSize frames.
    void setUp(const clap_plugin_t* plugin, const clap_plugin_audio_ports_t* ports, bool isInput,
               std::uint32_t blockSize);

    std::uint32_t count() const { return static_cast<std::uint32_t>(m_ports.size()); }
    PortBuffer& port(std::uint32_t index) { return m_ports[index]; }
    const PortBuffer& port(std::uint32_t index) const { return m_ports[index]; }
    // The records handed to process; null when there are no ports.
    clap_audio_buffer_t* buffers() { return m_buffers.empty() ? nullptr : m_buffers.data(); }
    // Sets every sample of every port to 0.
    void silence();

private:
    std::vector<PortBuffer> m_ports;
    std::vector<clap_audio_buffer_t> m_buffers;
};

// [main-thread] Whether an input file of fileChannels channels fits the
// plug-in's main input (a mono file feeds every channel; more channels than
// the port takes would be lost); false with one line in error otherwise.
bool inputChannelsFit(const clap_plugin_t* plugin, const clap_plugin_audio_ports_t* ports, int fileChannels,
                      std::string& error);

// [main-thread] The index of the plug-in's first input note port that takes
// MIDI, -1 when it has none.
int midiInputPort(const clap_plugin_t* plugin, const clap_plugin_note_ports_t* notePorts);

}  // namespace fxcorehost
