// Cost of the frame's paints: the whole 394 x 722 point panel with a double-density picture
// (what the editor's open and a zoom change cost), and one knob-sized invalidation (what a
// knob turn costs), at zoom 1 and 2.
#include <benchmark/benchmark.h>

#include "vstgui/vstgui.h"

using namespace VSTGUI;

namespace {

SharedPointer<CBitmap> panelPicture() {
    auto platform = getPlatformFactory().createBitmap(CPoint(788, 1443));
    platform->setScaleFactor(2.0);
    auto bitmap = makeOwned<CBitmap>(platform);
    auto access = CBitmapPixelAccess::create(bitmap, false);
    do {
        access->setColor(
            CColor(static_cast<std::uint8_t>(access->getX()), static_cast<std::uint8_t>(access->getY()), 90));
    } while (++*access);
    return bitmap;
}

void paintPanel(benchmark::State& state, bool wholePanel) {
    const double zoom = static_cast<double>(state.range(0));
    auto* frame = new CFrame(CRect(0, 0, 394, 722), nullptr);
    frame->setZoom(zoom);
    frame->open(nullptr);
    frame->setBackground(panelPicture());
    frame->paint();
    for (auto _ : state) {
        if (wholePanel)
            frame->invalid();
        else
            frame->invalidRect(CRect(36.5, 48.5, 109.5, 121.5));
        frame->paint();
    }
    frame->close();
}

void BM_PaintWholePanel(benchmark::State& state) {
    paintPanel(state, true);
}
void BM_PaintKnobArea(benchmark::State& state) {
    paintPanel(state, false);
}

}  // namespace

BENCHMARK(BM_PaintWholePanel)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintKnobArea)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
