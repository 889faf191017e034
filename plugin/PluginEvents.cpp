// Host input events, the MIDI control-change map and the parameter changes reported back.
//
// MIDI (any channel), control changes only:
//   50..55   POT0..POT5 = value / 127
//   93       TAP timed press (value >= 64)
//   102      ENABLE = on/off          103..107  SW0..SW4 = on/off       108  TAP = on/off
//   109..113 SW0..SW4 toggle (>= 64)  114       TAP toggle (>= 64)
//   115..119 SW0..SW4 timed press (>= 64)
// "on" is a value of 64 or more. Every change MIDI makes is reported to the host at once.

#include "plugin/FXCorePlugin.h"
#include "plugin/PluginMath.h"

#include <algorithm>

#include <clapevents/ParamEvents.h>

namespace fxcoreplug {

namespace {

constexpr double kMidiPressSeconds = 0.12;
// A countdown of n holds the pin for n - 1 samples (the sample where it ends releases): two
// make a press that reaches the pin for one sample and ends, however low the rate (a
// countdown of 0 would never end, so the switch would stay on).
constexpr std::int32_t kMinMidiPressSamples = 2;

}  // namespace

void FXCorePlugin::handleEvent(const clap_event_header* header) {
    if (header == nullptr || header->space_id != CLAP_CORE_EVENT_SPACE_ID) {
        return;
    }
    // An event shorter than its type's record is not read past its end.
    if (header->type == CLAP_EVENT_MIDI && header->size >= sizeof(clap_event_midi)) {
        handleMidi(reinterpret_cast<const clap_event_midi*>(header));
    } else if (header->type == CLAP_EVENT_PARAM_VALUE && header->size >= sizeof(clap_event_param_value)) {
        const auto* event = reinterpret_cast<const clap_event_param_value*>(header);
        writeParam(event->param_id, event->value);  // no echo to the host
    }
}

void FXCorePlugin::handleMidi(const clap_event_midi* event) {
    if (event == nullptr || (event->data[0] & 0xF0) != 0xB0) {
        return;
    }
    const int cc = event->data[1] & 0x7F;
    const int v = event->data[2] & 0x7F;
    const bool on = v >= 64;
    if (cc >= 50 && cc <= 55) {
        emitParamChange(kParamPot0 + static_cast<std::uint32_t>(cc - 50), v / 127.0);
    } else if (cc == 93) {
        if (on) {
            midiTapSwitch(5);
        }
    } else if (cc == 102) {
        emitParamChange(kParamEnable, on ? 1.0 : 0.0);
    } else if (cc >= 103 && cc <= 107) {
        emitParamChange(switchParamId(cc - 103), on ? 1.0 : 0.0);
    } else if (cc == 108) {
        emitParamChange(kParamTap, on ? 1.0 : 0.0);
    } else if (cc >= 109 && cc <= 114) {
        if (on) {
            const std::uint32_t id = switchParamId(cc - 109);
            emitParamChange(id, paramValue(id) >= 0.5 ? 0.0 : 1.0);
        }
    } else if (cc >= 115 && cc <= 119) {
        if (on) {
            midiTapSwitch(cc - 115);
        }
    }
}

void FXCorePlugin::emitParamChange(std::uint32_t id, double value) {
    const ParamDef* row = defFor(id);
    if (row == nullptr || !writeParam(id, value)) {
        return;
    }
    if (outEvents != nullptr && outEvents->try_push != nullptr) {
        const clap_event_param_value event = clapevents::paramValue(id, clampToRow(*row, value));
        outEvents->try_push(outEvents, &event.header);  // a refused event is lost
    }
}

void FXCorePlugin::midiTapSwitch(int i) {
    if (static_cast<unsigned>(i) >= static_cast<unsigned>(kPressCount)) {
        return;
    }
    const std::uint32_t id = switchParamId(i);
    std::int32_t& pulse = midiPulse[static_cast<std::size_t>(i)];
    if (pulse > 0) {
        emitParamChange(id, 0.0);  // the host sees a release before the new press
    }
    emitParamChange(id, 1.0);
    pulse = std::max(kMinMidiPressSamples, samplesFor(sampleRate, kMidiPressSeconds));
}

std::uint32_t FXCorePlugin::switchParamId(int i) {
    return i < 5 ? kParamSwitch0 + static_cast<std::uint32_t>(i) : kParamTap;
}

void FXCorePlugin::paramsFlush(const clap_input_events* in, const clap_output_events* out) {
    outEvents = out;
    // A null input list (outside the CLAP contract) is taken as empty.
    if (in != nullptr && in->size != nullptr && in->get != nullptr) {
        const std::uint32_t count = in->size(in);
        for (std::uint32_t i = 0; i < count; ++i) {
            handleEvent(in->get(in, i));
        }
    }
    if (out != nullptr) {
        drainGuiQueue(out);
    }
    outEvents = nullptr;
}

}  // namespace fxcoreplug
