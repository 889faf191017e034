#include "editor/ToggleView.h"

#include <algorithm>
#include <cmath>

#include "vstgui/CDrawContext.h"

namespace fxcoreplug {

ToggleView::ToggleView(const VSTGUI::CRect& size, VSTGUI::IControlListener* listener, std::int32_t tag,
                       VSTGUI::CBitmap* up, VSTGUI::CBitmap* mid, VSTGUI::CBitmap* down, int positionArg)
    : CControl(size, listener, tag, nullptr),
      upImage(up),
      midImage(mid),
      downImage(down),
      positions(positionArg < 2 ? 2 : 3) {
    setTransparency(true);
    setMin(0.0f);
    setMax(static_cast<float>(positions - 1));
    setValue(positions == 3 ? 1.0f : 0.0f);
}

ToggleView::ToggleView(const ToggleView& other)
    : CControl(other),
      upImage(other.upImage),
      midImage(other.midImage),
      downImage(other.downImage),
      positions(other.positions) {}

ToggleView::~ToggleView() {
    downImage = nullptr;
    midImage = nullptr;
    upImage = nullptr;
}

VSTGUI::CView* ToggleView::newCopy() const {
    return new ToggleView(*this);
}

int ToggleView::position() const {
    // The value always lies in 0..positions - 1 (setValue limits it to the range).
    const long p = std::lroundf(getValue());
    return static_cast<int>(std::clamp<long>(p, 0, positions - 1));
}

void ToggleView::setPosition(int p) {
    setValue(static_cast<float>(std::clamp(p, 0, positions - 1)));
    invalid();
}

void ToggleView::draw(VSTGUI::CDrawContext* context) {
    context->setDrawMode(VSTGUI::CDrawMode(VSTGUI::kAntiAliasing | VSTGUI::kNonIntegralMode));
    context->setBitmapInterpolationQuality(VSTGUI::BitmapInterpolationQuality::kHigh);
    const int p = position();
    VSTGUI::CBitmap* picture = nullptr;
    if (positions == 2 && p == 1)
        picture = downImage;
    else
        picture = p == 0 ? upImage.get() : (p == 1 ? midImage.get() : downImage.get());
    if (picture) {
        const VSTGUI::CRect& view = getViewSize();
        const double w = picture->getWidth();
        const double h = picture->getHeight();
        const double left = view.left + (view.getWidth() - w) / 2.0;
        const double top = view.top + (view.getHeight() - h) / 2.0;
        picture->draw(context, VSTGUI::CRect(left, top, left + w, top + h), VSTGUI::CPoint(0, 0), 1.0f);
    }
    setDirty(false);
}

VSTGUI::CMouseEventResult ToggleView::onMouseDown(VSTGUI::CPoint& where,
                                                  const VSTGUI::CButtonState& buttons) {
    if (!buttons.isLeftButton()) return VSTGUI::kMouseEventNotHandled;
    const VSTGUI::CRect& view = getViewSize();
    const double fraction = (where.y - view.top) / std::max(view.getHeight(), 1.0);
    const double scaled = positions * fraction;
    // Truncated toward zero, then limited to the positions (NaN counts as the top).
    int next = 0;
    if (scaled >= positions)
        next = positions - 1;
    else if (scaled > 0.0)
        next = static_cast<int>(scaled);
    if (next == position()) return VSTGUI::kMouseEventHandled;
    beginEdit();
    setValue(static_cast<float>(next));
    invalid();
    valueChanged();
    endEdit();
    return VSTGUI::kMouseEventHandled;
}

}  // namespace fxcoreplug
