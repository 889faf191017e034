// Feeds arbitrary bytes to the state load of a fresh instance, through a CLAP input stream
// that hands them out in pieces of varying size. A load that succeeds must also save, and
// the parameter info and texts must stay answerable afterwards.
#include "plugin/FXCorePlugin.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

struct FuzzInput {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
    std::size_t piece; // bytes per read call at most, taken from the first input byte
};

std::int64_t readPiece(const clap_istream* stream, void* buffer, std::uint64_t size) {
    auto* in = static_cast<FuzzInput*>(stream->ctx);
    const std::size_t n = std::min({static_cast<std::size_t>(size), in->piece, in->size - in->pos});
    std::memcpy(buffer, in->data + in->pos, n);
    in->pos += n;
    return static_cast<std::int64_t>(n);
}

std::int64_t discard(const clap_ostream*, const void*, std::uint64_t size) {
    return static_cast<std::int64_t>(size);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    FuzzInput input{data + 1, size - 1, 0, static_cast<std::size_t>(data[0] % 16) + 1};
    if (data[0] >= 0x80) input.piece = SIZE_MAX; // whole fields at once
    const clap_istream stream{&input, &readPiece};

    fxcoreplug::FXCorePlugin plugin(nullptr);
    const bool loaded = plugin.stateLoad(&stream);
    if (loaded) {
        const clap_ostream out{nullptr, &discard};
        if (!plugin.stateSave(&out)) std::abort();
    }
    for (const auto& row : fxcoreplug::FXCorePlugin::paramDefs()) {
        const double v = plugin.paramValue(row.id);
        if (!(v >= row.minValue && v <= row.maxValue)) std::abort(); // every stored value in range
    }
    clap_param_info info;
    char text[64];
    for (std::uint32_t i = 0; i < plugin.paramsCount(); ++i) {
        if (!plugin.paramsInfo(i, &info)) std::abort();
        plugin.paramsValueToText(info.id, plugin.paramValue(info.id), text, sizeof text);
    }
    return 0;
}
