// The layer's one platform bitmap: straight RGBA bytes, plus a premultiplied cairo copy
// for drawing, made when first drawn and again after the pixels change. [main-thread].
#pragma once

#include <cairo.h>

#include <cstdint>
#include <vector>

#include "vstgui/CBitmap.h"

namespace VSTGUI {

class CairoBitmap final : public IPlatformBitmap {
public:
    static constexpr uint32_t kMaxSide = 16384;

    // Transparent pixels; width and height from 1 to kMaxSide.
    CairoBitmap(uint32_t w, uint32_t h);
    ~CairoBitmap() override;
    CairoBitmap(const CairoBitmap&) = delete;
    CairoBitmap& operator=(const CairoBitmap&) = delete;

    CPoint getSize() const override { return {static_cast<double>(width), static_cast<double>(height)}; }
    double getScaleFactor() const override { return scaleFactor; }
    void setScaleFactor(double factor) override;
    bool writePNG(const char* path) const override;

    uint32_t pixelWidth() const { return width; }
    uint32_t pixelHeight() const { return height; }
    uint8_t* rgba() { return pixels.data(); }
    const uint8_t* rgba() const { return pixels.data(); }
    // The pixels changed: the drawing copy is made again when next needed.
    void pixelsChanged() { cacheValid = false; }
    // The premultiplied ARGB32 copy for drawing; null when cairo cannot make one.
    cairo_surface_t* surface();

    // Every platform bitmap of the layer is a CairoBitmap.
    static CairoBitmap* from(IPlatformBitmap* bitmap) { return static_cast<CairoBitmap*>(bitmap); }

private:
    std::vector<uint8_t> pixels;  // width x height x 4, rows top first, bytes R G B A
    uint32_t width;
    uint32_t height;
    double scaleFactor = 1.0;
    cairo_surface_t* cache = nullptr;
    bool cacheValid = false;
};

// Straight <-> premultiplied channel conversions, rounded to nearest.
inline uint8_t premultiplyChannel(uint8_t c, uint8_t a) {
    return static_cast<uint8_t>((static_cast<uint32_t>(c) * a + 127u) / 255u);
}
inline uint8_t unpremultiplyChannel(uint8_t c, uint8_t a) {
    if (a == 0) return 0;
    const uint32_t v = (static_cast<uint32_t>(c) * 255u + a / 2u) / a;
    return static_cast<uint8_t>(v > 255u ? 255u : v);
}

}  // namespace VSTGUI
