#include "host/GuiAudioThread.h"

#include <time.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "host/ProcessBlock.h"

namespace fxcorehost {

namespace {

// The longest the audio thread sleeps before it looks for a stop request.
constexpr long kStopSliceNanos = 20 * 1000 * 1000;

}  // namespace

bool SentEventRing::push(const SentParamEvent& event) {
    const std::uint32_t head = m_head.load(std::memory_order_relaxed);  // written only here
    const std::uint32_t tail = m_tail.load(std::memory_order_acquire);
    if (head - tail >= kCapacity) {
        m_refused.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    m_slots[head % kCapacity] = event;
    m_head.store(head + 1, std::memory_order_release);
    return true;
}

bool SentEventRing::pop(SentParamEvent& event) {
    const std::uint32_t tail = m_tail.load(std::memory_order_relaxed);  // written only here
    const std::uint32_t head = m_head.load(std::memory_order_acquire);
    if (tail == head) return false;
    event = m_slots[tail % kCapacity];
    m_tail.store(tail + 1, std::memory_order_release);
    return true;
}

GuiAudioThread::~GuiAudioThread() {
    stop();
}

void GuiAudioThread::prepare(LoadedPlugin& plugin, const clap_plugin_audio_ports_t* ports, int sampleRate,
                             std::uint32_t blockSize, std::vector<std::vector<float>> loop) {
    m_plugin = &plugin;
    m_sampleRate = sampleRate;
    m_blockSize = blockSize;
    m_loop = std::move(loop);
    m_loopPosition = 0;
    m_inputs.setUp(plugin.plugin(), ports, true, blockSize);
    m_outputs.setUp(plugin.plugin(), ports, false, blockSize);
}

bool GuiAudioThread::start() {
    if (m_running || !m_plugin) return false;
    m_stopRequested.store(false, std::memory_order_relaxed);
    m_failure.store(0, std::memory_order_relaxed);
    m_running = pthread_create(&m_thread, nullptr, &GuiAudioThread::entry, this) == 0;
    return m_running;
}

void GuiAudioThread::stop() {
    if (!m_running) return;
    m_stopRequested.store(true, std::memory_order_release);
    pthread_join(m_thread, nullptr);
    m_running = false;
}

void* GuiAudioThread::entry(void* self) {
    static_cast<GuiAudioThread*>(self)->run();
    return nullptr;
}

void GuiAudioThread::fillInput(std::uint32_t frames) {
    if (m_inputs.count() == 0) return;
    PortBuffer& port = m_inputs.port(0);
    const std::size_t loopChannels = m_loop.size();
    const std::size_t loopLength = loopChannels == 0 ? 0 : m_loop[0].size();
    for (std::uint32_t c = 0; c < port.channels; ++c) {
        float* out = port.samples[c].data();
        const std::size_t source = loopChannels == 1 ? 0 : c;
        if (source >= loopChannels) {
            std::fill(out, out + frames, 0.0f);
            continue;
        }
        const float* in = m_loop[source].data();
        std::size_t position = m_loopPosition;
        for (std::uint32_t f = 0; f < frames; ++f) {
            out[f] = in[position];
            if (++position == loopLength) position = 0;
        }
    }
    if (loopLength > 0) m_loopPosition = (m_loopPosition + frames) % loopLength;
}

void GuiAudioThread::forwardSentEvents(std::int64_t blockStart) {
    const EventStore& events = m_outEvents.events();
    for (std::uint32_t i = 0; i < events.size(); ++i) {
        const clap_event_header_t* header = events.at(i);
        if (header->space_id != CLAP_CORE_EVENT_SPACE_ID) continue;
        std::size_t size = 0;
        if (header->type == CLAP_EVENT_PARAM_VALUE && header->size >= sizeof(clap_event_param_value_t))
            size = sizeof(clap_event_param_value_t);
        else if ((header->type == CLAP_EVENT_PARAM_GESTURE_BEGIN ||
                  header->type == CLAP_EVENT_PARAM_GESTURE_END) &&
                 header->size >= sizeof(clap_event_param_gesture_t))
            size = sizeof(clap_event_param_gesture_t);
        if (size == 0) continue;
        SentParamEvent sent;
        sent.blockStart = blockStart;
        std::memcpy(&sent.value, header, size);
        sent.header.size = static_cast<std::uint32_t>(size);
        m_sent.push(sent);  // a full ring counts the loss
    }
}

// [audio-thread] Sleeps until due, in slices of at most kStopSliceNanos, and
// returns early once a stop is requested: at a low sample rate one block
// lasts minutes, and stopping must not wait for it.
void GuiAudioThread::sleepUntil(const timespec& due) const {
    while (!m_stopRequested.load(std::memory_order_acquire)) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const long long left =
            (static_cast<long long>(due.tv_sec) - now.tv_sec) * 1000000000LL + (due.tv_nsec - now.tv_nsec);
        if (left <= 0) return;
        if (left <= kStopSliceNanos) {
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr);
            return;
        }
        const timespec slice{0, kStopSliceNanos};
        clock_nanosleep(CLOCK_MONOTONIC, 0, &slice, nullptr);
    }
}

// [audio-thread] Blocks at the pace of the sample rate, as an audio device
// would ask for them: each block is processed, then the thread sleeps until
// the block's end is due. A late block (the machine was busy) restarts the
// schedule from now rather than catching up in a burst.
void GuiAudioThread::run() {
    if (!m_plugin->startProcessing()) {
        m_failure.store(static_cast<int>(Failure::StartRefused), std::memory_order_release);
        return;
    }
    const clap_plugin_t* plugin = m_plugin->plugin();
    const long blockNanos = static_cast<long>(1e9 * m_blockSize / m_sampleRate);
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    std::int64_t steadyTime = 0;

    while (!m_stopRequested.load(std::memory_order_acquire)) {
        m_outputs.silence();
        fillInput(m_blockSize);
        m_inEvents.events().clear();
        m_outEvents.events().clear();

        if (processBlock(plugin, steadyTime, m_blockSize, m_inputs, m_outputs, m_inEvents, m_outEvents) ==
            CLAP_PROCESS_ERROR) {
            m_failure.store(static_cast<int>(Failure::ProcessError), std::memory_order_release);
            break;
        }
        forwardSentEvents(steadyTime);
        steadyTime += m_blockSize;
        ++m_blocks;

        next.tv_nsec += blockNanos;
        while (next.tv_nsec >= 1000000000L) {
            next.tv_nsec -= 1000000000L;
            ++next.tv_sec;
        }
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const long long lateNanos =
            (static_cast<long long>(now.tv_sec) - next.tv_sec) * 1000000000LL + (now.tv_nsec - next.tv_nsec);
        if (lateNanos > blockNanos) next = now;
        sleepUntil(next);
    }
    m_plugin->stopProcessing();
}

}  // namespace fxcorehost
