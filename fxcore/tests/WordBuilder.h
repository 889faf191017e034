#pragma once
// Packs instruction words from an operation and its operand values, in the
// field order of kOperations, so tests read as programs:
//
//   word(Opcode::ReadDelay, 1, 100)     // R1 <- delay word at offset 100
//   word(Opcode::MacCoefDelay, -64, 5)  // K = -0.5, D = 5
//
// Signed fields take negative values (two's complement, cut to the width);
// every value is masked to its field's width.

#include <cstdint>
#include <initializer_list>

#include "fxcore/Operations.h"

namespace fxcore::test {

inline std::uint32_t word(Opcode opcode, std::initializer_list<std::int64_t> values) {
    const Operation& operation = operationOf(opcode);
    std::uint32_t packed = static_cast<std::uint32_t>(operation.opcodeByte()) << 24;
    std::uint8_t f = 0;
    for (std::int64_t value : values) {
        if (f >= operation.fieldCount) break;
        packed |= operation.fields[f++].place(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
    }
    return packed;
}

template <typename... Values>
std::uint32_t word(Opcode opcode, Values... values) {
    return word(opcode, {static_cast<std::int64_t>(values)...});
}

}  // namespace fxcore::test
