#pragma once
// The audio side of the gui command: a thread of its own that processes the
// plug-in in real time (silence, or an input file played in a loop) so that
// the editor's lamps and the parameter traffic are live, and hands the
// parameter events the plug-in sends to the main thread, which prints them.

#include <pthread.h>
#include <time.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "clap/clap.h"
#include "host/EventLists.h"
#include "host/PluginLoader.h"
#include "host/PortBuffers.h"

namespace fxcorehost {

// One parameter event of the plug-in (value, gesture begin or end), copied
// whole, with the start of the block that carried it.
struct SentParamEvent {
    std::int64_t blockStart = 0;
    union {
        clap_event_header_t header;
        clap_event_param_value_t value;
        clap_event_param_gesture_t gesture;
    };
    SentParamEvent() : header{} {}
};

// Single producer (the audio thread), single consumer (the main thread), fixed
// capacity; a full ring refuses and counts.
class SentEventRing {
public:
    static constexpr std::uint32_t kCapacity = 1024;  // a power of two

    // [audio-thread] False (and counted) when the ring is full.
    bool push(const SentParamEvent& event);
    // [main-thread] False when empty.
    bool pop(SentParamEvent& event);
    // [thread-safe] Events refused so far.
    std::uint64_t refused() const { return m_refused.load(std::memory_order_relaxed); }

private:
    SentParamEvent m_slots[kCapacity];
    // Written by the audio thread only (release, after the slot is filled);
    // read by the main thread (acquire), so the slot's bytes are visible.
    std::atomic<std::uint32_t> m_head{0};
    // Written by the main thread only (release, after the slot is read); read
    // by the audio thread (acquire), so it never overwrites a slot being read.
    std::atomic<std::uint32_t> m_tail{0};
    // Written by the audio thread, read for a report: a count, ordering nothing.
    std::atomic<std::uint64_t> m_refused{0};
};

class GuiAudioThread {
public:
    GuiAudioThread() = default;
    ~GuiAudioThread();  // stops the thread if it runs
    GuiAudioThread(const GuiAudioThread&) = delete;
    GuiAudioThread& operator=(const GuiAudioThread&) = delete;

    // [main-thread] Sets up buffers for the activated plug-in. loop holds one
    // vector per file channel (all the same length, not empty); an empty loop
    // means silence. A mono loop feeds every input channel.
    void prepare(LoadedPlugin& plugin, const clap_plugin_audio_ports_t* ports, int sampleRate,
                 std::uint32_t blockSize, std::vector<std::vector<float>> loop);
    // [main-thread] Starts the thread, which starts processing; false when no
    // thread could be made.
    bool start();
    // [main-thread] Asks the thread to stop processing and waits for it.
    void stop();

    // [main-thread] Whether the thread has ended by itself (the plug-in
    // refused to start processing, or reported a processing error).
    enum class Failure : int { None, StartRefused, ProcessError };
    Failure failure() const { return static_cast<Failure>(m_failure.load(std::memory_order_acquire)); }

    SentEventRing& sentEvents() { return m_sent; }
    // [main-thread] After stop: events the plug-in's output list refused.
    std::uint64_t refusedOutputEvents() { return m_outEvents.events().refused(); }
    // [main-thread] After stop: blocks processed.
    std::uint64_t blocks() const { return m_blocks; }

private:
    static void* entry(void* self);
    // [audio-thread]
    void run();
    void fillInput(std::uint32_t frames);
    void forwardSentEvents(std::int64_t blockStart);
    void sleepUntil(const timespec& due) const;

    // Set up by prepare, then touched by the audio thread only until stop has
    // joined it (thread creation and join order the hand-over).
    LoadedPlugin* m_plugin = nullptr;
    int m_sampleRate = 48000;
    std::uint32_t m_blockSize = 512;
    std::vector<std::vector<float>> m_loop;
    std::size_t m_loopPosition = 0;
    PortBuffers m_inputs;
    PortBuffers m_outputs;
    InputEventList m_inEvents;
    OutputEventList m_outEvents;
    std::uint64_t m_blocks = 0;

    SentEventRing m_sent;
    pthread_t m_thread{};
    bool m_running = false;  // [main-thread]
    // Written by the main thread (release) to end the loop; read by the audio
    // thread once a block (acquire): nothing else rides on it, join orders the rest.
    std::atomic<bool> m_stopRequested{false};
    // Written by the audio thread (release) as it gives up; read by the main
    // thread (acquire) to report why.
    std::atomic<int> m_failure{0};
};

}  // namespace fxcorehost
