// Drawing helpers shared by the panel-art generator: owned cairo surfaces,
// soft shadows (blurred masks), deterministic surface texture and the PNG writer.
// The generator is an offline tool; nothing here is linked into the plug-in.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace fxcoreart {

struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using Context = std::unique_ptr<cairo_t, ContextDeleter>;

// A cleared (fully transparent) ARGB32 image surface of w x h pixels.
Surface makeSurface(int width, int height);

// Draws a path with the caller's current transform. The callback only builds the path.
using PathFn = std::function<void(cairo_t*)>;

// Gaussian-looking blur (three box passes) of every channel, in place.
// The radius is in device pixels.
void blurSurface(cairo_surface_t* surface, double radiusPx);

// Paints a soft shadow of the path under everything drawn next: the path is
// filled black into a scratch layer, blurred by `blur` (user units), and painted
// with `alpha` at offset (dx, dy) user units.
void softShadow(cairo_t* cr, const PathFn& path, double dx, double dy, double blur, double alpha);

// Paints a blurred copy of a stroked or filled path in a colour: used for glows,
// inner shading and bevel light. When `clip` is set the result is clipped to it.
void softFill(cairo_t* cr, const PathFn& path, double r, double g, double b, double alpha, double blur,
              double dx = 0.0, double dy = 0.0, const PathFn& clip = {});

// Adds deterministic grain to every pixel of the surface: fine per-pixel grain of
// amplitude `fine` and blotchy mottling of amplitude `mottle` (both in 0-255 colour
// steps) with blotches about `mottleSizePx` across. Alpha is kept.
void addGrain(cairo_surface_t* surface, std::uint32_t seed, double fine, double mottle, double mottleSizePx);

// A hash-based pseudo-random number in [0, 1) for integer coordinates; the same
// arguments always give the same value, on any machine.
double hashUnit(std::uint32_t seed, std::int32_t x, std::int32_t y);

// Writes the surface as an 8-bit RGBA PNG (colour type 6), not interlaced, with
// no time or text chunks, so the same pixels always give the same bytes.
bool writePng(cairo_surface_t* surface, const std::string& path);

// Colour helpers: an 8-bit colour as cairo's 0..1 doubles.
struct Rgb {
    double r, g, b;
};
constexpr Rgb rgb8(int r, int g, int b) {
    return {r / 255.0, g / 255.0, b / 255.0};
}
Rgb mix(Rgb a, Rgb b, double t);
Rgb shade(Rgb c, double factor);  // factor < 1 darkens, > 1 lightens towards white
void setColour(cairo_t* cr, Rgb c, double alpha = 1.0);
void addStop(cairo_pattern_t* p, double offset, Rgb c, double alpha = 1.0);

}  // namespace fxcoreart
