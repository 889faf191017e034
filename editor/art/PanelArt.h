// A printed pedal seen from above: the die-cast enclosure in its powder coat,
// screws, jacks at the walls, and the places where the editor draws the knobs,
// toggles, footswitches and lamps: cast shadows, printed scales and labels, lamp
// bezels, but never the controls themselves. Designed on the 394 x 722 point panel.
#pragma once

#include "editor/art/ArtCanvas.h"

#include <functional>
#include <string>
#include <vector>

namespace fxcoreart {

struct KnobPlace {
    double x, y, size;  // centre and diameter in points, as in the panel catalogue
    std::string label;
    std::string cap;  // the cap picture the editor puts here (for previews)
    bool labelAbove = false;
};

struct FootswitchPlace {
    double x, y;  // centre in points
    std::string label;
    bool labelBelow = false;
    bool leftImage = false;  // the editor draws "left-footswitch" here (for previews)
};

struct LampPlace {
    double x, y, size;  // centre and lens diameter in points
    Rgb lit;            // the editor's lamp colour (for previews)
};

struct TogglePlace {
    double x, y;                   // centre in points
    std::string up, middle, down;  // the three printed position labels
};

struct PanelDesign {
    Rgb coat;              // powder-coat colour
    Rgb ink;               // printing
    Rgb scaleInk;          // the knob scales (usually the ink)
    std::uint32_t seed;    // texture seed
    double grain = 3.0;    // fine grain amplitude, colour steps
    double mottle = 2.0;   // blotchy mottling amplitude
    bool sparkle = false;  // metal-flake coat
    std::string labelFont = "Nimbus Sans Narrow:style=Bold";
    double labelSize = 10.0;
    std::vector<KnobPlace> knobs;
    std::vector<FootswitchPlace> footswitches;
    std::vector<LampPlace> lamps;
    std::vector<TogglePlace> toggles;
    // The pedal's own graphics: maker, name, artwork. Drawn in points after the face.
    std::function<void(cairo_t*)> artwork;
};

// Draws the whole panel picture into a w x h pixel surface.
void drawPanel(cairo_t* cr, int w, int h, const PanelDesign& design);

}  // namespace fxcoreart
