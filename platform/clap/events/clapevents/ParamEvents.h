#pragma once
// Builders for the core-space parameter event records that the plug-in sends
// to its host and the host sends to a plug-in. Kept apart from the CLAP
// declarations themselves, so they serve a build against the official headers
// as well as ours.
//
// A value event names no note: its cookie is null and note_id, port_index,
// channel and key are -1 (a wildcard), so it applies to the whole parameter.

#include <clap/events.h>

#include <cstdint>

namespace clapevents {

// The header of a core-space event of type `type`, record size `size`, no flags.
constexpr clap_event_header_t eventHeader(std::uint32_t size, std::uint16_t type, std::uint32_t time) {
    clap_event_header_t header{};
    header.size = size;
    header.time = time;
    header.space_id = CLAP_CORE_EVENT_SPACE_ID;
    header.type = type;
    header.flags = 0;
    return header;
}

// CLAP_EVENT_PARAM_VALUE for the whole parameter `id`.
constexpr clap_event_param_value_t paramValue(clap_id id, double value, std::uint32_t time = 0) {
    clap_event_param_value_t event{};
    event.header = eventHeader(sizeof(clap_event_param_value_t), CLAP_EVENT_PARAM_VALUE, time);
    event.param_id = id;
    event.cookie = nullptr;
    event.note_id = -1;
    event.port_index = -1;
    event.channel = -1;
    event.key = -1;
    event.value = value;
    return event;
}

// CLAP_EVENT_PARAM_GESTURE_BEGIN or CLAP_EVENT_PARAM_GESTURE_END (`type`) for parameter `id`.
constexpr clap_event_param_gesture_t paramGesture(std::uint16_t type, clap_id id, std::uint32_t time = 0) {
    clap_event_param_gesture_t event{};
    event.header = eventHeader(sizeof(clap_event_param_gesture_t), type, time);
    event.param_id = id;
    return event;
}

}  // namespace clapevents
