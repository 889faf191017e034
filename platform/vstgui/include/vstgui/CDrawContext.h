// The drawing context a view receives in draw(): cairo underneath, coordinates in points.
// [main-thread]. The frame makes one per paint and resets its state before each view.
#pragma once

#include <cairo.h>

#include <cstdint>

#include "vstgui/CColor.h"
#include "vstgui/Geometry.h"

namespace VSTGUI {

class CBitmap;

enum CDrawModeFlags : std::uint32_t {
    kAliasing = 0,
    kAntiAliasing = 1,
    // Without this flag, rectangles of ellipses and bitmaps are aligned to whole device pixels.
    kNonIntegralMode = 0x10,
};

class CDrawMode {
public:
    constexpr CDrawMode(std::uint32_t flags = kAliasing) : bits(flags) {}
    constexpr std::uint32_t modeFlags() const { return bits; }
    constexpr bool antiAliasing() const { return (bits & kAntiAliasing) != 0; }
    constexpr bool integralMode() const { return (bits & kNonIntegralMode) == 0; }
    constexpr bool operator==(const CDrawMode& o) const { return bits == o.bits; }

private:
    std::uint32_t bits;
};

// How bitmaps are filtered when drawn at another size than their pixels.
enum class BitmapInterpolationQuality : std::int32_t { kDefault = 0, kLow = 1, kMedium = 2, kHigh = 3 };

enum CDrawStyle : std::int32_t { kDrawStroked = 0, kDrawFilled = 1, kDrawFilledAndStroked = 2 };

class CDrawContext {
public:
    // A context drawing with cr, whose user space the context sets to points; scaleFactor is
    // the number of device pixels per point. The frame makes these; tests may too.
    CDrawContext(cairo_t* cr, double scaleFactor);
    CDrawContext(const CDrawContext&) = delete;
    CDrawContext& operator=(const CDrawContext&) = delete;

    void setDrawMode(CDrawMode mode) { drawMode = mode; }
    CDrawMode getDrawMode() const { return drawMode; }
    void setBitmapInterpolationQuality(BitmapInterpolationQuality quality) { interpolation = quality; }
    BitmapInterpolationQuality getBitmapInterpolationQuality() const { return interpolation; }
    void setFillColor(const CColor& colour) { fillColour = colour; }
    CColor getFillColor() const { return fillColour; }
    void setFrameColor(const CColor& colour) { frameColour = colour; }
    CColor getFrameColor() const { return frameColour; }
    void setLineWidth(CCoord width) { lineWidth = width; }
    CCoord getLineWidth() const { return lineWidth; }

    // The ellipse inscribed in rect, filled with the fill colour and/or stroked with the frame
    // colour at the line width (the stroke is centred on the ellipse's outline).
    void drawEllipse(const CRect& rect, CDrawStyle style = kDrawStroked);
    // Same as CBitmap::draw.
    void drawBitmap(CBitmap* bitmap, const CRect& dest, const CPoint& offset = CPoint(0, 0),
                    float alpha = 1.0f);

    double getScaleFactor() const { return scaleFactor; }
    // Back to the initial state: aliased integral mode, default interpolation, white fill and
    // frame colours, line width 1.
    void resetState();
    cairo_t* getCairo() const { return cr; }

private:
    CRect aligned(const CRect& rect) const;
    cairo_t* cr;
    double scaleFactor;
    CDrawMode drawMode;
    BitmapInterpolationQuality interpolation = BitmapInterpolationQuality::kDefault;
    CColor fillColour;
    CColor frameColour;
    CCoord lineWidth = 1.0;
};

}  // namespace VSTGUI
