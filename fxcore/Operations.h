#pragma once
// The FXCore instruction set as data: every operation's name, opcode, class
// and operand fields. The core's decoder, the assembler, the disassembler and
// the test names all read this one table, so they cannot disagree.
//
// Word encoding
// -------------
// An instruction word is an unsigned 32-bit number. Bits 31..24 hold the
// opcode byte; the other bits hold operand fields, each an unsigned bit range
// (lsb, width) of the word. An operation reads only the fields listed for it
// and ignores every other bit. Fields of different operations overlap (A lies
// inside K; B, n, M, S, skip and D share the low bits), but no operation uses
// two overlapping fields.
//
//   field  bits    kind             meaning
//   A      20..16  Register         register number (see below)
//   B       4..0   Register         register number
//   imm    15..0   Immediate*       16-bit immediate (three readings, below)
//   K      23..16  Coefficient      signed 8 bits; its S.31 value is K << 24
//   D      14..0   DelayOffset      0..32767, relative to the delay pointer
//   M       6..0   MemoryRegister   MREG index 0..127
//   S       5..0   SpecialRegister  SFR number 0..63 (49..63 have no function)
//   n       4..0   ShiftCount or BitNumber, 0..31
//   skip   11..0   Skip             words a taken jump passes over, 0..4095
//   U       5      UserOutput       user output 0 or 1 (SetUserOut)
//   lane   18..16  LfoLane          LFO output 0..7 (ReadLfoModulated)
//   neg    19      LfoNegate        negate the LFO output (ReadLfoModulated)
//   r      16      RampSelect       ramp 0 or 1 (ReadRampPitch)
//   size   19..18  WindowSize       window of 512 << size words (ReadRampPitch)
//
// Register numbers: 0..15 are R0..R15, 16 is acc32, 17 the flags word and
// 18..31 are MREG0..MREG13.
//
// The three readings of imm: ImmediateSigned is the low half as a signed
// 16-bit integer (simm); ImmediateHigh is placed in the top half, an S.31
// value imm << 16 from -1.0 (0x8000) to 1 - 2^-15; ImmediateBits is the
// unsigned bit pattern in the low half.
//
// The fields of each operation are listed from the highest lsb to the lowest,
// so a word is the opcode byte followed by its fields in table order.
//
// 72 opcodes are valid, all even; every other byte value (all odd bytes and
// the even ranges 0x3A..0x5E, 0x6C..0x7E, 0x98..0x9E, 0xBA..0xBE and
// 0xD8..0xFE, 184 values) is invalid and executes as "do nothing".
//
// This header only adds over time; existing names and values stay.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace fxcore {

enum class FieldKind : std::uint8_t {
    Register,
    MemoryRegister,
    SpecialRegister,
    Coefficient,
    ImmediateSigned,
    ImmediateHigh,
    ImmediateBits,
    DelayOffset,
    ShiftCount,
    BitNumber,
    Skip,
    UserOutput,
    LfoLane,
    LfoNegate,
    RampSelect,
    WindowSize,
};

// One operand field: an unsigned bit range of the word and what it means.
struct OperandField {
    FieldKind kind;
    std::uint8_t lsb;
    std::uint8_t width;

    constexpr std::uint32_t mask() const { return width >= 32 ? 0xFFFFFFFFu : ((1u << width) - 1u); }
    // The raw unsigned value of this field in a word.
    constexpr std::uint32_t extract(std::uint32_t word) const { return (word >> lsb) & mask(); }
    // The field value placed at its position (bits beyond the width are dropped).
    constexpr std::uint32_t place(std::uint32_t value) const { return (value & mask()) << lsb; }
    // Fields whose raw value is a two's complement number.
    constexpr bool isSigned() const {
        return kind == FieldKind::Coefficient || kind == FieldKind::ImmediateSigned ||
               kind == FieldKind::ImmediateHigh;
    }
};

