// The six pedals whose panels the editor can show. Control places follow the
// editor's panel catalogue (centres and diameters in points); each pedal has its
// own coat, lettering and artwork.
#pragma once

#include "editor/art/PanelArt.h"

namespace fxcoreart {

PanelDesign corlindeJrPanel();       // "mp-corlindejr", the pedal's own panel
PanelDesign zelbrinPanel();          // "MP-ZELBRIN"
PanelDesign vantrelNoise2Panel();    // "mp-vantrelnoise2"
PanelDesign quenmoorPanel();         // "mp-quenmoor"
PanelDesign kelvaneClassicPanel();   // "wq-kelvane-classic"
PanelDesign fenwhistClassicPanel();  // "wq-fenwhist-classic"

}  // namespace fxcoreart
