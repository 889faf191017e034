#pragma once
// For the tests that hold the threaded pass against step: words that decode
// to a given dispatch entry, register images full of edge values and noise,
// and a comparison of everything a program can change.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "fxcore/FXCoreCore.h"
#include "fxcore/FXCoreDispatch.h"
#include "fxcore/Operations.h"

namespace fxcore::test {

// xorshift32: the same numbers on every machine.
struct Random {
    std::uint32_t state;
    std::uint32_t operator()() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

// The opcode byte each dispatch entry decodes from (the core's own variants
// are found by decoding words of every operation with varied fields).
inline const std::array<std::uint8_t, dispatch::kEntryCount>& opcodeOfEntries() {
    static const std::array<std::uint8_t, dispatch::kEntryCount> kOpcodes = [] {
        std::array<std::uint8_t, dispatch::kEntryCount> opcodes{};
        std::array<bool, dispatch::kEntryCount> found{};
        Random next{0x0DEC0DE5u};
        for (const Operation& operation : kOperations) {
            for (int trial = 0; trial < 8192; ++trial) {
                const std::uint32_t w =
                    (static_cast<std::uint32_t>(operation.opcodeByte()) << 24) | (next() & 0x00FFFFFFu);
                const std::uint8_t entry = FXCoreCore::decodeWord(w).dispatch;
                if (!found[entry]) opcodes[entry] = operation.opcodeByte();
                found[entry] = true;
            }
        }
        opcodes[dispatch::kInvalid] = 0xFF;
        return opcodes;
    }();
    return kOpcodes;
}

// A word with random operand fields that decodes to `entry`.
inline std::uint32_t wordForEntry(std::uint8_t entry, Random& next) {
    const std::uint32_t opcode = std::uint32_t{opcodeOfEntries()[entry]} << 24;
    for (int trial = 0; trial < 1 << 16; ++trial) {
        const std::uint32_t w = opcode | (next() & 0x00FFFFFFu);
        if (FXCoreCore::decodeWord(w).dispatch == entry) return w;
    }
    ADD_FAILURE() << "no word decodes to " << dispatch::kEntryNames[entry];
    return opcode;
}

// Registers full of edge values and noise, so the arithmetic meets its
// saturation and overflow edges (the sanitizer build checks each one), and
// running LFOs and ramps.
inline FXCoreCore::Presets edgePresets(Random& next) {
    const std::int32_t kEdges[] = {INT32_MIN, INT32_MAX, 0, -1, 1, INT32_MIN + 1, 0x40000000, -0x40000000};
    FXCoreCore::Presets presets;
    for (std::size_t i = 0; i < presets.creg.size(); ++i)
        presets.creg[i] = i % 2 ? kEdges[i / 2] : static_cast<std::int32_t>(next());
    for (std::size_t i = 0; i < presets.mreg.size(); ++i)
        presets.mreg[i] = i % 3 ? static_cast<std::int32_t>(next()) : kEdges[i % 8];
    for (std::size_t i = 28; i < 34; ++i) presets.sfr[i] = static_cast<std::int32_t>(next());
    return presets;
}

// Everything a pass can change, compared.
inline testing::AssertionResult sameProgramState(const FXCoreCore& byRun, const FXCoreCore& byStep) {
    for (std::size_t i = 0; i < byRun.regFile.size(); ++i)
        if (byRun.regFile[i] != byStep.regFile[i])
            return testing::AssertionFailure()
                   << "register " << i << ": pass " << byRun.regFile[i] << ", step " << byStep.regFile[i];
    if (byRun.acc64 != byStep.acc64)
        return testing::AssertionFailure() << "acc64: pass " << byRun.acc64 << ", step " << byStep.acc64;
    for (std::size_t i = 0; i < byRun.delayMemory.size(); ++i)
        if (byRun.delayMemory[i] != byStep.delayMemory[i])
            return testing::AssertionFailure() << "delay word " << i << ": pass " << byRun.delayMemory[i]
                                               << ", step " << byStep.delayMemory[i];
    if (byRun.outputs != byStep.outputs) return testing::AssertionFailure() << "output latches differ";
    if (byRun.userOut != byStep.userOut) return testing::AssertionFailure() << "user outputs differ";
    if (byRun.sfr != byStep.sfr) return testing::AssertionFailure() << "special function registers differ";
    if (byRun.sampleCounter != byStep.sampleCounter || byRun.delayPtr != byStep.delayPtr)
        return testing::AssertionFailure() << "sample counter or delay pointer differs";
    return testing::AssertionSuccess();
}

}  // namespace fxcore::test
