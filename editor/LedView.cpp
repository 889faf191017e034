#include "editor/LedView.h"

#include <cmath>

#include "vstgui/CDrawContext.h"

namespace fxcoreplug {
namespace {

constexpr float kRedrawStep = 0.004f;  // smaller brightness moves are not drawn
constexpr float kOnLevel = 0.02f;      // an input above this counts as on

std::uint8_t truncatedByte(double v) {
    if (!(v > 0.0)) return 0;
    if (v >= 255.0) return 255;
    return static_cast<std::uint8_t>(v);
}

}  // namespace

LedView::LedView(const VSTGUI::CRect& size, VSTGUI::CColor lampColour, double lensDiameter)
    : CView(size), colour(lampColour), diameter(lensDiameter) {
    setMouseEnabled(false);
    setTransparency(true);
}

VSTGUI::CView* LedView::newCopy() const {
    return new LedView(*this);
}

void LedView::setBrightness(float b) {
    if (std::fabs(b - brightness) > kRedrawStep) {
        brightness = b;
        invalid();
    }
}

void LedView::setBrightness(float a, float b) {
    if (!biColour) {
        setBrightness(a);
        return;
    }
    const float level = a > b ? a : b;
    VSTGUI::CColor chosen = colour;
    if (a > kOnLevel && b > kOnLevel)
        chosen = bothColour;
    else if (b > a)
        chosen = secondColour;
    if (std::fabs(level - brightness) > kRedrawStep || chosen != activeColour) {
        brightness = level;
        activeColour = chosen;
        invalid();
    }
}

void LedView::setBiColour(VSTGUI::CColor second, VSTGUI::CColor both) {
    secondColour = second;
    bothColour = both;
    biColour = true;
}

void LedView::draw(VSTGUI::CDrawContext* context) {
    const VSTGUI::CRect& view = getViewSize();
    const double a = diameter > 0.0 ? diameter : std::fmin(view.getWidth(), view.getHeight());
    const double left = view.left + (view.getWidth() - a) / 2.0;
    const double top = view.top + (view.getHeight() - a) / 2.0;
    const VSTGUI::CRect lens(left, top, left + a, top + a);
    const float clamped = brightness < 0.0f ? 0.0f : (brightness > 1.0f ? 1.0f : brightness);
    const double d = clamped;  // NaN compares false both ways and stays NaN: drawn unlit below
    const VSTGUI::CColor lamp = biColour ? activeColour : colour;

    context->setDrawMode(VSTGUI::kAntiAliasing);
    context->setFillColor(VSTGUI::CColor(30, 30, 34, 200));
    context->drawEllipse(lens, VSTGUI::kDrawFilled);

    if (d > 0.0) {
        const double m = 0.42 * a;
        for (int k = 0; k < 6; ++k) {
            const double s = (6 - k) / 6.0;
            VSTGUI::CRect ring = lens;
            ring.extend(m * s, m * s);
            const double alpha = (1.0 - s) * (1.0 - s) * (70.0 * d) + 6.0 * d;
            context->setFillColor(VSTGUI::CColor(lamp.red, lamp.green, lamp.blue, truncatedByte(alpha)));
            context->drawEllipse(ring, VSTGUI::kDrawFilled);
        }
        VSTGUI::CRect core = lens;
        core.inset(0.14 * a, 0.14 * a);
        const double t = d * 0.65 + 0.35;
        context->setFillColor(VSTGUI::CColor(truncatedByte(lamp.red * t), truncatedByte(lamp.green * t),
                                             truncatedByte(lamp.blue * t), 255));
        context->drawEllipse(core, VSTGUI::kDrawFilled);
    }

    context->setFrameColor(VSTGUI::CColor(255, 255, 255, 60));
    context->setLineWidth(1.0);
    context->drawEllipse(lens, VSTGUI::kDrawStroked);
    setDirty(false);
}

}  // namespace fxcoreplug
