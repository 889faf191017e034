#pragma once
// The FXCore assembler: assembly text in, instruction words and the
// program's presets out. The language is described in tools/fxasm/README.md.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fxcore/FXCoreCore.h"

namespace fxcore::fxasm {

// One error; line 0 means the program as a whole.
struct Diagnostic {
    int line = 0;
    std::string message;
};

struct Assembly {
    bool ok = false;                   // no errors: words and presets are complete
    std::vector<std::uint32_t> words;  // 1 to 1024 words when ok
    FXCoreCore::Presets presets{};     // starts from FXCoreProgram::defaultPresets()
    std::vector<Diagnostic> errors;    // in line order
};

// Assembles a whole source text. Never throws; every mistake is a Diagnostic.
Assembly assemble(std::string_view source);

}  // namespace fxcore::fxasm
