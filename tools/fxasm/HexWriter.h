#pragma once
// Writes a program as the Intel HEX text that the emulator's loader reads:
// LF line ends, upper-case digits, data records of 64 bytes in ascending
// address order, record types 00 and 01 only. Each section is written whole
// and followed by its 16-bit little-endian byte sum, in records of its own:
//   MREG  all 128 memory registers from 0x0000 (514 bytes with the sum)
//   CREG  all 16 core registers from 0x0800 (66 bytes)
//   SFR   the 48-byte settings block from 0x1000 (50 bytes)
//   PRG   the words from 0x1800, the last record ending with the sum
// and last the end record ":00000001FF".

#include <cstdint>
#include <string>
#include <vector>

#include "fxcore/FXCoreCore.h"

namespace fxcore::fxasm {

// words: 1 to 1024 words. Settings that do not fit their field in the block
// (smoothing shifts beyond 0..31, timings beyond 0..65535) keep only their
// low bits; the assembler rejects them before they get here.
std::string writeHex(const std::vector<std::uint32_t>& words, const FXCoreCore::Presets& presets);

}  // namespace fxcore::fxasm
