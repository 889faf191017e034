// The user-output duty hand-off between the audio thread, which counts every
// sample into it, and the editor's main thread, which reads it.
//
// A sequence lock with a single writer: the audio thread makes the sequence
// odd, writes the totals and makes it even again; it never waits. A reader
// copies the totals and keeps the copy only when the sequence was even and
// unchanged around it, so it never sees a half-written update. All shared
// values are atomics, so there is no data race even while a reader retries;
// the ordering comes from release stores and acquire loads of the values
// themselves (on x86-64 these are plain moves), not from fences.
//
// The totals are 64-bit sample counts since the last state reset: exact and,
// at audio rates, without overflow for millions of years. Each reader take
// subtracts what the previous take saw, so no sample is lost or counted twice.

#include "fxcore/FXCoreCore.h"

#include <thread>

namespace fxcore {

// [audio-thread] (and the constructor's reset). restart: a state reset sets
// the totals to 0 and counts the reset; otherwise one sample is added.
void FXCoreCore::publishDuty(bool restart) {
    const std::uint32_t sequence = dutySequence.load(std::memory_order_relaxed);
    dutySequence.store(sequence + 1, std::memory_order_relaxed);
    // Release stores: a reader that acquires any of these values also sees
    // the odd sequence stored before it, and so discards its copy.
    constexpr auto kPublish = std::memory_order_release;
    if (restart) {
        dutyAccum[0].store(0, kPublish);
        dutyAccum[1].store(0, kPublish);
        dutyCount.store(0, kPublish);
        dutyResets.store(dutyResets.load(std::memory_order_relaxed) + 1, kPublish);
    } else {
        for (std::size_t k = 0; k < 2; ++k) {
            const std::uint64_t on = userOut[k] != 0 ? 1u : 0u;
            dutyAccum[k].store(dutyAccum[k].load(std::memory_order_relaxed) + on, kPublish);
        }
        dutyCount.store(dutyCount.load(std::memory_order_relaxed) + 1, kPublish);
    }
    // Release: a reader that sees the even value also sees the data above.
    dutySequence.store(sequence + 2, std::memory_order_release);
}

FXCoreCore::DutyCounts FXCoreCore::takeUserDutyCounts() {
    DutyCounts now;
    std::uint32_t resets = 0;
    for (int attempt = 1;; ++attempt) {
        const std::uint32_t before = dutySequence.load(std::memory_order_acquire);
        if ((before & 1u) != 0) {
            // The audio thread is between its two sequence stores, a few
            // instructions apart; if it was preempted there, give way.
            if (attempt % 64 == 0) std::this_thread::yield();
            continue;
        }
        // Acquire loads: the second sequence load cannot move above them, and
        // a value from a write in progress makes its odd sequence visible.
        now.on[0] = dutyAccum[0].load(std::memory_order_acquire);
        now.on[1] = dutyAccum[1].load(std::memory_order_acquire);
        now.samples = dutyCount.load(std::memory_order_acquire);
        resets = dutyResets.load(std::memory_order_acquire);
        if (dutySequence.load(std::memory_order_relaxed) == before) break;
    }

    if (resets != dutyTakenResets) {
        // A state reset restarted the totals (and the duty it reports).
        dutyTakenResets = resets;
        dutyTaken = {};
        lastDuty = {};
    }
    DutyCounts taken;
    taken.on[0] = now.on[0] - dutyTaken.on[0];
    taken.on[1] = now.on[1] - dutyTaken.on[1];
    taken.samples = now.samples - dutyTaken.samples;
    dutyTaken = now;
    return taken;
}

void FXCoreCore::readUserDuty(float* out) {
    const DutyCounts counts = takeUserDutyCounts();
    if (counts.samples > 0) {
        for (std::size_t k = 0; k < 2; ++k)
            lastDuty[k] =
                static_cast<float>(static_cast<double>(counts.on[k]) / static_cast<double>(counts.samples));
    }
    if (out == nullptr) return;
    out[0] = lastDuty[0];
    out[1] = lastDuty[1];
}

}  // namespace fxcore
