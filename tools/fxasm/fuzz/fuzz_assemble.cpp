// libFuzzer target: any text through the assembler. Whatever it accepts must
// write a HEX text that loads with no warnings into the same words and
// presets, and whose listing assembles back to the same text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fxcore/FXCoreProgram.h"
#include "tools/fxasm/Assembler.h"
#include "tools/fxasm/Disassembler.h"
#include "tools/fxasm/HexWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace fxcore;
    const std::string_view source(reinterpret_cast<const char*>(data), size);
    const fxasm::Assembly assembly = fxasm::assemble(source);
    if (!assembly.ok) {
        if (assembly.errors.empty()) std::abort();
        return 0;
    }
    const std::string hex = fxasm::writeHex(assembly.words, assembly.presets);
    FXCoreProgram program;
    const auto result = program.loadFromText(hex);
    if (!result.ok || !result.warnings.empty() || program.words != assembly.words ||
        program.presets.mreg != assembly.presets.mreg || program.presets.creg != assembly.presets.creg ||
        program.presets.sfr != assembly.presets.sfr) {
        std::abort();
    }
    const fxasm::Assembly again = fxasm::assemble(fxasm::disassemble(program.words, program.presets));
    if (!again.ok || fxasm::writeHex(again.words, again.presets) != hex) std::abort();
    return 0;
}
