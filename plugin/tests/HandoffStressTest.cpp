// Two threads on one instance, as a host drives it: the audio thread processes blocks without
// pause while the main thread loads states (with and without a custom program), moves the
// editor's controls and reads parameter info. Run under ThreadSanitizer in CI; here it also
// checks that every value the editor queued reaches the host, in order.

#include "plugin/tests/DirectPlugin.h"
#include "plugin/tests/MemoryStreams.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <thread>

namespace fxcoreplug::test {
namespace {

std::vector<std::uint8_t> stateWith(const char* customName, const char* hexText, const char* bank,
                                    double pot5) {
    return StateBytes()
        .header(2, 3)
        .record(kParamPot0 + 5, pot5)
        .record(kParamMode, 1.0)
        .record(kParamSwitch0 + 4, 1.0)
        .str(customName)
        .str(hexText)
        .str(bank)
        .bytes();
}

TEST(HandoffStress, AudioBlocksWhileTheMainThreadLoadsEditsAndReads) {
    DirectPlugin p;
    FXCorePlugin& plugin = *p.instance;
    const std::vector<std::vector<std::uint8_t>> states = {
        stateWith("", "", "mp-corlinde-jr", 0.1),
        stateWith("custom-a", kEmbeddedPrograms[1].hexText, "(loaded)", 0.2),
        stateWith("custom-b", kEmbeddedPrograms[2].hexText, "mp-corlinde-jr", 0.3),
        stateWith("broken", "no HEX here\n", "(loaded)", 0.4),
    };

    std::atomic<bool> stop{false};
    OutputEvents out;                    // the audio thread's until it is joined
    std::atomic<std::size_t> blocks{0};  // counted by the audio thread, read by the main thread
    std::thread audio([&] {
        InputEvents in;
        in.midi(3, 0xB0, 103, 127);  // SW0 on
        in.midi(9, 0xB0, 115, 127);  // SW0 pressed by MIDI
        in.paramValue(20, kParamMonitor, 1.0);
        const InputEvents none;
        while (!stop.load(std::memory_order_acquire)) {
            const std::size_t n = blocks.load(std::memory_order_relaxed);
            p.processBlock(64, (n % 7 == 0) ? &in : &none, &out);
            blocks.store(n + 1, std::memory_order_relaxed);
        }
    });

    // Editor moves on pots 0..4, each with its own rising values.
    std::map<std::uint32_t, std::vector<double>> queued;
    std::map<std::uint32_t, double> lastStored;
    int gestures = 0;
    const auto move = [&](std::uint32_t id, double v) {
        const std::uint64_t before = plugin.droppedGuiChanges();
        // Pots range 0 to 1, so the normalised entry point stores the same value.
        if (queued[id].size() % 2 == 0) {
            plugin.guiSetParamValue(id, v);
        } else {
            plugin.guiSetParam(id, v);
        }
        lastStored[id] = v;
        if (plugin.droppedGuiChanges() == before) queued[id].push_back(v);
    };
    const auto gesture = [&](const auto& push) {
        const std::uint64_t before = plugin.droppedGuiChanges();
        push();
        if (plugin.droppedGuiChanges() == before) ++gestures;
    };
    // A fixed amount of work on both threads, however fast the machine runs them (about a
    // quarter of a second here; many times that under ThreadSanitizer on a busy machine).
    constexpr int kSteps = 100000;
    constexpr std::size_t kBlocks = 10000;
    int step = 0;
    while (step < kSteps || blocks.load(std::memory_order_relaxed) < kBlocks) {
        const std::uint32_t id = kParamPot0 + static_cast<std::uint32_t>(step % 5);
        gesture([&] { plugin.guiBeginGesture(id); });
        move(id, static_cast<double>(step + 1) / 1.0e7);
        gesture([&] { plugin.guiEndGesture(id); });
        plugin.triggerSwitch(step % 6);
        if (step % 25 == 0) {
            MemoryIStream in(states[static_cast<std::size_t>(step / 25) % states.size()]);
            EXPECT_TRUE(p.state->load(p.clap, in.stream()));
            p.clap->on_main_thread(p.clap);  // the host's answer to the program switch's callback
        }
        for (std::uint32_t index = 0; index < 18; ++index) (void)p.info(index);
        (void)p.text(kParamMode, 1.0);
        (void)p.text(kParamProgram, 1.0);
        ++step;
    }
    // Last values, resent until the ring takes them, so each pot ends on a queued value.
    for (std::uint32_t id = kParamPot0; id < kParamPot0 + 5; ++id) {
        const double last = static_cast<double>(step + 1 + static_cast<int>(id)) / 1.0e7;
        do {
            move(id, last);
            if (queued[id].empty() || queued[id].back() != last)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        } while (queued[id].empty() || queued[id].back() != last);
    }
    while (plugin.queueTail.load(std::memory_order_acquire) !=
           plugin.queueHead.load(std::memory_order_acquire)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    stop.store(true, std::memory_order_release);
    audio.join();

    std::map<std::uint32_t, std::vector<double>> received;
    int gestureEvents = 0;
    for (const SeenEvent& e : out.seen()) {
        if (e.paramId >= kParamPot0 && e.paramId < kParamPot0 + 5) {
            if (e.type == CLAP_EVENT_PARAM_VALUE)
                received[e.paramId].push_back(e.value);
            else
                ++gestureEvents;
        }
    }
    EXPECT_EQ(gestureEvents, gestures);
    for (std::uint32_t id = kParamPot0; id < kParamPot0 + 5; ++id) {
        EXPECT_EQ(received[id], queued[id]) << id;
        EXPECT_EQ(p.value(id), lastStored[id]) << id;
    }
}

}  // namespace
}  // namespace fxcoreplug::test
