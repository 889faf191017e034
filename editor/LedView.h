// The panel's LED lamp, drawn from ellipses: a dark lens, a glow of six rings that grows
// with the brightness, a coloured core and a faint rim. A two-input lamp shows both of the
// chip's user outputs: its own colour, the second colour or the both colour, at the
// brightness of the brighter output. [main-thread].
#pragma once

#include "vstgui/CColor.h"
#include "vstgui/CView.h"

namespace fxcoreplug {

class LedView : public VSTGUI::CView {
public:
    // diameter: the lens diameter in points; 0 or less uses the view's smaller side.
    LedView(const VSTGUI::CRect& size, VSTGUI::CColor colour, double diameter);
    ~LedView() override = default;
    VSTGUI::CView* newCopy() const override;

    // Stores b and redraws when it differs from the stored brightness by more than 0.004.
    void setBrightness(float b);
    // The two-input form (a lamp that is not two-input takes a alone): the brighter of a and
    // b, in the colour of which inputs are on (above 0.02).
    void setBrightness(float a, float b);
    // Makes the lamp a two-input lamp; no redraw.
    void setBiColour(VSTGUI::CColor second, VSTGUI::CColor both);

    void draw(VSTGUI::CDrawContext* context) override;

    float getBrightness() const { return brightness; }
    VSTGUI::CColor getActiveColour() const { return activeColour; }
    bool isBiColour() const { return biColour; }

private:
    VSTGUI::CColor colour;
    VSTGUI::CColor secondColour;  // white until setBiColour
    VSTGUI::CColor bothColour;    // white until setBiColour
    VSTGUI::CColor activeColour;  // the two-input form's last choice; white at first
    bool biColour = false;
    double diameter;
    float brightness = 0.0f;  // stored unclamped
};

}  // namespace fxcoreplug
