// The instruction decoder and the program pass.
//
// setProgram decodes every word once into a DecodedWord: its dispatch index
// and handler, and its operands already extracted with the field layout of
// kOperations (Operations.h), so the core decodes exactly what the assembler
// encodes. The pass then costs one dispatch per word: a jump through a table
// of labels (threaded code) into the inlined body of the operation. The most
// frequent pairs of words (an acc32 writer and a move of acc32, two
// multiply-accumulates of one kind, any two of the most frequent operations,
// where the frequent acc32 writers take the move of acc32 after them along)
// run under one dispatch.

#include "fxcore/FXCoreCore.h"
#include "fxcore/FXCoreOperationHandlers.h"
#include "fxcore/Operations.h"
#include "fxcore/SpecialRegisters.h"

#include <array>
#include <limits>

namespace fxcore {

namespace {

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
// of LoadSfr (index of LoadSfr: a plain value) and StoreSfr, and the
// products by a constant other than -1.0, which cannot reach the one
// overflowing product (-1.0) x (-1.0) (the operation's own entry keeps the
// words whose constant is -1.0).
#define FXCORE_EXTRA_LIST(X)                                                                \
    X(Invalid, invalid) X(LoadSfrZero, loadSfrZero) X(LoadSfrCounter, loadSfrCounter)      \
    X(StoreSfrOutput, storeSfrOutput) X(StoreSfrShift, storeSfrShift)                       \
    X(StoreSfrIgnored, invalid) X(MulImmInRange, mulImmInRange)                             \
    X(MacImmInRange, macImmInRange) X(MacCoefDelayInRange, macCoefDelayInRange)             \
    X(AllpassReadImmInRange, allpassReadImmInRange)                                         \
    X(AllpassWriteImmInRange, allpassWriteImmInRange)

// Operations whose body writes acc32 and always continues with the next
// word: followed by `Move rX, acc32`, the pair runs as one word.
#define FXCORE_ACC_WRITER_LIST(X)                                                           \
    X(Abs, abs) X(AddImm, addImm) X(Add, add) X(AddSat, addSat) X(AddSatImm, addSatImm)     \
    X(Sub, sub) X(SubSat, subSat) X(ShiftLeftImm, shiftLeftImm) X(ShiftLeft, shiftLeft)     \
    X(ShiftLeftSatImm, shiftLeftSatImm) X(ShiftLeftSat, shiftLeftSat)                       \
    X(ShiftRightImm, shiftRightImm) X(ShiftRight, shiftRight)                               \
    X(ShiftRightArithImm, shiftRightArithImm) X(ShiftRightArith, shiftRightArith)           \
    X(Mul, mul) X(MulImm, mulImm) X(Negate, negate) X(Log2, log2) X(Exp2, exp2)             \
    X(Not, bitNot) X(Or, bitOr) X(OrImm, orImm) X(And, bitAnd) X(AndImm, andImm)            \
    X(Xor, bitXor) X(XorImm, xorImm) X(AllpassReadImm, allpassReadImm)                      \
    X(AllpassWriteImm, allpassWriteImm) X(AllpassRead, allpassRead)                         \
    X(AllpassWrite, allpassWrite) X(AllpassReadIndexed, allpassReadIndexed)                 \
    X(AllpassWriteIndexed, allpassWriteIndexed) X(AllpassReadMreg, allpassReadMreg)         \
    X(AllpassWriteMreg, allpassWriteMreg) X(ReadLfoModulated, readLfoModulated)             \
    X(ReadRampPitch, readRampPitch) X(ReadInterpolated, readInterpolated)                   \
    X(MulImmInRange, mulImmInRange) X(AllpassReadImmInRange, allpassReadImmInRange)         \
    X(AllpassWriteImmInRange, allpassWriteImmInRange)

// Multiply-accumulates: two of the same in a row (a filter's taps) run as
// one word.
#define FXCORE_MAC_LIST(X)                                                                  \
    X(Mac, mac) X(MacImm, macImm) X(MacDelay, macDelay) X(MacCoefDelay, macCoefDelay)       \
    X(MacDiv8, macDiv8) X(MacDiv8Imm, macDiv8Imm) X(MacDiv8Delay, macDiv8Delay)             \
    X(MacDiv8CoefDelay, macDiv8CoefDelay) X(MacImmInRange, macImmInRange)                   \
    X(MacCoefDelayInRange, macCoefDelayInRange)

// The units of the pair list: the operations (by dispatch entry) that make
// up most words of effect programs, each alone (Word) or, for the most
// frequent acc32 writers, together with the `Move rX, acc32` after it
// (AndMove, two words). Any two units in a row run under one dispatch. Each
// entry: the unit's name, its dispatch entry, its body, its kind. Two copies
// of the list, because a macro cannot expand inside itself: the second walks
// the list for each entry of the first.
#define FXCORE_PAIR_LIST(X)                                                                                   \
    X(Move, Move, move, Word) X(Mul, Mul, mul, Word) X(MulImmInRange, MulImmInRange, mulImmInRange, Word)     \
    X(AddSat, AddSat, addSat, Word) X(AddSatImm, AddSatImm, addSatImm, Word) X(SubSat, SubSat, subSat, Word)  \
    X(Add, Add, add, Word) X(AddImm, AddImm, addImm, Word) X(Sub, Sub, sub, Word)                             \
    X(AndImm, AndImm, andImm, Word) X(ShiftRightArithImm, ShiftRightArithImm, shiftRightArithImm, Word)       \
    X(LoadSfr, LoadSfr, loadSfrValue, Word) X(LoadMreg, LoadMreg, loadMreg, Word)                             \
    X(StoreMreg, StoreMreg, storeMreg, Word) X(ClearAcc64, ClearAcc64, clearAcc64, Word)                      \
    X(Mac, Mac, mac, Word) X(MacImmInRange, MacImmInRange, macImmInRange, Word)                               \
    X(MacDelay, MacDelay, macDelay, Word)                                                                     \
    X(MacCoefDelayInRange, MacCoefDelayInRange, macCoefDelayInRange, Word)                                    \
    X(ReadAcc64High, ReadAcc64High, readAcc64High, Word) X(ReadDelay, ReadDelay, readDelay, Word)             \
    X(WriteDelay, WriteDelay, writeDelay, Word)                                                               \
    X(ReadDelayIndexed, ReadDelayIndexed, readDelayIndexed, Word)                                             \
    X(StoreSfrOutput, StoreSfrOutput, storeSfrOutput, Word) X(MulAndMove, Mul, mul, AndMove)                  \
    X(MulImmInRangeAndMove, MulImmInRange, mulImmInRange, AndMove) X(AddSatAndMove, AddSat, addSat, AndMove)  \
    X(SubSatAndMove, SubSat, subSat, AndMove) X(AddAndMove, Add, add, AndMove)
#define FXCORE_PAIR_LIST_WITH(X, F, FB, FBody, FKind)                                                 \
    X(F, FB, FBody, FKind, Move, Move, move, Word) X(F, FB, FBody, FKind, Mul, Mul, mul, Word)        \
    X(F, FB, FBody, FKind, MulImmInRange, MulImmInRange, mulImmInRange, Word)                         \
    X(F, FB, FBody, FKind, AddSat, AddSat, addSat, Word)                                              \
    X(F, FB, FBody, FKind, AddSatImm, AddSatImm, addSatImm, Word)                                     \
    X(F, FB, FBody, FKind, SubSat, SubSat, subSat, Word) X(F, FB, FBody, FKind, Add, Add, add, Word)  \
    X(F, FB, FBody, FKind, AddImm, AddImm, addImm, Word) X(F, FB, FBody, FKind, Sub, Sub, sub, Word)  \
    X(F, FB, FBody, FKind, AndImm, AndImm, andImm, Word)                                              \
    X(F, FB, FBody, FKind, ShiftRightArithImm, ShiftRightArithImm, shiftRightArithImm, Word)          \
    X(F, FB, FBody, FKind, LoadSfr, LoadSfr, loadSfrValue, Word)                                      \
    X(F, FB, FBody, FKind, LoadMreg, LoadMreg, loadMreg, Word)                                        \
    X(F, FB, FBody, FKind, StoreMreg, StoreMreg, storeMreg, Word)                                     \
    X(F, FB, FBody, FKind, ClearAcc64, ClearAcc64, clearAcc64, Word)                                  \
    X(F, FB, FBody, FKind, Mac, Mac, mac, Word)                                                       \
    X(F, FB, FBody, FKind, MacImmInRange, MacImmInRange, macImmInRange, Word)                         \
    X(F, FB, FBody, FKind, MacDelay, MacDelay, macDelay, Word)                                        \
    X(F, FB, FBody, FKind, MacCoefDelayInRange, MacCoefDelayInRange, macCoefDelayInRange, Word)       \
    X(F, FB, FBody, FKind, ReadAcc64High, ReadAcc64High, readAcc64High, Word)                         \
    X(F, FB, FBody, FKind, ReadDelay, ReadDelay, readDelay, Word)                                     \
    X(F, FB, FBody, FKind, WriteDelay, WriteDelay, writeDelay, Word)                                  \
    X(F, FB, FBody, FKind, ReadDelayIndexed, ReadDelayIndexed, readDelayIndexed, Word)                \
    X(F, FB, FBody, FKind, StoreSfrOutput, StoreSfrOutput, storeSfrOutput, Word)                      \
    X(F, FB, FBody, FKind, MulAndMove, Mul, mul, AndMove)                                             \
    X(F, FB, FBody, FKind, MulImmInRangeAndMove, MulImmInRange, mulImmInRange, AndMove)               \
    X(F, FB, FBody, FKind, AddSatAndMove, AddSat, addSat, AndMove)                                    \
    X(F, FB, FBody, FKind, SubSatAndMove, SubSat, subSat, AndMove)                                    \
    X(F, FB, FBody, FKind, AddAndMove, Add, add, AndMove)
// clang-format on

#define FXCORE_OPCODE(name, body) Opcode::name,
constexpr Opcode kListedOpcodes[] = {FXCORE_OPERATION_LIST(FXCORE_OPCODE)};
#undef FXCORE_OPCODE

constexpr bool listMatchesTheTable() {
    if (std::size(kListedOpcodes) != kOperationCount) return false;
    for (std::size_t i = 0; i < kOperationCount; ++i)
        if (kListedOpcodes[i] != kOperations[i].opcode) return false;
    return true;
}
static_assert(listMatchesTheTable(), "the operation list must follow kOperations row by row");

// The dispatch entry of each operation: its index in kOperations.
enum OperationDispatch : uint8_t {
#define FXCORE_OPERATION_DISPATCH(name, body) k##name,
    FXCORE_OPERATION_LIST(FXCORE_OPERATION_DISPATCH)
#undef FXCORE_OPERATION_DISPATCH
};

enum Extra : uint8_t {
#define FXCORE_EXTRA(name, body) k##name,
    kFirstExtra = kOperationCount - 1,
    FXCORE_EXTRA_LIST(FXCORE_EXTRA)
#undef FXCORE_EXTRA
        kDispatchCount
};

#define FXCORE_DISPATCH(name, body) k##name,
constexpr uint8_t kAccWriters[] = {FXCORE_ACC_WRITER_LIST(FXCORE_DISPATCH)};
constexpr uint8_t kMacs[] = {FXCORE_MAC_LIST(FXCORE_DISPATCH)};
#undef FXCORE_DISPATCH

// A unit of the pair list: its dispatch entry and whether the move of acc32
// after it belongs to it.
struct PairUnit {
    uint8_t dispatch;
    bool andMove;
};
constexpr bool operator==(PairUnit x, PairUnit y) {
    return x.dispatch == y.dispatch && x.andMove == y.andMove;
}
#define FXCORE_UNIT(name, base, body, kind) PairUnit{k##base, FXCORE_IS_##kind},
#define FXCORE_IS_Word false
#define FXCORE_IS_AndMove true
constexpr PairUnit kPairUnits[] = {FXCORE_PAIR_LIST(FXCORE_UNIT)};
#undef FXCORE_UNIT
#define FXCORE_SECOND_UNIT(first, firstBase, firstBody, firstKind, name, base, body, kind) \
    PairUnit{k##base, FXCORE_IS_##kind},
#define FXCORE_SECOND_UNITS(name, base, body, kind) \
    FXCORE_PAIR_LIST_WITH(FXCORE_SECOND_UNIT, name, base, body, kind)
// Every row of the second copy must be the first copy.
constexpr PairUnit kPairUnitsBySecondList[] = {FXCORE_PAIR_LIST(FXCORE_SECOND_UNITS)};
#undef FXCORE_SECOND_UNITS
#undef FXCORE_SECOND_UNIT
#undef FXCORE_IS_AndMove
#undef FXCORE_IS_Word
constexpr bool pairListsAgree() {
    constexpr std::size_t n = std::size(kPairUnits);
    if (std::size(kPairUnitsBySecondList) != n * n) return false;
    for (std::size_t i = 0; i < n * n; ++i)
        if (!(kPairUnitsBySecondList[i] == kPairUnits[i % n])) return false;
    return true;
}
static_assert(pairListsAgree(), "the two copies of the pair list must be the same list");

#define FXCORE_HANDLER(name, body) &OperationHandlers::body,
constexpr FXCoreCore::Handler s_handlers[] = {FXCORE_OPERATION_LIST(FXCORE_HANDLER)
                                                  FXCORE_EXTRA_LIST(FXCORE_HANDLER)};
#undef FXCORE_HANDLER
static_assert(std::size(s_handlers) == kDispatchCount);

constexpr uint8_t indexOf(Opcode code) {
    return kOperationIndex[static_cast<uint8_t>(code)];
}

// The SFR variant of a LoadSfr or StoreSfr word, by the register's read or
// write rule in kSpecialRegisters (as readSFR and writeSFR apply it).
uint8_t loadSfrDispatch(int32_t n) {
    const SpecialRegister* reg = findSpecialRegister(n);
    if (reg == nullptr) return kLoadSfrZero;
    switch (reg->read) {
    case SfrRead::Zero: return kLoadSfrZero;
    case SfrRead::SampleCounter: return kLoadSfrCounter;
    case SfrRead::Value: break;
    }
    return indexOf(Opcode::LoadSfr);
}

uint8_t storeSfrDispatch(int32_t n) {
    const SpecialRegister* reg = findSpecialRegister(n);
    if (reg == nullptr) return kStoreSfrIgnored;
    switch (reg->write) {
    case SfrWrite::StoreOutput: return kStoreSfrOutput;
    case SfrWrite::StoreShift: return kStoreSfrShift;
    case SfrWrite::Store: return indexOf(Opcode::StoreSfr);
    case SfrWrite::Ignored: break;
    }
    return kStoreSfrIgnored;
}

// The entry of a product by a constant: its variant without the limit when
// the constant (imm << 16, or K << 24) is not -1.0.
uint8_t productDispatch(const FXCoreCore::DecodedWord& word) {
    const bool immediateInRange = word.x != std::numeric_limits<int32_t>::min();
    const bool coefficientInRange = word.c != 0x80;
    switch (word.dispatch) {
    case indexOf(Opcode::MulImm): return immediateInRange ? uint8_t{kMulImmInRange} : word.dispatch;
    case indexOf(Opcode::MacImm): return immediateInRange ? uint8_t{kMacImmInRange} : word.dispatch;
    case indexOf(Opcode::MacCoefDelay):
        return coefficientInRange ? uint8_t{kMacCoefDelayInRange} : word.dispatch;
    case indexOf(Opcode::AllpassReadImm):
        return coefficientInRange ? uint8_t{kAllpassReadImmInRange} : word.dispatch;
    case indexOf(Opcode::AllpassWriteImm):
        return coefficientInRange ? uint8_t{kAllpassWriteImmInRange} : word.dispatch;
    default: return word.dispatch;
    }
}

// For each dispatch entry, its position in one of the lists above, or -1.
template <std::size_t N>
constexpr std::array<int8_t, kDispatchCount> positionsIn(const uint8_t (&list)[N]) {
    static_assert(N < 128);
    std::array<int8_t, kDispatchCount> positions{};
    for (int8_t& position : positions) position = -1;
    for (std::size_t i = 0; i < N; ++i) positions[list[i]] = static_cast<int8_t>(i);
    return positions;
}
constexpr auto kAccWriterPosition = positionsIn(kAccWriters);
constexpr auto kMacPosition = positionsIn(kMacs);
// For each dispatch entry, its position in the pair list alone and with the
// move of acc32 after it, or -1.
constexpr std::array<int8_t, kDispatchCount> pairPositions(bool andMove) {
    static_assert(std::size(kPairUnits) < 128);
    std::array<int8_t, kDispatchCount> positions{};
    for (int8_t& position : positions) position = -1;
    for (std::size_t i = 0; i < std::size(kPairUnits); ++i)
        if (kPairUnits[i].andMove == andMove) positions[kPairUnits[i].dispatch] = static_cast<int8_t>(i);
    return positions;
}
constexpr auto kPairPosition = pairPositions(false);
constexpr auto kPairAndMovePosition = pairPositions(true);

// The label table of the pass: one label per dispatch entry and the end,
// then the fused pairs in list order.
constexpr std::size_t kAccMoveLabels = kDispatchCount + 1;
constexpr std::size_t kMacPairLabels = kAccMoveLabels + std::size(kAccWriters);
constexpr std::size_t kPairLabels = kMacPairLabels + std::size(kMacs);
constexpr std::size_t kLabelCount = kPairLabels + std::size(kPairUnits) * std::size(kPairUnits);

// Where the pass may stop: after the last word that is neither a jump nor an
// invalid word. The words after it only move the program counter forward
// (padding such as trailing `Jump 0`), so ending the pass there changes nothing.
int32_t effectiveEnd(const std::array<uint32_t, FXCoreCore::kProgramSize>& program, int32_t length) {
    int32_t end = length;
    while (end > 0) {
        const Operation* operation = findOperation(program[static_cast<std::size_t>(end - 1)]);
        if (operation != nullptr && operation->operationClass != OperationClass::Jump) break;
        --end;
    }
    return end;
}

}  // namespace

void FXCoreCore::decodeProgram() {
    const void* const* labels = nullptr;
    runPass(&labels);
    const int32_t end = effectiveEnd(program, programLength);
    for (std::size_t pc = 0; pc < kProgramSize; ++pc) {
        DecodedWord& word = decoded[pc];
        word = decodeWord(program[pc]);
        word.label = labels[word.dispatch];
        const Operation* operation = findOperation(program[pc]);
        if (operation == nullptr || operation->operationClass != OperationClass::Jump) continue;
        // A jump to or beyond the end ends the pass: aim it at the end itself.
        const int32_t toEnd = end - static_cast<int32_t>(pc) - 1;
        if (word.x > toEnd) word.x = toEnd > 0 ? toEnd : 0;
    }
    // The word after the last one that matters ends the pass, so no word
    // tests for the end.
    decoded[static_cast<std::size_t>(end)] = {labels[kDispatchCount], 0, 0, 0, 0, 0};
    // Fused words: the first word of a fused group continues with the word
    // after the last. Every word keeps its own fields (the fused body reads
    // the later words'), and a jump to a later word still runs it alone.
    const auto isMoveOfAcc32 = [this, end](int32_t pc) {
        const DecodedWord& word = decoded[static_cast<std::size_t>(pc)];
        return pc < end && word.dispatch == kMove && word.b == kAcc32Register;
    };
    // The unit of the pair list at pc, with the move after it when it can
    // take it: its position, or -1, and its size in words.
    const auto pairUnitAt = [this, end, &isMoveOfAcc32](int32_t pc, int32_t& size) {
        size = 1;
        if (pc >= end) return -1;
        const uint8_t dispatch = decoded[static_cast<std::size_t>(pc)].dispatch;
        if (kPairAndMovePosition[dispatch] >= 0 && isMoveOfAcc32(pc + 1)) {
            size = 2;
            return int{kPairAndMovePosition[dispatch]};
        }
        return int{kPairPosition[dispatch]};
    };
    for (int32_t pc = 0; pc + 1 < end; ++pc) {
        DecodedWord& first = decoded[static_cast<std::size_t>(pc)];
        const DecodedWord& second = decoded[static_cast<std::size_t>(pc) + 1];
        // Two units of the pair list (by dispatch entry: LoadSfr in its
        // plain-value variant, StoreSfr to an output).
        int32_t firstSize = 1;
        int32_t secondSize = 1;
        const int pairFirst = pairUnitAt(pc, firstSize);
        const int pairSecond = pairFirst >= 0 ? pairUnitAt(pc + firstSize, secondSize) : -1;
        if (pairSecond >= 0) {
            first.label = labels[kPairLabels + static_cast<std::size_t>(pairFirst) * std::size(kPairUnits) +
                                 static_cast<std::size_t>(pairSecond)];
            continue;
        }
        const int accWriter = kAccWriterPosition[first.dispatch];
        if (accWriter >= 0 && isMoveOfAcc32(pc + 1)) {
            first.label = labels[kAccMoveLabels + static_cast<std::size_t>(accWriter)];
            continue;
        }
        const int mac = kMacPosition[first.dispatch];
        if (mac >= 0 && second.dispatch == first.dispatch)
            first.label = labels[kMacPairLabels + static_cast<std::size_t>(mac)];
    }
}

int FXCoreCore::step(int pc) {
    if (pc < 0 || pc >= kProgramSize) return kProgramSize;
    const DecodedWord word = decodeWord(program[static_cast<std::size_t>(pc)]);
    return pc + s_handlers[word.dispatch](*this, word);
}

FXCoreCore::DecodedWord FXCoreCore::decodeWord(uint32_t word) {
    DecodedWord decodedWord{nullptr, 0, 0, 0, kInvalid, 0};
    const uint8_t index = kOperationIndex[opcodeByteOf(word)];
    if (index == kInvalidOperation) return decodedWord;
    const Operation& operation = kOperations[index];
    decodedWord.dispatch = index;
    for (uint8_t f = 0; f < operation.fieldCount; ++f) {
        const OperandField field = operation.fields[f];
        const uint32_t raw = field.extract(word);
        const auto small = static_cast<uint8_t>(raw);
        switch (field.kind) {
        case FieldKind::Register: (field.lsb == kFieldA.lsb ? decodedWord.a : decodedWord.b) = small; break;
        case FieldKind::MemoryRegister: decodedWord.b = static_cast<uint8_t>(kFirstMregRegister + raw); break;
        case FieldKind::Coefficient:
        case FieldKind::UserOutput:
        case FieldKind::LfoNegate:
        case FieldKind::WindowSize: decodedWord.c = small; break;
        case FieldKind::LfoLane:
        case FieldKind::RampSelect: decodedWord.b = small; break;
        case FieldKind::ImmediateHigh: decodedWord.x = static_cast<int32_t>(raw << 16); break;
        case FieldKind::ImmediateSigned: decodedWord.x = fieldValue(word, field); break;
        case FieldKind::SpecialRegister:
        case FieldKind::ImmediateBits:
        case FieldKind::DelayOffset:
        case FieldKind::ShiftCount:
        case FieldKind::BitNumber:
        case FieldKind::Skip: decodedWord.x = static_cast<int32_t>(raw); break;
        }
    }
    if (operation.opcode == Opcode::LoadSfr) decodedWord.dispatch = loadSfrDispatch(decodedWord.x);
    if (operation.opcode == Opcode::StoreSfr) {
        decodedWord.dispatch = storeSfrDispatch(decodedWord.x);
        // An output latch's index beside its SFR number (b is free in StoreSfr).
        if (decodedWord.dispatch == kStoreSfrOutput)
            decodedWord.b = static_cast<uint8_t>(decodedWord.x - FXCoreCore::kSfrOutput0);
    }
    decodedWord.dispatch = productDispatch(decodedWord);
    return decodedWord;
}

// Labels as values are a GNU extension (GCC and clang): they give each
// operation its own indirect jump, which predicts far better than one shared
// switch and saves the call and return of a handler table.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"
#ifdef __clang__
#pragma clang diagnostic ignored "-Wgnu-label-as-value"
#endif

void FXCoreCore::runPass(const void* const** labelsOut) {
#define FXCORE_LABEL(name, body) &&op_##name,
#define FXCORE_ACC_MOVE_LABEL(name, body) &&acc_move_##name,
#define FXCORE_MAC_PAIR_LABEL(name, body) &&mac_pair_##name,
#define FXCORE_PAIR_LABEL(first, firstBase, firstBody, firstKind, second, secondBase, secondBody, \
                          secondKind)                                                             \
    &&pair_##first##_##second,
#define FXCORE_PAIR_LABELS(name, base, body, kind) \
    FXCORE_PAIR_LIST_WITH(FXCORE_PAIR_LABEL, name, base, body, kind)
    static const void* const kLabels[] = {
        FXCORE_OPERATION_LIST(FXCORE_LABEL) FXCORE_EXTRA_LIST(FXCORE_LABEL) && end_of_pass,
        FXCORE_ACC_WRITER_LIST(FXCORE_ACC_MOVE_LABEL) FXCORE_MAC_LIST(FXCORE_MAC_PAIR_LABEL)
            FXCORE_PAIR_LIST(FXCORE_PAIR_LABELS)};
#undef FXCORE_PAIR_LABELS
#undef FXCORE_PAIR_LABEL
#undef FXCORE_MAC_PAIR_LABEL
#undef FXCORE_ACC_MOVE_LABEL
#undef FXCORE_LABEL
    static_assert(std::size(kLabels) == kLabelCount);
    if (labelsOut != nullptr) {
        *labelsOut = kLabels;
        return;
    }

