// Bitmaps: platform pixel buffers, the bitmaps views draw, the platform factory that decodes
// PNG bytes and makes empty buffers, and per-pixel access. [main-thread] throughout.
//
// A platform bitmap keeps its pixels as straight (not premultiplied) 8-bit RGBA, so a pixel
// read back without premultiplication is exactly what was written or decoded. Drawing uses a
// premultiplied copy that is made when first needed and again after the pixels change.
#pragma once

#include <cstdint>
#include <vector>

#include "vstgui/CColor.h"
#include "vstgui/Geometry.h"
#include "vstgui/SharedPointer.h"

namespace VSTGUI {

class CDrawContext;

class IPlatformBitmap : public CBaseObject {
public:
    // Size in pixels.
    virtual CPoint getSize() const = 0;
    // Pixels per point; 1.0 unless set. Values that are not finite and above 0 are ignored.
    virtual double getScaleFactor() const = 0;
    virtual void setScaleFactor(double factor) = 0;
    // Writes the pixels as an 8-bit RGBA PNG file; false when the file cannot be written.
    virtual bool writePNG(const char* path) const = 0;
};

using PlatformBitmapPtr = SharedPointer<IPlatformBitmap>;

class IPlatformFactory {
public:
    virtual ~IPlatformFactory() = default;
    // A new transparent (0, 0, 0, 0) bitmap of size.x by size.y pixels, scale factor 1; null
    // when a side is below 1, not a whole number, or too large (above 16384 pixels).
    virtual PlatformBitmapPtr createBitmap(const CPoint& size) const = 0;
    // count bitmaps as createBitmap makes them, whose pixels lie in one allocation that is
    // freed when the last of them goes (for a series of equal images made and dropped
    // together); empty for a size createBitmap refuses, a count of 0, or no memory.
    virtual std::vector<PlatformBitmapPtr> createBitmaps(const CPoint& size, std::uint32_t count) const = 0;
    // A bitmap decoded from the bytes of a PNG file, scale factor 1; null when the bytes do
    // not decode (null data, zero size, corrupt or truncated PNG).
    virtual PlatformBitmapPtr createBitmapFromMemory(const void* data, std::uint32_t size) const = 0;
};

// The one platform factory (it holds no state).
const IPlatformFactory& getPlatformFactory();

class CBitmap : public CBaseObject {
public:
    explicit CBitmap(const PlatformBitmapPtr& platformBitmap);

    const PlatformBitmapPtr& getPlatformBitmap() const { return platformBitmap; }
    // Size in points: the pixel size divided by the platform bitmap's scale factor.
    CCoord getWidth() const;
    CCoord getHeight() const;
    CPoint getSize() const { return {getWidth(), getHeight()}; }

    // Draws the bitmap at its own size in points with its top left at rect's top left minus
    // offset, clipped to rect, at the given opacity (0 to 1).
    void draw(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint(0, 0),
              float alpha = 1.0f);

private:
    PlatformBitmapPtr platformBitmap;
};

// Walks the pixels of a bitmap row by row from (0, 0). With alphaPremultiplied the colours
// read are multiplied by alpha and the colours written are taken as premultiplied; without
// it they are straight. The pixels are written back to the bitmap when the access is
// released (its last reference goes), and the bitmap draws with them from then on.
class CBitmapPixelAccess : public CBaseObject {
public:
    // Null for a null bitmap or one without platform bitmap.
    static SharedPointer<CBitmapPixelAccess> create(CBitmap* bitmap, bool alphaPremultiplied = true);
    ~CBitmapPixelAccess() override;
    CBitmapPixelAccess(const CBitmapPixelAccess&) = delete;
    CBitmapPixelAccess& operator=(const CBitmapPixelAccess&) = delete;

    // Moves to the next pixel (the next column, or the first column of the next row); false,
    // staying on the last pixel, when there is no next pixel.
    bool operator++();
    // Moves to (x, y); false, not moving, when that is outside the bitmap.
    bool setPosition(std::uint32_t x, std::uint32_t y);
    std::uint32_t getX() const { return x; }
    std::uint32_t getY() const { return y; }
    std::uint32_t getBitmapWidth() const { return width; }
    std::uint32_t getBitmapHeight() const { return height; }

    void getColor(CColor& colour) const;
    void setColor(const CColor& colour);

    // The pixels themselves, for loops that read or write a whole bitmap: row y starts at
    // getAddress() + y x getBytesPerRow(), four bytes per pixel, red, green, blue, alpha,
    // always straight (premultiplication applies only to getColor and setColor). Valid while
    // the access lives; what is written is taken when it is released, as with setColor.
    std::uint8_t* getAddress() const { return pixels; }
    std::uint32_t getBytesPerRow() const { return width * 4u; }

private:
    CBitmapPixelAccess(CBitmap* bitmap, bool premultiplied);
    SharedPointer<CBitmap> bitmap;
    std::uint8_t* pixels = nullptr;  // the platform bitmap's straight RGBA bytes
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    bool premultiplied = false;
};

}  // namespace VSTGUI
