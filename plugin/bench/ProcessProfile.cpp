// Processes a fixed number of blocks (512 frames unless given) of one embedded program, for
// instruction counts under callgrind (wall times vary, instruction counts do not):
//   valgrind --tool=callgrind plugin_process_profile <mode 0..2> <blocks> [frames]

#include <cstdio>
#include <cstdlib>

#include "plugin/FXCorePlugin.h"
#include "plugin/bench/BenchSignal.h"

int main(int argc, char** argv) {
    const int mode = argc > 1 ? std::atoi(argv[1]) : 0;
    const int blocks = argc > 2 ? std::atoi(argv[2]) : 100;
    const int frames = argc > 3 ? std::atoi(argv[3]) : 512;
    if (mode < 0 || mode >= fxcoreplug::kEmbeddedProgramCount || blocks < 1 || frames < 1 || frames > 4096) {
        std::fprintf(stderr, "usage: %s <mode 0..2> <blocks> [frames 1..4096]\n", argv[0]);
        return 2;
    }
    fxcoreplug::FXCorePlugin plugin(nullptr);
    if (plugin.programs[static_cast<std::size_t>(mode)] == nullptr) {
        std::fprintf(stderr, "embedded program %d not loaded\n", mode);
        return 1;
    }
    plugin.writeParam(fxcoreplug::kParamMode, mode);
    const auto blockFrames = static_cast<std::uint32_t>(frames);
    plugin.activate(fxcoreplug::bench::kRate, blockFrames, blockFrames);
    fxcoreplug::test::StereoBlock block(blockFrames);
    fxcoreplug::bench::fillInput(block, blockFrames);
    const clap_process* record = block.process(blockFrames, nullptr, nullptr);
    float sink = 0.0f;
    for (int b = 0; b < blocks; ++b) {
        plugin.process(record);
        sink += block.outLeft().back();
    }
    std::printf("%d blocks of %d frames of mode %d, last sample sum %g\n", blocks, frames, mode,
                static_cast<double>(sink));
    return 0;
}
