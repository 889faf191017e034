// Controls: views with a value, a tag and a listener. [main-thread].
//
// Setting a value (setValue, setValueNormalized) never calls the listener; only a user edit
// does, through beginEdit, valueChanged and endEdit.
#pragma once

#include <cstdint>

#include "vstgui/CView.h"

namespace VSTGUI {

class CControl;

// What a control tells its listener. Operations in this order; all but valueChanged have
// defaults: controlModifierClicked answers 0 (the control handles the click itself), the
// others do nothing.
class IControlListener {
public:
    virtual ~IControlListener() = default;
    virtual void valueChanged(CControl* control) = 0;
    virtual std::int32_t controlModifierClicked(CControl*, CButtonState) { return 0; }
    virtual void controlBeginEdit(CControl*) {}
    virtual void controlEndEdit(CControl*) {}
    virtual void controlTagWillChange(CControl*) {}
    virtual void controlTagDidChange(CControl*) {}
};

class CControl : public CView {
public:
    // Value 0, range 0 to 1.
    CControl(const CRect& size, IControlListener* listener = nullptr, std::int32_t tag = 0,
             CBitmap* background = nullptr);
    // Copies value, range, tag and listener (not the edit state).
    CControl(const CControl& other);
    CView* newCopy() const override;

    // Stores val limited to min..max; NaN is ignored.
    virtual void setValue(float val);
    float getValue() const { return currentValue; }
    // Stores min + val x (max - min) with val limited to 0..1; NaN is ignored.
    virtual void setValueNormalized(float val);
    // (value - min) / (max - min), 0 for an empty range.
    float getValueNormalized() const;
    virtual void setMin(float val) { minValue = val; }
    float getMin() const { return minValue; }
    virtual void setMax(float val) { maxValue = val; }
    float getMax() const { return maxValue; }
    float getRange() const { return maxValue - minValue; }
    // Limits the value to the range (for a range set after the value).
    void bounceValue();

    // Tells the listener controlTagWillChange, changes the tag, then controlTagDidChange.
    virtual void setTag(std::int32_t val);
    std::int32_t getTag() const { return controlTag; }
    void setListener(IControlListener* l) { controlListener = l; }
    IControlListener* getListener() const { return controlListener; }

    // The user starts, changes and ends an edit: controlBeginEdit, valueChanged and
    // controlEndEdit on the listener.
    virtual void beginEdit();
    virtual void valueChanged();
    virtual void endEdit();
    bool isEditing() const { return editDepth > 0; }

private:
    float currentValue = 0.0f;
    float minValue = 0.0f;
    float maxValue = 1.0f;
    std::int32_t controlTag;
    IControlListener* controlListener;
    std::int32_t editDepth = 0;
};

}  // namespace VSTGUI
