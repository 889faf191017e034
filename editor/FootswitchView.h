// A footswitch of the panel: its picture, value 1 while pressed. A momentary footswitch
// goes back to 0 on release, a latching one flips on each press. A momentary press that is
// lost before its release (the window closes, the pointer grab breaks) ends as a release
// would, so the switch is never left held. [main-thread].
#pragma once

#include <cstdint>

#include "vstgui/CBitmap.h"
#include "vstgui/CControl.h"

namespace fxcoreplug {

class FootswitchView : public VSTGUI::CControl {
public:
    FootswitchView(const VSTGUI::CRect& size, VSTGUI::IControlListener* listener, std::int32_t tag,
                   VSTGUI::CBitmap* picture, bool momentary);
    FootswitchView(const FootswitchView& other);
    ~FootswitchView() override;
    VSTGUI::CView* newCopy() const override;

    // The picture at its own size from the view's top left, clipped to the view.
    void draw(VSTGUI::CDrawContext* context) override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where,
                                          const VSTGUI::CButtonState& buttons) override;
    VSTGUI::CMouseEventResult onMouseUp(VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;
    VSTGUI::CMouseEventResult onMouseCancel() override;

    bool isMomentary() const { return momentary; }

private:
    // Value 0 and the end of the edit of a momentary press.
    void release();
    VSTGUI::SharedPointer<VSTGUI::CBitmap> image;
    bool momentary;
    bool pressHeld = false;  // a momentary press has begun and not yet ended
};

}  // namespace fxcoreplug