inline constexpr OperandField kFieldA{FieldKind::Register, 16, 5};
inline constexpr OperandField kFieldB{FieldKind::Register, 0, 5};
inline constexpr OperandField kFieldImmSigned{FieldKind::ImmediateSigned, 0, 16};
inline constexpr OperandField kFieldImmHigh{FieldKind::ImmediateHigh, 0, 16};
inline constexpr OperandField kFieldImmBits{FieldKind::ImmediateBits, 0, 16};
inline constexpr OperandField kFieldK{FieldKind::Coefficient, 16, 8};
inline constexpr OperandField kFieldD{FieldKind::DelayOffset, 0, 15};
inline constexpr OperandField kFieldM{FieldKind::MemoryRegister, 0, 7};
inline constexpr OperandField kFieldS{FieldKind::SpecialRegister, 0, 6};
inline constexpr OperandField kFieldShift{FieldKind::ShiftCount, 0, 5};
inline constexpr OperandField kFieldBit{FieldKind::BitNumber, 0, 5};
inline constexpr OperandField kFieldSkip{FieldKind::Skip, 0, 12};
inline constexpr OperandField kFieldU{FieldKind::UserOutput, 5, 1};
inline constexpr OperandField kFieldLane{FieldKind::LfoLane, 16, 3};
inline constexpr OperandField kFieldNeg{FieldKind::LfoNegate, 19, 1};
inline constexpr OperandField kFieldRamp{FieldKind::RampSelect, 16, 1};
inline constexpr OperandField kFieldSize{FieldKind::WindowSize, 18, 2};

// Broad groups, for test names, statistics and benchmark mixes.
enum class OperationClass : std::uint8_t {
    Arithmetic,          // add, subtract, absolute value, negate into acc32
    Shift,               // shifts into acc32
    MultiplyAccumulate,  // products summed into acc64
    Multiply,            // S.31 products into acc32
    Transcendental,      // Log2, Exp2
    Move,                // register, MREG and SFR moves
    Accumulator64,       // acc64 halves, scaled read, ClearAcc64
    Delay,               // delay-memory reads and writes, LoadImmHigh
    Logic,               // bitwise operations into acc32
    Jump,                // forward conditional and unconditional jumps
    Allpass,             // all-pass section halves
    ModulatedRead,       // interpolated delay reads (LFO, ramp, 16.16)
    UserOutput,          // SetUserOut
};

enum class Opcode : std::uint8_t {
    Abs = 0x00,
    ClearAcc64 = 0x02,
    AddImm = 0x04,
    Add = 0x06,
    AddSat = 0x08,
    AddSatImm = 0x0A,
    Sub = 0x0C,
    SubSat = 0x0E,
    ShiftLeftImm = 0x10,
    ShiftLeft = 0x12,
    ShiftLeftSatImm = 0x14,
    ShiftLeftSat = 0x16,
    ShiftRightImm = 0x18,
    ShiftRight = 0x1A,
    ShiftRightArithImm = 0x1C,
    ShiftRightArith = 0x1E,
    Mac = 0x20,
    MacImm = 0x22,
    MacDelay = 0x24,
    MacCoefDelay = 0x26,
    MacDiv8 = 0x28,
    MacDiv8Imm = 0x2A,
    MacDiv8Delay = 0x2C,
    MacDiv8CoefDelay = 0x2E,
    Mul = 0x30,
    MulImm = 0x32,
    Negate = 0x34,
    Log2 = 0x36,
    Exp2 = 0x38,
    Move = 0x60,
    LoadMreg = 0x62,
    LoadSfr = 0x64,
    StoreMreg = 0x66,
    StoreSfr = 0x68,
    LoadMregIndexed = 0x6A,
    ReadAcc64High = 0x80,
    ReadAcc64Low = 0x82,
    WriteAcc64High = 0x84,
    WriteAcc64Low = 0x86,
    ReadDelay = 0x88,
    WriteDelay = 0x8A,
    ReadDelayIndexed = 0x8C,
    WriteDelayIndexed = 0x8E,
    ReadDelayDirect = 0x90,
    WriteDelayDirect = 0x92,
    ReadAcc64Scaled = 0x94,
    LoadImmHigh = 0x96,
    Not = 0xA0,
    Or = 0xA2,
    OrImm = 0xA4,
    And = 0xA6,
    AndImm = 0xA8,
    Xor = 0xAA,
    XorImm = 0xAC,
    JumpIfNotNeg = 0xAE,
    JumpIfNeg = 0xB0,
    JumpIfNonZero = 0xB2,
    JumpIfZero = 0xB4,
    JumpIfSignDiffers = 0xB6,
    Jump = 0xB8,
    AllpassReadImm = 0xC0,
    AllpassWriteImm = 0xC2,
    AllpassRead = 0xC4,
    AllpassWrite = 0xC6,
    AllpassReadIndexed = 0xC8,
    AllpassWriteIndexed = 0xCA,
    AllpassReadMreg = 0xCC,
    AllpassWriteMreg = 0xCE,
    ReadLfoModulated = 0xD0,
    ReadRampPitch = 0xD2,
    SetUserOut = 0xD4,
    ReadInterpolated = 0xD6,
};

