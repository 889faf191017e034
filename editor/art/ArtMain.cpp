// Draws every picture of the editor's image table at both densities into a
// folder, and a contact sheet of all of them.
//   corlinde_art <images folder> <contact sheet path> [preview folder]
// The optional preview folder receives each panel assembled with its controls
// at "@2x" density, for looking at the art as the editor will show it.
#include "editor/art/ArtCanvas.h"
#include "editor/art/ArtText.h"
#include "editor/art/ControlArt.h"
#include "editor/art/KnobArt.h"
#include "editor/art/PanelDesigns.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
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
        {"left-footswitch", 84, 79, 169, 159,
         [](cairo_t* cr, int w, int h) { drawFootswitch(cr, w, h, true); }},
        {"lg-knob-blu", 105, 104, 209, 208, knob(KnobKind::Skirted, rgb8(40, 104, 196), white)},
        {"lg-knob-org", 105, 104, 209, 208, knob(KnobKind::Skirted, rgb8(232, 112, 28), white)},
        {"lg-knob-yel", 105, 104, 209, 208, knob(KnobKind::Skirted, rgb8(236, 190, 36), black)},
        {"mp-corlindejr", 394, 722, 788, 1443, panel(corlindeJrPanel)},
        {"mp-quenmoor", 394, 722, 788, 1443, panel(quenmoorPanel)},
        {"mp-vantrelnoise2", 394, 722, 788, 1443, panel(vantrelNoise2Panel)},
        {"right-footswitch", 79, 84, 158, 169,
         [](cairo_t* cr, int w, int h) { drawFootswitch(cr, w, h, false); }},
        {"small-knob", 39, 39, 78, 78, knob(KnobKind::Small, rgb8(28, 28, 30), white)},
        {"toggle-down", 50, 59, 99, 118,
         [](cairo_t* cr, int w, int h) { drawToggle(cr, w, h, LeverPosition::Down); }},
        {"toggle-mid", 50, 59, 99, 118,
         [](cairo_t* cr, int w, int h) { drawToggle(cr, w, h, LeverPosition::Middle); }},
        {"toggle-up", 50, 59, 99, 118,
         [](cairo_t* cr, int w, int h) { drawToggle(cr, w, h, LeverPosition::Up); }},
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

const Picture& named(const std::vector<Picture>& list, const std::string& name) {
    for (const Picture& p : list) {
        if (p.name == name) return p;
    }
    std::fprintf(stderr, "no picture %s\n", name.c_str());
    std::exit(1);
}

// Draws a "@2x" picture with its centre at (x, y) points, its longer side
// `size` points (or its own size when size is 0).
void placeDense(cairo_t* cr, const Picture& p, double x, double y, double size) {
    Surface s = render(p, p.w2, p.h2);
    const double scale = size > 0.0 ? size / std::max(p.w2, p.h2) : 0.5;
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, scale, scale);
    cairo_set_source_surface(cr, s.get(), -0.5 * p.w2, -0.5 * p.h2);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BEST);
    cairo_paint(cr);
    cairo_restore(cr);
}

// A lit lamp as the editor draws it: lens, six glow rings, core and rim.
void litLamp(cairo_t* cr, const LampPlace& l, double d) {
    auto ellipse = [cr](double cx, double cy, double r) {
        cairo_new_path(cr);
        cairo_arc(cr, cx, cy, r, 0, 2 * 3.141592653589793);
    };
    const double a = l.size;
    ellipse(l.x, l.y, a / 2);
    cairo_set_source_rgba(cr, 30 / 255.0, 30 / 255.0, 34 / 255.0, 200 / 255.0);
    cairo_fill(cr);
    for (int k = 0; k < 6; ++k) {
        const double s = (6 - k) / 6.0;
        const double alpha = std::trunc((1 - s) * (1 - s) * (70 * d) + 6 * d);
        ellipse(l.x, l.y, a / 2 + 0.42 * a * s);
        setColour(cr, l.lit, alpha / 255.0);
        cairo_fill(cr);
    }
    ellipse(l.x, l.y, a / 2 - 0.14 * a);
    setColour(cr, shade(l.lit, d * 0.65 + 0.35));
    cairo_fill(cr);
    ellipse(l.x, l.y, a / 2);
    cairo_set_source_rgba(cr, 1, 1, 1, 60 / 255.0);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
}

// The panel as the editor shows it: caps, toggle, footswitches and a lit lamp
// placed on the panel picture (caps at mid travel, toggle in the middle).
Surface assembled(const std::vector<Picture>& list, const std::string& panelName, PanelDesign (*design)(),
                  int w, int h) {
    Surface s = render(named(list, panelName), w, h);
    Context cr(cairo_create(s.get()));
    cairo_scale(cr.get(), w / 394.0, h / 722.0);
    const PanelDesign d = design();
    for (const KnobPlace& k : d.knobs) placeDense(cr.get(), named(list, k.cap), k.x, k.y, k.size);
    for (const TogglePlace& t : d.toggles) placeDense(cr.get(), named(list, "toggle-mid"), t.x, t.y, 0.0);
    for (const FootswitchPlace& f : d.footswitches) {
        placeDense(cr.get(), named(list, f.leftImage ? "left-footswitch" : "right-footswitch"), f.x, f.y,
                   0.0);
    }
    for (const LampPlace& l : d.lamps) litLamp(cr.get(), l, 0.8);
    return s;
}

