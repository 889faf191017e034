#pragma once
// What a test host hands a plug-in's process and flush: an input event list the test fills,
// an output event list that records what the plug-in pushes, stereo audio buffers and the
// clap_process record over them. Header-only; any test may use it with any clap_plugin.

#include <clap/clap.h>
#include <clapevents/ParamEvents.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace fxcoreplug::test {

// Input events, kept in the order added (a host sorts them by time; tests add them so).
class InputEvents {
public:
    InputEvents() {
        list_.ctx = this;
        list_.size = &InputEvents::size;
        list_.get = &InputEvents::get;
    }
    InputEvents(const InputEvents&) = delete;
    InputEvents& operator=(const InputEvents&) = delete;

    InputEvents& paramValue(std::uint32_t time, std::uint32_t id, double value) {
        return add(clapevents::paramValue(id, value, time));
    }
    InputEvents& midi(std::uint32_t time, std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
        clap_event_midi ev{};
        ev.header = header(sizeof ev, time, CLAP_EVENT_MIDI);
        ev.data[0] = status;
        ev.data[1] = data1;
        ev.data[2] = data2;
        return add(ev);
    }
    void clear() { events_.clear(); }
    const clap_input_events* list() const { return &list_; }

private:
    static clap_event_header header(std::size_t size, std::uint32_t time, std::uint16_t type) {
        clap_event_header h{};
        h.size = static_cast<std::uint32_t>(size);
        h.time = time;
        h.space_id = CLAP_CORE_EVENT_SPACE_ID;
        h.type = type;
        return h;
    }
    template <class Event>
    InputEvents& add(const Event& ev) {
        // Each event gets storage of its own, aligned for any CLAP event record.
        std::vector<std::max_align_t> storage((sizeof ev + sizeof(std::max_align_t) - 1) /
                                              sizeof(std::max_align_t));
        std::memcpy(storage.data(), &ev, sizeof ev);
        events_.push_back(std::move(storage));
        return *this;
    }
    static std::uint32_t size(const clap_input_events* list) {
        return static_cast<std::uint32_t>(static_cast<const InputEvents*>(list->ctx)->events_.size());
    }
    static const clap_event_header* get(const clap_input_events* list, std::uint32_t index) {
        const auto* self = static_cast<const InputEvents*>(list->ctx);
        if (index >= self->events_.size()) return nullptr;
        return reinterpret_cast<const clap_event_header*>(self->events_[index].data());
    }

    clap_input_events list_{};
    std::vector<std::vector<std::max_align_t>> events_;
};

// One event the plug-in pushed, flattened for comparison.
struct SeenEvent {
    std::uint16_t type = 0;
    std::uint32_t paramId = 0;
    double value = 0.0;  // value events only
    bool operator==(const SeenEvent&) const = default;
};

// Records every event pushed; refuseAll makes try_push answer false (and record nothing).
class OutputEvents {
public:
    OutputEvents() {
        list_.ctx = this;
        list_.try_push = &OutputEvents::tryPush;
    }
    OutputEvents(const OutputEvents&) = delete;
    OutputEvents& operator=(const OutputEvents&) = delete;

    const clap_output_events* list() const { return &list_; }
    // The raw bytes of each event, as pushed.
    const std::vector<std::vector<std::uint8_t>>& raw() const { return raw_; }
    const std::vector<SeenEvent>& seen() const { return seen_; }
    void clear() {
        raw_.clear();
        seen_.clear();
    }
    bool refuseAll = false;
    std::size_t refused = 0;

private:
    static bool tryPush(const clap_output_events* list, const clap_event_header* ev) {
        auto* self = static_cast<OutputEvents*>(list->ctx);
        if (self->refuseAll) {
            ++self->refused;
            return false;
        }
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(ev);
        self->raw_.emplace_back(bytes, bytes + ev->size);
        SeenEvent seen;
        seen.type = ev->type;
        if (ev->type == CLAP_EVENT_PARAM_VALUE && ev->size >= sizeof(clap_event_param_value)) {
            clap_event_param_value v;
            std::memcpy(&v, ev, sizeof v);
            seen.paramId = v.param_id;
            seen.value = v.value;
        } else if ((ev->type == CLAP_EVENT_PARAM_GESTURE_BEGIN || ev->type == CLAP_EVENT_PARAM_GESTURE_END) &&
                   ev->size >= sizeof(clap_event_param_gesture)) {
            clap_event_param_gesture g;
            std::memcpy(&g, ev, sizeof g);
            seen.paramId = g.param_id;
        }
        self->seen_.push_back(seen);
        return true;
    }

    clap_output_events list_{};
    std::vector<std::vector<std::uint8_t>> raw_;
    std::vector<SeenEvent> seen_;
};

inline SeenEvent gestureBegin(std::uint32_t id) {
    return {CLAP_EVENT_PARAM_GESTURE_BEGIN, id, 0.0};
}
inline SeenEvent gestureEnd(std::uint32_t id) {
    return {CLAP_EVENT_PARAM_GESTURE_END, id, 0.0};
}
inline SeenEvent valueEvent(std::uint32_t id, double v) {
    return {CLAP_EVENT_PARAM_VALUE, id, v};
}

// One stereo input and one stereo output port of up to maxFrames frames, and the process
// record over them and the two event lists.
class StereoBlock {
public:
    explicit StereoBlock(std::uint32_t maxFrames)
        : inL_(maxFrames), inR_(maxFrames), outL_(maxFrames), outR_(maxFrames) {
        inPtrs_[0] = inL_.data();
        inPtrs_[1] = inR_.data();
        outPtrs_[0] = outL_.data();
        outPtrs_[1] = outR_.data();
        input_.data32 = inPtrs_;
        input_.channel_count = 2;
        output_.data32 = outPtrs_;
        output_.channel_count = 2;
    }
    StereoBlock(const StereoBlock&) = delete;
    StereoBlock& operator=(const StereoBlock&) = delete;

    // The process record for a block of frames with the given lists (either may be null).
    const clap_process* process(std::uint32_t frames, const clap_input_events* in,
                                const clap_output_events* out) {
        process_ = clap_process{};
        process_.steady_time = -1;
        process_.frames_count = frames;
        process_.audio_inputs = &input_;
        process_.audio_outputs = &output_;
        process_.audio_inputs_count = 1;
        process_.audio_outputs_count = 1;
        process_.in_events = in;
        process_.out_events = out;
        return &process_;
    }
    std::vector<float>& inLeft() { return inL_; }
    std::vector<float>& inRight() { return inR_; }
    const std::vector<float>& outLeft() const { return outL_; }
    const std::vector<float>& outRight() const { return outR_; }

private:
    std::vector<float> inL_, inR_, outL_, outR_;
    float* inPtrs_[2]{};
    float* outPtrs_[2]{};
    clap_audio_buffer input_{};
    clap_audio_buffer output_{};
    clap_process process_{};
};

}  // namespace fxcoreplug::test
