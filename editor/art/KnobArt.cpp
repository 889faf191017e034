#include "editor/art/KnobArt.h"

#include <cmath>

namespace fxcoreart {

namespace {

constexpr double kPi = 3.141592653589793;

void circle(cairo_t* cr, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, 0.0, 0.0, r, 0.0, 2.0 * kPi);
}

// A rim of `count` rounded flutes between radii rIn and rOut.
void flutedPath(cairo_t* cr, double rIn, double rOut, int count) {
    const int steps = count * 16;
    for (int i = 0; i <= steps; ++i) {
        const double a = 2.0 * kPi * i / steps;
        const double wave = 0.5 + 0.5 * std::cos(a * count);
        const double r = rIn + (rOut - rIn) * std::sqrt(wave);
        const double x = r * std::sin(a), y = -r * std::cos(a);
        if (i == 0) cairo_move_to(cr, x, y); else cairo_line_to(cr, x, y);
    }
    cairo_close_path(cr);
}

// A radial gradient from the centre: `centre` colour at the middle to `edge` at r.
void radialFill(cairo_t* cr, double r, Rgb centre, Rgb edge, double innerStop = 0.0) {
    cairo_pattern_t* p = cairo_pattern_create_radial(0, 0, 0, 0, 0, r);
    addStop(p, innerStop, centre);
    addStop(p, 1.0, edge);
    cairo_set_source(cr, p);
    circle(cr, r);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

// Fine knurling: `count` alternating light and dark ridges between two radii.
void knurl(cairo_t* cr, double rIn, double rOut, int count, Rgb light, Rgb dark, double alpha) {
    for (int i = 0; i < count; ++i) {
        const double a0 = 2.0 * kPi * i / count;
        const double a1 = a0 + kPi / count;
        cairo_new_path(cr);
        cairo_arc(cr, 0, 0, rOut, a0, a1);
        cairo_arc_negative(cr, 0, 0, rIn, a1, a0);
        cairo_close_path(cr);
        setColour(cr, (i % 2) ? light : dark, alpha);
        cairo_fill(cr);
    }
}

// Concentric sheen: a soft light ring that reads as a domed, top-lit surface.
void sheenRing(cairo_t* cr, double r, double width, double alpha) {
    cairo_pattern_t* p = cairo_pattern_create_radial(0, 0, r - width, 0, 0, r + width);
    cairo_pattern_add_color_stop_rgba(p, 0.0, 1, 1, 1, 0.0);
    cairo_pattern_add_color_stop_rgba(p, 0.5, 1, 1, 1, alpha);
    cairo_pattern_add_color_stop_rgba(p, 1.0, 1, 1, 1, 0.0);
    cairo_set_source(cr, p);
    circle(cr, r + width);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

// Spun-metal face: many thin wedges whose brightness swings four times around,
// symmetric enough to look right at any angle.
void spunMetal(cairo_t* cr, double r, Rgb base) {
    const int wedges = 360;
    for (int i = 0; i < wedges; ++i) {
        const double a0 = 2.0 * kPi * i / wedges, a1 = 2.0 * kPi * (i + 1) / wedges + 0.002;
        const double mid = 0.5 * (a0 + a1);
        const double swing = 0.5 + 0.5 * std::cos(4.0 * mid);
        const double grain = (hashUnit(17u, i, 0) - 0.5) * 0.06;
        cairo_new_path(cr);
        cairo_move_to(cr, 0, 0);
        cairo_arc(cr, 0, 0, r, a0, a1);
        cairo_close_path(cr);
        setColour(cr, shade(base, 0.78 + 0.38 * swing + grain));
        cairo_fill(cr);
    }
    // concentric lathe rings
    for (int i = 1; i < 40; ++i) {
        const double rr = r * i / 40.0;
        circle(cr, rr);
        cairo_set_line_width(cr, r / 120.0);
        const double t = hashUnit(23u, i, 1);
        cairo_set_source_rgba(cr, t > 0.5 ? 1 : 0, t > 0.5 ? 1 : 0, t > 0.5 ? 1 : 0, 0.05);
        cairo_stroke(cr);
    }
}

void pointerLine(cairo_t* cr, double r0, double r1, double width, Rgb colour) {
    cairo_new_path(cr);
    cairo_move_to(cr, 0, -r0);
    cairo_line_to(cr, 0, -r1);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, width);
    setColour(cr, colour);
    cairo_stroke(cr);
}

void drawSkirted(cairo_t* cr, const KnobStyle& s) {
    const Rgb dark = shade(s.body, 0.55);
    // skirt with knurled edge
    radialFill(cr, 0.92, shade(s.body, 0.85), shade(s.body, 0.45), 0.6);
    knurl(cr, 0.80, 0.92, 72, shade(s.body, 1.12), dark, 0.55);
    // step between skirt and cap
    circle(cr, 0.78);
    setColour(cr, shade(s.body, 0.35), 0.8);
    cairo_set_line_width(cr, 0.035);
    cairo_stroke(cr);
    // domed cap top
    radialFill(cr, 0.76, shade(s.body, 1.18), shade(s.body, 0.72), 0.15);
    sheenRing(cr, 0.58, 0.12, 0.16);
    circle(cr, 0.76);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.25);
    cairo_set_line_width(cr, 0.02);
    cairo_stroke(cr);
    // pointer: an engraved line filled with paint, on cap and skirt
    pointerLine(cr, 0.14, 0.70, 0.085, shade(s.body, 0.4));
    pointerLine(cr, 0.16, 0.69, 0.06, s.pointer);
    pointerLine(cr, 0.82, 0.89, 0.05, s.pointer);
}

void drawFluted(cairo_t* cr, const KnobStyle& s) {
    // fluted rim
    cairo_pattern_t* p = cairo_pattern_create_radial(0, 0, 0.55, 0, 0, 0.93);
    addStop(p, 0.0, shade(s.body, 1.6));
    addStop(p, 1.0, shade(s.body, 0.6));
    cairo_set_source(cr, p);
    flutedPath(cr, 0.84, 0.93, 20);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    // flute highlights: thin light strokes along each ridge
    for (int i = 0; i < 20; ++i) {
        const double a = 2.0 * kPi * i / 20.0;
        cairo_new_path(cr);
        cairo_move_to(cr, 0.74 * std::sin(a), -0.74 * std::cos(a));
        cairo_line_to(cr, 0.90 * std::sin(a), -0.90 * std::cos(a));
        cairo_set_line_width(cr, 0.05);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.10);
        cairo_stroke(cr);
    }
    // bevel down to the flat top
    radialFill(cr, 0.74, shade(s.body, 1.35), shade(s.body, 0.8), 0.8);
    radialFill(cr, 0.66, shade(s.body, 1.25), shade(s.body, 1.05), 0.0);
    sheenRing(cr, 0.70, 0.035, 0.22);
    pointerLine(cr, 0.12, 0.84, 0.075, s.pointer);
}

