// The editor's changes on their way to the host. The editor (main thread) stores a value at
// once and queues a record of the change in a single-producer, single-consumer ring; process
// or a flush drains the ring into CLAP parameter events. Footswitch presses travel separately
// as bits of an atomic mask that the next block takes.

#include "plugin/FXCorePlugin.h"

#include <clap/ext/params.h>
#include <clapevents/ParamEvents.h>

namespace fxcoreplug {

namespace {

constexpr std::uint64_t kRingMask = FXCorePlugin::kGuiQueueSize - 1;
static_assert((FXCorePlugin::kGuiQueueSize & kRingMask) == 0, "the ring size is a power of two");

}  // namespace

bool FXCorePlugin::pushGuiChange(std::uint32_t id, double value, std::uint8_t flags) {
    // Only this thread moves the head; the tail's acquire pairs with the consumer's release,
    // so the consumer has finished reading the slot we are about to overwrite.
    const std::uint64_t head = queueHead.load(std::memory_order_relaxed);
    const std::uint64_t next = (head + 1) & kRingMask;
    if (next == queueTail.load(std::memory_order_acquire)) {
        // Full: the host's notice is lost (the value itself was stored by the caller).
        guiChangesDropped.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    guiQueue[head] = GuiChange{id, value, flags};
    queueHead.store(next, std::memory_order_release);  // publishes the entry written above

    if (host != nullptr && host->get_extension != nullptr) {
        const auto* hostParams =
            static_cast<const clap_host_params*>(host->get_extension(host, CLAP_EXT_PARAMS));
        if (hostParams != nullptr && hostParams->request_flush != nullptr) {
            hostParams->request_flush(host);
        }
    }
    return true;
}

void FXCorePlugin::guiBeginGesture(std::uint32_t id) {
    pushGuiChange(id, 0.0, kGestureBegin);
}

void FXCorePlugin::guiEndGesture(std::uint32_t id) {
    pushGuiChange(id, 0.0, kGestureEnd);
}

void FXCorePlugin::guiSetParam(std::uint32_t id, double normalized) {
    const ParamDef* row = defFor(id);
    if (row == nullptr) {
        return;
    }
    guiSetParamValue(id, row->minValue + normalized * (row->maxValue - row->minValue));
}

void FXCorePlugin::guiSetParamValue(std::uint32_t id, double plain) {
    // The value is stored before the change is queued, so a full ring loses only the host's
    // notice. A value that is not a number is refused like every other writer refuses it.
    const ParamDef* row = defFor(id);
    if (row == nullptr) {
        return;
    }
    const double v = clampToRow(*row, plain);
    if (!writeParam(id, v)) {
        return;
    }
    pushGuiChange(id, v, kValue);
}

void FXCorePlugin::triggerSwitch(int i) {
    if (static_cast<unsigned>(i) > static_cast<unsigned>(kPressCount - 1)) {
        return;
    }
    pendingPresses.fetch_or(1u << static_cast<unsigned>(i), std::memory_order_relaxed);
}

void FXCorePlugin::drainGuiQueue(const clap_output_events* out) {
    if (out == nullptr || out->try_push == nullptr) {
        return;  // the entries wait for a later block or flush
    }
    // The head's acquire pairs with the producer's release: every entry before it is complete.
    const std::uint64_t head = queueHead.load(std::memory_order_acquire);
    std::uint64_t i = queueTail.load(std::memory_order_relaxed);
    while (i != head) {
        const GuiChange change = guiQueue[i];
        // A refused event is lost; the entry is consumed anyway.
        if ((change.flags & kGestureBegin) != 0) {
            const auto begin = clapevents::paramGesture(CLAP_EVENT_PARAM_GESTURE_BEGIN, change.paramId);
            out->try_push(out, &begin.header);
        }
        if ((change.flags & kValue) != 0) {
            const auto value = clapevents::paramValue(change.paramId, change.value);
            out->try_push(out, &value.header);
        }
        if ((change.flags & kGestureEnd) != 0) {
            const auto end = clapevents::paramGesture(CLAP_EVENT_PARAM_GESTURE_END, change.paramId);
            out->try_push(out, &end.header);
        }
        i = (i + 1) & kRingMask;
    }
    // Release: the reads of the entries above come before the producer may reuse their slots.
    queueTail.store(head, std::memory_order_release);
}

std::uint64_t FXCorePlugin::droppedGuiChanges() const {
    return guiChangesDropped.load(std::memory_order_relaxed);
}

}  // namespace fxcoreplug
