#pragma once
// Small FXCore programs as Intel HEX text for the plug-in's tests, so a test does not depend
// on what the pedal's firmware computes. They are assembled by fxasm, as the firmware is.

#include <string>
#include <string_view>

#include "tools/fxasm/Assembler.h"
#include "tools/fxasm/HexWriter.h"

namespace fxcoreplug::test {

// The HEX text of an fxasm source with its default presets; empty when it does not assemble
// (which no loader takes).
inline std::string assembledHex(std::string_view source) {
    const fxcore::fxasm::Assembly assembly = fxcore::fxasm::assemble(source);
    return assembly.ok ? fxcore::fxasm::writeHex(assembly.words, assembly.presets) : std::string();
}

// Outputs 0 and 1 copy inputs 0 and 1; outputs 2 and 3 carry them crossed (1, 0).
inline std::string crossProgramHex() {
    return assembledHex(R"(
        LoadSfr   r0, in0
        LoadSfr   r1, in1
        StoreSfr  r0, out0
        StoreSfr  r1, out1
        StoreSfr  r1, out2
        StoreSfr  r0, out3
    )");
}

// Outputs 0 and 1 both copy input 1: tells a second custom program from the first.
inline std::string rightOnlyProgramHex() {
    return assembledHex(R"(
        LoadSfr   r1, in1
        StoreSfr  r1, out0
        StoreSfr  r1, out1
    )");
}

}  // namespace fxcoreplug::test
