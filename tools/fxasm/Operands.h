#pragma once
// Turns one written operand into the raw value of an instruction field, by
// the field's kind, with a clear error for anything that does not fit.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fxcore/Operations.h"
#include "tools/fxasm/Expression.h"

namespace fxcore::fxasm {

// A short name of a field kind for messages and the reference ("delay offset").
std::string_view fieldKindName(FieldKind kind);

// tokens[begin, end) as the operand of a field of this kind. pc is the
// address of the word being assembled (for jump targets). nullopt with
// error set when the operand does not fit.
std::optional<std::uint32_t> encodeOperand(FieldKind kind, const Tokens& tokens, std::size_t begin,
                                           std::size_t end, const SymbolTable& symbols, std::uint32_t pc,
                                           std::string& error);

// A 32-bit word value (.mreg, .creg, .word, rates): an integer as is
// (-2^31 to 2^32-1), a fraction as S.31 (-1.0 to below 1.0).
std::optional<std::uint32_t> wordValue(const Value& value, std::string& error);

// A register operand: a register name or a .reg alias.
std::optional<std::uint32_t> registerOperand(const Tokens& tokens, std::size_t begin, std::size_t end,
                                             const SymbolTable& symbols, std::string& error);

// A memory-register index: mreg[N], mregN (N below 14) or a plain index expression.
std::optional<std::uint32_t> memoryRegisterIndex(const Tokens& tokens, std::size_t begin, std::size_t end,
                                                 const SymbolTable& symbols, bool allowPlain,
                                                 std::string& error);

}  // namespace fxcore::fxasm
