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
    std::uint8_t* data() const { return bytes; }

private:
    PixelBlock(std::uint8_t* memory, size_t length) : bytes(memory), size(length) {}
    static void release(std::uint8_t* memory, size_t size);
    std::uint8_t* bytes;
    size_t size;
};

class CairoBitmap final : public IPlatformBitmap {
public:
    static constexpr std::uint32_t kMaxSide = 16384;

    // Transparent pixels; width and height from 1 to kMaxSide.
    CairoBitmap(std::uint32_t w, std::uint32_t h);
    // Pixels at pixels (width x height x 4 bytes, transparent) inside block, which the
    // bitmap keeps alive.
    CairoBitmap(std::uint32_t w, std::uint32_t h, SharedPointer<PixelBlock> block, std::uint8_t* pixels);
    ~CairoBitmap() override;
    CairoBitmap(const CairoBitmap&) = delete;
    CairoBitmap& operator=(const CairoBitmap&) = delete;

    CPoint getSize() const override { return {static_cast<double>(width), static_cast<double>(height)}; }
    double getScaleFactor() const override { return scaleFactor; }
    void setScaleFactor(double factor) override;
    bool writePNG(const char* path) const override;

    std::uint32_t pixelWidth() const { return width; }
    std::uint32_t pixelHeight() const { return height; }
    std::uint8_t* rgba() { return pixels; }
    const std::uint8_t* rgba() const { return pixels; }
    // The pixels changed: the drawing copy is made again when next needed.
    void pixelsChanged() { cacheValid = false; }
    // The premultiplied ARGB32 copy for drawing; null when cairo cannot make one.
    cairo_surface_t* surface();

    // Every platform bitmap of the layer is a CairoBitmap.
    static CairoBitmap* from(IPlatformBitmap* bitmap) { return static_cast<CairoBitmap*>(bitmap); }

private:
    SharedPointer<PixelBlock> block;  // holds the pixels, perhaps with other bitmaps' pixels
    std::uint8_t* pixels;             // width x height x 4, rows top first, bytes R G B A
    std::uint32_t width;
    std::uint32_t height;
    double scaleFactor = 1.0;
    cairo_surface_t* cache = nullptr;
    bool cacheValid = false;
};

// Straight <-> premultiplied channel conversions, rounded to nearest.
inline std::uint8_t premultiplyChannel(std::uint8_t c, std::uint8_t a) {
    return static_cast<std::uint8_t>((static_cast<std::uint32_t>(c) * a + 127u) / 255u);
}
inline std::uint8_t unpremultiplyChannel(std::uint8_t c, std::uint8_t a) {
    if (a == 0) return 0;
    const std::uint32_t v = (static_cast<std::uint32_t>(c) * 255u + a / 2u) / a;
    return static_cast<std::uint8_t>(v > 255u ? 255u : v);
}

}  // namespace VSTGUI
