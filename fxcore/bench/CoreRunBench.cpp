// Google Benchmark of FXCoreCore::run per sample for the delay example, a
// realistic 1024-word mix and a 1024-word program of only floating-point
// operations.
//
//   fxcore_core_bench                      the timed benchmarks
//   fxcore_core_bench --samples=<program>  runs 100000 samples of one program
//                                          (example, single, mix, expensive,
//                                          with -lfo for running LFOs) and
//                                          nothing else, for callgrind:
//   valgrind --tool=callgrind --toggle-collect='fxcore::FXCoreCore::run(float const*)'
//            fxcore_core_bench --samples=mix

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fxcore/FXCoreCore.h"
#include "fxcore/bench/BenchPrograms.h"

namespace {

using namespace fxcore;

void prepare(FXCoreCore& core, const std::vector<uint32_t>& words, bool lfosRunning) {
    core.setPresets(bench::benchPresets(lfosRunning));
    core.setProgram(words.data(), words.size());
    const float pots[6] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f};
    core.setPots(pots);
}

void runSamples(benchmark::State& state, const std::vector<uint32_t>& words, bool lfosRunning) {
    static FXCoreCore core;  // 64 KB of delay memory: built once
    prepare(core, words, lfosRunning);
    // Count words on a copy of the state the timed loop starts from.
    static FXCoreCore counter;
    prepare(counter, words, lfosRunning);
    counter.run(nullptr);
    const int wordsPerSample = bench::executedWords(counter);

    float in[4] = {0.25f, -0.125f, 0.0f, 0.0f};
    for (auto _ : state) {
        core.run(in);
        in[0] = -in[0];
        benchmark::DoNotOptimize(core.outputs[0]);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    state.counters["words"] = wordsPerSample;
    state.counters["ns/word"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * wordsPerSample,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_DelayExample(benchmark::State& state) { runSamples(state, bench::delayExample(), false); }
void BM_SingleWord(benchmark::State& state) { runSamples(state, bench::singleWord(), false); }
void BM_SingleWordLfosRunning(benchmark::State& state) { runSamples(state, bench::singleWord(), true); }
void BM_RealisticMix(benchmark::State& state) { runSamples(state, bench::realisticMix(), false); }
void BM_ExpensiveOnly(benchmark::State& state) { runSamples(state, bench::expensiveOnly(), true); }

BENCHMARK(BM_DelayExample);
BENCHMARK(BM_SingleWord);
BENCHMARK(BM_SingleWordLfosRunning);
BENCHMARK(BM_RealisticMix);
BENCHMARK(BM_ExpensiveOnly);

int runForProfiler(const std::string& name) {
    const bool lfos = name.size() > 4 && name.compare(name.size() - 4, 4, "-lfo") == 0;
    const std::string base = lfos ? name.substr(0, name.size() - 4) : name;
    std::vector<uint32_t> words;
    if (base == "example") words = bench::delayExample();
    else if (base == "single") words = bench::singleWord();
    else if (base == "mix") words = bench::realisticMix();
    else if (base == "expensive") words = bench::expensiveOnly();
    else {
        std::fprintf(stderr, "unknown program %s\n", name.c_str());
        return 2;
    }
    static FXCoreCore core;
    prepare(core, words, lfos);
    constexpr int kSamples = 100000;
    float in[4] = {0.25f, -0.125f, 0.0f, 0.0f};
    for (int n = 0; n < kSamples; ++n) {
        core.run(in);
        in[0] = -in[0];
    }
    static FXCoreCore counter;
    prepare(counter, words, lfos);
    counter.run(nullptr);
    std::printf("%s: %d samples, %d words per sample, output %d\n", name.c_str(), kSamples,
                bench::executedWords(counter), core.outputs[0]);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--samples=", 10) == 0) return runForProfiler(argv[i] + 10);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
