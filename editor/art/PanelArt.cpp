#include "editor/art/PanelArt.h"

#include "editor/art/ArtText.h"
#include "editor/art/ControlArt.h"

#include <cmath>

namespace fxcoreart {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kPanelW = 394.0, kPanelH = 722.0;

// Footprint of the enclosure and its flat top face, in points.
constexpr double kBodyX0 = 7, kBodyY0 = 7, kBodyX1 = 387, kBodyY1 = 715, kBodyR = 26;
constexpr double kFaceX0 = 11, kFaceY0 = 11, kFaceX1 = 383, kFaceY1 = 711, kFaceR = 22;

void roundRect(cairo_t* cr, double x0, double y0, double x1, double y1, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x1 - r, y0 + r, r, -kPi / 2, 0);
    cairo_arc(cr, x1 - r, y1 - r, r, 0, kPi / 2);
    cairo_arc(cr, x0 + r, y1 - r, r, kPi / 2, kPi);
    cairo_arc(cr, x0 + r, y0 + r, r, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
}

void facePath(cairo_t* cr) {
    roundRect(cr, kFaceX0, kFaceY0, kFaceX1, kFaceY1, kFaceR);
}
void bodyPath(cairo_t* cr) {
    roundRect(cr, kBodyX0, kBodyY0, kBodyX1, kBodyY1, kBodyR);
}

void circle(cairo_t* cr, double x, double y, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x, y, r, 0.0, 2.0 * kPi);
}

void drawBackground(cairo_t* cr) {
    // a dark bench mat, lit a little from the top
    cairo_pattern_t* p = cairo_pattern_create_radial(150, 200, 50, 197, 361, 620);
    addStop(p, 0.0, rgb8(46, 46, 50));
    addStop(p, 1.0, rgb8(20, 20, 23));
    cairo_set_source(cr, p);
    cairo_paint(cr);
    cairo_pattern_destroy(p);
}

// The jacks stand out of the side walls; the DC socket out of the top wall.
void drawJacks(cairo_t* cr) {
    auto jack = [cr](double x0, double y0, double x1, double y1, bool vertical) {
        softShadow(
            cr, [=](cairo_t* c) { cairo_rectangle(c, x0, y0, x1 - x0, y1 - y0); }, 1.5, 2.0, 1.5, 0.6);
        cairo_pattern_t* p = vertical ? chromePattern(x0, 0, x1, 0) : chromePattern(0, y0, 0, y1);
        cairo_set_source(cr, p);
        cairo_rectangle(cr, x0, y0, x1 - x0, y1 - y0);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.4);
        cairo_set_line_width(cr, 0.5);
        cairo_rectangle(cr, x0, y0, x1 - x0, y1 - y0);
        cairo_stroke(cr);
    };
    // input on the right wall, output on the left wall: hex nuts seen edge-on
    jack(kBodyX1 - 1, 286, kBodyX1 + 5.5, 314, false);
    jack(kBodyX0 - 5.5, 286, kBodyX0 + 1, 314, false);
    // DC socket: black plastic barrel on the top wall
    softShadow(
        cr, [](cairo_t* c) { cairo_rectangle(c, 183, 1.5, 28, 7); }, 1.0, 1.5, 1.2, 0.6);
    cairo_pattern_t* dc = cairo_pattern_create_linear(183, 0, 211, 0);
    addStop(dc, 0.0, rgb8(30, 30, 32));
    addStop(dc, 0.3, rgb8(78, 78, 82));
    addStop(dc, 1.0, rgb8(18, 18, 20));
    cairo_set_source(cr, dc);
    cairo_rectangle(cr, 183, 1.5, 28, 7);
    cairo_fill(cr);
    cairo_pattern_destroy(dc);
}

