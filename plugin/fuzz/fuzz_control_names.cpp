// Feeds arbitrary bytes to the control-names parser and checks that the
// record it gives keeps its invariants.
#include "plugin/ControlNames.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const fxcoreplug::ControlNames names = fxcoreplug::ControlNames::parse(text);
    if (!names.valid) std::abort();
    for (int p = 0; p < fxcoreplug::ControlNames::kPotCount; ++p) {
        const auto& pot = names.pots[static_cast<std::size_t>(p)];
        const auto kind = static_cast<std::int32_t>(pot.kind);
        if (kind < 0 || kind > 4) std::abort();
        if (pot.swA < -1 || pot.swA > 4 || pot.swB < -1 || pot.swB > 4) std::abort();
        if (names.potName(p).empty()) std::abort();
        (void)names.potUsed(p);
        (void)names.potType(p);
    }
    for (int s = 0; s < fxcoreplug::ControlNames::kSwitchCount; ++s) {
        if (names.switchName(s).empty()) std::abort();
    }
    if (names.tapName().empty() || names.enableName().empty()) std::abort();
    return 0;
}
