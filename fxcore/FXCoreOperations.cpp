// The instruction decoder and the program pass.
//
// setProgram decodes every word once into a DecodedWord: its dispatch entry
// (FXCoreDispatch.h) and label, and its operands already extracted with the
// field layout of kOperations (Operations.h), so the core decodes exactly
// what the assembler encodes. The pass then costs one dispatch per word: a
// jump through a table of labels (threaded code) into the inlined body of
// the operation; the listed fused sequences run under one dispatch.

#include "fxcore/FXCoreCore.h"
#include "fxcore/FXCoreDispatch.h"
#include "fxcore/FXCoreOperationHandlers.h"
#include "fxcore/Operations.h"
#include "fxcore/SpecialRegisters.h"

#include <array>
#include <limits>

namespace fxcore {

namespace {

using namespace dispatch;

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

#define FXCORE_HANDLER(name, body) &OperationHandlers::body,
constexpr FXCoreCore::Handler s_handlers[] = {FXCORE_OPERATION_LIST(FXCORE_HANDLER)
                                                  FXCORE_EXTRA_LIST(FXCORE_HANDLER)};
#undef FXCORE_HANDLER
static_assert(std::size(s_handlers) == kEntryCount);

// Runs the body of one entry, inlined (the handler is a constant).
template <std::uint8_t E>
[[gnu::always_inline]] inline void runEntry(FXCoreCore& core, const FXCoreCore::DecodedWord& word) {
    constexpr FXCoreCore::Handler handler = s_handlers[E];
    handler(core, word);
}

// Runs a fused sequence from its first word; gives the word after its last.
template <std::uint8_t... E>
[[gnu::always_inline]] inline const FXCoreCore::DecodedWord* runSequence(
    FXCoreCore& core, const FXCoreCore::DecodedWord* word) {
    std::size_t at = 0;
    ((runEntry<E>(core, word[at]), ++at), ...);
    return word + sizeof...(E);
}

constexpr std::uint8_t indexOf(Opcode code) {
    return kOperationIndex[static_cast<std::uint8_t>(code)];
}

// The SFR variant of a LoadSfr or StoreSfr word, by the register's read or
// write rule in kSpecialRegisters (as readSFR and writeSFR apply it).
std::uint8_t loadSfrDispatch(std::int32_t n) {
    const SpecialRegister* reg = findSpecialRegister(n);
    if (reg == nullptr) return kLoadSfrZero;
    switch (reg->read) {
    case SfrRead::Zero: return kLoadSfrZero;
    case SfrRead::SampleCounter: return kLoadSfrCounter;
    case SfrRead::Value: break;
    }
    return indexOf(Opcode::LoadSfr);
}

std::uint8_t storeSfrDispatch(std::int32_t n) {
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
std::uint8_t productDispatch(const FXCoreCore::DecodedWord& word) {
    const bool immediateInRange = word.x != std::numeric_limits<std::int32_t>::min();
    const bool coefficientInRange = word.c != 0x80;
    switch (word.dispatch) {
    case indexOf(Opcode::MulImm): return immediateInRange ? std::uint8_t{kMulImmInRange} : word.dispatch;
    case indexOf(Opcode::MacImm): return immediateInRange ? std::uint8_t{kMacImmInRange} : word.dispatch;
    case indexOf(Opcode::MacCoefDelay):
        return coefficientInRange ? std::uint8_t{kMacCoefDelayInRange} : word.dispatch;
    case indexOf(Opcode::AllpassReadImm):
        return coefficientInRange ? std::uint8_t{kAllpassReadImmInRange} : word.dispatch;
    case indexOf(Opcode::AllpassWriteImm):
        return coefficientInRange ? std::uint8_t{kAllpassWriteImmInRange} : word.dispatch;
    default: return word.dispatch;
    }
}

// The label table of the pass: one label per dispatch entry and the end,
// then the fused sequences in list order.
constexpr std::size_t kEndLabel = kEntryCount;
constexpr std::size_t kFusedLabels = kEntryCount + 1;
constexpr std::size_t kLabelCount = kFusedLabels + kFusedCount;

// Where the pass may stop: after the last word that is neither a jump nor an
// invalid word. The words after it only move the program counter forward
// (padding such as trailing `Jump 0`), so ending the pass there changes nothing.
std::int32_t effectiveEnd(const std::array<std::uint32_t, FXCoreCore::kProgramSize>& program,
                          std::int32_t length) {
    std::int32_t end = length;
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
    const std::int32_t end = effectiveEnd(program, programLength);
    for (std::size_t pc = 0; pc < kProgramSize; ++pc) {
        DecodedWord& word = decoded[pc];
        word = decodeWord(program[pc]);
        word.label = labels[word.dispatch];
        const Operation* operation = findOperation(program[pc]);
        if (operation == nullptr || operation->operationClass != OperationClass::Jump) continue;
        // A jump to or beyond the end ends the pass: aim it at the end itself.
        const std::int32_t toEnd = end - static_cast<std::int32_t>(pc) - 1;
        if (word.x > toEnd) word.x = toEnd > 0 ? toEnd : 0;
    }
    // The word after the last one that matters ends the pass, so no word
    // tests for the end.
    decoded[static_cast<std::size_t>(end)] = {labels[kEndLabel], 0, 0, 0, 0, 0};
    // Fused sequences: the first word of the longest listed sequence at pc
    // continues with the word after its last. Every word keeps its own fields
    // (the fused body reads the later words'), and a jump to a later word
    // runs from there as usual.
    std::array<std::uint8_t, kProgramSize> entries{};
    for (std::size_t pc = 0; pc < static_cast<std::size_t>(end); ++pc) entries[pc] = decoded[pc].dispatch;
    for (std::int32_t pc = 0; pc + 1 < end; ++pc) {
        const int sequence = longestSequenceAt(entries.data() + pc, static_cast<std::size_t>(end - pc));
        if (sequence >= 0)
            decoded[static_cast<std::size_t>(pc)].label =
                labels[kFusedLabels + static_cast<std::size_t>(sequence)];
    }
}

int FXCoreCore::fusedLengthAt(int pc) {
    if (pc < 0 || pc >= kProgramSize) return 0;
    const void* const* labels = nullptr;
    runPass(&labels);
    const void* label = decoded[static_cast<std::size_t>(pc)].label;
    for (std::size_t i = 0; i < kFusedCount; ++i)
        if (labels[kFusedLabels + i] == label) return kFusedSequences[i].length;
    return label == labels[kEndLabel] ? 0 : 1;
}

int FXCoreCore::step(int pc) {
    if (pc < 0 || pc >= kProgramSize) return kProgramSize;
    const DecodedWord word = decodeWord(program[static_cast<std::size_t>(pc)]);
    return pc + s_handlers[word.dispatch](*this, word);
}

FXCoreCore::DecodedWord FXCoreCore::decodeWord(std::uint32_t word) {
    DecodedWord decodedWord{nullptr, 0, 0, 0, kInvalid, 0};
    const std::uint8_t index = kOperationIndex[opcodeByteOf(word)];
    if (index == kInvalidOperation) return decodedWord;
    const Operation& operation = kOperations[index];
    decodedWord.dispatch = index;
    for (std::uint8_t f = 0; f < operation.fieldCount; ++f) {
        const OperandField field = operation.fields[f];
        const std::uint32_t raw = field.extract(word);
        const auto small = static_cast<std::uint8_t>(raw);
        switch (field.kind) {
        case FieldKind::Register: (field.lsb == kFieldA.lsb ? decodedWord.a : decodedWord.b) = small; break;
        case FieldKind::MemoryRegister:
            decodedWord.b = static_cast<std::uint8_t>(kFirstMregRegister + raw);
            break;
        case FieldKind::Coefficient:
        case FieldKind::UserOutput:
        case FieldKind::LfoNegate:
        case FieldKind::WindowSize: decodedWord.c = small; break;
        case FieldKind::LfoLane:
        case FieldKind::RampSelect: decodedWord.b = small; break;
        case FieldKind::ImmediateHigh: decodedWord.x = static_cast<std::int32_t>(raw << 16); break;
        case FieldKind::ImmediateSigned: decodedWord.x = fieldValue(word, field); break;
        case FieldKind::SpecialRegister:
        case FieldKind::ImmediateBits:
        case FieldKind::DelayOffset:
        case FieldKind::ShiftCount:
        case FieldKind::BitNumber:
        case FieldKind::Skip: decodedWord.x = static_cast<std::int32_t>(raw); break;
        }
    }
    if (operation.opcode == Opcode::LoadSfr) decodedWord.dispatch = loadSfrDispatch(decodedWord.x);
    if (operation.opcode == Opcode::StoreSfr) {
        decodedWord.dispatch = storeSfrDispatch(decodedWord.x);
        // An output latch's index beside its SFR number (b is free in StoreSfr).
        if (decodedWord.dispatch == kStoreSfrOutput)
            decodedWord.b = static_cast<std::uint8_t>(decodedWord.x - FXCoreCore::kSfrOutput0);
    }
    if (operation.opcode == Opcode::Move && decodedWord.b == kAcc32Register)
        decodedWord.dispatch = kMoveFromAcc32;
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

// The name of a fused sequence's label: fused_ and its entries.
#define FXCORE_FUSED_NAME_2(a, b) fused_##a##_##b
#define FXCORE_FUSED_NAME_3(a, b, c) fused_##a##_##b##_##c
#define FXCORE_FUSED_NAME_4(a, b, c, d) fused_##a##_##b##_##c##_##d
#define FXCORE_FUSED_NAME_OF(_1, _2, _3, _4, name, ...) name
#define FXCORE_FUSED_NAME(...)                                                                         \
    FXCORE_FUSED_NAME_OF(__VA_ARGS__, FXCORE_FUSED_NAME_4, FXCORE_FUSED_NAME_3, FXCORE_FUSED_NAME_2, ) \
    (__VA_ARGS__)

void FXCoreCore::runPass(const void* const** labelsOut) {
#define FXCORE_LABEL(name, body) &&op_##name,
#define FXCORE_FUSED_LABEL(...) &&FXCORE_FUSED_NAME(__VA_ARGS__),
    static const void* const kLabels[] = {
        FXCORE_OPERATION_LIST(FXCORE_LABEL) FXCORE_EXTRA_LIST(FXCORE_LABEL) && end_of_pass,
        FXCORE_FUSED_SEQUENCES(FXCORE_FUSED_LABEL)};
#undef FXCORE_FUSED_LABEL
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

#define FXCORE_FUSED_BODY(...)                                                     \
    FXCORE_FUSED_NAME(__VA_ARGS__) : word = runSequence<__VA_ARGS__>(*this, word); \
    goto * word->label;
    FXCORE_FUSED_SEQUENCES(FXCORE_FUSED_BODY)
#undef FXCORE_FUSED_BODY

end_of_pass:
    return;
}

#undef FXCORE_FUSED_NAME
#undef FXCORE_FUSED_NAME_OF
#undef FXCORE_FUSED_NAME_4
#undef FXCORE_FUSED_NAME_3
#undef FXCORE_FUSED_NAME_2

#pragma GCC diagnostic pop

}  // namespace fxcore