void drawEnclosure(cairo_t* cr, const PanelDesign& d, int w, int h) {
    softShadow(cr, bodyPath, 3.0, 6.0, 7.0, 0.75);
    // side walls: the draft of the die-cast box shows as a darker rim
    cairo_pattern_t* wall = cairo_pattern_create_linear(0, 0, kPanelW, kPanelH);
    addStop(wall, 0.0, shade(d.coat, 0.85));
    addStop(wall, 1.0, shade(d.coat, 0.45));
    cairo_set_source(cr, wall);
    bodyPath(cr);
    cairo_fill(cr);
    cairo_pattern_destroy(wall);

    // the top face in its own layer, so the powder-coat grain lands only on it
    Surface layer = makeSurface(w, h);
    {
        Context lc(cairo_create(layer.get()));
        cairo_matrix_t m;
        cairo_get_matrix(cr, &m);
        cairo_set_matrix(lc.get(), &m);
        cairo_pattern_t* light = cairo_pattern_create_linear(kFaceX0, kFaceY0, kFaceX1 * 0.7, kFaceY1);
        addStop(light, 0.0, shade(d.coat, 1.07));
        addStop(light, 0.55, d.coat);
        addStop(light, 1.0, shade(d.coat, 0.88));
        cairo_set_source(lc.get(), light);
        facePath(lc.get());
        cairo_fill(lc.get());
        cairo_pattern_destroy(light);
        if (d.sparkle) {
            // metal flake: many fine specks, a few catching the light
            for (int i = 0; i < 26000; ++i) {
                const double x = kFaceX0 + hashUnit(d.seed, i, 7) * (kFaceX1 - kFaceX0);
                const double y = kFaceY0 + hashUnit(d.seed, i, 8) * (kFaceY1 - kFaceY0);
                const double v = hashUnit(d.seed, i, 9);
                const double glint = v > 0.985 ? 0.55 : 0.10 + 0.12 * v;
                const Rgb flake = v > 0.5 ? shade(d.coat, 1.6) : shade(d.coat, 0.55);
                setColour(lc.get(), flake, glint);
                circle(lc.get(), x, y, v > 0.985 ? 0.42 : 0.3);
                cairo_fill(lc.get());
            }
        }
        // a broad, soft reflection of the room light across the upper face
        cairo_pattern_t* sheen = cairo_pattern_create_linear(0, 60, 394, 420);
        cairo_pattern_add_color_stop_rgba(sheen, 0.0, 1, 1, 1, 0.0);
        cairo_pattern_add_color_stop_rgba(sheen, 0.35, 1, 1, 1, 0.055);
        cairo_pattern_add_color_stop_rgba(sheen, 0.6, 1, 1, 1, 0.0);
        cairo_set_source(lc.get(), sheen);
        facePath(lc.get());
        cairo_fill(lc.get());
        cairo_pattern_destroy(sheen);
    }
    const double pxPerPt = static_cast<double>(h) / kPanelH;
    addGrain(layer.get(), d.seed, d.grain, d.mottle, 14.0 * pxPerPt);
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_set_source_surface(cr, layer.get(), 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);

    // rounded edge of the face: light on the upper left, shade on the lower right
    auto outside = [](cairo_t* c) {
        cairo_rectangle(c, -40, -40, kPanelW + 80, kPanelH + 80);
        facePath(c);
        cairo_set_fill_rule(c, CAIRO_FILL_RULE_EVEN_ODD);
    };
    softFill(cr, outside, 1, 1, 1, 0.35, 2.0, 1.6, 1.6, facePath);
    softFill(cr, outside, 0, 0, 0, 0.45, 2.5, -1.8, -1.8, facePath);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    facePath(cr);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
    cairo_set_line_width(cr, 0.6);
    cairo_stroke(cr);
}

void drawScrew(cairo_t* cr, double x, double y, double turn) {
    softShadow(
        cr, [=](cairo_t* c) { circle(c, x, y, 6.2); }, 0.8, 1.2, 1.0, 0.55);
    cairo_pattern_t* head = cairo_pattern_create_radial(x - 2, y - 2.5, 0.5, x, y, 6.4);
    addStop(head, 0.0, rgb8(246, 247, 250));
    addStop(head, 0.5, rgb8(168, 172, 178));
    addStop(head, 1.0, rgb8(88, 92, 98));
    cairo_set_source(cr, head);
    circle(cr, x, y, 6.2);
    cairo_fill(cr);
    cairo_pattern_destroy(head);
    // cross recess
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_rotate(cr, turn);
    for (int i = 0; i < 2; ++i) {
        cairo_rectangle(cr, -3.6, -0.75, 7.2, 1.5);
        cairo_set_source_rgba(cr, 0.1, 0.1, 0.12, 0.85);
        cairo_fill(cr);
        cairo_rectangle(cr, -3.6, 0.55, 7.2, 0.4);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.35);
        cairo_fill(cr);
        cairo_rotate(cr, kPi / 2);
    }
    cairo_restore(cr);
}

void drawKnobPlace(cairo_t* cr, const PanelDesign& d, const KnobPlace& k) {
    const double r = 0.5 * k.size;
    // the cap's cast shadow, fixed on the panel while the cap turns
    softShadow(
        cr, [=](cairo_t* c) { circle(c, k.x, k.y, r * 0.9); }, r * 0.07, r * 0.12, r * 0.09, 0.55);
    // printed scale: eleven ticks over the 270-degree travel
    const int ticks = 11;
    for (int i = 0; i < ticks; ++i) {
        const double a = (-135.0 + 270.0 * i / (ticks - 1)) * kPi / 180.0;
        const bool major = i == 0 || i == ticks - 1 || i == ticks / 2;
        const double r0 = r + 2.5, r1 = r + (major ? 7.0 : 5.0);
        cairo_new_path(cr);
        cairo_move_to(cr, k.x + r0 * std::sin(a), k.y - r0 * std::cos(a));
        cairo_line_to(cr, k.x + r1 * std::sin(a), k.y - r1 * std::cos(a));
        cairo_set_line_width(cr, major ? 1.6 : 1.1);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        setColour(cr, d.scaleInk, 0.9);
        cairo_stroke(cr);
    }
    if (!k.label.empty()) {
        TextStyle style{d.labelFont, k.size > 60 ? d.labelSize * 1.15 : d.labelSize, 0.12, 0.5};
        const double cap = capHeight(cr, style);
        const double y = k.labelAbove ? k.y - r - 11.0 : k.y + r + 10.0 + cap;
        setColour(cr, d.ink);
        drawText(cr, style, k.label, k.x, y);
    }
}

