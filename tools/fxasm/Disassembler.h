#pragma once
// Lists instruction words and presets as assembly text that assembles back
// to the same words and presets.

#include <cstdint>
#include <string>
#include <vector>

#include "fxcore/FXCoreCore.h"

namespace fxcore::fxasm {

// One word as an instruction ("MacDelay r3, 100"); a word with an invalid
// opcode, or with bits set that its operation ignores, as ".word 0x...".
std::string disassembleWord(std::uint32_t word);

// The presets that differ from the defaults as directives, then every word
// with its address in a comment.
std::string disassemble(const std::vector<std::uint32_t>& words, const FXCoreCore::Presets& presets);

// Every operation with its operands, one per line ("MacDelay register, delay offset").
std::string operationReference();

}  // namespace fxcore::fxasm
