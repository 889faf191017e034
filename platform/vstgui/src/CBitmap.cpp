#include "vstgui/CBitmap.h"

#include "CairoBitmap.h"
#include "vstgui/CDrawContext.h"

namespace VSTGUI {

CBitmap::CBitmap(const PlatformBitmapPtr& platform) : platformBitmap(platform) {}

CCoord CBitmap::getWidth() const {
    return platformBitmap ? platformBitmap->getSize().x / platformBitmap->getScaleFactor() : 0.0;
}

CCoord CBitmap::getHeight() const {
    return platformBitmap ? platformBitmap->getSize().y / platformBitmap->getScaleFactor() : 0.0;
}

void CBitmap::draw(CDrawContext* context, const CRect& rect, const CPoint& offset, float alpha) {
    if (context) context->drawBitmap(this, rect, offset, alpha);
}

SharedPointer<CBitmapPixelAccess> CBitmapPixelAccess::create(CBitmap* bitmap, bool alphaPremultiplied) {
    if (!bitmap || !bitmap->getPlatformBitmap()) return nullptr;
    return owned(new CBitmapPixelAccess(bitmap, alphaPremultiplied));
}

CBitmapPixelAccess::CBitmapPixelAccess(CBitmap* source, bool premultipliedColours)
    : bitmap(source), premultiplied(premultipliedColours) {
    CairoBitmap* platform = CairoBitmap::from(source->getPlatformBitmap().get());
    pixels = platform->rgba();
    width = platform->pixelWidth();
    height = platform->pixelHeight();
}

CBitmapPixelAccess::~CBitmapPixelAccess() {
    CairoBitmap::from(bitmap->getPlatformBitmap().get())->pixelsChanged();
}

bool CBitmapPixelAccess::operator++() {
    if (x + 1 < width) {
        ++x;
        return true;
    }
    if (y + 1 < height) {
        x = 0;
        ++y;
        return true;
    }
    return false;
}

bool CBitmapPixelAccess::setPosition(std::uint32_t px, std::uint32_t py) {
    if (px >= width || py >= height) return false;
    x = px;
    y = py;
    return true;
}

void CBitmapPixelAccess::getColor(CColor& colour) const {
    const std::uint8_t* p = pixels + (static_cast<size_t>(y) * width + x) * 4u;
    colour = CColor(p[0], p[1], p[2], p[3]);
    if (premultiplied) {
        colour.red = premultiplyChannel(p[0], p[3]);
        colour.green = premultiplyChannel(p[1], p[3]);
        colour.blue = premultiplyChannel(p[2], p[3]);
    }
}

void CBitmapPixelAccess::setColor(const CColor& colour) {
    std::uint8_t* p = pixels + (static_cast<size_t>(y) * width + x) * 4u;
    if (premultiplied) {
        p[0] = unpremultiplyChannel(colour.red, colour.alpha);
        p[1] = unpremultiplyChannel(colour.green, colour.alpha);
        p[2] = unpremultiplyChannel(colour.blue, colour.alpha);
    } else {
        p[0] = colour.red;
        p[1] = colour.green;
        p[2] = colour.blue;
    }
    p[3] = colour.alpha;
}

}  // namespace VSTGUI
