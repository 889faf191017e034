// Helpers for the editor's tests: bitmaps from pixel functions, pixel reads of offscreen
// images, a listener that records edits, and a plug-in with an open offscreen editor driven
// by a manual clock.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/PanelEditor.h"
#include "plugin/FXCorePlugin.h"
#include "plugin/tests/ClapTestEvents.h"
#include "vstgui/vstgui.h"

namespace panel_test {

using VSTGUI::CColor;

inline VSTGUI::SharedPointer<VSTGUI::CBitmap> makeBitmap(
    std::uint32_t w, std::uint32_t h, double scale,
    const std::function<CColor(std::uint32_t, std::uint32_t)>& pixel) {
    auto platform = VSTGUI::getPlatformFactory().createBitmap(VSTGUI::CPoint(w, h));
    if (!platform) return nullptr;
    platform->setScaleFactor(scale);
    auto bitmap = VSTGUI::makeOwned<VSTGUI::CBitmap>(platform);
    {
        auto access = VSTGUI::CBitmapPixelAccess::create(bitmap, false);
        do {
            access->setColor(pixel(access->getX(), access->getY()));
        } while (++*access);
    }
    return bitmap;
}

inline CColor pixelAt(VSTGUI::CBitmap* bitmap, std::uint32_t x, std::uint32_t y) {
    CColor c(0, 0, 0, 0);
    auto access = VSTGUI::CBitmapPixelAccess::create(bitmap, false);
    if (access && access->setPosition(x, y)) access->getColor(c);
    return c;
}

inline CColor imagePixelAt(const VSTGUI::PlatformBitmapPtr& image, std::uint32_t x, std::uint32_t y) {
    auto bitmap = VSTGUI::makeOwned<VSTGUI::CBitmap>(image);
    return pixelAt(bitmap, x, y);
}

// Records what a control tells its listener: "begin 7", "value 7 1", "end 7".
struct EditRecorder : VSTGUI::IControlListener {
    std::vector<std::string> calls;
    void valueChanged(VSTGUI::CControl* c) override {
        calls.push_back("value " + std::to_string(c->getTag()) + " " +
                        std::to_string(static_cast<int>(c->getValue())));
    }
    void controlBeginEdit(VSTGUI::CControl* c) override {
        calls.push_back("begin " + std::to_string(c->getTag()));
    }
    void controlEndEdit(VSTGUI::CControl* c) override {
        calls.push_back("end " + std::to_string(c->getTag()));
    }
};

// A plug-in without a host, its editor open on an offscreen frame, timers on a manual clock.
struct OpenEditor {
    std::unique_ptr<fxcoreplug::FXCorePlugin> plugin = std::make_unique<fxcoreplug::FXCorePlugin>(nullptr);
    VSTGUI::EventLoop loop;
    std::unique_ptr<VSTGUI::EventLoop::Scope> scope;
    std::unique_ptr<fxcoreplug::PanelEditor> editor;

    // names replaces the control names of the active program before the editor opens.
    explicit OpenEditor(const char* names = nullptr) {
        loop.useManualClock(0);
        scope = std::make_unique<VSTGUI::EventLoop::Scope>(loop);
        if (names)
            plugin->controlNames[static_cast<std::size_t>(plugin->activeProgram.load())] =
                fxcoreplug::ControlNames::parse(names);
        editor = std::make_unique<fxcoreplug::PanelEditor>(*plugin);
        editor->open(nullptr);
    }
    ~OpenEditor() {
        editor.reset();
        scope.reset();
    }
    OpenEditor(const OpenEditor&) = delete;
    OpenEditor& operator=(const OpenEditor&) = delete;

    void ticks(int n) {
        loop.advanceClock(static_cast<std::uint64_t>(n) * fxcoreplug::PanelEditor::kTimerPeriodMs);
    }
    // What the plug-in has queued for the host since the last call.
    std::vector<fxcoreplug::test::SeenEvent> sent() {
        fxcoreplug::test::OutputEvents out;
        plugin->drainGuiQueue(out.list());
        return out.seen();
    }
    std::uint32_t presses() { return plugin->pendingPresses.exchange(0); }
    void mouse(VSTGUI::EventType type, double x, double y) {
        using namespace VSTGUI;
        if (type == EventType::MouseDown) {
            MouseDownEvent e(CPoint(x, y), kLButton);
            editor->getFrame()->dispatchEvent(e);
        } else if (type == EventType::MouseUp) {
            MouseUpEvent e(CPoint(x, y), kLButton);
            editor->getFrame()->dispatchEvent(e);
        } else {
            MouseMoveEvent e(CPoint(x, y), kLButton);
            editor->getFrame()->dispatchEvent(e);
        }
    }
};

}  // namespace panel_test