void drawLampPlace(cairo_t* cr, const LampPlace& l) {
    const double r = 0.5 * l.size;
    const double rb = r + 4.0;
    softShadow(
        cr, [=](cairo_t* c) { circle(c, l.x, l.y, rb); }, 0.8, 1.2, 1.2, 0.55);
    // chrome bezel
    cairo_pattern_t* bezel = chromePattern(l.x - rb, l.y - rb, l.x + rb, l.y + rb);
    cairo_set_source(cr, bezel);
    circle(cr, l.x, l.y, rb);
    cairo_fill(cr);
    cairo_pattern_destroy(bezel);
    circle(cr, l.x, l.y, rb - 1.2);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.2);
    cairo_set_line_width(cr, 0.5);
    cairo_stroke(cr);
    // recessed dark lens, lit by nothing until the editor lights it
    cairo_pattern_t* lens = cairo_pattern_create_radial(l.x - r * 0.3, l.y - r * 0.35, r * 0.05, l.x, l.y, r);
    addStop(lens, 0.0, rgb8(80, 74, 74));
    addStop(lens, 0.5, rgb8(36, 32, 33));
    addStop(lens, 1.0, rgb8(12, 11, 12));
    cairo_set_source(cr, lens);
    circle(cr, l.x, l.y, r + 0.4);
    cairo_fill(cr);
    cairo_pattern_destroy(lens);
}

void drawFootswitchPlace(cairo_t* cr, const PanelDesign& d, const FootswitchPlace& f) {
    if (f.label.empty()) return;
    TextStyle style{d.labelFont, d.labelSize, 0.18, 0.5};
    setColour(cr, d.ink);
    const double y = f.labelBelow ? f.y + 52.0 + capHeight(cr, style) : f.y - 52.0;
    drawText(cr, style, f.label, f.x, y);
}

void drawTogglePlace(cairo_t* cr, const PanelDesign& d, const TogglePlace& t) {
    TextStyle style{d.labelFont, d.labelSize * 0.9, 0.1, 0.0};
    const double cap = capHeight(cr, style);
    const double x = t.x + 27.0;
    const double ys[3] = {t.y - 18.0, t.y, t.y + 18.0};
    const std::string* labels[3] = {&t.up, &t.middle, &t.down};
    for (int i = 0; i < 3; ++i) {
        setColour(cr, d.ink);
        drawText(cr, style, *labels[i], x + 6.0, ys[i] + 0.5 * cap);
        // a short rule from the lever's reach to the label
        cairo_new_path(cr);
        cairo_move_to(cr, x - 1.0, ys[i]);
        cairo_line_to(cr, x + 3.5, ys[i]);
        cairo_set_line_width(cr, 1.0);
        setColour(cr, d.ink, 0.9);
        cairo_stroke(cr);
    }
}

// Small print by the jacks: input on the right wall, output on the left, DC on top.
void drawJackLabels(cairo_t* cr, const PanelDesign& d) {
    const TextStyle style{d.labelFont, 7.5, 0.2, 0.5};
    setColour(cr, d.ink, 0.9);
    cairo_save(cr);
    cairo_translate(cr, kFaceX1 - 7.0, 300);
    cairo_rotate(cr, kPi / 2);
    drawText(cr, style, "INPUT", 0, 0);
    cairo_restore(cr);
    cairo_save(cr);
    cairo_translate(cr, kFaceX0 + 7.0, 300);
    cairo_rotate(cr, -kPi / 2);
    drawText(cr, style, "OUTPUT", 0, 0);
    cairo_restore(cr);
    // the DC label sits beside the socket, clear of a lamp at the top centre
    drawText(cr, TextStyle{d.labelFont, 7.5, 0.2, 0.0}, "9V DC", 216, 21);
}

}  // namespace

void drawPanel(cairo_t* cr, int w, int h, const PanelDesign& d) {
    cairo_save(cr);
    cairo_scale(cr, w / kPanelW, h / kPanelH);
    drawBackground(cr);
    drawJacks(cr);
    drawEnclosure(cr, d, w, h);
    if (d.artwork) {
        cairo_save(cr);
        d.artwork(cr);
        cairo_restore(cr);
    }
    for (const KnobPlace& k : d.knobs) drawKnobPlace(cr, d, k);
    for (const TogglePlace& t : d.toggles) drawTogglePlace(cr, d, t);
    for (const FootswitchPlace& f : d.footswitches) drawFootswitchPlace(cr, d, f);
    for (const LampPlace& l : d.lamps) drawLampPlace(cr, l);
    drawJackLabels(cr, d);
    drawScrew(cr, 27, 27, 0.3);
    drawScrew(cr, 367, 27, 1.1);
    drawScrew(cr, 27, 695, 0.7);
    drawScrew(cr, 367, 695, 0.1);
    cairo_restore(cr);
}

}  // namespace fxcoreart
