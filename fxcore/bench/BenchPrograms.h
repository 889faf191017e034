#pragma once
// The programs the core benchmark runs, built from the operation table.

#include <cstdint>
#include <vector>

#include "fxcore/FXCoreCore.h"
#include "fxcore/tests/WordBuilder.h"

namespace fxcore::bench {

using test::word;
using O = Opcode;

// The delay example: input 0 delayed by 100 samples to output 0.
inline std::vector<std::uint32_t> delayExample() {
    return {word(O::LoadSfr, 0, 0), word(O::WriteDelay, 0, 0), word(O::ReadDelay, 1, 100),
            word(O::StoreSfr, 1, 4)};
}

// One word: the smallest program, to measure the fixed work of a sample.
inline std::vector<std::uint32_t> singleWord() {
    return {word(O::Move, 1, 1)};
}

// 1024 words in the proportions of a delay/reverb effect: about a third
// multiply-accumulates, a fifth delay reads and writes, moves and MREG
// traffic, a few SFR reads, saturating adds, products, and one conditional
// jump in 64 words that is taken over a single word.
inline std::vector<std::uint32_t> realisticMix() {
    // clang-format off
    static const std::uint32_t kBlock[16] = {
        word(O::LoadSfr, 0, 0),         word(O::ClearAcc64),
        word(O::MacDelay, 2, 1200),     word(O::MacCoefDelay, 40, 2400),
        word(O::Mac, 0, 3),             word(O::MacImm, 4, 0x2000),
        word(O::ReadAcc64High, 5),      word(O::WriteDelay, 5, 0),
        word(O::ReadDelay, 6, 800),     word(O::AddSat, 6, 5),
        word(O::StoreMreg, 16, 10),     word(O::LoadMreg, 7, 11),
        word(O::Mul, 7, 6),             word(O::Move, 8, 16),
        word(O::WriteDelay, 8, 4000),   word(O::StoreSfr, 8, 4),
    };
    // clang-format on
    std::vector<std::uint32_t> words;
    for (int i = 0; i < 1024; ++i) {
        if (i % 64 == 63) {
            words.push_back(word(O::JumpIfNeg, 8, 1));
        } else {
            words.push_back(kBlock[i % 16]);
        }
    }
    return words;
}

// 1024 words of only the floating-point operations.
inline std::vector<std::uint32_t> expensiveOnly() {
    const std::uint32_t kCycle[4] = {word(O::Log2, 1), word(O::Exp2, 2), word(O::ReadLfoModulated, 0, 1, 500),
                                     word(O::ReadRampPitch, 2, 0, 700)};
    std::vector<std::uint32_t> words;
    for (int i = 0; i < 1024; ++i) words.push_back(kCycle[i % 4]);
    return words;
}

// Presets that keep the programs busy: non-trivial registers, and optionally
// all four LFOs and both ramps running.
inline FXCoreCore::Presets benchPresets(bool lfosRunning) {
    FXCoreCore::Presets presets;
    for (int k = 0; k < 16; ++k)
        presets.creg[static_cast<std::size_t>(k)] =
            static_cast<std::int32_t>(std::int64_t{0x12345678} * (k + 1) / 17);
    presets.creg[15] = 0x00400000;  // modulation depth 64
    presets.sfr[10] = 8;
    if (lfosRunning) {
        for (std::size_t k = 28; k < 32; ++k) presets.sfr[k] = static_cast<std::int32_t>(100000 * (k - 27));
        presets.sfr[32] = 0x00100000;
        presets.sfr[33] = -0x00100000;
    }
    return presets;
}

// Counts the words one pass executes (jumps make it fewer than the length).
inline int executedWords(FXCoreCore& core) {
    int count = 0;
    for (int pc = 0; pc < core.programLength; pc = core.step(pc)) ++count;
    return count;
}

}  // namespace fxcore::bench
