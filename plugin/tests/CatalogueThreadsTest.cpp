// The custom-program hand-off under two threads: custom loads (and state-load re-apply
// requests) on the main thread while the audio thread runs the program check in a loop.
// Run under ThreadSanitizer in CI; here it also checks that the audio side always sees a
// complete catalogue and that retired catalogues do not pile up.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "plugin/FXCorePlugin.h"
#include "plugin/tests/RecordingHost.h"
#include "plugin/tests/TestPrograms.h"

namespace fxcoreplug {
namespace {

TEST(CatalogueThreads, CustomLoadsWhileTheAudioThreadSwitches) {
    test::RecordingHost host;
    FXCorePlugin plugin(host.host());
    const std::string programs[2] = {test::crossProgramHex(), test::rightOnlyProgramHex()};
    const std::size_t wordCounts[2] = {6, 3};

    std::atomic<bool> done{false};
    std::atomic<int> checks{0};
    std::thread audio([&] {
        while (!done.load(std::memory_order_acquire)) {
            plugin.applyProgramIfChanged();
            // Whatever was applied is one whole program of the two.
            if (plugin.appliedProgram == FXCorePlugin::kCustomSlot) {
                const auto length = static_cast<std::size_t>(plugin.core.programLength);
                if (length != wordCounts[0] && length != wordCounts[1]) {
                    ADD_FAILURE() << "applied a program of " << length << " words";
                }
            }
            checks.fetch_add(1, std::memory_order_relaxed);
        }
    });

    std::size_t mostRetired = 0;
    std::string error;
    const int loads = 400;
    for (int i = 0; i < loads; ++i) {
        ASSERT_TRUE(plugin.loadCustomHex(programs[i % 2], "custom", error)) << error;
        mostRetired = std::max(mostRetired, plugin.catalogue.retiredCount());
        if (i % 7 == 0) {
            plugin.requestProgramReapply();
            EXPECT_FALSE(plugin.loadCustomHex("junk", "bad", error));
        }
        if (i % 5 == 0) {
            plugin.onMainThread();  // frees what the audio thread has left
        }
    }
    while (checks.load(std::memory_order_relaxed) < 1000) {
        std::this_thread::yield();
    }
    done.store(true, std::memory_order_release);
    audio.join();

    EXPECT_LE(mostRetired, 1u);  // at most the one catalogue the audio thread was reading
    plugin.onMainThread();
    EXPECT_EQ(plugin.catalogue.retiredCount(), 0u);

    // Once the loads stop, the next check settles on the last program and generation.
    plugin.applyProgramIfChanged();
    EXPECT_EQ(plugin.appliedGeneration, static_cast<std::uint32_t>(loads));
    EXPECT_EQ(plugin.appliedProgram, FXCorePlugin::kCustomSlot);
    EXPECT_EQ(static_cast<std::size_t>(plugin.core.programLength), wordCounts[(loads - 1) % 2]);
    EXPECT_EQ(plugin.banks.size(), plugin.catalogue.latest()->banks.size());
}

}  // namespace
}  // namespace fxcoreplug
