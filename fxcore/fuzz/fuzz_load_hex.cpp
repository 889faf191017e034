// libFuzzer target: any byte string through FXCoreProgram::loadFromText.
// Beyond the sanitizers, it checks the loader's own promises on every input.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fxcore/FXCoreProgram.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fxcore::FXCoreProgram program;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto result = program.loadFromText(text);
    const bool consistent = result.ok ? (result.error.empty() && !program.words.empty() &&
                                         program.words.size() <= fxcore::FXCoreProgram::kMaxWords)
                                      : (!result.error.empty() && program.words.empty());
    if (!consistent) {
        std::abort();
    }
    return 0;
}
