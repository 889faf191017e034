// The panel's mechanical parts seen from above, lit from the upper left:
// the mini toggle's lever in its three positions and the stomp footswitch.
#pragma once

#include "editor/art/ArtCanvas.h"

namespace fxcoreart {

enum class LeverPosition { Up, Middle, Down };

// Toggle switch: hex nut centred in the picture, the bat lever thrown up, standing
// straight at the viewer (middle) or thrown down. Designed on 50 x 59 points.
void drawToggle(cairo_t* cr, int w, int h, LeverPosition position);

// Stomp footswitch: hex nut, threaded bushing and chrome actuator, centred.
// `cornersSideways` puts two corners of the nut left and right (a wider picture).
void drawFootswitch(cairo_t* cr, int w, int h, bool cornersSideways);

// A chrome hex nut of corner radius r at the origin, corners at angle `turn`.
void drawHexNut(cairo_t* cr, double r, double turn);

// Linear chrome: bright and dark bands along the line from (x0, y0) to (x1, y1).
cairo_pattern_t* chromePattern(double x0, double y0, double x1, double y1, double brightness = 1.0);

}  // namespace fxcoreart