void drawSmooth(cairo_t* cr, const KnobStyle& s) {
    radialFill(cr, 0.92, shade(s.body, 0.9), shade(s.body, 0.55), 0.7);
    circle(cr, 0.92);
    setColour(cr, shade(s.body, 0.4), 0.6);
    cairo_set_line_width(cr, 0.02);
    cairo_stroke(cr);
    knurl(cr, 0.84, 0.92, 60, shade(s.body, 1.05), shade(s.body, 0.7), 0.35);
    radialFill(cr, 0.82, shade(s.body, 1.04), shade(s.body, 0.82), 0.25);
    sheenRing(cr, 0.66, 0.1, 0.22);
    circle(cr, 0.82);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.18);
    cairo_set_line_width(cr, 0.02);
    cairo_stroke(cr);
    pointerLine(cr, 0.10, 0.78, 0.075, s.pointer);
}

void drawBrutal(cairo_t* cr, const KnobStyle& s) {
    radialFill(cr, 0.93, shade(s.body, 1.3), shade(s.body, 0.7), 0.75);
    knurl(cr, 0.78, 0.93, 90, shade(s.body, 1.6), shade(s.body, 0.6), 0.8);
    circle(cr, 0.78);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.7);
    cairo_set_line_width(cr, 0.03);
    cairo_stroke(cr);
    radialFill(cr, 0.76, shade(s.body, 1.2), shade(s.body, 0.9), 0.6);
    // spun-aluminium insert
    spunMetal(cr, 0.58, rgb8(196, 198, 202));
    circle(cr, 0.58);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.45);
    cairo_set_line_width(cr, 0.025);
    cairo_stroke(cr);
    // pointer across insert and body
    pointerLine(cr, 0.05, 0.56, 0.07, s.pointer);
    pointerLine(cr, 0.66, 0.76, 0.06, s.pointer);
}

void drawSmall(cairo_t* cr, const KnobStyle& s) {
    radialFill(cr, 0.92, shade(s.body, 1.25), shade(s.body, 0.6), 0.7);
    knurl(cr, 0.74, 0.92, 40, shade(s.body, 1.7), shade(s.body, 0.5), 0.7);
    radialFill(cr, 0.72, shade(s.body, 1.45), shade(s.body, 0.95), 0.3);
    sheenRing(cr, 0.56, 0.1, 0.12);
    pointerLine(cr, 0.1, 0.86, 0.11, s.pointer);
}

}  // namespace

void drawKnobCap(cairo_t* cr, int w, int h, const KnobStyle& style) {
    cairo_save(cr);
    const double half = 0.5 * std::min(w, h);
    cairo_translate(cr, 0.5 * w, 0.5 * h);
    cairo_scale(cr, half, half);
    // contact shadow: a tight, centred ring of ambient occlusion
    softShadow(cr, [](cairo_t* c) { circle(c, 0.9); }, 0.0, 0.0, 0.035, 0.55);
    switch (style.kind) {
        case KnobKind::Skirted: drawSkirted(cr, style); break;
        case KnobKind::Fluted: drawFluted(cr, style); break;
        case KnobKind::Smooth: drawSmooth(cr, style); break;
        case KnobKind::Brutal: drawBrutal(cr, style); break;
        case KnobKind::Small: drawSmall(cr, style); break;
    }
    cairo_restore(cr);
}

}  // namespace fxcoreart
