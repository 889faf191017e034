#include "vstgui/CDrawContext.h"

#include <cmath>

#include "CairoBitmap.h"
#include "vstgui/CBitmap.h"

namespace VSTGUI {
namespace {

void setSourceColour(cairo_t* cr, const CColor& c) {
    cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0);
}

cairo_filter_t filterFor(BitmapInterpolationQuality quality) {
    switch (quality) {
    case BitmapInterpolationQuality::kLow: return CAIRO_FILTER_FAST;
    case BitmapInterpolationQuality::kHigh: return CAIRO_FILTER_BEST;
    case BitmapInterpolationQuality::kMedium:
    case BitmapInterpolationQuality::kDefault: break;
    }
    return CAIRO_FILTER_GOOD;
}

}  // namespace

CDrawContext::CDrawContext(cairo_t* context, double scale) : cr(context), scaleFactor(scale) {
    cairo_identity_matrix(cr);
    cairo_scale(cr, scaleFactor, scaleFactor);
}

void CDrawContext::resetState() {
    drawMode = CDrawMode();
    interpolation = BitmapInterpolationQuality::kDefault;
    fillColour = CColor();
    frameColour = CColor();
    lineWidth = 1.0;
}

CRect CDrawContext::aligned(const CRect& rect) const {
    if (!drawMode.integralMode()) return rect;
    const double s = scaleFactor;
    return CRect(std::round(rect.left * s) / s, std::round(rect.top * s) / s, std::round(rect.right * s) / s,
                 std::round(rect.bottom * s) / s);
}

void CDrawContext::drawEllipse(const CRect& rect, CDrawStyle style) {
    const CRect r = aligned(rect);
    if (!(r.getWidth() > 0.0 && r.getHeight() > 0.0)) return;
    cairo_save(cr);
    cairo_set_antialias(cr, drawMode.antiAliasing() ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    cairo_new_path(cr);
    cairo_save(cr);
    const CPoint centre = r.getCenter();
    cairo_translate(cr, centre.x, centre.y);
    cairo_scale(cr, r.getWidth() / 2.0, r.getHeight() / 2.0);
    cairo_arc(cr, 0.0, 0.0, 1.0, 0.0, 2.0 * M_PI);
    cairo_restore(cr);
    if (style == kDrawFilled || style == kDrawFilledAndStroked) {
        setSourceColour(cr, fillColour);
        cairo_fill_preserve(cr);
    }
    if (style == kDrawStroked || style == kDrawFilledAndStroked) {
        setSourceColour(cr, frameColour);
        cairo_set_line_width(cr, lineWidth);
        cairo_stroke_preserve(cr);
    }
    cairo_new_path(cr);
    cairo_restore(cr);
}

void CDrawContext::drawBitmap(CBitmap* bitmap, const CRect& dest, const CPoint& offset, float alpha) {
    if (!bitmap || !bitmap->getPlatformBitmap()) return;
    CairoBitmap* platform = CairoBitmap::from(bitmap->getPlatformBitmap().get());
    cairo_surface_t* source = platform->surface();
    if (!source) return;
    const CRect clip = aligned(dest);
    if (clip.isEmpty()) return;
    const double opacity = alpha >= 1.0f ? 1.0 : (alpha > 0.0f ? static_cast<double>(alpha) : 0.0);
    cairo_save(cr);
    cairo_set_antialias(cr, drawMode.antiAliasing() ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    cairo_rectangle(cr, clip.left, clip.top, clip.getWidth(), clip.getHeight());
    cairo_clip(cr);
    CRect origin(dest.left - offset.x, dest.top - offset.y, dest.left - offset.x, dest.top - offset.y);
    origin = aligned(origin);
    cairo_translate(cr, origin.left, origin.top);
    const double pixelsPerPoint = platform->getScaleFactor();
    cairo_scale(cr, 1.0 / pixelsPerPoint, 1.0 / pixelsPerPoint);
    cairo_set_source_surface(cr, source, 0.0, 0.0);
    cairo_pattern_set_filter(cairo_get_source(cr), filterFor(interpolation));
    cairo_paint_with_alpha(cr, opacity);
    cairo_restore(cr);
}

}  // namespace VSTGUI
