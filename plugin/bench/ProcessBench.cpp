// process() of 512-frame stereo blocks at 48 kHz for each embedded program (mode 0, 1, 2 of
// the pedal's bank). x_realtime is audio seconds processed per CPU second.

#include <benchmark/benchmark.h>

#include "plugin/FXCorePlugin.h"
#include "plugin/bench/BenchSignal.h"

namespace fxcoreplug {
namespace {

void processEmbeddedProgram(benchmark::State& state) {
    FXCorePlugin plugin(nullptr);
    const int mode = static_cast<int>(state.range(0));
    if (plugin.programs[static_cast<std::size_t>(mode)] == nullptr) {
        state.SkipWithError("embedded program not loaded (built without the firmware?)");
        return;
    }
    plugin.writeParam(kParamMode, mode);
    plugin.activate(bench::BenchBlock::kRate, bench::BenchBlock::kFrames, bench::BenchBlock::kFrames);
    bench::BenchBlock block;
    plugin.process(block.process()); // applies the program
    for (auto _ : state) {
        plugin.process(block.process());
        benchmark::DoNotOptimize(block.lastLeft());
    }
    const double audioSeconds = static_cast<double>(state.iterations()) *
                                bench::BenchBlock::kFrames / bench::BenchBlock::kRate;
    state.counters["x_realtime"] = benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
    state.SetItemsProcessed(state.iterations() * bench::BenchBlock::kFrames);
}

BENCHMARK(processEmbeddedProgram)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace fxcoreplug

BENCHMARK_MAIN();
