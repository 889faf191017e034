#pragma once
// The two event lists of a process call. Both keep copies of events in a
// buffer of fixed capacity allocated up front, so pushing never allocates
// while the plug-in processes; an event that does not fit is refused and
// counted.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "clap/clap.h"

namespace fxcorehost {

// The room a list has by default: far more events than a pedal plug-in sends
// back in a block (a few parameter values) or a command line schedules.
inline constexpr std::size_t kDefaultListEvents = 16384;

// Events stored back to back, each on an 8-byte boundary, in push order.
class EventStore {
public:
    EventStore(std::size_t capacityBytes, std::size_t maxEvents);

    // [audio-thread] Copies the event (header->size bytes); false when it is
    // malformed or does not fit. Never allocates.
    bool push(const clap_event_header_t* header);
    // [main-thread] Between blocks only.
    void clear();
    // [thread-safe] while nothing pushes.
    std::uint32_t size() const { return static_cast<std::uint32_t>(m_offsets.size()); }
    // Null for an index past the end.
    const clap_event_header_t* at(std::uint32_t index) const;
    // Events refused since construction.
    std::uint64_t refused() const { return m_refused; }

private:
    // Byte storage from operator new, so aligned for any event; memcpy into it
    // creates the event objects that at() hands out.
    std::vector<unsigned char> m_bytes;
    std::vector<std::uint32_t> m_offsets;  // byte offset of each event, a multiple of 8
    std::size_t m_maxEvents;
    std::size_t m_usedBytes = 0;
    std::uint64_t m_refused = 0;
};

// The host's input list: filled on the main thread before a block, read by
// the plug-in during it. Events must be added in time order.
class InputEventList {
public:
    // Room for maxEvents events in one block, and never less than the
    // default room.
    explicit InputEventList(std::size_t maxEvents = 0);
    InputEventList(const InputEventList&) = delete;
    InputEventList& operator=(const InputEventList&) = delete;

    const clap_input_events_t* list() const { return &m_list; }
    EventStore& events() { return m_events; }

    // [main-thread] Between blocks only. False when the event did not fit.
    bool addParamValue(std::uint32_t time, clap_id paramId, double value);
    bool addMidi(std::uint32_t time, std::uint16_t port, std::uint8_t status, std::uint8_t data1,
                 std::uint8_t data2);

private:
    // [audio-thread] The list's entries as the plug-in calls them.
    static std::uint32_t sizeOf(const clap_input_events_t* list);
    static const clap_event_header_t* get(const clap_input_events_t* list, std::uint32_t index);

    EventStore m_events;
    clap_input_events_t m_list;
};

// The host's output list: the plug-in pushes during a block, the host reads
// after it.
class OutputEventList {
public:
    // Room for maxEvents events in one block, and never less than the
    // default room.
    explicit OutputEventList(std::size_t maxEvents = 0);
    OutputEventList(const OutputEventList&) = delete;
    OutputEventList& operator=(const OutputEventList&) = delete;

    const clap_output_events_t* list() const { return &m_list; }
    EventStore& events() { return m_events; }

private:
    // [audio-thread] Copies the event; false when the store refuses it.
    static bool tryPush(const clap_output_events_t* list, const clap_event_header_t* event);

    EventStore m_events;
    clap_output_events_t m_list;
};

}  // namespace fxcorehost
