// Small views and a recording listener shared by the layer's tests.
#pragma once

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "vstgui/vstgui.h"

namespace vstgui_test {

// Records what a control tells its listener, as "begin 7", "value 7 0.5", "end 7".
struct RecordingListener : VSTGUI::IControlListener {
    std::vector<std::string> calls;
    void valueChanged(VSTGUI::CControl* c) override {
        calls.push_back("value " + std::to_string(c->getTag()) + " " +
                        std::to_string(c->getValueNormalized()));
    }
    void controlBeginEdit(VSTGUI::CControl* c) override {
        calls.push_back("begin " + std::to_string(c->getTag()));
    }
    void controlEndEdit(VSTGUI::CControl* c) override {
        calls.push_back("end " + std::to_string(c->getTag()));
    }
};

// A view that fills its rectangle's inscribed ellipse with a colour, counts its draws and
// its destruction, and records the mouse.
struct ProbeView : VSTGUI::CView {
    ProbeView(const VSTGUI::CRect& r, VSTGUI::CColor c, int* destroyed = nullptr)
        : CView(r), colour(c), destroyedCount(destroyed) {}
    ~ProbeView() override {
        if (destroyedCount) ++*destroyedCount;
    }
    void draw(VSTGUI::CDrawContext* context) override {
        ++draws;
        context->setDrawMode(VSTGUI::kAntiAliasing | VSTGUI::kNonIntegralMode);
        context->setFillColor(colour);
        context->drawEllipse(getViewSize(), VSTGUI::kDrawFilled);
        setDirty(false);
    }
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const VSTGUI::CButtonState& b) override {
        mouse.push_back("down " + std::to_string(b.getState()));
        lastPoint = where;
        return handlesMouse ? VSTGUI::kMouseEventHandled : VSTGUI::kMouseEventNotHandled;
    }
    VSTGUI::CMouseEventResult onMouseUp(VSTGUI::CPoint& where, const VSTGUI::CButtonState& b) override {
        mouse.push_back("up " + std::to_string(b.getState()));
        lastPoint = where;
        return VSTGUI::kMouseEventHandled;
    }
    VSTGUI::CMouseEventResult onMouseMoved(VSTGUI::CPoint& where, const VSTGUI::CButtonState&) override {
        mouse.push_back("move");
        lastPoint = where;
        return VSTGUI::kMouseEventHandled;
    }
    bool onWheel(const VSTGUI::CPoint&, const VSTGUI::CMouseWheelAxis& axis, const float& distance,
                 const VSTGUI::CButtonState&) override {
        mouse.push_back(std::string("wheel ") + (axis == VSTGUI::kMouseWheelAxisY ? "y " : "x ") +
                        std::to_string(static_cast<int>(distance)));
        return true;
    }

    VSTGUI::CColor colour;
    int* destroyedCount;
    int draws = 0;
    bool handlesMouse = true;
    std::vector<std::string> mouse;
    VSTGUI::CPoint lastPoint;
};

// One pixel of an image, straight colours.
inline VSTGUI::CColor pixelAt(VSTGUI::IPlatformBitmap* image, std::uint32_t x, std::uint32_t y) {
    VSTGUI::SharedPointer<VSTGUI::CBitmap> bitmap = VSTGUI::makeOwned<VSTGUI::CBitmap>(image);
    auto access = VSTGUI::CBitmapPixelAccess::create(bitmap, false);
    VSTGUI::CColor c(0, 0, 0, 0);
    if (access && access->setPosition(x, y)) access->getColor(c);
    return c;
}

// The PNG file at path decoded (null when it is missing or not a PNG); the
// file is removed.
inline VSTGUI::PlatformBitmapPtr decodePngFileAndRemove(const char* path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    in.close();
    std::remove(path);
    return VSTGUI::getPlatformFactory().createBitmapFromMemory(bytes.data(),
                                                               static_cast<std::uint32_t>(bytes.size()));
}

// A new bitmap of w x h pixels filled with one colour, at a scale factor.
inline VSTGUI::SharedPointer<VSTGUI::CBitmap> solidBitmap(std::uint32_t w, std::uint32_t h, VSTGUI::CColor c,
                                                          double scale = 1.0) {
    auto platform = VSTGUI::getPlatformFactory().createBitmap(VSTGUI::CPoint(w, h));
    platform->setScaleFactor(scale);
    auto bitmap = VSTGUI::makeOwned<VSTGUI::CBitmap>(platform);
    auto access = VSTGUI::CBitmapPixelAccess::create(bitmap, false);
    do {
        access->setColor(c);
    } while (++*access);
    return bitmap;
}

}  // namespace vstgui_test
