#include "editor/art/ControlArt.h"

#include <algorithm>
#include <cmath>

namespace fxcoreart {

namespace {

constexpr double kPi = 3.141592653589793;

void circle(cairo_t* cr, double x, double y, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x, y, r, 0.0, 2.0 * kPi);
}

void hexPath(cairo_t* cr, double r, double turn) {
    cairo_new_path(cr);
    for (int i = 0; i < 6; ++i) {
        const double a = turn + kPi / 3.0 * i;
        // slightly rounded corners, as on a machined nut
        const double x = r * std::cos(a), y = r * std::sin(a);
        if (i == 0)
            cairo_move_to(cr, x, y);
        else
            cairo_line_to(cr, x, y);
    }
    cairo_close_path(cr);
}

// Puts the design's origin at the picture centre, one design point = s pixels.
void centreDesign(cairo_t* cr, int w, int h, double designW, double designH) {
    const double s = std::min(w / designW, h / designH);
    cairo_translate(cr, 0.5 * w, 0.5 * h);
    cairo_scale(cr, s, s);
}

}  // namespace

cairo_pattern_t* chromePattern(double x0, double y0, double x1, double y1, double k) {
    cairo_pattern_t* p = cairo_pattern_create_linear(x0, y0, x1, y1);
    addStop(p, 0.00, shade(rgb8(235, 238, 242), k));
    addStop(p, 0.22, shade(rgb8(160, 164, 170), k));
    addStop(p, 0.45, shade(rgb8(92, 96, 102), k));
    addStop(p, 0.55, shade(rgb8(126, 130, 136), k));
    addStop(p, 0.78, shade(rgb8(205, 208, 214), k));
    addStop(p, 1.00, shade(rgb8(110, 114, 120), k));
    return p;
}

void drawHexNut(cairo_t* cr, double r, double turn) {
    // faces: each of the six flanks lit by its direction to the light (upper left)
    for (int i = 0; i < 6; ++i) {
        const double a0 = turn + kPi / 3.0 * i, a1 = a0 + kPi / 3.0;
        const double mid = 0.5 * (a0 + a1);
        const double light = 0.5 + 0.5 * std::cos(mid - (-3.0 * kPi / 4.0));
        cairo_new_path(cr);
        cairo_move_to(cr, 0, 0);
        cairo_line_to(cr, r * std::cos(a0), r * std::sin(a0));
        cairo_line_to(cr, r * std::cos(a1), r * std::sin(a1));
        cairo_close_path(cr);
        const double g = 70.0 + 150.0 * light;
        cairo_set_source_rgb(cr, g / 255.0, (g + 2.0) / 255.0, (g + 6.0) / 255.0);
        cairo_fill(cr);
    }
    // chamfered top face: a lighter disc with a lathe sheen
    const double top = r * 0.84;
    cairo_pattern_t* p = chromePattern(-top, -top, top, top, 1.0);
    cairo_set_source(cr, p);
    circle(cr, 0, 0, top);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    hexPath(cr, r, turn);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
    cairo_set_line_width(cr, r * 0.025);
    cairo_stroke(cr);
}

void drawToggle(cairo_t* cr, int w, int h, LeverPosition position) {
    cairo_save(cr);
    centreDesign(cr, w, h, 50.0, 59.0);
    // washer and nut with their shadow on the panel
    softShadow(
        cr, [](cairo_t* c) { circle(c, 0, 0, 16.5); }, 1.2, 1.8, 1.6, 0.55);
    cairo_pattern_t* washer = chromePattern(-16.5, -16.5, 16.5, 16.5, 0.9);
    cairo_set_source(cr, washer);
    circle(cr, 0, 0, 16.5);
    cairo_fill(cr);
    cairo_pattern_destroy(washer);
    circle(cr, 0, 0, 16.5);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
    cairo_set_line_width(cr, 0.5);
    cairo_stroke(cr);
    drawHexNut(cr, 13.8, kPi / 6.0);
    // threaded bushing end
    cairo_pattern_t* bush = chromePattern(-7.6, -7.6, 7.6, 7.6, 0.8);
    cairo_set_source(cr, bush);
    circle(cr, 0, 0, 7.6);
    cairo_fill(cr);
    cairo_pattern_destroy(bush);
    circle(cr, 0, 0, 5.4);
    cairo_set_source_rgb(cr, 0.06, 0.06, 0.07);
    cairo_fill(cr);

    if (position == LeverPosition::Middle) {
        // the lever points at the viewer: its round bat end stands over the
        // bushing and throws a shadow down to the right
        softShadow(
            cr, [](cairo_t* c) { circle(c, 0, 0, 5.4); }, 3.2, 4.4, 1.8, 0.7);
        cairo_pattern_t* ball = cairo_pattern_create_radial(-1.8, -1.8, 0.3, 0, 0, 5.6);
        addStop(ball, 0.0, rgb8(255, 255, 255));
        addStop(ball, 0.3, rgb8(214, 218, 224));
        addStop(ball, 0.75, rgb8(104, 108, 114));
        addStop(ball, 1.0, rgb8(168, 172, 178));
        cairo_set_source(cr, ball);
        circle(cr, 0, 0, 5.6);
        cairo_fill(cr);
        cairo_pattern_destroy(ball);
        circle(cr, 0, 0, 5.6);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.45);
        cairo_set_line_width(cr, 0.4);
        cairo_stroke(cr);
    } else {
        const double dir = position == LeverPosition::Up ? -1.0 : 1.0;
        const double reach = 22.5;
        // lever: a tapered chrome shaft from the bushing to a round bat end
        auto shaft = [dir, reach](cairo_t* c) {
            cairo_new_path(c);
            cairo_move_to(c, -3.0, 0);
            cairo_line_to(c, -4.0, dir * (reach - 1.0));
            cairo_arc(c, 0, dir * reach, 4.2, dir < 0 ? kPi : 0.0, dir < 0 ? 2.0 * kPi : kPi);
            cairo_line_to(c, 4.0, dir * (reach - 1.0));
            cairo_line_to(c, 3.0, 0);
            cairo_close_path(c);
        };
        auto tip = [dir, reach](cairo_t* c) { circle(c, 0, dir * reach, 4.4); };
        // the lever stands off the panel: its shadow falls further away at the tip
        softShadow(cr, shaft, 3.0, 4.0 + (dir > 0 ? 1.0 : -0.5), 1.4, 0.5);
        cairo_pattern_t* p = chromePattern(-4.4, 0, 4.4, 0, 1.0);
        cairo_set_source(cr, p);
        shaft(cr);
        cairo_fill(cr);
        cairo_set_source(cr, p);
        tip(cr);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
        // a specular glint on the bat end
        cairo_pattern_t* glint =
            cairo_pattern_create_radial(-1.5, dir * reach - 1.5, 0.2, -1.2, dir * reach - 1.2, 2.8);
        cairo_pattern_add_color_stop_rgba(glint, 0.0, 1, 1, 1, 0.9);
        cairo_pattern_add_color_stop_rgba(glint, 1.0, 1, 1, 1, 0.0);
        cairo_set_source(cr, glint);
        tip(cr);
        cairo_fill(cr);
        cairo_pattern_destroy(glint);
        tip(cr);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
        cairo_set_line_width(cr, 0.4);
        cairo_stroke(cr);
    }
    cairo_restore(cr);
}

