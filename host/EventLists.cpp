#include "host/EventLists.h"

#include <algorithm>
#include <cstring>

#include <clapevents/ParamEvents.h>

namespace fxcorehost {

namespace {

// Room for a block's worth of events by default.
constexpr std::size_t kStoreBytes = 1u << 20;

// The largest event a list takes; CLAP's largest core event is 104 bytes.
constexpr std::uint32_t kMaxEventBytes = 4096;

// Bytes for a list of maxEvents events of the kinds a host sends and a pedal
// plug-in sends back: parameter values, gestures and MIDI events.
std::size_t storeBytesFor(std::size_t maxEvents) {
    constexpr std::size_t kEventBytes =
        (std::max(sizeof(clap_event_param_value_t), sizeof(clap_event_midi_t)) + 7u) & ~std::size_t{7};
    return std::max(kStoreBytes, maxEvents * kEventBytes);
}

}  // namespace

EventStore::EventStore(std::size_t capacityBytes, std::size_t maxEvents)
    : m_bytes(capacityBytes), m_maxEvents(maxEvents) {
    m_offsets.reserve(maxEvents);
}

bool EventStore::push(const clap_event_header_t* header) {
    if (!header || header->size < sizeof(clap_event_header_t) || header->size > kMaxEventBytes ||
        m_offsets.size() >= m_maxEvents) {
        ++m_refused;
        return false;
    }
    const std::size_t padded = (header->size + 7u) & ~std::size_t{7};
    if (padded > m_bytes.size() - m_usedBytes) {
        ++m_refused;
        return false;
    }
    std::memcpy(m_bytes.data() + m_usedBytes, header, header->size);
    m_offsets.push_back(static_cast<std::uint32_t>(m_usedBytes));  // within the reserved capacity
    m_usedBytes += padded;
    return true;
}

void EventStore::clear() {
    m_offsets.clear();
    m_usedBytes = 0;
}

const clap_event_header_t* EventStore::at(std::uint32_t index) const {
    if (index >= m_offsets.size()) return nullptr;
    return reinterpret_cast<const clap_event_header_t*>(m_bytes.data() + m_offsets[index]);
}

InputEventList::InputEventList(std::size_t maxEvents)
    : m_events(storeBytesFor(maxEvents), std::max(kDefaultListEvents, maxEvents)) {
    m_list.ctx = this;
    m_list.size = &InputEventList::sizeOf;
    m_list.get = &InputEventList::get;
}

bool InputEventList::addParamValue(std::uint32_t time, clap_id paramId, double value) {
    const clap_event_param_value_t event = clapevents::paramValue(paramId, value, time);
    return m_events.push(&event.header);
}

bool InputEventList::addMidi(std::uint32_t time, std::uint16_t port, std::uint8_t status, std::uint8_t data1,
                             std::uint8_t data2) {
    clap_event_midi_t event{};
    event.header.size = sizeof(event);
    event.header.time = time;
    event.header.space_id = CLAP_CORE_EVENT_SPACE_ID;
    event.header.type = CLAP_EVENT_MIDI;
    event.header.flags = 0;
    event.port_index = port;
    event.data[0] = status;
    event.data[1] = data1;
    event.data[2] = data2;
    return m_events.push(&event.header);
}

std::uint32_t InputEventList::sizeOf(const clap_input_events_t* list) {
    return static_cast<const InputEventList*>(list->ctx)->m_events.size();
}

const clap_event_header_t* InputEventList::get(const clap_input_events_t* list, std::uint32_t index) {
    return static_cast<const InputEventList*>(list->ctx)->m_events.at(index);
}

OutputEventList::OutputEventList(std::size_t maxEvents)
    : m_events(storeBytesFor(maxEvents), std::max(kDefaultListEvents, maxEvents)) {
    m_list.ctx = this;
    m_list.try_push = &OutputEventList::tryPush;
}

// [audio-thread]
bool OutputEventList::tryPush(const clap_output_events_t* list, const clap_event_header_t* event) {
    return static_cast<OutputEventList*>(list->ctx)->m_events.push(event);
}

}  // namespace fxcorehost
