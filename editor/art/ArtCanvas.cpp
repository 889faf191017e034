#include "editor/art/ArtCanvas.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace fxcoreart {

Surface makeSurface(int width, int height) {
    return Surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
}

namespace {

// One box pass over a line of `count` premultiplied pixels, `stride` uint32 apart.
void boxLine(std::uint32_t* line, int count, int stride, int half, std::vector<std::uint32_t>& scratch) {
    scratch.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        scratch[static_cast<size_t>(i)] = line[static_cast<ptrdiff_t>(i) * stride];
    }
    const int width = 2 * half + 1;
    std::uint32_t sum[4] = {0, 0, 0, 0};
    auto channel = [](std::uint32_t px, int c) { return (px >> (8 * c)) & 0xFFu; };
    auto at = [&](int i) -> std::uint32_t {
        if (i < 0 || i >= count) return 0u;  // outside the surface is transparent
        return scratch[static_cast<size_t>(i)];
    };
    for (int i = -half; i <= half; ++i) {
        for (int c = 0; c < 4; ++c) sum[c] += channel(at(i), c);
    }
    for (int i = 0; i < count; ++i) {
        std::uint32_t out = 0;
        for (int c = 0; c < 4; ++c) {
            const std::uint32_t v =
                (sum[c] + static_cast<std::uint32_t>(width / 2)) / static_cast<std::uint32_t>(width);
            out |= std::min(v, 255u) << (8 * c);
        }
        line[static_cast<ptrdiff_t>(i) * stride] = out;
        for (int c = 0; c < 4; ++c) {
            sum[c] += channel(at(i + half + 1), c);
            sum[c] -= channel(at(i - half), c);
        }
    }
}

// The scale of the current transform: device pixels per user unit.
double userScale(cairo_t* cr) {
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    return std::sqrt(std::fabs(m.xx * m.yy - m.xy * m.yx));
}

// Device-space bounding box of a path, grown by `margin` pixels and clipped to the target.
struct Box {
    int x0, y0, x1, y1;
    bool empty() const { return x1 <= x0 || y1 <= y0; }
};

Box deviceBox(cairo_t* cr, const PathFn& path, double margin) {
    cairo_save(cr);
    cairo_new_path(cr);
    path(cr);
    double ux0, uy0, ux1, uy1;
    cairo_path_extents(cr, &ux0, &uy0, &ux1, &uy1);
    cairo_new_path(cr);
    double xs[4] = {ux0, ux1, ux0, ux1};
    double ys[4] = {uy0, uy0, uy1, uy1};
    double dx0 = 1e9, dy0 = 1e9, dx1 = -1e9, dy1 = -1e9;
    for (int i = 0; i < 4; ++i) {
        cairo_user_to_device(cr, &xs[i], &ys[i]);
        dx0 = std::min(dx0, xs[i]);
        dy0 = std::min(dy0, ys[i]);
        dx1 = std::max(dx1, xs[i]);
        dy1 = std::max(dy1, ys[i]);
    }
    cairo_restore(cr);
    cairo_surface_t* target = cairo_get_target(cr);
    const int w = cairo_image_surface_get_width(target);
    const int h = cairo_image_surface_get_height(target);
    Box b{static_cast<int>(std::floor(dx0 - margin)), static_cast<int>(std::floor(dy0 - margin)),
          static_cast<int>(std::ceil(dx1 + margin)), static_cast<int>(std::ceil(dy1 + margin))};
    b.x0 = std::clamp(b.x0, 0, w);
    b.x1 = std::clamp(b.x1, 0, w);
    b.y0 = std::clamp(b.y0, 0, h);
    b.y1 = std::clamp(b.y1, 0, h);
    return b;
}

}  // namespace

void blurSurface(cairo_surface_t* surface, double radiusPx) {
    const int half = static_cast<int>(std::lround(std::max(0.0, radiusPx)));
    if (half <= 0) return;
    cairo_surface_flush(surface);
    std::uint32_t* px = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(surface));
    const int w = cairo_image_surface_get_width(surface);
    const int h = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface) / 4;
    std::vector<std::uint32_t> scratch;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y) boxLine(px + static_cast<ptrdiff_t>(y) * stride, w, 1, half, scratch);
        for (int x = 0; x < w; ++x) boxLine(px + x, h, stride, half, scratch);
    }
    cairo_surface_mark_dirty(surface);
}

void softFill(cairo_t* cr, const PathFn& path, double r, double g, double b, double alpha, double blur,
              double dx, double dy, const PathFn& clip) {
    const double scale = userScale(cr);
    const double blurPx = blur * scale;
    const Box box = deviceBox(cr, path, 3.5 * blurPx + 2.0);
    if (box.empty()) return;
    Surface layer = makeSurface(box.x1 - box.x0, box.y1 - box.y0);
    {
        Context lc(cairo_create(layer.get()));
        cairo_matrix_t m;
        cairo_get_matrix(cr, &m);
        cairo_translate(lc.get(), -box.x0, -box.y0);
        cairo_transform(lc.get(), &m);
        cairo_set_source_rgb(lc.get(), r, g, b);
        path(lc.get());
        cairo_fill(lc.get());
    }
    blurSurface(layer.get(), blurPx);
    double ddx = dx, ddy = dy;
    cairo_user_to_device_distance(cr, &ddx, &ddy);
    cairo_save(cr);
    if (clip) {
        cairo_new_path(cr);
        clip(cr);
        cairo_clip(cr);
    }
    cairo_identity_matrix(cr);
    cairo_set_source_surface(cr, layer.get(), box.x0 + ddx, box.y0 + ddy);
    cairo_paint_with_alpha(cr, alpha);
    cairo_restore(cr);
}

