#pragma once
// The dispatch entries of the program pass and the fused sequences.
//
// setProgram decodes every word to a dispatch entry: one per operation of
// kOperations (in table order), then the core's own variants, which it picks
// by a word's operands. The pass runs each sequence of the fused list (two to
// four entries in a row) under one dispatch. Shared by the pass, its tests
// and the benchmark that measures which sequences are worth fusing.

#include <array>
#include <cstddef>
#include <cstdint>

#include "fxcore/Operations.h"

namespace fxcore::dispatch {

// clang-format off
// Every operation and its body, in the order of kOperations.
#define FXCORE_OPERATION_LIST(X)                                                           \
    X(Abs, abs) X(ClearAcc64, clearAcc64) X(AddImm, addImm) X(Add, add) X(AddSat, addSat)   \
    X(AddSatImm, addSatImm) X(Sub, sub) X(SubSat, subSat) X(ShiftLeftImm, shiftLeftImm)     \
    X(ShiftLeft, shiftLeft) X(ShiftLeftSatImm, shiftLeftSatImm) X(ShiftLeftSat, shiftLeftSat) \
    X(ShiftRightImm, shiftRightImm) X(ShiftRight, shiftRight)                               \
    X(ShiftRightArithImm, shiftRightArithImm) X(ShiftRightArith, shiftRightArith)           \
    X(Mac, mac) X(MacImm, macImm) X(MacDelay, macDelay) X(MacCoefDelay, macCoefDelay)       \
    X(MacDiv8, macDiv8) X(MacDiv8Imm, macDiv8Imm) X(MacDiv8Delay, macDiv8Delay)             \
    X(MacDiv8CoefDelay, macDiv8CoefDelay) X(Mul, mul) X(MulImm, mulImm) X(Negate, negate)   \
    X(Log2, log2) X(Exp2, exp2) X(Move, move) X(LoadMreg, loadMreg) X(LoadSfr, loadSfrValue) \
    X(StoreMreg, storeMreg) X(StoreSfr, storeSfrValue) X(LoadMregIndexed, loadMregIndexed)  \
    X(ReadAcc64High, readAcc64High) X(ReadAcc64Low, readAcc64Low)                           \
    X(WriteAcc64High, writeAcc64High) X(WriteAcc64Low, writeAcc64Low) X(ReadDelay, readDelay) \
    X(WriteDelay, writeDelay) X(ReadDelayIndexed, readDelayIndexed)                         \
    X(WriteDelayIndexed, writeDelayIndexed) X(ReadDelayDirect, readDelayDirect)             \
    X(WriteDelayDirect, writeDelayDirect) X(ReadAcc64Scaled, readAcc64Scaled)               \
    X(LoadImmHigh, loadImmHigh) X(Not, bitNot) X(Or, bitOr) X(OrImm, orImm) X(And, bitAnd)  \
    X(AndImm, andImm) X(Xor, bitXor) X(XorImm, xorImm) X(JumpIfNotNeg, jumpIfNotNeg)        \
    X(JumpIfNeg, jumpIfNeg) X(JumpIfNonZero, jumpIfNonZero) X(JumpIfZero, jumpIfZero)       \
    X(JumpIfSignDiffers, jumpIfSignDiffers) X(Jump, jumpAlways)                             \
    X(AllpassReadImm, allpassReadImm) X(AllpassWriteImm, allpassWriteImm)                   \
    X(AllpassRead, allpassRead) X(AllpassWrite, allpassWrite)                               \
    X(AllpassReadIndexed, allpassReadIndexed) X(AllpassWriteIndexed, allpassWriteIndexed)   \
    X(AllpassReadMreg, allpassReadMreg) X(AllpassWriteMreg, allpassWriteMreg)               \
    X(ReadLfoModulated, readLfoModulated) X(ReadRampPitch, readRampPitch)                   \
    X(SetUserOut, setUserOut) X(ReadInterpolated, readInterpolated)

// Dispatch entries past the 72 operations: invalid words, the SFR variants
// of LoadSfr (the operation's own entry: a plain value) and StoreSfr, the
// products by a constant other than -1.0, which cannot reach the one
// overflowing product (-1.0) x (-1.0) (the operation's own entry keeps the
// words whose constant is -1.0), and `Move rX, acc32`.
#define FXCORE_EXTRA_LIST(X)                                                                \
    X(Invalid, invalid) X(LoadSfrZero, loadSfrZero) X(LoadSfrCounter, loadSfrCounter)      \
    X(StoreSfrOutput, storeSfrOutput) X(StoreSfrShift, storeSfrShift)                       \
    X(StoreSfrIgnored, invalid) X(MulImmInRange, mulImmInRange)                             \
    X(MacImmInRange, macImmInRange) X(MacCoefDelayInRange, macCoefDelayInRange)             \
    X(AllpassReadImmInRange, allpassReadImmInRange)                                         \
    X(AllpassWriteImmInRange, allpassWriteImmInRange) X(MoveFromAcc32, moveFromAcc32)
// clang-format on

enum Entry : std::uint8_t {
#define FXCORE_ENTRY(name, body) k##name,
    FXCORE_OPERATION_LIST(FXCORE_ENTRY) FXCORE_EXTRA_LIST(FXCORE_ENTRY)
#undef FXCORE_ENTRY
        kEntryCount
};
static_assert(kInvalid == kOperationCount);

#define FXCORE_ENTRY_NAME(name, body) #name,
inline constexpr const char* kEntryNames[] = {FXCORE_OPERATION_LIST(FXCORE_ENTRY_NAME)
                                                  FXCORE_EXTRA_LIST(FXCORE_ENTRY_NAME)};
#undef FXCORE_ENTRY_NAME

// The sequences of entries the pass runs under one dispatch, in the order
// `fxcore_core_bench --fusion-stats` derives them from the words that the
// embedded firmware and the benchmark fixtures execute, the one that saves
// the most dispatches first (fxcore/README.md: "Regenerating the fused
// sequences"). Where several start at a word, the
// longest runs. A sequence left out costs only its dispatches; one listed
// that never occurs costs only compile time.
// clang-format off
#define FXCORE_FUSED_SEQUENCES(X) \
    X(kSubSat, kMul, kAddSat) \
    X(kMoveFromAcc32, kShiftRightArithImm, kAndImm, kAddSat) \
    X(kMoveFromAcc32, kMul) \
    X(kMoveFromAcc32, kLoadSfr) \
    X(kAddSat, kStoreSfrOutput, kMul, kStoreSfrOutput) \
    X(kSubSat, kMulImmInRange, kAddSat, kMoveFromAcc32) \
    X(kMacCoefDelayInRange, kMacCoefDelayInRange, kMacCoefDelayInRange) \
    X(kMul, kMoveFromAcc32) \
    X(kMoveFromAcc32, kLoadMreg) \
    X(kClearAcc64, kMacImmInRange, kMacImmInRange) \
    X(kAndImm, kShiftLeftSatImm, kXor, kMoveFromAcc32) \
    X(kSetUserOut, kSub, kShiftRightArithImm, kAdd) \
    X(kMulImmInRange, kAddSatImm) \
    X(kSub, kMul, kSub, kMul) \
    X(kMoveFromAcc32, kShiftRightArithImm) \
    X(kShiftRightArithImm, kAddSat) \
    X(kSubSat, kMul) \
    X(kMulImmInRange, kAddSat) \
    X(kMulImmInRange, kNegate, kExp2) \
    X(kSubSat, kMul, kAddSat, kStoreMreg) \
    X(kWriteDelay, kAndImm, kShiftLeftImm, kWriteDelay) \
    X(kMacImmInRange, kMacImmInRange, kReadAcc64High) \
    X(kMoveFromAcc32, kLoadSfr, kMul, kAdd) \
    X(kLoadMreg, kAllpassReadMreg, kAllpassWriteMreg) \
    X(kSetUserOut, kLoadSfr, kShiftRightArithImm, kAddSat) \
    X(kMul, kAddSat, kMoveFromAcc32) \
    X(kSubSat, kMoveFromAcc32, kMul) \
    X(kAddImm, kReadDelayIndexed) \
    X(kAllpassReadImmInRange, kAllpassWriteImmInRange, kAllpassReadImmInRange, kAllpassWriteImmInRange) \
    X(kMoveFromAcc32, kAndImm, kShiftLeftImm, kMoveFromAcc32) \
    X(kMul, kMulImmInRange) \
    X(kSubSat, kMulImmInRange, kAddSat, kStoreMreg) \
    X(kAddSat, kMoveFromAcc32) \
    X(kAddSat, kAnd, kMul, kShiftLeftSatImm) \
    X(kMoveFromAcc32, kSub) \
    X(kMoveFromAcc32, kAbs) \
    X(kMulImmInRange, kAddSatImm, kExp2) \
    X(kSubSat, kMul, kAddSat, kMoveFromAcc32) \
    X(kStoreSfrShift, kStoreSfrShift, kStoreSfrShift, kStoreSfrShift) \
    X(kSub, kShiftRightArith, kAdd, kStoreMreg) \
    X(kMoveFromAcc32, kLoadSfr, kLoadSfr) \
    X(kMoveFromAcc32, kLoadSfr, kMulImmInRange, kMoveFromAcc32) \
    X(kMoveFromAcc32, kReadLfoModulated, kAdd, kMoveFromAcc32) \
    X(kMacCoefDelayInRange, kMacCoefDelayInRange, kMacCoefDelayInRange, kMacCoefDelayInRange) \
    X(kMac, kMac, kReadAcc64High, kStoreSfrOutput) \
    X(kMoveFromAcc32, kReadDelay, kShiftRightImm, kAllpassRead) \
    X(kStoreSfr, kMulImmInRange, kStoreSfr, kStoreSfr) \
    X(kSub, kLog2, kShiftRightArithImm, kExp2) \
    X(kMoveFromAcc32, kShiftRightArithImm, kAddImm, kMoveFromAcc32) \
    X(kMul, kMulImmInRange, kAddSatImm, kMoveFromAcc32) \
    X(kStoreSfr, kMul, kStoreSfr, kLoadSfr) \
    X(kAddSat, kMul, kMoveFromAcc32) \
    X(kShiftRightArithImm, kMoveFromAcc32, kShiftRightArithImm, kAdd) \
    X(kAdd, kMoveFromAcc32, kStoreMreg, kLoadSfr) \
    X(kAndImm, kAdd, kShiftRightArithImm, kMoveFromAcc32) \
    X(kAddSatImm, kExp2, kMoveFromAcc32) \
    X(kMoveFromAcc32, kMul, kMul, kMoveFromAcc32) \
    X(kMul, kSubSat, kMoveFromAcc32, kMul) \
    X(kMoveFromAcc32, kMul, kMul, kAddSat) \
    X(kWriteDelay, kReadDelay) \
    X(kMove, kReadLfoModulated, kMoveFromAcc32) \
    X(kAddSat, kAnd, kMoveFromAcc32) \
    X(kReadAcc64High, kShiftRightArithImm, kWriteAcc64High) \
    X(kLoadSfrCounter, kShiftRightImm, kShiftLeftSatImm) \
    X(kClearAcc64, kMacCoefDelayInRange, kMacCoefDelayInRange, kMacCoefDelayInRange) \
    X(kSubSat, kShiftRightArithImm, kAddSat, kShiftLeftSat) \
    X(kStoreSfrShift, kLoadSfr, kMulImmInRange, kAddSatImm) \
    X(kShiftRightArithImm, kAdd, kStoreMreg) \
    X(kMulImmInRange, kMoveFromAcc32, kLoadSfr, kLoadMreg) \
    X(kSubSat, kMoveFromAcc32, kAbs, kShiftRightArithImm) \
    X(kMul, kShiftLeftSat, kMoveFromAcc32) \
    X(kLoadMreg, kSubSat, kAddSat, kMoveFromAcc32) \
    X(kShiftLeftSatImm, kMoveFromAcc32, kLoadSfr, kMulImmInRange) \
    X(kShiftRight, kMoveFromAcc32, kNot, kMoveFromAcc32) \
    X(kMoveFromAcc32, kNegate, kExp2, kMoveFromAcc32) \
    X(kMoveFromAcc32, kLoadSfr, kShiftRightArithImm, kAddSat) \
    X(kMulImmInRange, kSubSat, kMul, kShiftLeftSatImm) \
    X(kLoadSfr, kLoadSfr, kSub, kAbs) \
    X(kMul, kShiftLeftSat, kSub, kSetUserOut) \
    X(kLog2, kSub, kAddSatImm, kExp2) \
    X(kAddSatImm, kShiftRightArithImm, kAndImm, kAddImm) \
    X(kAllpassWriteImmInRange, kAllpassReadImmInRange) \
    X(kExp2, kMulImmInRange, kMoveFromAcc32) \
    X(kOr, kAddImm, kShiftRightArithImm, kMoveFromAcc32) \
    X(kSub, kShiftRightArithImm, kAdd, kMoveFromAcc32) \
    X(kMul, kStoreSfrOutput, kClearAcc64, kWriteAcc64High) \
    X(kAddImm, kShiftLeftSatImm, kWriteDelay, kLoadSfr) \
    X(kSubSat, kMul, kMoveFromAcc32, kLoadMreg) \
    X(kAddSat, kExp2, kNegate, kExp2) \
    X(kLog2, kAddSatImm, kShiftLeftSatImm, kExp2) \
    X(kMulImmInRange, kMoveFromAcc32, kMulImmInRange, kMoveFromAcc32) \
    X(kMulImmInRange, kMoveFromAcc32, kLoadMreg) \
    X(kAddImm, kReadDelayIndexed, kAddImm, kReadDelayIndexed) \
    X(kClearAcc64, kMacImmInRange, kMacImmInRange, kReadAcc64High) \
    X(kAddImm, kReadDelayIndexed, kReadDelayIndexed) \
    X(kShiftLeftSatImm, kLoadMreg, kSubSat, kShiftLeftSatImm) \
    X(kMoveFromAcc32, kShiftRightArithImm, kMoveFromAcc32, kAnd) \
    X(kMul, kMulImmInRange, kSubSat, kMul) \
    X(kMoveFromAcc32, kLoadSfr, kMulImmInRange, kAddSatImm) \
    X(kMoveFromAcc32, kAddSat, kMoveFromAcc32, kSub) \
    X(kWriteDelay, kAdd, kMoveFromAcc32, kSub) \
    X(kReadLfoModulated, kShiftRightImm) \
    X(kSubSat, kMul, kAllpassReadImmInRange) \
    X(kReadAcc64High, kLoadSfr, kMulImmInRange) \
    X(kSubSat, kMul, kAnd) \
    X(kMoveFromAcc32, kClearAcc64, kWriteAcc64High) \
    X(kMulImmInRange, kAddSat, kStoreMreg) \
    X(kMoveFromAcc32, kNegate, kMul) \
    X(kLoadSfr, kMul, kMulImmInRange, kMoveFromAcc32) \
    X(kReadDelay, kReadDelay, kAddSat, kMoveFromAcc32) \
    X(kAnd, kSub, kExp2, kMulImmInRange) \
    X(kMul, kMulImmInRange, kMoveFromAcc32, kReadRampPitch) \
    X(kMacCoefDelayInRange, kMacCoefDelayInRange, kMacCoefDelayInRange, kReadAcc64Scaled) \
    X(kMoveFromAcc32, kLoadSfr, kLoadSfr, kLoadSfr) \
    X(kMoveFromAcc32, kLoadSfr, kMulImmInRange, kExp2) \
    X(kSubSat, kSubSat, kMul, kAddSat) \
    X(kAbs, kMoveFromAcc32, kAbs, kAddSat) \
    X(kLoadMreg, kAddSatImm, kLog2) \
    X(kShiftLeft, kLoadMreg, kAddSat) \
    X(kSub, kMoveFromAcc32) \
    X(kShiftLeftSatImm, kMoveFromAcc32, kAdd) \
    X(kLoadMreg, kAllpassReadMreg, kAllpassWriteMreg, kMulImmInRange) \
    X(kAdd, kShiftLeftSatImm, kMoveFromAcc32, kSub) \
    X(kShiftLeftSatImm, kMul, kMulImmInRange) \
    X(kMul, kMoveFromAcc32, kLoadSfr) \
    X(kShiftLeftImm, kMoveFromAcc32, kShiftRightArithImm) \
    X(kShiftRightArithImm, kSub) \
    X(kLoadMreg, kSub, kMoveFromAcc32, kSub) \
    X(kShiftRightArithImm, kAddSat, kStoreMreg, kShiftRightArithImm) \
    X(kShiftRightImm, kMoveFromAcc32, kMul) \
    X(kMoveFromAcc32, kSub, kExp2) \
    X(kLoadSfr, kMulImmInRange, kAddSatImm) \
    X(kMoveFromAcc32, kAbs, kMoveFromAcc32, kLoadMreg) \
    X(kAddImm, kStoreSfrShift) \
    X(kMul, kStoreSfrOutput) \
    X(kMoveFromAcc32, kAndImm) \
    X(kAddSatImm, kAnd) \
    X(kWriteDelay, kLoadSfr) \
    X(kAddSatImm, kExp2) \
    X(kLoadSfrCounter, kShiftRightImm) \
    X(kWriteDelay, kAddSat, kMoveFromAcc32) \
    X(kAddSat, kMul, kMulImmInRange) \
    X(kMulImmInRange, kMoveFromAcc32, kLoadSfr) \
    X(kAllpassWriteImmInRange, kMoveFromAcc32, kMul) \
    X(kMove, kReadLfoModulated, kShiftRightImm) \
    X(kMoveFromAcc32, kAbs, kSub) \
    X(kMul, kMoveFromAcc32, kAddSat, kMoveFromAcc32) \
    X(kReadRampPitch, kMul, kAddSat, kMoveFromAcc32) \
    X(kLoadSfrCounter, kShiftRightImm, kShiftLeftSatImm, kAndImm) \
    X(kLoadSfr, kMulImmInRange, kMoveFromAcc32, kLoadSfr) \
    X(kSubSat, kMul, kMoveFromAcc32, kMul) \
    X(kMoveFromAcc32, kAbs, kMoveFromAcc32, kMul) \
    X(kMoveFromAcc32, kAbs, kMoveFromAcc32, kAbs) \
    X(kAnd, kAddSatImm, kExp2, kMoveFromAcc32) \
    X(kNegate, kAddSatImm, kExp2, kMoveFromAcc32) \
    X(kWriteDelay, kShiftRightArithImm) \
    X(kMulImmInRange, kAddSatImm, kExp2, kMoveFromAcc32) \
    X(kMoveFromAcc32, kAbs, kAddSat, kMoveFromAcc32) \
    X(kMove, kAdd) \
    X(kLoadSfr, kShiftRightArithImm, kAddSat, kMulImmInRange)
// clang-format on

struct Sequence {
    std::uint8_t length;
    std::array<std::uint8_t, 4> entries;
};

template <typename... E>
constexpr Sequence sequenceOf(E... entries) {
    static_assert(sizeof...(E) >= 2 && sizeof...(E) <= 4, "a fused sequence has two to four words");
    return {static_cast<std::uint8_t>(sizeof...(E)), {static_cast<std::uint8_t>(entries)...}};
}

#define FXCORE_SEQUENCE_ROW(...) sequenceOf(__VA_ARGS__),
inline constexpr Sequence kFusedSequences[] = {FXCORE_FUSED_SEQUENCES(FXCORE_SEQUENCE_ROW)};
#undef FXCORE_SEQUENCE_ROW
inline constexpr std::size_t kFusedCount = std::size(kFusedSequences);

// An entry a sequence may hold: one whose body always continues with the next word.
constexpr bool continuesWithNextWord(std::uint8_t entry) {
    if (entry >= kEntryCount) return false;
    if (entry < kOperationCount) return kOperations[entry].operationClass != OperationClass::Jump;
    return entry != kInvalid && entry != kStoreSfrIgnored;
}

constexpr bool sameSequence(const Sequence& x, const Sequence& y) {
    if (x.length != y.length) return false;
    for (std::size_t k = 0; k < x.length; ++k)
        if (x.entries[k] != y.entries[k]) return false;
    return true;
}

constexpr bool fusedListIsSound() {
    for (std::size_t i = 0; i < kFusedCount; ++i) {
        for (std::size_t k = 0; k < kFusedSequences[i].length; ++k)
            if (!continuesWithNextWord(kFusedSequences[i].entries[k])) return false;
        for (std::size_t j = 0; j < i; ++j)
            if (sameSequence(kFusedSequences[i], kFusedSequences[j])) return false;
    }
    return true;
}
static_assert(fusedListIsSound(),
              "fused sequences hold only entries that continue with the next word, each once");

// The listed sequences by their first entry, longest first: the indices of
// those starting with entry e are kByFirst[kFirstBegin[e]] up to
// kByFirst[kFirstBegin[e + 1]].
inline constexpr auto kFirstBegin = [] {
    std::array<std::uint16_t, kEntryCount + 1> begin{};
    for (const Sequence& s : kFusedSequences) ++begin[s.entries[0] + 1u];
    for (std::size_t e = 0; e < kEntryCount; ++e)
        begin[e + 1] = static_cast<std::uint16_t>(begin[e + 1] + begin[e]);
    return begin;
}();
inline constexpr auto kByFirst = [] {
    std::array<std::uint16_t, kFusedCount> order{};
    std::array<std::uint16_t, kEntryCount + 1> next = kFirstBegin;
    for (std::uint8_t length = 4; length >= 2; --length)
        for (std::size_t i = 0; i < kFusedCount; ++i)
            if (kFusedSequences[i].length == length)
                order[next[kFusedSequences[i].entries[0]]++] = static_cast<std::uint16_t>(i);
    return order;
}();

// The index of the longest listed sequence that `entries` (the entries of
// `available` words in a row) begins with, or -1.
constexpr int longestSequenceAt(const std::uint8_t* entries, std::size_t available) {
    if (available < 2) return -1;
    for (std::size_t k = kFirstBegin[entries[0]]; k < kFirstBegin[entries[0] + 1u]; ++k) {
        const Sequence& s = kFusedSequences[kByFirst[k]];
        if (s.length > available) continue;
        std::size_t matched = 1;
        while (matched < s.length && s.entries[matched] == entries[matched]) ++matched;
        if (matched == s.length) return kByFirst[k];
    }
    return -1;
}

}  // namespace fxcore::dispatch
