#include "vstgui/CControl.h"

#include <cmath>

#include "vstgui/CDrawContext.h"
#include "vstgui/CFrame.h"
#include "vstgui/CKnob.h"

namespace VSTGUI {

CControl::CControl(const CRect& size, IControlListener* l, std::int32_t t, CBitmap* backdrop)
    : CView(size), controlTag(t), controlListener(l) {
    if (backdrop) setBackground(backdrop);
}

CControl::CControl(const CControl& other)
    : CView(other),
      currentValue(other.currentValue),
      minValue(other.minValue),
      maxValue(other.maxValue),
      controlTag(other.controlTag),
      controlListener(other.controlListener) {}

CView* CControl::newCopy() const {
    return new CControl(*this);
}

void CControl::setValue(float val) {
    if (std::isnan(val)) return;
    if (val < minValue) val = minValue;
    if (val > maxValue) val = maxValue;
    currentValue = val;
}

void CControl::setValueNormalized(float val) {
    if (std::isnan(val)) return;
    if (val < 0.0f) val = 0.0f;
    if (val > 1.0f) val = 1.0f;
    setValue(minValue + val * (maxValue - minValue));
}

float CControl::getValueNormalized() const {
    const float range = maxValue - minValue;
    if (!(range != 0.0f)) return 0.0f;
    return (currentValue - minValue) / range;
}

void CControl::bounceValue() {
    if (currentValue > maxValue) currentValue = maxValue;
    if (currentValue < minValue) currentValue = minValue;
}

void CControl::setTag(std::int32_t val) {
    if (controlListener) controlListener->controlTagWillChange(this);
    controlTag = val;
    if (controlListener) controlListener->controlTagDidChange(this);
}

void CControl::beginEdit() {
    ++editDepth;
    if (controlListener) controlListener->controlBeginEdit(this);
}

void CControl::valueChanged() {
    if (controlListener) controlListener->valueChanged(this);
}

void CControl::endEdit() {
    if (editDepth > 0) --editDepth;
    if (controlListener) controlListener->controlEndEdit(this);
}

CKnobBase::CKnobBase(const CRect& size, IControlListener* l, std::int32_t t, CBitmap* backdrop)
    : CControl(size, l, t, backdrop) {}

CKnobBase::CKnobBase(const CKnobBase& other) : CControl(other) {}

namespace {
float limitedUnit(double v) {
    if (!(v > 0.0)) return 0.0f;  // also NaN
    if (v > 1.0) return 1.0f;
    return static_cast<float>(v);
}
}  // namespace

CMouseEventResult CKnobBase::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!buttons.isLeftButton()) return kMouseEventNotHandled;
    if (buttons.getModifierState() != 0 && getListener() &&
        getListener()->controlModifierClicked(this, buttons) != 0)
        return kMouseEventHandled;
    beginEdit();
    dragging = true;
    dragStart = where;
    dragStartValue = getValueNormalized();
    return kMouseEventHandled;
}

CMouseEventResult CKnobBase::onMouseMoved(CPoint& where, const CButtonState&) {
    if (!dragging) return kMouseEventNotHandled;
    // Every knob mode drags linearly: right and up raise the value.
    const double travel = (where.x - dragStart.x) + (dragStart.y - where.y);
    const float next = limitedUnit(dragStartValue + travel / kLinearDragRange);
    if (next != getValueNormalized()) {
        setValueNormalized(next);
        valueChanged();
        invalid();
    }
    return kMouseEventHandled;
}

CMouseEventResult CKnobBase::onMouseUp(CPoint&, const CButtonState&) {
    if (!dragging) return kMouseEventNotHandled;
    dragging = false;
    endEdit();
    return kMouseEventHandled;
}

bool CKnobBase::onWheel(const CPoint&, const CMouseWheelAxis&, const float& distance, const CButtonState&) {
    if (!std::isfinite(distance) || distance == 0.0f || dragging) return false;
    const float next =
        limitedUnit(static_cast<double>(getValueNormalized()) + static_cast<double>(distance) * kWheelStep);
    beginEdit();
    if (next != getValueNormalized()) {
        setValueNormalized(next);
        valueChanged();
        invalid();
    }
    endEdit();
    return true;
}

CKnob::CKnob(const CRect& size, IControlListener* l, std::int32_t t, CBitmap* backdrop, CBitmap* handle,
             const CPoint& offset, std::int32_t style)
    : CKnobBase(size, l, t, backdrop), handleImage(handle), handleImageOffset(offset), knobDrawStyle(style) {}

CKnob::CKnob(const CKnob& other)
    : CKnobBase(other),
      handleImage(other.handleImage),
      handleImageOffset(other.handleImageOffset),
      knobDrawStyle(other.knobDrawStyle) {}

CView* CKnob::newCopy() const {
    return new CKnob(*this);
}

}  // namespace VSTGUI
