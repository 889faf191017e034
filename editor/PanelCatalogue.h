// The panel catalogue: the six printed pedal panels the editor can draw, where each control
// stands on them, and the two tables that turn a toggle's lever position into a parameter
// value. Geometry is in frame points, origin at the panel's top left; a control's position
// is its centre. Constant data: [thread-safe].
#pragma once

#include <cstdint>
#include <string_view>

#include "vstgui/CColor.h"

namespace fxcoreplug {

// One pot position.
struct KnobSpec {
    std::int32_t tag;  // parameter id of the pot, 100 + pot number
    std::int32_t x;    // centre
    std::int32_t y;
    std::int32_t size;  // knob diameter; the knob pictures are rotated to this size
    const char* image;  // knob cap picture
};

struct FootswitchSpec {
    std::int32_t tag;  // 204 (switch 4) or 301 (tap)
    std::int32_t x;    // centre
    std::int32_t y;
    std::int32_t width;
    std::int32_t height;
    bool momentary;  // springs back on release
    bool leftImage;  // drawn with "left-footswitch", otherwise "right-footswitch"
};

struct LedSpec {
    std::int32_t x;  // centre
    std::int32_t y;
    std::int32_t size;      // lens diameter
    VSTGUI::CColor colour;  // colour of the lit lamp
};

struct PanelLayout {
    const char* id;               // panel id, compared with the control names' panel
    const char* backgroundImage;  // the panel picture
    std::int32_t width;
    std::int32_t height;
    KnobSpec knobs[6];
    std::int32_t knobCount;  // 1 to 6
    FootswitchSpec footswitches[2];
    std::int32_t footswitchCount;  // 1 or 2
    LedSpec ledSpecs[2];
    std::int32_t ledCount;  // 1 or 2
};

inline constexpr int kPanelCount = 6;
extern const PanelLayout kPanels[kPanelCount];

// The pot value a pot toggle stands for in position 0 (up), 1 (middle), 2 (down).
inline constexpr double kPotForPosition[3] = {0.5, 1.0, 0.0};
// The mode a mode toggle selects in position 0 (up), 1 (middle), 2 (down).
inline constexpr int kModeForPosition[3] = {2, 0, 1};

// The row whose id equals panel exactly (case-sensitive); row 0 when none does.
const PanelLayout& layoutNamed(std::string_view panel);

}  // namespace fxcoreplug
