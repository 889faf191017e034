#include "editor/PanelCatalogue.h"

namespace fxcoreplug {
namespace {

constexpr VSTGUI::CColor kWhite(255, 255, 255, 255);
constexpr VSTGUI::CColor kGreen(90, 255, 90, 255);
constexpr VSTGUI::CColor kBlue(90, 160, 255, 255);

}  // namespace

// Every panel is 394 by 722 points. Rows 4 and 5 differ only in where pots 1 and 2 stand:
// row 4 runs down the left column first, row 5 across the top first.
const PanelLayout kPanels[kPanelCount] = {
    {"quavix",
     "MP-ZELBRIN",
     394,
     722,
     {{100, 73, 91, 73, "fluted-large"},
      {101, 196, 91, 73, "fluted-large"},
      {102, 320, 91, 73, "fluted-large"},
      {103, 72, 211, 41, "small-knob"},
      {104, 196, 211, 41, "small-knob"},
      {105, 320, 211, 41, "small-knob"}},
     6,
     {{301, 72, 626, 83, 82, true, true}, {204, 324, 626, 82, 82, true, false}},
     2,
     {{54, 552, 21, kWhite}, {338, 552, 21, kWhite}},
     2},
    {"corlinde-jr",
     "mp-corlindejr",
     394,
     722,
     {{100, 73, 85, 95, "lg-knob-blu"},
      {101, 196, 85, 95, "lg-knob-org"},
      {102, 319, 85, 95, "lg-knob-yel"},
      {103, 72, 205, 41, "small-knob"},
      {104, 196, 205, 41, "small-knob"},
      {105, 320, 205, 41, "small-knob"}},
     6,
     {{204, 196, 617, 81, 83, true, false}},
     1,
     {{196, 481, 21, kWhite}},
     1},
    {"vantrel-noise-2",
     "mp-vantrelnoise2",
     394,
     722,
     {{101, 196, 85, 107, "brutal-large"}},
     1,
     {{204, 196, 617, 81, 83, true, false}},
     1,
     {{196, 481, 21, kWhite}},
     1},
    {"quenmoor",
     "mp-quenmoor",
     394,
     722,
     {{100, 73, 91, 73, "knob-blk-large"},
      {101, 196, 91, 73, "knob-blk-large"},
      {102, 320, 91, 73, "knob-blk-large"},
      {103, 72, 211, 41, "small-knob"},
      {104, 196, 211, 41, "small-knob"},
      {105, 320, 211, 41, "small-knob"}},
     6,
     {{301, 72, 626, 83, 82, true, true}, {204, 324, 626, 82, 82, true, false}},
     2,
     {{54, 552, 21, kWhite}, {338, 552, 21, kWhite}},
     2},
    {"kelvane-delay-classic",
     "wq-kelvane-classic",
     394,
     722,
     {{100, 92, 95, 73, "knob-wht-large"},
      {101, 92, 284, 73, "knob-wht-large"},
      {102, 301, 95, 73, "knob-wht-large"},
      {103, 301, 284, 73, "knob-wht-large"},
      {104, 197, 214, 41, "small-knob"}},
     5,
     {{204, 197, 592, 83, 83, true, false}},
     1,
     {{197, 49, 30, kGreen}},
     1},
    {"fenwhist-ambrel-classic",
     "wq-fenwhist-classic",
     394,
     722,
     {{100, 92, 95, 73, "knob-wht-large"},
      {101, 301, 95, 73, "knob-wht-large"},
      {102, 92, 284, 73, "knob-wht-large"},
      {103, 301, 284, 73, "knob-wht-large"},
      {104, 197, 214, 41, "small-knob"}},
     5,
     {{204, 197, 592, 83, 83, true, false}},
     1,
     {{197, 49, 30, kBlue}},
     1},
};

const PanelLayout& layoutNamed(std::string_view panel) {
    for (const PanelLayout& layout : kPanels)
        if (panel == layout.id) return layout;
    return kPanels[0];
}

}  // namespace fxcoreplug