struct PanelEntry {
    const char* name;
    PanelDesign (*design)();
};
const PanelEntry kPanelEntries[] = {
    {"MP-ZELBRIN", zelbrinPanel},
    {"mp-corlindejr", corlindeJrPanel},
    {"mp-quenmoor", quenmoorPanel},
    {"mp-vantrelnoise2", vantrelNoise2Panel},
    {"wq-fenwhist-classic", fenwhistClassicPanel},
    {"wq-kelvane-classic", kelvaneClassicPanel},
};

void checkerboard(cairo_t* cr, int x, int y, int w, int h) {
    for (int cy = 0; cy < h; cy += 8) {
        for (int cx = 0; cx < w; cx += 8) {
            const bool dark = ((cx + cy) / 8) % 2 != 0;
            cairo_set_source_rgb(cr, dark ? 0.62 : 0.74, dark ? 0.62 : 0.74, dark ? 0.64 : 0.76);
            cairo_rectangle(cr, x + cx, y + cy, std::min(8, w - cx), std::min(8, h - cy));
            cairo_fill(cr);
        }
    }
}

void caption(cairo_t* cr, const std::string& text, int x, int y) {
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.12);
    drawText(cr, TextStyle{"DejaVu Sans", 12.0, 0.0, 0.0}, text, x, y);
}

// One sheet: the six panel pictures at plain density, the same six assembled as
// the editor shows them, and the controls at "@2x" density over a checkerboard
// so that transparent corners show.
bool writeContactSheet(const std::vector<Picture>& list, const std::string& path) {
    const int gap = 24, label = 22;
    int controlsW = gap;
    for (const Picture& p : list) {
        if (p.w1 != 394) controlsW += p.w2 + gap;
    }
    const int sheetW = std::max(6 * 394 + 7 * gap, controlsW);
    const int rowH = 722 + label + gap;
    const int sheetH = gap + 2 * rowH + 260 + label + gap;
    Surface sheet = makeSurface(sheetW, sheetH);
    Context cr(cairo_create(sheet.get()));
    cairo_set_source_rgb(cr.get(), 0.82, 0.82, 0.84);
    cairo_paint(cr.get());
    int x = gap;
    for (const PanelEntry& e : kPanelEntries) {
        const Picture& p = named(list, e.name);
        Surface bare = render(p, p.w1, p.h1);
        cairo_set_source_surface(cr.get(), bare.get(), x, gap);
        cairo_paint(cr.get());
        caption(cr.get(), p.name, x, gap + 722 + 16);
        Surface full = assembled(list, e.name, e.design, p.w1, p.h1);
        cairo_set_source_surface(cr.get(), full.get(), x, gap + rowH);
        cairo_paint(cr.get());
        caption(cr.get(), p.name + " with its controls", x, gap + rowH + 722 + 16);
        x += 394 + gap;
    }
    x = gap;
    const int y = gap + 2 * rowH;
    for (const Picture& p : list) {
        if (p.w1 == 394) continue;
        checkerboard(cr.get(), x, y, p.w2, p.h2);
        Surface s = render(p, p.w2, p.h2);
        cairo_set_source_surface(cr.get(), s.get(), x, y);
        cairo_paint(cr.get());
        caption(cr.get(), p.name + "@2x", x, y + p.h2 + 16);
        x += p.w2 + gap;
    }
    return writePng(sheet.get(), path);
}

// Review aid: each panel assembled at "@2x" density, written to a folder.
bool writePreviews(const std::vector<Picture>& list, const std::string& folder) {
    for (const PanelEntry& e : kPanelEntries) {
        Surface s = assembled(list, e.name, e.design, 788, 1443);
        if (!writePng(s.get(), folder + "/" + e.name + "-assembled@2x.png")) return false;
    }
    return true;
}

}  // namespace
}  // namespace fxcoreart

namespace fxcoreart {
namespace {

int run(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s <images folder> <contact sheet png> [preview folder]\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    // The preview folder is made (with its parents) before anything is drawn, so a folder
    // that cannot be made fails at once instead of after the minute the pictures take.
    if (argc == 4) {
        std::error_code error;
        std::filesystem::create_directories(argv[3], error);
        if (error || !std::filesystem::is_directory(argv[3])) {
            std::fprintf(stderr, "cannot make the preview folder %s: %s\n", argv[3],
                         error ? error.message().c_str() : "not a folder");
            return 1;
        }
    }
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
    if (argc == 4 && !writePreviews(list, argv[3])) {
        std::fprintf(stderr, "cannot write previews into %s\n", argv[3]);
        return 1;
    }
    return 0;
}

}  // namespace
}  // namespace fxcoreart

int main(int argc, char** argv) {
    const int status = fxcoreart::run(argc, argv);
    fxcoreart::releaseFonts();
    return status;
}
