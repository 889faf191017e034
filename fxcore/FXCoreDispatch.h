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
    X(kAddSat, kStoreSfrOutput, kMul, kStoreSfrOutput) \
    X(kMoveFromAcc32, kLoadSfr) \
    X(kSubSat, kMulImmInRange, kAddSat, kMoveFromAcc32) \
    X(kMoveFromAcc32, kLoadMreg) \
    X(kMacCoefDelayInRange, kMacCoefDelayInRange, kMacCoefDelayInRange) \
    X(kMoveFromAcc32, kShiftRightArithImm) \
    X(kClearAcc64, kMacImmInRange, kMacImmInRange) \
    X(kAndImm, kShiftLeftSatImm, kXor, kMoveFromAcc32) \
    X(kMul, kMoveFromAcc32, kSub, kMul) \
    X(kSetUserOut, kSub, kShiftRightArithImm, kAdd) \
    X(kMulImmInRange, kNegate, kExp2) \
    X(kMulImmInRange, kAddSatImm) \
    X(kSetUserOut, kLoadSfr, kShiftRightArithImm, kAddSat) \
    X(kReadAcc64High, kAddSat, kMul, kMoveFromAcc32) \
    X(kSubSat, kMul) \
    X(kSubSat, kMul, kAddSat, kStoreMreg) \
    X(kLoadMreg, kAllpassReadMreg, kAllpassWriteMreg) \
    X(kSubSat, kMoveFromAcc32, kMul) \
    X(kSub, kMul, kMoveFromAcc32, kMul) \
    X(kAddSat, kAnd, kMul, kShiftLeftSatImm) \
    X(kWriteDelay, kAndImm, kShiftLeftImm, kWriteDelay) \
    X(kMoveFromAcc32, kLoadSfr, kMul, kAdd) \
    X(kMoveFromAcc32, kMulImmInRange) \
    X(kMoveFromAcc32, kAbs) \
    X(kShiftRightArithImm, kAddSat) \
    X(kMulImmInRange, kAddSat, kStoreMreg) \
    X(kAllpassReadImmInRange, kAllpassWriteImmInRange, kAllpassReadImmInRange, kAllpassWriteImmInRange) \
    X(kAddImm, kReadDelayIndexed) \
    X(kMacImmInRange, kReadAcc64High, kMul, kMoveFromAcc32) \
    X(kAddSat, kMoveFromAcc32, kMove, kReadLfoModulated) \
    X(kMoveFromAcc32, kAndImm, kShiftLeftImm, kMoveFromAcc32) \
    X(kMul, kMulImmInRange) \
    X(kMoveFromAcc32, kSubSat, kMul, kAddSat) \
    X(kMoveFromAcc32, kMul, kMul, kAddSat) \
    X(kMoveFromAcc32, kSub) \
    X(kMulImmInRange, kAddSatImm, kExp2) \
    X(kExp2, kMoveFromAcc32, kNegate) \
    X(kMoveFromAcc32, kLoadSfr, kLoadSfr) \
    X(kAddSat, kAddSat, kAnd, kMoveFromAcc32) \
    X(kReadAcc64High, kShiftRightArithImm, kWriteAcc64High, kMacCoefDelayInRange) \
    X(kSub, kShiftRightArith, kAdd, kStoreMreg) \
    X(kMoveFromAcc32, kReadDelay, kShiftRightImm, kAllpassRead) \
    X(kShiftRightImm, kMoveFromAcc32, kReadLfoModulated, kAdd) \
    X(kShiftRight, kMoveFromAcc32, kNot, kMoveFromAcc32) \
    X(kMul, kStoreSfr, kMulImmInRange, kStoreSfr) \
    X(kSub, kLog2, kShiftRightArithImm, kExp2) \
    X(kAdd, kMul, kAddSat, kMoveFromAcc32) \
    X(kSubSat, kAddSat, kMoveFromAcc32, kStoreMreg) \
    X(kStoreSfr, kMul, kStoreSfr, kLoadSfr) \
    X(kClearAcc64, kMacImmInRange, kMacImmInRange, kMacImmInRange) \
    X(kMul, kSubSat, kMoveFromAcc32, kMul) \
    X(kAdd, kMoveFromAcc32, kStoreMreg, kLoadSfr) \
    X(kMoveFromAcc32, kLoadSfr, kShiftRightArithImm, kAddSat) \
    X(kMoveFromAcc32, kShiftRightArithImm, kAddImm, kMoveFromAcc32) \
    X(kSubSat, kMoveFromAcc32, kAbs) \
    X(kMulImmInRange, kMul) \
    X(kShiftLeftSat, kMoveFromAcc32, kAbs) \
    X(kLoadSfr, kMulImmInRange, kAddSatImm, kMul) \
    X(kMoveFromAcc32, kLoadMreg, kStoreMreg, kSubSat) \
    X(kMoveFromAcc32, kShiftRightArithImm, kMoveFromAcc32, kAnd) \
    X(kShiftRightArithImm, kAdd, kStoreMreg) \
    X(kMul, kMoveFromAcc32, kLoadSfr, kMul) \
    X(kMoveFromAcc32, kLoadSfr, kLoadMreg, kSubSat) \
    X(kMoveFromAcc32, kAddSat, kMoveFromAcc32) \
    X(kWriteDelay, kReadDelay) \
    X(kClearAcc64, kMacCoefDelayInRange, kMacCoefDelayInRange, kMacCoefDelayInRange) \
    X(kSubSat, kMul, kAddSat, kMoveFromAcc32) \
    X(kMul, kMulImmInRange, kMoveFromAcc32, kReadRampPitch) \
    X(kLoadMreg, kSub, kMoveFromAcc32, kSub) \
    X(kStoreSfrShift, kStoreSfrShift, kStoreSfrShift, kStoreSfrShift) \
    X(kMulImmInRange, kSubSat, kMul) \
    X(kAndImm, kAdd, kShiftRightArithImm, kShiftLeftImm) \
    X(kMulImmInRange, kMoveFromAcc32, kLoadMreg) \
    X(kAllpassWriteImmInRange, kAllpassReadImmInRange) \
    X(kLoadSfrCounter, kShiftRightImm) \
    X(kMulImmInRange, kMoveFromAcc32, kLoadSfr) \
    X(kAbs, kAddSatImm, kShiftRightArithImm, kAndImm) \
    X(kAddSat, kMoveFromAcc32, kReadDelay, kReadDelay) \
    X(kSub, kSetUserOut, kLoadSfr, kLoadSfr) \
    X(kLog2, kSub, kAddSatImm, kExp2) \
    X(kOr, kAddImm, kShiftRightArithImm, kMoveFromAcc32) \
    X(kMac, kReadAcc64High, kAddImm, kWriteDelay) \
    X(kMulImmInRange, kMoveFromAcc32, kAddSatImm, kExp2) \
    X(kAddImm, kReadDelayIndexed, kReadDelayIndexed) \
    X(kShiftRightArithImm, kAddSat, kShiftLeftSatImm) \
    X(kAddImm, kReadDelayIndexed, kAddImm, kReadDelayIndexed) \
    X(kMul, kMulImmInRange, kSubSat, kMul) \
    X(kMoveFromAcc32, kLoadSfr, kMulImmInRange, kAddSatImm) \
    X(kSubSat, kMoveFromAcc32, kAdd) \
    X(kAddSatImm, kExp2, kMoveFromAcc32, kMulImmInRange) \
    X(kShiftRightImm, kMoveFromAcc32, kMul) \
    X(kWriteDelay, kAdd, kMoveFromAcc32, kSub) \
    X(kSubSat, kMul, kAllpassReadImmInRange) \
    X(kShiftLeftSatImm, kMoveFromAcc32, kAndImm) \
    X(kMacCoefDelayInRange, kReadAcc64High, kLoadSfr) \
    X(kAddSat, kMoveFromAcc32, kMove) \
    X(kAnd, kSub, kExp2) \
    X(kMoveFromAcc32, kLoadSfr, kLoadSfr, kLoadSfr) \
    X(kShiftRightArithImm, kMoveFromAcc32, kShiftRightArithImm, kAdd) \
    X(kLoadMreg, kAddSatImm, kLog2) \
    X(kShiftLeft, kLoadMreg, kAddSat) \
    X(kShiftLeftSatImm, kMul, kMulImmInRange) \
    X(kShiftLeftImm, kMoveFromAcc32, kShiftRightArithImm) \
    X(kMoveFromAcc32, kLoadSfr, kMulImmInRange, kMul) \
    X(kMoveFromAcc32, kShiftRightArithImm, kMoveFromAcc32, kShiftRightArithImm) \
    X(kSub, kMoveFromAcc32) \
    X(kShiftLeftSat, kMoveFromAcc32, kAbs, kMoveFromAcc32) \
    X(kSubSat, kMulImmInRange, kMoveFromAcc32, kShiftRightArithImm) \
    X(kExp2, kMoveFromAcc32, kNegate, kExp2) \
    X(kStoreSfr, kMul) \
    X(kMulImmInRange, kAddSat) \
    X(kSubSat, kMul, kAnd) \
    X(kMulImmInRange, kMul, kAnd, kMoveFromAcc32) \
    X(kMac, kReadAcc64High, kClearAcc64, kMacCoefDelayInRange) \
    X(kMulImmInRange, kMoveFromAcc32, kMulImmInRange, kExp2) \
    X(kMoveFromAcc32, kMul, kMoveFromAcc32, kMulImmInRange) \
    X(kShiftRightArithImm, kSub) \
    X(kLoadSfr, kMulImmInRange, kAddSatImm) \
    X(kSubSat, kMoveFromAcc32, kAbs, kAddSat) \
    X(kWriteDelay, kLoadSfr) \
    X(kWriteDelay, kClearAcc64, kMacCoefDelayInRange) \
    X(kAllpassWriteImmInRange, kMoveFromAcc32, kMul) \
    X(kMoveFromAcc32, kLoadSfr, kLoadSfr, kStoreSfrShift) \
    X(kSubSat, kMul, kMoveFromAcc32, kMul) \
    X(kShiftLeftSat, kMoveFromAcc32, kAbs, kSub) \
    X(kWriteDelay, kMove) \
    X(kSubSat, kMulImmInRange, kAddSat, kStoreMreg) \
    X(kAddSatImm, kAnd) \
    X(kAddImm, kMoveFromAcc32, kLoadMreg) \
    X(kAnd, kAddSatImm) \
    X(kShiftRightArithImm, kMoveFromAcc32, kLoadMreg) \
    X(kAddSat, kMoveFromAcc32, kMul) \
    X(kMoveFromAcc32, kMulImmInRange, kMoveFromAcc32, kMulImmInRange) \
    X(kShiftRightArithImm, kAddSat, kMoveFromAcc32, kLoadMreg) \
    X(kMoveFromAcc32, kMulImmInRange, kMoveFromAcc32, kSub) \
    X(kMul, kShiftLeftSat, kMoveFromAcc32, kAbs) \
    X(kMove, kReadLfoModulated) \
    X(kAddSat, kMul, kMulImmInRange) \
    X(kOr, kMoveFromAcc32, kAbs) \
    X(kLoadSfr, kMulImmInRange, kNegate, kExp2) \
    X(kMoveFromAcc32, kAbs, kMoveFromAcc32, kAbs) \
    X(kMove, kAdd) \
    X(kAbs, kMoveFromAcc32) \
    X(kAdd, kMoveFromAcc32, kMove, kMove) \
    X(kShiftRightImm, kNegate, kAndImm, kStoreSfrShift) \
    X(kShiftRightImm, kShiftLeftSatImm, kAndImm, kStoreSfrShift) \
    X(kAdd, kMoveFromAcc32, kMul) \
    X(kMove, kSub, kSetUserOut, kLoadSfr) \
    X(kLoadSfr, kMulImmInRange, kAddSatImm, kExp2) \
    X(kStoreMreg, kStoreMreg) \
    X(kMoveFromAcc32, kShiftRightArithImm, kSub)
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