struct Operation {
    Opcode opcode;
    std::string_view name;
    OperationClass operationClass;
    std::uint8_t fieldCount;
    std::array<OperandField, 3> fields;

    constexpr std::uint8_t opcodeByte() const { return static_cast<std::uint8_t>(opcode); }
};

namespace operations_detail {
inline constexpr OperandField kNone{FieldKind::Register, 0, 0};
constexpr Operation op(Opcode code, std::string_view name, OperationClass cls) {
    return {code, name, cls, 0, {kNone, kNone, kNone}};
}
constexpr Operation op(Opcode code, std::string_view name, OperationClass cls, OperandField f0) {
    return {code, name, cls, 1, {f0, kNone, kNone}};
}
constexpr Operation op(Opcode code, std::string_view name, OperationClass cls, OperandField f0,
                       OperandField f1) {
    return {code, name, cls, 2, {f0, f1, kNone}};
}
constexpr Operation op(Opcode code, std::string_view name, OperationClass cls, OperandField f0,
                       OperandField f1, OperandField f2) {
    return {code, name, cls, 3, {f0, f1, f2}};
}
}  // namespace operations_detail

inline constexpr std::size_t kOperationCount = 72;

// Sorted by opcode.
inline constexpr std::array<Operation, kOperationCount> kOperations = [] {
    using namespace operations_detail;
    using O = Opcode;
    using C = OperationClass;  // not a "C" of the including file's namespace
    constexpr auto A = kFieldA, B = kFieldB, K = kFieldK, D = kFieldD, M = kFieldM, S = kFieldS;
    return std::array<Operation, kOperationCount>{{
        op(O::Abs, "Abs", C::Arithmetic, A),
        op(O::ClearAcc64, "ClearAcc64", C::Accumulator64),
        op(O::AddImm, "AddImm", C::Arithmetic, A, kFieldImmSigned),
        op(O::Add, "Add", C::Arithmetic, A, B),
        op(O::AddSat, "AddSat", C::Arithmetic, A, B),
        op(O::AddSatImm, "AddSatImm", C::Arithmetic, A, kFieldImmHigh),
        op(O::Sub, "Sub", C::Arithmetic, A, B),
        op(O::SubSat, "SubSat", C::Arithmetic, A, B),
        op(O::ShiftLeftImm, "ShiftLeftImm", C::Shift, A, kFieldShift),
        op(O::ShiftLeft, "ShiftLeft", C::Shift, A, B),
        op(O::ShiftLeftSatImm, "ShiftLeftSatImm", C::Shift, A, kFieldShift),
        op(O::ShiftLeftSat, "ShiftLeftSat", C::Shift, A, B),
        op(O::ShiftRightImm, "ShiftRightImm", C::Shift, A, kFieldShift),
        op(O::ShiftRight, "ShiftRight", C::Shift, A, B),
        op(O::ShiftRightArithImm, "ShiftRightArithImm", C::Shift, A, kFieldShift),
        op(O::ShiftRightArith, "ShiftRightArith", C::Shift, A, B),
        op(O::Mac, "Mac", C::MultiplyAccumulate, A, B),
        op(O::MacImm, "MacImm", C::MultiplyAccumulate, A, kFieldImmHigh),
        op(O::MacDelay, "MacDelay", C::MultiplyAccumulate, A, D),
        op(O::MacCoefDelay, "MacCoefDelay", C::MultiplyAccumulate, K, D),
        op(O::MacDiv8, "MacDiv8", C::MultiplyAccumulate, A, B),
        op(O::MacDiv8Imm, "MacDiv8Imm", C::MultiplyAccumulate, A, kFieldImmHigh),
        op(O::MacDiv8Delay, "MacDiv8Delay", C::MultiplyAccumulate, A, D),
        op(O::MacDiv8CoefDelay, "MacDiv8CoefDelay", C::MultiplyAccumulate, K, D),
        op(O::Mul, "Mul", C::Multiply, A, B),
        op(O::MulImm, "MulImm", C::Multiply, A, kFieldImmHigh),
        op(O::Negate, "Negate", C::Arithmetic, A),
        op(O::Log2, "Log2", C::Transcendental, A),
        op(O::Exp2, "Exp2", C::Transcendental, A),
        op(O::Move, "Move", C::Move, A, B),
        op(O::LoadMreg, "LoadMreg", C::Move, A, M),
        op(O::LoadSfr, "LoadSfr", C::Move, A, S),
        op(O::StoreMreg, "StoreMreg", C::Move, A, M),
        op(O::StoreSfr, "StoreSfr", C::Move, A, S),
        op(O::LoadMregIndexed, "LoadMregIndexed", C::Move, A, B),
        op(O::ReadAcc64High, "ReadAcc64High", C::Accumulator64, A),
        op(O::ReadAcc64Low, "ReadAcc64Low", C::Accumulator64, A),
        op(O::WriteAcc64High, "WriteAcc64High", C::Accumulator64, A),
        op(O::WriteAcc64Low, "WriteAcc64Low", C::Accumulator64, A),
        op(O::ReadDelay, "ReadDelay", C::Delay, A, D),
        op(O::WriteDelay, "WriteDelay", C::Delay, A, D),
        op(O::ReadDelayIndexed, "ReadDelayIndexed", C::Delay, A, B),
        op(O::WriteDelayIndexed, "WriteDelayIndexed", C::Delay, A, B),
        op(O::ReadDelayDirect, "ReadDelayDirect", C::Delay, A, B),
        op(O::WriteDelayDirect, "WriteDelayDirect", C::Delay, A, B),
        op(O::ReadAcc64Scaled, "ReadAcc64Scaled", C::Accumulator64, A),
        op(O::LoadImmHigh, "LoadImmHigh", C::Move, A, kFieldImmHigh),
        op(O::Not, "Not", C::Logic, A),
        op(O::Or, "Or", C::Logic, A, B),
        op(O::OrImm, "OrImm", C::Logic, A, kFieldImmBits),
        op(O::And, "And", C::Logic, A, B),
        op(O::AndImm, "AndImm", C::Logic, A, kFieldImmBits),
        op(O::Xor, "Xor", C::Logic, A, B),
        op(O::XorImm, "XorImm", C::Logic, A, kFieldImmBits),
        op(O::JumpIfNotNeg, "JumpIfNotNeg", C::Jump, A, kFieldSkip),
        op(O::JumpIfNeg, "JumpIfNeg", C::Jump, A, kFieldSkip),
        op(O::JumpIfNonZero, "JumpIfNonZero", C::Jump, A, kFieldSkip),
        op(O::JumpIfZero, "JumpIfZero", C::Jump, A, kFieldSkip),
        op(O::JumpIfSignDiffers, "JumpIfSignDiffers", C::Jump, A, kFieldSkip),
        op(O::Jump, "Jump", C::Jump, kFieldSkip),
        op(O::AllpassReadImm, "AllpassReadImm", C::Allpass, K, D),
        op(O::AllpassWriteImm, "AllpassWriteImm", C::Allpass, K, D),
        op(O::AllpassRead, "AllpassRead", C::Allpass, A, D),
        op(O::AllpassWrite, "AllpassWrite", C::Allpass, A, D),
        op(O::AllpassReadIndexed, "AllpassReadIndexed", C::Allpass, A, B),
        op(O::AllpassWriteIndexed, "AllpassWriteIndexed", C::Allpass, A, B),
        op(O::AllpassReadMreg, "AllpassReadMreg", C::Allpass, A, M),
        op(O::AllpassWriteMreg, "AllpassWriteMreg", C::Allpass, A, M),
        op(O::ReadLfoModulated, "ReadLfoModulated", C::ModulatedRead, kFieldNeg, kFieldLane, D),
        op(O::ReadRampPitch, "ReadRampPitch", C::ModulatedRead, kFieldSize, kFieldRamp, D),
        op(O::SetUserOut, "SetUserOut", C::UserOutput, A, kFieldU, kFieldBit),
        op(O::ReadInterpolated, "ReadInterpolated", C::ModulatedRead, A, D),
    }};
}();

