#include "editor/RotaryKnob.h"

#include <cmath>
#include <utility>

#include "vstgui/CDrawContext.h"

namespace fxcoreplug {

RotaryKnob::RotaryKnob(const VSTGUI::CRect& size, VSTGUI::IControlListener* listener, std::int32_t tag,
                       FrameSeries frameSeries)
    : CKnob(size, listener, tag, nullptr, nullptr, VSTGUI::CPoint(0, 0), 0), frames(std::move(frameSeries)) {
    setDrawStyle(0);
    setTransparency(true);
}

RotaryKnob::RotaryKnob(const RotaryKnob& other) : CKnob(other), frames(other.frames) {}

RotaryKnob::~RotaryKnob() {
    while (!frames.empty()) frames.pop_back();  // last first
}

VSTGUI::CView* RotaryKnob::newCopy() const {
    return new RotaryKnob(*this);
}

std::size_t RotaryKnob::frameIndexFor(float normalized) const {
    if (frames.empty()) return 0;
    const float last = static_cast<float>(frames.size() - 1);
    const float scaled = normalized * last;
    if (!(scaled > 0.0f)) return 0;  // also NaN
    if (scaled >= last) return frames.size() - 1;
    return static_cast<std::size_t>(std::lroundf(scaled));
}

void RotaryKnob::draw(VSTGUI::CDrawContext* context) {
    if (!frames.empty()) {
        VSTGUI::CBitmap* frame = frames[frameIndexFor(getValueNormalized())];
        if (frame) {
            const VSTGUI::CRect& view = getViewSize();
            const double w = frame->getWidth();
            const double h = frame->getHeight();
            const double left = view.left + (view.getWidth() - w) / 2.0;
            const double top = view.top + (view.getHeight() - h) / 2.0;
            frame->draw(context, VSTGUI::CRect(left, top, left + w, top + h), VSTGUI::CPoint(0, 0), 1.0f);
        }
    }
    setDirty(false);
}

}  // namespace fxcoreplug
