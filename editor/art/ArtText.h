// Printed lettering for the panel art: fonts found through fontconfig by pattern
// ("URW Gothic:style=Demi"), and text set with tracking and alignment.
#pragma once

#include <cairo.h>

#include <string>

namespace fxcoreart {

// The font face for a fontconfig pattern; faces are kept for the program's life.
cairo_font_face_t* fontFace(const std::string& pattern);

struct TextStyle {
    std::string font;       // fontconfig pattern
    double size = 10.0;     // em size in user units
    double tracking = 0.0;  // extra space after each letter, in ems
    double align = 0.5;     // 0 left, 0.5 centre, 1 right, of the ink's advance
};

// Releases every face and fontconfig's data; call once before the program ends.
void releaseFonts();

// Width of the text's advance in user units, tracking included.
double textWidth(cairo_t* cr, const TextStyle& style, const std::string& text);

// Builds the text's outline as the current path (not filled), baseline at y.
void textPath(cairo_t* cr, const TextStyle& style, const std::string& text, double x, double y);

// Fills the text in the current source.
void drawText(cairo_t* cr, const TextStyle& style, const std::string& text, double x, double y);

// Cap height of the style's font in user units (for centring lettering vertically).
double capHeight(cairo_t* cr, const TextStyle& style);

}  // namespace fxcoreart