void drawFootswitch(cairo_t* cr, int w, int h, bool cornersSideways) {
    cairo_save(cr);
    if (cornersSideways)
        centreDesign(cr, w, h, 84.0, 79.0);
    else
        centreDesign(cr, w, h, 79.0, 84.0);
    // a little under the picture's size, so the shadow fades out inside it
    cairo_scale(cr, 0.95, 0.95);
    const double turn = cornersSideways ? 0.0 : kPi / 2.0;
    // shadow of the whole switch on the panel
    softShadow(
        cr, [](cairo_t* c) { circle(c, 0, 0, 34.0); }, 1.8, 2.6, 2.4, 0.6);
    // dress washer under the nut
    cairo_pattern_t* washer = chromePattern(-35, -35, 35, 35, 0.85);
    cairo_set_source(cr, washer);
    circle(cr, 0, 0, 34.0);
    cairo_fill(cr);
    cairo_pattern_destroy(washer);
    circle(cr, 0, 0, 34.0);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.4);
    cairo_set_line_width(cr, 0.6);
    cairo_stroke(cr);
    drawHexNut(cr, 31.0, turn);
    // threaded bushing: fine rings
    for (int i = 0; i < 6; ++i) {
        const double r = 23.0 - i * 0.9;
        circle(cr, 0, 0, r);
        cairo_pattern_t* ring = chromePattern(-r, -r, r, r, 0.75 + 0.05 * (i % 2));
        cairo_set_source(cr, ring);
        cairo_fill(cr);
        cairo_pattern_destroy(ring);
    }
    circle(cr, 0, 0, 18.2);
    cairo_set_source_rgb(cr, 0.08, 0.08, 0.09);
    cairo_fill(cr);
    // actuator: a chrome button standing above the bushing
    softShadow(
        cr, [](cairo_t* c) { circle(c, 0, 0, 16.5); }, 2.2, 3.0, 2.2, 0.75);
    cairo_pattern_t* side = chromePattern(-17, -17, 17, 17, 0.95);
    cairo_set_source(cr, side);
    circle(cr, 0, 0, 16.8);
    cairo_fill(cr);
    cairo_pattern_destroy(side);
    cairo_pattern_t* top = cairo_pattern_create_radial(-5.0, -6.0, 1.0, 0, 0, 15.0);
    addStop(top, 0.0, rgb8(250, 251, 253));
    addStop(top, 0.35, rgb8(196, 200, 206));
    addStop(top, 0.75, rgb8(120, 124, 130));
    addStop(top, 1.0, rgb8(170, 174, 180));
    cairo_set_source(cr, top);
    circle(cr, 0, 0, 14.6);
    cairo_fill(cr);
    cairo_pattern_destroy(top);
    for (int i = 1; i < 12; ++i) {
        circle(cr, 0, 0, 14.6 * i / 12.0);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.04 + 0.03 * (i % 2));
        cairo_set_line_width(cr, 0.3);
        cairo_stroke(cr);
    }
    circle(cr, 0, 0, 16.8);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.45);
    cairo_set_line_width(cr, 0.5);
    cairo_stroke(cr);
    cairo_restore(cr);
}

}  // namespace fxcoreart
