// Feeds arbitrary bytes to the state load of a fresh instance, through a CLAP input stream
// that hands them out in pieces of varying size. A load that succeeds must also save, and
// the parameter info and texts must stay answerable afterwards.
#include "plugin/FXCorePlugin.h"
#include "plugin/tests/MemoryStreams.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // At most (first byte % 16) + 1 bytes per read call, whole fields from 0x80 on.
    const std::size_t piece = data[0] >= 0x80 ? SIZE_MAX : static_cast<std::size_t>(data[0] % 16) + 1;
    fxcoreplug::test::MemoryIStream input(std::vector<std::uint8_t>(data + 1, data + size), piece);

    fxcoreplug::FXCorePlugin plugin(nullptr);
    const bool loaded = plugin.stateLoad(input.stream());
    if (loaded) {
        fxcoreplug::test::MemoryOStream out;
        if (!plugin.stateSave(out.stream())) std::abort();
    }
    for (const auto& row : fxcoreplug::FXCorePlugin::paramDefs()) {
        const double v = plugin.paramValue(row.id);
        if (!(v >= row.minValue && v <= row.maxValue)) std::abort();  // every stored value in range
    }
    clap_param_info info;
    char text[64];
    for (std::uint32_t i = 0; i < plugin.paramsCount(); ++i) {
        if (!plugin.paramsInfo(i, &info)) std::abort();
        plugin.paramsValueToText(info.id, plugin.paramValue(info.id), text, sizeof text);
    }
    return 0;
}
