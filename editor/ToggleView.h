// A lever toggle of the panel: up (position 0), middle (1) or down (2). A click in the upper,
// middle or lower part of the view moves the lever there as one complete edit; setPosition
// moves it without telling the listener. [main-thread].
#pragma once

#include <cstdint>

#include "vstgui/CBitmap.h"
#include "vstgui/CControl.h"

namespace fxcoreplug {

class ToggleView : public VSTGUI::CControl {
public:
    // positions below 2 give a two-position toggle (starting up); 2 or more give three
    // positions (starting in the middle). Any picture may be null.
    ToggleView(const VSTGUI::CRect& size, VSTGUI::IControlListener* listener, std::int32_t tag,
               VSTGUI::CBitmap* up, VSTGUI::CBitmap* mid, VSTGUI::CBitmap* down, int positions);
    ToggleView(const ToggleView& other);
    ~ToggleView() override;
    VSTGUI::CView* newCopy() const override;

    // The lever position, 0 to positionCount() - 1.
    int position() const;
    // Moves the lever (clamped) and redraws; the listener is not told.
    void setPosition(int p);
    int positionCount() const { return positions; }

    void draw(VSTGUI::CDrawContext* context) override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where,
                                          const VSTGUI::CButtonState& buttons) override;

private:
    VSTGUI::SharedPointer<VSTGUI::CBitmap> upImage;
    VSTGUI::SharedPointer<VSTGUI::CBitmap> midImage;
    VSTGUI::SharedPointer<VSTGUI::CBitmap> downImage;
    std::int32_t positions;
};

}  // namespace fxcoreplug
