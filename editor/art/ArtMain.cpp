// Draws every picture of the editor's image table at both densities into a
// folder, and a contact sheet of all of them.
//   corlinde_art <images folder> <contact sheet path>
#include "editor/art/ArtCanvas.h"
#include "editor/art/ArtText.h"
#include "editor/art/ControlArt.h"
#include "editor/art/KnobArt.h"
#include "editor/art/PanelDesigns.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace fxcoreart {
namespace {

struct Picture {
    std::string name;
    int w1, h1;  // plain pixel size
    int w2, h2;  // "@2x" pixel size
    std::function<void(cairo_t*, int, int)> draw;
};

std::function<void(cairo_t*, int, int)> panel(PanelDesign (*design)()) {
    return [design](cairo_t* cr, int w, int h) { drawPanel(cr, w, h, design()); };
}

std::function<void(cairo_t*, int, int)> knob(KnobKind kind, Rgb body, Rgb pointer) {
    return [=](cairo_t* cr, int w, int h) { drawKnobCap(cr, w, h, KnobStyle{kind, body, pointer}); };
}

std::vector<Picture> pictures() {
    const Rgb white = rgb8(246, 244, 236), black = rgb8(22, 22, 24);
    const auto blackFluted = knob(KnobKind::Fluted, rgb8(30, 30, 33), white);
    return {
        {"MP-ZELBRIN", 394, 722, 788, 1443, panel(zelbrinPanel)},
        {"brutal-large", 128, 128, 255, 255, knob(KnobKind::Brutal, rgb8(26, 26, 28), rgb8(222, 40, 32))},
        {"fluted-large", 75, 75, 151, 150, blackFluted},
        {"knob-blk-large", 75, 75, 151, 150, blackFluted},
        {"knob-wht-large", 75, 75, 151, 150, knob(KnobKind::Smooth, rgb8(236, 232, 220), black)},
        {"left-footswitch", 84, 79, 169, 159, [](cairo_t* cr, int w, int h) { drawFootswitch(cr, w, h, true); }},
        {"lg-knob-blu", 105, 104, 209, 208, knob(KnobKind::Skirted, rgb8(40, 104, 196), white)},
        {"lg-knob-org", 105, 104, 209, 208, knob(KnobKind::Skirted, rgb8(232, 112, 28), white)},
        {"lg-knob-yel", 105, 104, 209, 208, knob(KnobKind::Skirted, rgb8(236, 190, 36), black)},
        {"mp-corlindejr", 394, 722, 788, 1443, panel(corlindeJrPanel)},
        {"mp-quenmoor", 394, 722, 788, 1443, panel(quenmoorPanel)},
        {"mp-vantrelnoise2", 394, 722, 788, 1443, panel(vantrelNoise2Panel)},
        {"right-footswitch", 79, 84, 158, 169, [](cairo_t* cr, int w, int h) { drawFootswitch(cr, w, h, false); }},
        {"small-knob", 39, 39, 78, 78, knob(KnobKind::Small, rgb8(28, 28, 30), white)},
        {"toggle-down", 50, 59, 99, 118, [](cairo_t* cr, int w, int h) { drawToggle(cr, w, h, LeverPosition::Down); }},
        {"toggle-mid", 50, 59, 99, 118, [](cairo_t* cr, int w, int h) { drawToggle(cr, w, h, LeverPosition::Middle); }},
        {"toggle-up", 50, 59, 99, 118, [](cairo_t* cr, int w, int h) { drawToggle(cr, w, h, LeverPosition::Up); }},
        {"wh-knob-large", 105, 104, 209, 208, knob(KnobKind::Skirted, rgb8(238, 236, 228), black)},
        {"wq-fenwhist-classic", 394, 722, 788, 1443, panel(fenwhistClassicPanel)},
        {"wq-kelvane-classic", 394, 722, 788, 1443, panel(kelvaneClassicPanel)},
    };
}

Surface render(const Picture& p, int w, int h) {
    Surface s = makeSurface(w, h);
    Context cr(cairo_create(s.get()));
    p.draw(cr.get(), w, h);
    return s;
}

// All twenty pictures on one sheet: the six panels at plain density across the
// top, the controls at "@2x" density below, each over a checkerboard so that
// transparent corners show.
bool writeContactSheet(const std::vector<Picture>& list, const std::string& path) {
    const int gap = 24, label = 22;
    const int sheetW = 6 * 394 + 7 * gap;
    const int sheetH = gap + 722 + label + gap + 260 + label + gap;
    Surface sheet = makeSurface(sheetW, sheetH);
    Context cr(cairo_create(sheet.get()));
    cairo_set_source_rgb(cr.get(), 0.82, 0.82, 0.84);
    cairo_paint(cr.get());
    int panelX = gap, controlX = gap;
    const int controlY = gap + 722 + label + gap;
    for (const Picture& p : list) {
        const bool isPanel = p.w1 == 394;
        const int w = isPanel ? p.w1 : p.w2, h = isPanel ? p.h1 : p.h2;
        const int x = isPanel ? panelX : controlX, y = isPanel ? gap : controlY;
        for (int cy = 0; cy < h; cy += 8) {
            for (int cx = 0; cx < w; cx += 8) {
                const bool dark = ((cx + cy) / 8) % 2 != 0;
                cairo_set_source_rgb(cr.get(), dark ? 0.62 : 0.74, dark ? 0.62 : 0.74, dark ? 0.64 : 0.76);
                cairo_rectangle(cr.get(), x + cx, y + cy, std::min(8, w - cx), std::min(8, h - cy));
                cairo_fill(cr.get());
            }
        }
        Surface s = render(p, w, h);
        cairo_set_source_surface(cr.get(), s.get(), x, y);
        cairo_paint(cr.get());
        cairo_set_source_rgb(cr.get(), 0.1, 0.1, 0.12);
        drawText(cr.get(), TextStyle{"DejaVu Sans", 12.0, 0.0, 0.0}, isPanel ? p.name : p.name + "@2x",
                 x, y + h + 16);
        if (isPanel) panelX += w + gap; else controlX += w + gap;
    }
    return writePng(sheet.get(), path);
}

}  // namespace
}  // namespace fxcoreart

int main(int argc, char** argv) {
    using namespace fxcoreart;
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <images folder> <contact sheet png>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    const std::vector<Picture> list = pictures();
    for (const Picture& p : list) {
        for (int density = 1; density <= 2; ++density) {
            const int w = density == 1 ? p.w1 : p.w2, h = density == 1 ? p.h1 : p.h2;
            const std::string file = folder + "/" + p.name + (density == 1 ? "" : "@2x") + ".png";
            Surface s = render(p, w, h);
            if (!writePng(s.get(), file)) {
                std::fprintf(stderr, "cannot write %s\n", file.c_str());
                return 1;
            }
        }
    }
    if (!writeContactSheet(list, argv[2])) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
