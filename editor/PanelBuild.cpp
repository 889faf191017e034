// Building the panel's views from the catalogue row and the active program's control names.
#include <cmath>
#include <string>

#include "editor/FootswitchView.h"
#include "editor/LedView.h"
#include "editor/PanelCatalogue.h"
#include "editor/PanelEditor.h"
#include "editor/RotaryKnob.h"
#include "editor/ToggleView.h"
#include "plugin/FXCorePlugin.h"

namespace fxcoreplug {
namespace {

constexpr int kKnobFrameCount = 128;
constexpr double kKnobHalfRange = 135.0;  // degrees either side of the picture's own position
constexpr double kLampViewPerLens = 1.9;  // the lamp's view is this many lens diameters wide
constexpr VSTGUI::CColor kSecondLampColour(90, 255, 90, 255);
constexpr VSTGUI::CColor kBothLampColour(255, 190, 60, 255);

VSTGUI::CRect centredRect(double x, double y, double width, double height) {
    return VSTGUI::CRect(x - width / 2.0, y - height / 2.0, x + width / 2.0, y + height / 2.0);
}

}  // namespace

void PanelEditor::buildControls() {
    const ControlNames& names = plugin.activeControlNames();
    const PanelLayout& layout = layoutNamed(names.panel);

    for (std::int32_t i = 0; i < layout.knobCount; ++i) {
        const KnobSpec& spec = layout.knobs[i];
        const int pot = spec.tag - static_cast<std::int32_t>(kParamPot0);
        const auto& slot = names.pots[static_cast<std::size_t>(pot)];
        switch (names.potType(pot)) {
        case ControlNames::Slot::Empty: break;  // a gap: no view at this position
        case ControlNames::Slot::SwToggle:
            addToggle(spec, ControlNames::Slot::SwToggle, slot.swA, slot.swB);
            break;
        case ControlNames::Slot::PotToggle: addToggle(spec, ControlNames::Slot::PotToggle, -1, -1); break;
        case ControlNames::Slot::ModeToggle: addToggle(spec, ControlNames::Slot::ModeToggle, -1, -1); break;
        case ControlNames::Slot::Knob:
        default: addKnob(spec); break;
        }
    }

    for (std::int32_t i = 0; i < layout.footswitchCount; ++i) {
        const FootswitchSpec& spec = layout.footswitches[i];
        VSTGUI::CBitmap* picture = spec.leftImage ? leftFootswitch.get() : rightFootswitch.get();
        auto* footswitch = new FootswitchView(centredRect(spec.x, spec.y, spec.width, spec.height), this,
                                              spec.tag, picture, spec.momentary);
        frame->addView(footswitch);
        controls.push_back(footswitch);
    }

    for (std::int32_t i = 0; i < layout.ledCount; ++i) {
        const LedSpec& spec = layout.ledSpecs[i];
        const double d = static_cast<double>(std::lround(spec.size * kLampViewPerLens));
        auto* led = new LedView(centredRect(spec.x, spec.y, d, d), spec.colour, spec.size);
        leds[static_cast<std::size_t>(i)] = led;
        if (names.combinedLeds) led->setBiColour(kSecondLampColour, kBothLampColour);
        frame->addView(led);
    }
}

void PanelEditor::addKnob(const KnobSpec& spec) {
    FrameSeries& frames = frameCache[std::string(spec.image) + "@" + std::to_string(spec.size)];
    if (frames.empty()) {
        // A missing picture leaves the entry empty, for the next knob of this key to try again.
        const VSTGUI::SharedPointer<VSTGUI::CBitmap> cap = loadImage(spec.image, false);
        frames =
            makeRotationFrames(cap, kKnobFrameCount, 0.0, kKnobHalfRange, static_cast<double>(spec.size));
    }
    auto* knob = new RotaryKnob(centredRect(spec.x, spec.y, spec.size, spec.size), this, spec.tag, frames);
    frame->addView(knob);
    controls.push_back(knob);
}

void PanelEditor::addToggle(const KnobSpec& spec, ControlNames::Slot kind, std::int32_t swA,
                            std::int32_t swB) {
    const double bank = plugin.paramValue(kParamProgram);
    const int modes = plugin.modeCountFor(std::fabs(bank) < 1e6 ? static_cast<int>(std::lround(bank)) : 0);
    const int positions = kind == ControlNames::Slot::ModeToggle && modes < 3 ? 2 : 3;
    double w = spec.size;
    double h = spec.size;
    if (toggleMid) {
        w = std::trunc(toggleMid->getWidth());
        h = std::trunc(toggleMid->getHeight());
    }
    const std::int32_t tag =
        kind == ControlNames::Slot::ModeToggle ? static_cast<std::int32_t>(kParamMode) : spec.tag;
    auto* toggle = new ToggleView(centredRect(spec.x, spec.y, w, h), this, tag, toggleUp, toggleMid,
                                  toggleDown, positions);
    frame->addView(toggle);
    toggleBindings.push_back({toggle, kind, spec.tag - static_cast<std::int32_t>(kParamPot0), swA, swB});
}

}  // namespace fxcoreplug
