#include "editor/art/KnobArt.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

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
        if (i == 0)
            cairo_move_to(cr, x, y);
        else
            cairo_line_to(cr, x, y);
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

// Fine knurling between two radii: `count` ridges, each shaded as a small
// rounded rib (flank, crest, flank) with a dark groove to the next one.
void knurl(cairo_t* cr, double rIn, double rOut, int count, Rgb light, Rgb dark, double alpha) {
    struct Band {
        double from, to, mix;  // fraction of the period, and how light (0 dark .. 1 light)
    };
    const Band bands[] = {{0.00, 0.18, 0.45}, {0.18, 0.42, 1.00}, {0.42, 0.62, 0.55}, {0.62, 1.00, 0.0}};
    const double period = 2.0 * kPi / count;
    for (int i = 0; i < count; ++i) {
        for (const Band& band : bands) {
            const double a0 = period * (i + band.from), a1 = period * (i + band.to) + 0.001;
            cairo_new_path(cr);
            cairo_arc(cr, 0, 0, rOut, a0, a1);
            cairo_arc_negative(cr, 0, 0, rIn, a1, a0);
            cairo_close_path(cr);
            setColour(cr, mix(dark, light, band.mix), alpha);
            cairo_fill(cr);
        }
    }
    // the ribs fade into shadow towards the cap and the rim
    cairo_pattern_t* p = cairo_pattern_create_radial(0, 0, rIn, 0, 0, rOut);
    cairo_pattern_add_color_stop_rgba(p, 0.0, 0, 0, 0, 0.35 * alpha);
    cairo_pattern_add_color_stop_rgba(p, 0.35, 0, 0, 0, 0.0);
    cairo_pattern_add_color_stop_rgba(p, 0.8, 0, 0, 0, 0.0);
    cairo_pattern_add_color_stop_rgba(p, 1.0, 0, 0, 0, 0.4 * alpha);
    cairo_set_source(cr, p);
    cairo_new_path(cr);
    cairo_arc(cr, 0, 0, rOut, 0, 2 * kPi);
    cairo_arc_negative(cr, 0, 0, rIn, 2 * kPi, 0);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
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

// Spun-metal face, computed per pixel: the bow-tie highlight of turned
// aluminium (brightness swings twice around, symmetric under a half turn) and
// fine concentric lathe marks whose brightness varies from ring to ring.
void spunMetal(cairo_t* cr, double r, Rgb base) {
    double cx = 0.0, cy = 0.0, rx = r, ry = 0.0;
    cairo_user_to_device(cr, &cx, &cy);
    cairo_user_to_device_distance(cr, &rx, &ry);
    const double radius = std::hypot(rx, ry);
    const int x0 = static_cast<int>(std::floor(cx - radius - 1.0));
    const int y0 = static_cast<int>(std::floor(cy - radius - 1.0));
    const int size = static_cast<int>(std::ceil(2.0 * radius + 2.0)) + 1;
    Surface metal = makeSurface(size, size);
    cairo_surface_flush(metal.get());
    std::uint8_t* data = cairo_image_surface_get_data(metal.get());
    const int stride = cairo_image_surface_get_stride(metal.get());
    for (int y = 0; y < size; ++y) {
        std::uint32_t* row = reinterpret_cast<std::uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
        for (int x = 0; x < size; ++x) {
            const double dx = x0 + x + 0.5 - cx, dy = y0 + y + 0.5 - cy;
            const double rho = std::hypot(dx, dy) / radius;  // 0 at the centre, 1 at the rim
            const double angle = std::atan2(dy, dx);
            const double swing = std::pow(0.5 + 0.5 * std::cos(2.0 * (angle + kPi / 4.0)), 3.0);
            // lathe marks: ring brightness from a hash of the ring index, interpolated
            const double ring = rho * 90.0;
            const std::int32_t ringIndex = static_cast<std::int32_t>(ring);
            const double f = ring - ringIndex;
            const double lathe =
                hashUnit(29u, ringIndex, 0) * (1.0 - f) + hashUnit(29u, ringIndex + 1, 0) * f;
            const double dome = 0.12 * (1.0 - rho);
            const double k = 0.74 + 0.40 * swing + 0.10 * (lathe - 0.5) + dome;
            auto channel = [k](double c) {
                const double v = std::clamp(c * k, 0.0, 1.0) * 255.0;
                return static_cast<std::uint32_t>(v + 0.5);
            };
            row[x] = 0xFF000000u | (channel(base.r) << 16) | (channel(base.g) << 8) | channel(base.b);
        }
    }
    cairo_surface_mark_dirty(metal.get());
    cairo_save(cr);
    circle(cr, r);
    cairo_clip(cr);
    cairo_identity_matrix(cr);
    cairo_set_source_surface(cr, metal.get(), x0, y0);
    cairo_paint(cr);
    cairo_restore(cr);
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
    knurl(cr, 0.80, 0.92, 60, shade(s.body, 1.25), dark, 0.9);
    circle(cr, 0.915);
    setColour(cr, shade(s.body, 0.3), 0.7);
    cairo_set_line_width(cr, 0.012);
    cairo_stroke(cr);
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
    knurl(cr, 0.84, 0.92, 56, shade(s.body, 1.05), shade(s.body, 0.62), 0.6);
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
    softShadow(
        cr, [](cairo_t* c) { circle(c, 0.9); }, 0.0, 0.0, 0.035, 0.55);
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
