// The duty hand-off under contention: one thread runs the core while another
// reads the duty as fast as it can. Every sample must be counted exactly once
// and every read must be a consistent snapshot.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

#include "fxcore/FXCoreCore.h"
#include "fxcore/tests/WordBuilder.h"

namespace fxcore {
namespace {

using test::word;
using O = Opcode;

// userOut[0] <- bit 0 of the sample counter (on in every second sample),
// userOut[1] <- 1 always.
void loadPattern(FXCoreCore& core) {
    FXCoreCore::Presets presets;
    presets.creg[2] = 1;
    core.setPresets(presets);
    const std::uint32_t words[] = {word(O::LoadSfr, 1, 46), word(O::SetUserOut, 1, 0, 0),
                                   word(O::SetUserOut, 2, 1, 0)};
    ASSERT_TRUE(core.setProgram(words, 3));
}

constexpr std::uint64_t kSamples = 1000000;

void runOnAudioThread(FXCoreCore& core, std::atomic<bool>& done) {
    const float in[4] = {0.1f, 0.2f, 0.0f, 0.0f};
    for (std::uint64_t n = 0; n < kSamples; ++n) core.run(in);
    done.store(true, std::memory_order_release);
}

TEST(CoreDutyThreads, ConcurrentTakesLoseAndRepeatNoSample) {
    FXCoreCore core;
    loadPattern(core);
    std::atomic<bool> done{false};
    std::thread audio(runOnAudioThread, std::ref(core), std::ref(done));

    FXCoreCore::DutyCounts total;
    std::uint64_t nonEmptyTakes = 0;
    std::uint64_t tornTakes = 0;
    auto take = [&] {
        const FXCoreCore::DutyCounts counts = core.takeUserDutyCounts();
        nonEmptyTakes += counts.samples > 0 ? 1 : 0;
        // Output 1 is on in every sample, output 0 in every second one: a torn
        // snapshot breaks one of these.
        const bool halfOn = counts.on[0] * 2 + 1 >= counts.samples && counts.on[0] * 2 <= counts.samples + 1;
        if (counts.on[1] != counts.samples || !halfOn) ++tornTakes;
        total.on[0] += counts.on[0];
        total.on[1] += counts.on[1];
        total.samples += counts.samples;
    };
    while (!done.load(std::memory_order_acquire)) take();
    audio.join();
    take();

    EXPECT_EQ(tornTakes, 0u);
    EXPECT_GE(nonEmptyTakes, 2u);  // at least one take landed inside the run
    EXPECT_EQ(total.samples, kSamples);
    EXPECT_EQ(total.on[0], kSamples / 2);
    EXPECT_EQ(total.on[1], kSamples);
}

TEST(CoreDutyThreads, ConcurrentDutyReadsAreConsistent) {
    FXCoreCore core;
    loadPattern(core);
    std::atomic<bool> done{false};
    std::thread audio(runOnAudioThread, std::ref(core), std::ref(done));
    std::uint64_t badReads = 0;
    std::uint64_t reads = 0;
    while (!done.load(std::memory_order_acquire)) {
        float duty[2] = {-1.0f, -1.0f};
        core.readUserDuty(duty);
        ++reads;
        const bool fresh = duty[1] == 1.0f || (duty[0] == 0.0f && duty[1] == 0.0f);
        if (!fresh || duty[0] < 0.0f || duty[0] > 1.0f) ++badReads;
    }
    audio.join();
    float duty[2];
    core.readUserDuty(duty);
    EXPECT_EQ(badReads, 0u);
    EXPECT_GT(reads, 1u);
    EXPECT_EQ(duty[1], 1.0f);
}

}  // namespace
}  // namespace fxcore
