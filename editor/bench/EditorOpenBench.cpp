// Opening the pedal's editor: every knob's frame series rendered and the first full draw,
// as a host sees it when it shows the editor; and the parts of that cost.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>

#include "editor/PanelEditor.h"
#include "editor/RotationFrames.h"
#include "plugin/FXCorePlugin.h"

namespace {

// The process's resident memory in MB (/proc/self/statm), 0 where it cannot be read.
double residentMegabytes() {
    long pages = 0, resident = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm) return 0.0;
    const bool read = std::fscanf(statm, "%ld %ld", &pages, &resident) == 2;
    std::fclose(statm);
    return read ? static_cast<double>(resident) * 4096.0 / 1e6 : 0.0;
}

// open (pictures decoded, 4 frame series of 128 rendered, views built), first paint, close.
// Counters: the process's resident memory before the first open and while the editor is
// open after its first paint (the most over the iterations), in MB.
void BM_OpenPedalEditor(benchmark::State& state) {
    fxcoreplug::FXCorePlugin plugin(nullptr);
    const double before = residentMegabytes();
    double open = 0.0;
    for (auto _ : state) {
        fxcoreplug::PanelEditor editor(plugin);
        editor.open(nullptr);
        editor.getFrame()->paint();
        benchmark::DoNotOptimize(editor.getFrame()->getPaintCount());
        state.PauseTiming();
        open = std::max(open, residentMegabytes());
        state.ResumeTiming();
        editor.close();
    }
    state.counters["rss_before_MB"] = before;
    state.counters["rss_open_MB"] = open;
}
BENCHMARK(BM_OpenPedalEditor)->Unit(benchmark::kMillisecond);

// One series of 128 frames for one knob picture and diameter.
void BM_RotationFrames(benchmark::State& state, const char* image, double size) {
    auto cap = fxcoreplug::PanelEditor::loadImage(image, false);
    for (auto _ : state) benchmark::DoNotOptimize(fxcoreplug::makeRotationFrames(cap, 128, 0.0, 135.0, size));
}
BENCHMARK_CAPTURE(BM_RotationFrames, large_95, "lg-knob-blu", 95.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RotationFrames, small_41, "small-knob", 41.0)->Unit(benchmark::kMillisecond);

// The panel picture and the five shared control pictures decoded.
void BM_LoadPictures(benchmark::State& state) {
    for (auto _ : state)
        for (const char* name :
             {"mp-corlindejr", "left-footswitch", "right-footswitch", "toggle-up", "toggle-mid",
              "toggle-down", "lg-knob-blu", "lg-knob-org", "lg-knob-yel", "small-knob"})
            benchmark::DoNotOptimize(fxcoreplug::PanelEditor::loadImage(name, false));
}
BENCHMARK(BM_LoadPictures)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