inline constexpr std::uint8_t kInvalidOperation = 0xFF;

// Dense map from opcode byte to the index of its row in kOperations, or
// kInvalidOperation for the 184 invalid bytes.
inline constexpr std::array<std::uint8_t, 256> kOperationIndex = [] {
    std::array<std::uint8_t, 256> index{};
    for (auto& entry : index) entry = kInvalidOperation;
    for (std::size_t i = 0; i < kOperationCount; ++i)
        index[kOperations[i].opcodeByte()] = static_cast<std::uint8_t>(i);
    return index;
}();

constexpr std::uint8_t opcodeByteOf(std::uint32_t word) {
    return static_cast<std::uint8_t>(word >> 24);
}

// The operation that a word executes, or nullptr for an invalid opcode.
constexpr const Operation* findOperation(std::uint32_t word) {
    const std::uint8_t index = kOperationIndex[opcodeByteOf(word)];
    return index == kInvalidOperation ? nullptr : &kOperations[index];
}

constexpr const Operation& operationOf(Opcode code) {
    return kOperations[kOperationIndex[static_cast<std::uint8_t>(code)]];
}

// The operation with this exact name, or nullptr.
constexpr const Operation* findOperationByName(std::string_view name) {
    for (const Operation& operation : kOperations)
        if (operation.name == name) return &operation;
    return nullptr;
}

