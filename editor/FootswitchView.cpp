#include "editor/FootswitchView.h"

#include "vstgui/CDrawContext.h"

namespace fxcoreplug {

FootswitchView::FootswitchView(const VSTGUI::CRect& size, VSTGUI::IControlListener* listener,
                               std::int32_t tag, VSTGUI::CBitmap* picture, bool isMomentary)
    : CControl(size, listener, tag, nullptr), image(picture), momentary(isMomentary) {
    setTransparency(true);
}

FootswitchView::FootswitchView(const FootswitchView& other)
    : CControl(other), image(other.image), momentary(other.momentary) {}

FootswitchView::~FootswitchView() {
    image = nullptr;
}

VSTGUI::CView* FootswitchView::newCopy() const {
    return new FootswitchView(*this);
}

void FootswitchView::draw(VSTGUI::CDrawContext* context) {
    context->setDrawMode(VSTGUI::CDrawMode(VSTGUI::kAntiAliasing | VSTGUI::kNonIntegralMode));
    context->setBitmapInterpolationQuality(VSTGUI::BitmapInterpolationQuality::kHigh);
    if (image) image->draw(context, getViewSize(), VSTGUI::CPoint(0, 0), 1.0f);
    setDirty(false);
}

VSTGUI::CMouseEventResult FootswitchView::onMouseDown(VSTGUI::CPoint&, const VSTGUI::CButtonState& buttons) {
    if (!buttons.isLeftButton()) return VSTGUI::kMouseEventNotHandled;
    // A press while one is held (a second button-down before the release): end the held one
    // first, so every begin has its end.
    if (pressHeld) release();
    beginEdit();
    const float next = momentary ? 1.0f : (getValue() > 0.5f ? 0.0f : 1.0f);
    setValue(next);
    valueChanged();
    invalid();
    if (momentary)
        pressHeld = true;
    else
        endEdit();
    return VSTGUI::kMouseEventHandled;
}

VSTGUI::CMouseEventResult FootswitchView::onMouseUp(VSTGUI::CPoint&, const VSTGUI::CButtonState&) {
    if (momentary && pressHeld) release();
    return VSTGUI::kMouseEventHandled;
}

VSTGUI::CMouseEventResult FootswitchView::onMouseCancel() {
    if (momentary && pressHeld) release();
    return VSTGUI::kMouseEventHandled;
}

void FootswitchView::release() {
    pressHeld = false;
    setValue(0.0f);
    valueChanged();
    invalid();
    endEdit();
}

}  // namespace fxcoreplug
