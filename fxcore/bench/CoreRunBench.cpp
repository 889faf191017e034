// Google Benchmark of FXCoreCore::run per sample for the delay example, a
// realistic 1024-word mix, a 1024-word program of only floating-point
// operations and the three fixture programs (the pedal's firmware, frozen in
// fxcore/bench/fixtures) on their fixed input.
//
//   fxcore_core_bench                      the timed benchmarks
//   fxcore_core_bench --samples=<program>  runs 100000 samples of one program
//                                          (example, single, mix, expensive,
//                                          with -lfo for running LFOs; kavro,
//                                          drisk, vestra) and nothing else,
//                                          for callgrind:
//   valgrind --tool=callgrind --toggle-collect='fxcore::FXCoreCore::run(float const*)'
//            fxcore_core_bench --samples=mix

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fxcore/FXCoreCore.h"
#include "fxcore/bench/BenchPrograms.h"
#include "fxcore/bench/FixtureRig.h"
#include "fxcore/bench/FusionStats.h"

namespace {

using namespace fxcore;

void prepare(FXCoreCore& core, const std::vector<std::uint32_t>& words, bool lfosRunning) {
    core.setPresets(bench::benchPresets(lfosRunning));
    core.setProgram(words.data(), words.size());
    const float pots[6] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f};
    core.setPots(pots);
}

void runSamples(benchmark::State& state, const std::vector<std::uint32_t>& words, bool lfosRunning) {
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
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    state.counters["words"] = wordsPerSample;
    state.counters["ns/word"] = benchmark::Counter(static_cast<double>(state.iterations()) * wordsPerSample,
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_DelayExample(benchmark::State& state) {
    runSamples(state, bench::delayExample(), false);
}
void BM_SingleWord(benchmark::State& state) {
    runSamples(state, bench::singleWord(), false);
}
void BM_SingleWordLfosRunning(benchmark::State& state) {
    runSamples(state, bench::singleWord(), true);
}
void BM_RealisticMix(benchmark::State& state) {
    runSamples(state, bench::realisticMix(), false);
}
void BM_ExpensiveOnly(benchmark::State& state) {
    runSamples(state, bench::expensiveOnly(), true);
}

// A fixture program on its fixed input; the input is computed before the
// timed loop, one period of 4800 samples (a whole number of cycles of none of
// the sines, but the same samples every run).
void BM_Fixture(benchmark::State& state) {
    const bench::Fixture& fixture = bench::kFixtures[static_cast<std::size_t>(state.range(0))];
    static FXCoreCore core;
    if (!bench::loadFixture(core, fixture.name)) {
        state.SkipWithError("fixture did not load");
        return;
    }
    constexpr long kPeriod = 4800;
    std::vector<float> inputs(4 * kPeriod);
    for (long n = 0; n < kPeriod; ++n) bench::fixtureInput(n, &inputs[static_cast<std::size_t>(4 * n)]);
    long n = 0;
    for (auto _ : state) {
        core.run(&inputs[static_cast<std::size_t>(4 * n)]);
        n = n + 1 == kPeriod ? 0 : n + 1;
        benchmark::DoNotOptimize(core.outputs[0]);
    }
    state.SetLabel(fixture.name);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

BENCHMARK(BM_DelayExample);
BENCHMARK(BM_SingleWord);
BENCHMARK(BM_SingleWordLfosRunning);
BENCHMARK(BM_RealisticMix);
BENCHMARK(BM_ExpensiveOnly);
BENCHMARK(BM_Fixture)->DenseRange(0, 2);

// 100000 samples of a fixture program on its fixed input.
int runFixtureForProfiler(const bench::Fixture& fixture) {
    static FXCoreCore core;
    if (!bench::loadFixture(core, fixture.name)) {
        std::fprintf(stderr, "cannot load %s\n", bench::fixturePath(fixture.name).c_str());
        return 1;
    }
    constexpr long kSamples = 100000;
    float in[4];
    for (long n = 0; n < kSamples; ++n) {
        bench::fixtureInput(n, in);
        core.run(in);
    }
    std::printf("%s: %ld samples, output %d\n", fixture.name, kSamples, core.outputs[0]);
    return 0;
}

int runForProfiler(const std::string& name) {
    const bool lfos = name.size() > 4 && name.compare(name.size() - 4, 4, "-lfo") == 0;
    const std::string base = lfos ? name.substr(0, name.size() - 4) : name;
    for (const bench::Fixture& fixture : bench::kFixtures)
        if (name == fixture.name) return runFixtureForProfiler(fixture);
    std::vector<std::uint32_t> words;
    if (base == "example")
        words = bench::delayExample();
    else if (base == "single")
        words = bench::singleWord();
    else if (base == "mix")
        words = bench::realisticMix();
    else if (base == "expensive")
        words = bench::expensiveOnly();
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
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--samples=", 10) == 0) return runForProfiler(argv[i] + 10);
        if (std::strcmp(argv[i], "--fusion-stats") == 0)
            return bench::printFusionStats(argc - i - 1, argv + i + 1);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