// A field's value read as the operation reads it: signed kinds sign-extended.
constexpr std::int32_t fieldValue(std::uint32_t word, OperandField field) {
    const std::uint32_t raw = field.extract(word);
    if (!field.isSigned()) return static_cast<std::int32_t>(raw);
    const std::uint32_t signBit = 1u << (field.width - 1);
    return static_cast<std::int32_t>(raw ^ signBit) - static_cast<std::int32_t>(signBit);
}

namespace operations_detail {
constexpr bool tableIsConsistent() {
    for (std::size_t i = 0; i < kOperationCount; ++i) {
        const Operation& operation = kOperations[i];
        if (operation.opcodeByte() % 2 != 0) return false;
        if (i > 0 && kOperations[i - 1].opcodeByte() >= operation.opcodeByte()) return false;
        std::uint32_t used = 0xFF000000u;
        std::uint8_t previousLsb = 32;
        for (std::uint8_t f = 0; f < operation.fieldCount; ++f) {
            const OperandField field = operation.fields[f];
            if (field.width == 0 || field.lsb + field.width > 24) return false;
            if (field.lsb >= previousLsb) return false;
            if ((used & field.place(0xFFFFFFFFu)) != 0) return false;
            used |= field.place(0xFFFFFFFFu);
            previousLsb = field.lsb;
        }
        for (std::size_t j = 0; j < i; ++j)
            if (kOperations[j].name == operation.name) return false;
    }
    int invalid = 0;
    for (std::uint8_t index : kOperationIndex) invalid += index == kInvalidOperation ? 1 : 0;
    return invalid == 184;
}
static_assert(tableIsConsistent(), "kOperations must be sorted, unique, even and non-overlapping");
}  // namespace operations_detail

}  // namespace fxcore