void softShadow(cairo_t* cr, const PathFn& path, double dx, double dy, double blur, double alpha) {
    softFill(cr, path, 0.0, 0.0, 0.0, alpha, blur, dx, dy);
}

double hashUnit(std::uint32_t seed, std::int32_t x, std::int32_t y) {
    std::uint32_t h = seed * 0x9E3779B9u;
    h ^= static_cast<std::uint32_t>(x) * 0x85EBCA6Bu;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<std::uint32_t>(y) * 0xC2B2AE35u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return static_cast<double>(h >> 8) / 16777216.0;
}

namespace {

// Smooth value noise: hash values on a grid `cell` pixels apart, interpolated.
double valueNoise(std::uint32_t seed, double x, double y, double cell) {
    const double gx = x / cell, gy = y / cell;
    const double fx0 = std::floor(gx), fy0 = std::floor(gy);
    const std::int32_t ix = static_cast<std::int32_t>(fx0), iy = static_cast<std::int32_t>(fy0);
    double fx = gx - fx0, fy = gy - fy0;
    fx = fx * fx * (3.0 - 2.0 * fx);
    fy = fy * fy * (3.0 - 2.0 * fy);
    const double a = hashUnit(seed, ix, iy), b = hashUnit(seed, ix + 1, iy);
    const double c = hashUnit(seed, ix, iy + 1), d = hashUnit(seed, ix + 1, iy + 1);
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

}  // namespace

void addGrain(cairo_surface_t* surface, std::uint32_t seed, double fine, double mottle, double mottleSizePx) {
    cairo_surface_flush(surface);
    std::uint8_t* data = cairo_image_surface_get_data(surface);
    const int w = cairo_image_surface_get_width(surface);
    const int h = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < h; ++y) {
        std::uint32_t* row = reinterpret_cast<std::uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
        for (int x = 0; x < w; ++x) {
            const std::uint32_t px = row[x];
            const std::uint32_t a = px >> 24;
            if (a == 0) continue;
            double n = (hashUnit(seed, x, y) - 0.5) * 2.0 * fine;
            if (mottle > 0.0) {
                n += (valueNoise(seed + 1u, x, y, mottleSizePx) - 0.5) * 2.0 * mottle * 0.7 +
                     (valueNoise(seed + 2u, x, y, mottleSizePx * 0.37) - 0.5) * 2.0 * mottle * 0.3;
            }
            const double scaled = n * static_cast<double>(a) / 255.0;
            std::uint32_t out = a << 24;
            for (int c = 0; c < 3; ++c) {
                const double v = static_cast<double>((px >> (8 * c)) & 0xFFu) + scaled;
                const double clamped = std::clamp(std::floor(v + 0.5), 0.0, static_cast<double>(a));
                out |= static_cast<std::uint32_t>(clamped) << (8 * c);
            }
            row[x] = out;
        }
    }
    cairo_surface_mark_dirty(surface);
}

bool writePng(cairo_surface_t* surface, const std::string& path) {
    cairo_surface_flush(surface);
    const int w = cairo_image_surface_get_width(surface);
    const int h = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const std::uint8_t* data = cairo_image_surface_get_data(surface);
    std::vector<std::uint8_t> rgba(static_cast<size_t>(w) * static_cast<size_t>(h) * 4u);
    for (int y = 0; y < h; ++y) {
        const std::uint32_t* row =
            reinterpret_cast<const std::uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
        for (int x = 0; x < w; ++x) {
            const std::uint32_t px = row[x];
            const std::uint32_t a = px >> 24;
            std::uint8_t* out =
                &rgba[(static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)) * 4u];
            // Fully transparent pixels are written as (0, 0, 0, 0); others un-premultiplied.
            for (int c = 0; c < 3; ++c) {
                const std::uint32_t v = (px >> (8 * (2 - c))) & 0xFFu;
                out[c] = a == 0 ? 0 : static_cast<std::uint8_t>(std::min(255u, (v * 255u + a / 2u) / a));
            }
            out[3] = static_cast<std::uint8_t>(a);
        }
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < h; ++y) {
        png_write_row(png, &rgba[static_cast<size_t>(y) * static_cast<size_t>(w) * 4u]);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

Rgb mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb shade(Rgb c, double factor) {
    if (factor <= 1.0) return {c.r * factor, c.g * factor, c.b * factor};
    return mix(c, {1.0, 1.0, 1.0}, std::min(1.0, factor - 1.0));
}

void setColour(cairo_t* cr, Rgb c, double alpha) {
    cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

void addStop(cairo_pattern_t* p, double offset, Rgb c, double alpha) {
    cairo_pattern_add_color_stop_rgba(p, offset, c.r, c.g, c.b, alpha);
}

}  // namespace fxcoreart
