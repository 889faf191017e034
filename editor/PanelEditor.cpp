#include "editor/PanelEditor.h"

#include <cmath>

#include "editor/LedView.h"
#include "editor/PanelCatalogue.h"
#include "editor/ToggleView.h"
#include "plugin/FXCorePlugin.h"

namespace fxcoreplug {
namespace {

constexpr double kPanelWidth = 394.0;
constexpr double kPanelHeight = 722.0;
constexpr std::int32_t kTapTag = 301;
constexpr int kTapPress = 5;  // the tap's index for triggerSwitch

// Parameter ids of switch sw (0 to 4) and pot (0 to 5).
std::uint32_t switchId(std::int32_t sw) {
    return kParamSwitch0 + static_cast<std::uint32_t>(sw);
}
std::uint32_t potId(std::int32_t pot) {
    return kParamPot0 + static_cast<std::uint32_t>(pot);
}

}  // namespace

PanelEditor::PanelEditor(FXCorePlugin& owner) : plugin(owner) {}

PanelEditor::~PanelEditor() {
    close();
}

bool PanelEditor::open(void* parent) {
    if (frame) return true;
    const PanelLayout& layout = layoutNamed(plugin.activeControlNames().panel);
    frame = new VSTGUI::CFrame(VSTGUI::CRect(0, 0, layout.width, layout.height), nullptr);
    frame->setZoom(scale);
    // A parent the X server does not know (or no usable display) opens nothing: the editor
    // stays closed and says so, rather than claiming a panel nobody can see.
    if (!frame->open(parent, VSTGUI::PlatformType::kX11EmbedWindowID)) {
        frame->close();
        frame = nullptr;
        return false;
    }
    VSTGUI::CFrame::kDefaultKnobMode = VSTGUI::kLinearMode;

    background = loadImage(layout.backgroundImage, false);
    leftFootswitch = loadImage("left-footswitch", false);
    rightFootswitch = loadImage("right-footswitch", false);
    toggleUp = loadImage("toggle-up", false);
    toggleMid = loadImage("toggle-mid", false);
    toggleDown = loadImage("toggle-down", false);
    if (background) frame->setBackground(background);

    buildControls();
    syncFromPlugin();  // the toggles keep their middle position until the first tick

    timer = VSTGUI::makeOwned<VSTGUI::CVSTGUITimer>([this](VSTGUI::CVSTGUITimer*) { onTimer(); },
                                                    kTimerPeriodMs, true);
    hidden = false;
    frame->invalid();
    return true;
}

void PanelEditor::hide() {
    if (!frame || hidden) return;
    hidden = true;
    timer->stop();
    frame->setWindowMapped(false);
}

void PanelEditor::show() {
    if (!frame || !hidden || connectionLost()) return;
    hidden = false;
    frame->setWindowMapped(true);
    timer->start();  // the next tick a whole period from now
    onTimer();       // what changed while hidden shows at once
}

void PanelEditor::close() {
    hidden = false;
    timer = nullptr;
    controls.clear();
    leds = {};
    if (frame) {
        // A press held now is cancelled by the frame as it closes (a footswitch ends its edit
        // there); a gesture still open after that (a knob drag) is ended here, so the host
        // never sees a gesture begin without its end.
        const std::int32_t editingTag = editingControl ? editingControl->getTag() : 0;
        frame->close();
        frame = nullptr;
        if (editingControl) {
            editingControl = nullptr;
            plugin.guiEndGesture(static_cast<std::uint32_t>(editingTag));
        }
    }
    toggleBindings.clear();
    frameCache.clear();
    background = nullptr;
    leftFootswitch = nullptr;
    rightFootswitch = nullptr;
    toggleUp = nullptr;
    toggleMid = nullptr;
    toggleDown = nullptr;
}

void PanelEditor::getSize(std::uint32_t& width, std::uint32_t& height) const {
    width = static_cast<std::uint32_t>(std::lround(kPanelWidth * scale));
    height = static_cast<std::uint32_t>(std::lround(kPanelHeight * scale));
}

void PanelEditor::setScale(double s) {
    // Finite as well: an infinite zoom has no size (the plug-in passes at most 16).
    scale = s > 0.0 && std::isfinite(s) ? s : 1.0;
    if (frame) frame->setZoom(scale);
}

void PanelEditor::syncFromPlugin() {
    setControlsFromPlugin(false);
}

void PanelEditor::setControlsFromPlugin(bool withTolerance) {
    for (VSTGUI::CControl* control : controls) {
        if (withTolerance && control == editingControl) continue;
        const auto v = static_cast<float>(plugin.paramValue(static_cast<std::uint32_t>(control->getTag())));
        if (withTolerance && !(std::fabs(v - control->getValueNormalized()) > kValueTolerance)) continue;
        control->setValueNormalized(v);
        control->invalid();
    }
}

void PanelEditor::clickAt(double x, double y) {
    if (!frame) return;
    VSTGUI::MouseDownEvent down(VSTGUI::CPoint(x, y), VSTGUI::kLButton);
    frame->dispatchEvent(down);
    VSTGUI::MouseUpEvent up(VSTGUI::CPoint(x, y), VSTGUI::kLButton);
    frame->dispatchEvent(up);
}

bool PanelEditor::toggleTarget(const ToggleBinding& binding, int& target) const {
    auto on = [&](std::int32_t sw) { return sw >= 0 && plugin.paramValue(switchId(sw)) >= 0.5; };
    switch (binding.kind) {
    case ControlNames::Slot::SwToggle: target = on(binding.swA) ? 0 : (on(binding.swB) ? 2 : 1); return true;
    case ControlNames::Slot::PotToggle: {
        const double v = plugin.paramValue(potId(binding.pot));
        double best = 1e9;
        bool found = false;
        for (int p = 0; p < 3; ++p) {
            const double distance = std::fabs(v - kPotForPosition[p]);
            if (distance < best) {  // strictly nearer: a tie keeps the lower position
                best = distance;
                target = p;
                found = true;
            }
        }
        return found;  // not for NaN
    }
    case ControlNames::Slot::ModeToggle: {
        const double m = plugin.paramValue(kParamMode);
        if (!(std::fabs(m) < 1e6)) return false;
        switch (std::lround(m)) {
        case 0: target = 1; return true;
        case 1: target = 2; return true;
        case 2: target = 0; return true;
        default: return false;
        }
    }
    case ControlNames::Slot::Empty:
    case ControlNames::Slot::Knob: break;
    }
    return false;
}

void PanelEditor::onTimer() {
    float duty[2] = {0.0f, 0.0f};
    plugin.core.readUserDuty(duty);
    if (plugin.activeControlNames().combinedLeds) {
        for (LedView* led : leds)
            if (led) led->setBrightness(duty[0], duty[1]);
    } else {
        if (leds[0]) leds[0]->setBrightness(duty[0]);
        if (leds[1]) leds[1]->setBrightness(duty[1]);
    }

    for (const ToggleBinding& binding : toggleBindings) {
        if (binding.view == editingControl) continue;
        int target = 0;
        if (toggleTarget(binding, target) && target != binding.view->position())
            binding.view->setPosition(target);
    }

    setControlsFromPlugin(true);
}

void PanelEditor::controlBeginEdit(VSTGUI::CControl* control) {
    editingControl = control;
    plugin.guiBeginGesture(static_cast<std::uint32_t>(control->getTag()));
}

void PanelEditor::controlEndEdit(VSTGUI::CControl* control) {
    if (editingControl == control) editingControl = nullptr;
    plugin.guiEndGesture(static_cast<std::uint32_t>(control->getTag()));
}

void PanelEditor::valueChanged(VSTGUI::CControl* control) {
    const std::int32_t tag = control->getTag();
    for (const ToggleBinding& binding : toggleBindings) {
        if (binding.view != control) continue;
        const int p = binding.view->position();  // always 0..2
        switch (binding.kind) {
        case ControlNames::Slot::SwToggle:
            if (binding.swA >= 0) plugin.guiSetParamValue(switchId(binding.swA), p == 0 ? 1.0 : 0.0);
            if (binding.swB >= 0) plugin.guiSetParamValue(switchId(binding.swB), p == 2 ? 1.0 : 0.0);
            break;
        case ControlNames::Slot::PotToggle:
            plugin.guiSetParamValue(potId(binding.pot), kPotForPosition[p]);
            break;
        case ControlNames::Slot::ModeToggle: plugin.guiSetParamValue(kParamMode, kModeForPosition[p]); break;
        case ControlNames::Slot::Empty:
        case ControlNames::Slot::Knob: break;
        }
        return;
    }

    const float v = control->getValueNormalized();
    plugin.guiSetParam(static_cast<std::uint32_t>(tag), v);
    if (v >= 0.5f) {
        if (tag == kTapTag)
            plugin.triggerSwitch(kTapPress);
        else if (tag >= static_cast<std::int32_t>(kParamSwitch0) &&
                 tag <= static_cast<std::int32_t>(kParamSwitch0) + 4)
            plugin.triggerSwitch(tag - static_cast<std::int32_t>(kParamSwitch0));
    }
}

}  // namespace fxcoreplug
