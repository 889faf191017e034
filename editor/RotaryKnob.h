// A knob of the panel: the library's knob control (drag, wheel, edits) showing one frame of a
// rotation series per value. [main-thread].
#pragma once

#include <cstdint>

#include "editor/RotationFrames.h"
#include "vstgui/CKnob.h"

namespace fxcoreplug {

class RotaryKnob : public VSTGUI::CKnob {
public:
    RotaryKnob(const VSTGUI::CRect& size, VSTGUI::IControlListener* listener, std::int32_t tag,
               FrameSeries frameSeries);
    // Shares the other knob's frames.
    RotaryKnob(const RotaryKnob& other);
    ~RotaryKnob() override;
    VSTGUI::CView* newCopy() const override;

    // Draws frame lroundf(value x (n - 1)) centred in the view at its own size; nothing
    // without frames.
    void draw(VSTGUI::CDrawContext* context) override;

    const FrameSeries& getFrames() const { return frames; }
    // The frame a value shows; 0 without frames.
    std::size_t frameIndexFor(float normalized) const;

private:
    FrameSeries frames;
};

}  // namespace fxcoreplug
