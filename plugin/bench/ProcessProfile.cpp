// Processes a fixed number of 512-frame blocks of one embedded program, for instruction
// counts under callgrind (wall times vary, instruction counts do not):
//   valgrind --tool=callgrind plugin_process_profile <mode 0..2> <blocks>

#include <cstdio>
#include <cstdlib>

#include "plugin/FXCorePlugin.h"
#include "plugin/bench/BenchSignal.h"

int main(int argc, char** argv) {
    const int mode = argc > 1 ? std::atoi(argv[1]) : 0;
    const int blocks = argc > 2 ? std::atoi(argv[2]) : 100;
    if (mode < 0 || mode >= fxcoreplug::kEmbeddedProgramCount || blocks < 1) {
        std::fprintf(stderr, "usage: %s <mode 0..2> <blocks>\n", argv[0]);
        return 2;
    }
    fxcoreplug::FXCorePlugin plugin(nullptr);
    if (plugin.programs[static_cast<std::size_t>(mode)] == nullptr) {
        std::fprintf(stderr, "embedded program %d not loaded\n", mode);
        return 1;
    }
    plugin.writeParam(fxcoreplug::kParamMode, mode);
    plugin.activate(fxcoreplug::bench::BenchBlock::kRate, 512, 512);
    fxcoreplug::bench::BenchBlock block;
    float sink = 0.0f;
    for (int b = 0; b < blocks; ++b) {
        plugin.process(block.process());
        sink += block.lastLeft();
    }
    std::printf("%d blocks of mode %d, last sample sum %g\n", blocks, mode, static_cast<double>(sink));
    return 0;
}
