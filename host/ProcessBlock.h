#pragma once
// One process call of the plug-in over the host's port buffers and event
// lists, as the render loop and the gui command's audio thread make it.

#include <cstdint>

#include "clap/clap.h"
#include "host/EventLists.h"
#include "host/PortBuffers.h"

namespace fxcorehost {

// [audio-thread] Processes frames frames of the buffers and event lists as
// they stand, the block starting at steadyTime, without a transport; returns
// the plug-in's status.
inline clap_process_status processBlock(const clap_plugin_t* plugin, std::int64_t steadyTime,
                                        std::uint32_t frames, PortBuffers& inputs, PortBuffers& outputs,
                                        const InputEventList& inEvents, const OutputEventList& outEvents) {
    clap_process_t process{};
    process.steady_time = steadyTime;
    process.frames_count = frames;
    process.transport = nullptr;
    process.audio_inputs = inputs.buffers();
    process.audio_outputs = outputs.buffers();
    process.audio_inputs_count = inputs.count();
    process.audio_outputs_count = outputs.count();
    process.in_events = inEvents.list();
    process.out_events = outEvents.list();
    return plugin->process(plugin, &process);
}

}  // namespace fxcorehost