    // Each word jumps straight to the next one's body; setProgram aims every
    // jump at most at the end word, whose label leaves the pass.
    const DecodedWord* word = decoded.data();
    goto * word->label;

#define FXCORE_BODY(name, body)                                \
    op_##name : word += OperationHandlers::body(*this, *word); \
    goto * word->label;
    FXCORE_OPERATION_LIST(FXCORE_BODY)
    FXCORE_EXTRA_LIST(FXCORE_BODY)
#undef FXCORE_BODY

    // An acc32 writer and the `Move rX, acc32` after it.
#define FXCORE_ACC_MOVE_BODY(name, body)                       \
    acc_move_##name : OperationHandlers::body(*this, word[0]); \
    regFile[word[1].a] = regFile[kAcc32Register];              \
    word += 2;                                                 \
    goto * word->label;
    FXCORE_ACC_WRITER_LIST(FXCORE_ACC_MOVE_BODY)
#undef FXCORE_ACC_MOVE_BODY

    // Two multiply-accumulates of the same kind.
#define FXCORE_MAC_PAIR_BODY(name, body)                       \
    mac_pair_##name : OperationHandlers::body(*this, word[0]); \
    OperationHandlers::body(*this, word[1]);                   \
    word += 2;                                                 \
    goto * word->label;
    FXCORE_MAC_LIST(FXCORE_MAC_PAIR_BODY)
#undef FXCORE_MAC_PAIR_BODY

