// process() of 512- and 128-frame stereo blocks at 48 kHz for each embedded program (mode 0, 1,
// 2 of the pedal's bank). x_realtime is audio seconds processed per CPU second: at 128-frame
// blocks, how many instances one core runs in real time.

#include <benchmark/benchmark.h>

#include "plugin/FXCorePlugin.h"
#include "plugin/bench/BenchSignal.h"

namespace fxcoreplug {
namespace {

void processEmbeddedProgram(benchmark::State& state) {
    FXCorePlugin plugin(nullptr);
    const int mode = static_cast<int>(state.range(0));
    const auto frames = static_cast<std::uint32_t>(state.range(1));
    if (plugin.programs[static_cast<std::size_t>(mode)] == nullptr) {
        state.SkipWithError("embedded program not loaded (built without the firmware?)");
        return;
    }
    plugin.writeParam(kParamMode, mode);
    plugin.activate(bench::kRate, frames, frames);
    test::StereoBlock block(frames);
    bench::fillInput(block, frames);
    const clap_process* record = block.process(frames, nullptr, nullptr);
    plugin.process(record);  // applies the program
    for (auto _ : state) {
        plugin.process(record);
        benchmark::DoNotOptimize(block.outLeft().back());
    }
    const double audioSeconds = static_cast<double>(state.iterations()) * frames / bench::kRate;
    state.counters["x_realtime"] = benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
    state.SetItemsProcessed(state.iterations() * frames);
}

BENCHMARK(processEmbeddedProgram)
    ->ArgsProduct({{0, 1, 2}, {512, 128}})
    ->ArgNames({"mode", "frames"})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace fxcoreplug

BENCHMARK_MAIN();
