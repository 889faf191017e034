// The layer's one platform bitmap: straight RGBA bytes, plus a premultiplied cairo copy
// for drawing, made when first drawn and again after the pixels change. [main-thread].
#pragma once

#include <cairo.h>

#include <cstdint>

#include "vstgui/CBitmap.h"

namespace VSTGUI {

// Zeroed memory for the pixels of one or more bitmaps, freed when the last bitmap that
// uses it goes.
class PixelBlock final : public CBaseObject {
public:
    // Null when the memory cannot be had.
    static SharedPointer<PixelBlock> create(size_t bytes);
    ~PixelBlock() override;
    PixelBlock(const PixelBlock&) = delete;
    PixelBlock& operator=(const PixelBlock&) = delete;
    uint8_t* data() const { return bytes; }

private:
    PixelBlock(uint8_t* memory, size_t length) : bytes(memory), size(length) {}
    static void release(uint8_t* memory, size_t size);
    uint8_t* bytes;
    size_t size;
};

class CairoBitmap final : public IPlatformBitmap {
public:
    static constexpr uint32_t kMaxSide = 16384;

    // Transparent pixels; width and height from 1 to kMaxSide.
    CairoBitmap(uint32_t w, uint32_t h);
    // Pixels at pixels (width x height x 4 bytes, transparent) inside block, which the
    // bitmap keeps alive.
    CairoBitmap(uint32_t w, uint32_t h, SharedPointer<PixelBlock> block, uint8_t* pixels);
    ~CairoBitmap() override;
    CairoBitmap(const CairoBitmap&) = delete;
    CairoBitmap& operator=(const CairoBitmap&) = delete;

    CPoint getSize() const override { return {static_cast<double>(width), static_cast<double>(height)}; }
    double getScaleFactor() const override { return scaleFactor; }
    void setScaleFactor(double factor) override;
    bool writePNG(const char* path) const override;

    uint32_t pixelWidth() const { return width; }
    uint32_t pixelHeight() const { return height; }
    uint8_t* rgba() { return pixels; }
    const uint8_t* rgba() const { return pixels; }
    // The pixels changed: the drawing copy is made again when next needed.
    void pixelsChanged() { cacheValid = false; }
    // The premultiplied ARGB32 copy for drawing; null when cairo cannot make one.
    cairo_surface_t* surface();

    // Every platform bitmap of the layer is a CairoBitmap.
    static CairoBitmap* from(IPlatformBitmap* bitmap) { return static_cast<CairoBitmap*>(bitmap); }

private:
    SharedPointer<PixelBlock> block;  // holds the pixels, perhaps with other bitmaps' pixels
    uint8_t* pixels;                  // width x height x 4, rows top first, bytes R G B A
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