    // Any two units of the pair list. A unit runs its word, and for AndMove
    // the move of acc32 in the word after it.
#define FXCORE_RUN_Word(body, at) OperationHandlers::body(*this, word[at])
#define FXCORE_RUN_AndMove(body, at) \
    (OperationHandlers::body(*this, word[at]), regFile[word[(at) + 1].a] = regFile[kAcc32Register])
#define FXCORE_SIZE_Word 1
#define FXCORE_SIZE_AndMove 2
#define FXCORE_PAIR_BODY(first, firstBase, firstBody, firstKind, second, secondBase, secondBody, secondKind) \
    pair_##first##_##second : {                                                                              \
        FXCORE_RUN_##firstKind(firstBody, 0);                                                                \
        FXCORE_RUN_##secondKind(secondBody, FXCORE_SIZE_##firstKind);                                        \
        word += FXCORE_SIZE_##firstKind + FXCORE_SIZE_##secondKind;                                          \
        goto * word->label;                                                                                  \
    }
#define FXCORE_PAIR_BODIES(name, base, body, kind) \
    FXCORE_PAIR_LIST_WITH(FXCORE_PAIR_BODY, name, base, body, kind)
    FXCORE_PAIR_LIST(FXCORE_PAIR_BODIES)
#undef FXCORE_PAIR_BODIES
#undef FXCORE_PAIR_BODY
#undef FXCORE_SIZE_AndMove
#undef FXCORE_SIZE_Word
#undef FXCORE_RUN_AndMove
#undef FXCORE_RUN_Word

end_of_pass:
    return;
}

#pragma GCC diagnostic pop

}  // namespace fxcore
