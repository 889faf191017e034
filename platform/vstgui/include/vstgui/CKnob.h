// The knob control: mouse-drag and wheel editing of a value. [main-thread].
//
// A left-button press starts an edit (beginEdit); each move that changes the value reports
// it (valueChanged); the release ends the edit (endEdit). In the linear mode, the one the
// editor selects through CFrame::kDefaultKnobMode, the normalised value follows the
// straight drag: it rises by (right + up) / kLinearDragRange points of pointer travel from
// the press. The circular modes are not offered; a knob drags linearly in every mode. A
// press with a modifier key first asks the listener's controlModifierClicked, and an answer
// other than 0 takes the click. One wheel notch moves the normalised value by kWheelStep as
// one complete edit.
#pragma once

#include <cstdint>

#include "vstgui/CControl.h"

namespace VSTGUI {

enum CKnobMode : std::int32_t {
    kCircularMode = 0,
    kRelativeCircularMode = 1,
    kLinearMode = 2,
};

class CKnobBase : public CControl {
public:
    static constexpr double kLinearDragRange = 200.0;  // points for the whole range
    static constexpr float kWheelStep = 0.1f;          // normalised value per wheel notch

    CKnobBase(const CRect& size, IControlListener* listener, std::int32_t tag, CBitmap* background);
    CKnobBase(const CKnobBase& other);

    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    bool onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                 const CButtonState& buttons) override;

private:
    CPoint dragStart;
    float dragStartValue = 0.0f;
    bool dragging = false;
};

// The knob with its construction arguments: background and handle bitmaps, handle offset and
// draw style. It draws only its background bitmap; knobs with pictures draw themselves.
class CKnob : public CKnobBase {
public:
    CKnob(const CRect& size, IControlListener* listener, std::int32_t tag, CBitmap* background,
          CBitmap* handle, const CPoint& offset = CPoint(0, 0), std::int32_t drawStyle = 0);
    CKnob(const CKnob& other);
    CView* newCopy() const override;

    void setDrawStyle(std::int32_t style) { knobDrawStyle = style; }
    std::int32_t getDrawStyle() const { return knobDrawStyle; }
    CBitmap* getHandleBitmap() const { return handleImage.get(); }
    const CPoint& getHandleOffset() const { return handleImageOffset; }

private:
    SharedPointer<CBitmap> handleImage;
    CPoint handleImageOffset;
    std::int32_t knobDrawStyle;
};

}  // namespace VSTGUI
