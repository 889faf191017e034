#include "editor/art/PanelDesigns.h"

#include "editor/art/ArtText.h"

#include <cmath>

namespace fxcoreart {

namespace {

constexpr double kPi = 3.141592653589793;

const std::string kMakerFont = "URW Gothic:style=Demi";
const std::string kSpartan = "League Spartan:style=Black";
const std::string kBebas = "Bebas Neue:style=Bold";
const std::string kSerifItalic = "C059:style=Bold Italic";

void text(cairo_t* cr, const std::string& font, double size, double tracking, Rgb colour,
          const std::string& s, double x, double y, double align = 0.5, double alpha = 1.0) {
    setColour(cr, colour, alpha);
    drawText(cr, TextStyle{font, size, tracking, align}, s, x, y);
}

void rule(cairo_t* cr, double x0, double y0, double x1, double y1, double width, Rgb colour,
          double alpha = 1.0) {
    cairo_new_path(cr);
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    cairo_set_line_width(cr, width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    setColour(cr, colour, alpha);
    cairo_stroke(cr);
}

// The Morvith Pedals maker's mark: the name between two fine rules.
void morvithMark(cairo_t* cr, Rgb ink, double y) {
    text(cr, kMakerFont, 12.5, 0.16, ink, "Morvith Pedals", 197, y);
    rule(cr, 120, y - 4.5, 138, y - 4.5, 0.9, ink);
    rule(cr, 256, y - 4.5, 274, y - 4.5, 0.9, ink);
}

}  // namespace

PanelDesign corlindeJrPanel() {
    PanelDesign d;
    d.coat = rgb8(226, 215, 190);  // ivory
    d.ink = rgb8(38, 32, 30);
    d.scaleInk = d.ink;
    d.seed = 101u;
    d.grain = 3.0;
    d.mottle = 2.0;
    d.knobs = {{73, 85, 95, "ONE", "lg-knob-blu"},
               {196, 85, 95, "MIX", "lg-knob-org"},
               {319, 85, 95, "TWO", "lg-knob-yel"},
               {196, 205, 41, "CLOCK", "small-knob"},
               {320, 205, 41, "TWEAK", "small-knob"}};
    // The mode toggle at pot position 3: up selects mode 2, middle mode 0, down mode 1.
    d.toggles = {{72, 205, "VESTRA", "KAVRO", "DRISK"}};
    d.footswitches = {{196, 617, "BYPASS"}};
    d.lamps = {{196, 481, 21, rgb8(255, 255, 255)}};
    const Rgb red = rgb8(176, 44, 36);
    const Rgb ink = d.ink;
    const Rgb coat = d.coat;
    d.artwork = [ink, red, coat](cairo_t* cr) {
        // a sunburst of fine red rays behind the name, like an old clock dial
        for (int i = 0; i < 37; ++i) {
            const double a = (-90.0 + 180.0 * i / 36.0) * kPi / 180.0;
            rule(cr, 197 + 62 * std::sin(a), 395 - 62 * std::cos(a) * 0.55, 197 + 160 * std::sin(a),
                 395 - 160 * std::cos(a) * 0.55, 1.1, red, 0.55);
        }
        cairo_new_path(cr);
        cairo_save(cr);
        cairo_translate(cr, 197, 395);
        cairo_scale(cr, 1.0, 0.55);
        cairo_arc(cr, 0, 0, 58, kPi, 2 * kPi);
        cairo_restore(cr);
        cairo_set_line_width(cr, 1.4);
        setColour(cr, red);
        cairo_stroke(cr);
        rule(cr, 40, 396, 354, 396, 1.4, red);
        // the name knocks the rays out around its letters, as a screen print would
        const TextStyle title{kSerifItalic, 50, 0.0, 0.5};
        cairo_new_path(cr);
        textPath(cr, title, "Corlinde Jr", 197, 378);
        setColour(cr, coat);
        cairo_set_line_width(cr, 7.0);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_stroke(cr);
        setColour(cr, ink);
        drawText(cr, title, "Corlinde Jr", 197, 378);
        text(cr, kMakerFont, 9.5, 0.35, red, "THREE-MODE DIGITAL EFFECT", 197, 418);
        morvithMark(cr, ink, 693);
    };
    return d;
}

PanelDesign zelbrinPanel() {
    PanelDesign d;
    d.coat = rgb8(66, 38, 104);  // violet metal flake
    d.ink = rgb8(238, 232, 248);
    d.scaleInk = d.ink;
    d.seed = 202u;
    d.sparkle = true;
    d.knobs = {{73, 91, 73, "POT 0", "fluted-large"},  {196, 91, 73, "POT 1", "fluted-large"},
               {320, 91, 73, "POT 2", "fluted-large"}, {72, 211, 41, "POT 3", "small-knob"},
               {196, 211, 41, "POT 4", "small-knob"},  {320, 211, 41, "POT 5", "small-knob"}};
    d.footswitches = {{72, 626, "TAP", true, true}, {324, 626, "SW 4", true}};
    d.lamps = {{54, 552, 21, rgb8(255, 255, 255)}, {338, 552, 21, rgb8(255, 255, 255)}};
    const Rgb ink = d.ink;
    d.artwork = [ink](cairo_t* cr) {
        // an oscilloscope trace across the face
        cairo_new_path(cr);
        for (int i = 0; i <= 300; ++i) {
            const double x = 40 + 314.0 * i / 300.0;
            const double t = i / 300.0;
            const double y = 470 + 22 * std::sin(t * 9 * kPi) * std::sin(t * kPi);
            if (i == 0)
                cairo_move_to(cr, x, y);
            else
                cairo_line_to(cr, x, y);
        }
        cairo_set_line_width(cr, 1.6);
        setColour(cr, rgb8(250, 196, 80), 0.9);
        cairo_stroke(cr);
        text(cr, kSpartan, 54, 0.04, ink, "ZELBRIN", 197, 380);
        text(cr, kMakerFont, 9.5, 0.4, ink, "PROGRAMMABLE DSP", 197, 404);
        morvithMark(cr, ink, 672);
    };
    return d;
}

PanelDesign vantrelNoise2Panel() {
    PanelDesign d;
    d.coat = rgb8(204, 64, 34);  // signal red-orange
    d.ink = rgb8(20, 18, 18);
    d.scaleInk = d.ink;
    d.seed = 303u;
    d.grain = 3.5;
    d.mottle = 2.5;
    d.labelSize = 11.0;
    d.knobs = {{196, 85, 107, "NOISE", "brutal-large"}};
    d.footswitches = {{196, 617, "ON"}};
    d.lamps = {{196, 481, 21, rgb8(255, 255, 255)}};
    const Rgb ink = d.ink;
    d.artwork = [ink](cairo_t* cr) {
        // bold black stripes and the name in stacked capitals
        for (int i = 0; i < 5; ++i) {
            const double y = 212 + i * 9.0;
            rule(cr, 11, y, 383, y, 4.0, ink);
        }
        text(cr, kBebas, 96, 0.02, ink, "VANTREL", 197, 350);
        cairo_rectangle(cr, 72, 366, 250, 58);
        setColour(cr, ink);
        cairo_fill(cr);
        text(cr, kBebas, 56, 0.3, rgb8(204, 64, 34), "NOISE 2", 197, 414);
        morvithMark(cr, ink, 693);
    };
    return d;
}

PanelDesign quenmoorPanel() {
    PanelDesign d;
    d.coat = rgb8(32, 74, 56);  // forest green
    d.ink = rgb8(236, 226, 196);
    d.scaleInk = d.ink;
    d.seed = 404u;
    d.knobs = {{73, 91, 73, "DRIFT", "knob-blk-large"}, {196, 91, 73, "BLOOM", "knob-blk-large"},
               {320, 91, 73, "MIX", "knob-blk-large"},  {72, 211, 41, "SPEED", "small-knob"},
               {196, 211, 41, "DEPTH", "small-knob"},   {320, 211, 41, "TONE", "small-knob"}};
    d.footswitches = {{72, 626, "TAP", true, true}, {324, 626, "ON", true}};
    d.lamps = {{54, 552, 21, rgb8(255, 255, 255)}, {338, 552, 21, rgb8(255, 255, 255)}};
    const Rgb ink = d.ink;
    d.artwork = [ink](cairo_t* cr) {
        // a moorland at night: layered ridges under a moon, in a framed window
        cairo_save(cr);
        cairo_new_path(cr);
        cairo_rectangle(cr, 44, 432, 306, 92);
        cairo_clip(cr);
        cairo_new_path(cr);
        cairo_arc(cr, 286, 458, 11, 0, 2 * kPi);
        setColour(cr, ink, 0.85);
        cairo_fill(cr);
        for (int k = 0; k < 4; ++k) {
            cairo_new_path(cr);
            cairo_move_to(cr, 40, 530);
            for (int i = 0; i <= 120; ++i) {
                const double x = 40 + 314.0 * i / 120.0;
                const double t = i / 120.0;
                const double y = 478 + k * 11.0 - 14 * std::sin(t * kPi * (1.1 + 0.35 * k) + 1.7 * k) -
                                 5 * std::sin(t * kPi * 4.0 + k);
                cairo_line_to(cr, x, y);
            }
            cairo_line_to(cr, 354, 530);
            cairo_close_path(cr);
            setColour(cr, ink, 0.16 + 0.17 * k);
            cairo_fill(cr);
        }
        cairo_restore(cr);
        cairo_rectangle(cr, 44, 432, 306, 92);
        cairo_set_line_width(cr, 1.2);
        setColour(cr, ink);
        cairo_stroke(cr);
        text(cr, kSerifItalic, 52, 0.0, ink, "Quenmoor", 197, 370);
        text(cr, kMakerFont, 9.5, 0.4, ink, "MODULATED ECHOES", 197, 396);
        morvithMark(cr, ink, 672);
    };
    return d;
}

namespace {

// The Wyrquell Effects classic series: a framed name plate and the maker's badge.
void wyrquellPlate(cairo_t* cr, Rgb ink, const std::string& name, const std::string& kind) {
    cairo_rectangle(cr, 46, 380, 302, 112);
    cairo_set_line_width(cr, 1.6);
    setColour(cr, ink);
    cairo_stroke(cr);
    cairo_rectangle(cr, 51, 385, 292, 102);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
    text(cr, kSpartan, 40, 0.05, ink, name, 197, 436);
    text(cr, kMakerFont, 12, 0.42, ink, kind, 197, 462);
    text(cr, kMakerFont, 8.5, 0.5, ink, "CLASSIC SERIES", 197, 478);
    // badge: WQ monogram in a circle
    cairo_new_path(cr);
    cairo_arc(cr, 197, 673, 15, 0, 2 * kPi);
    cairo_set_line_width(cr, 1.4);
    cairo_stroke(cr);
    text(cr, kSpartan, 13, 0.0, ink, "WQ", 197, 678);
    text(cr, kMakerFont, 9, 0.3, ink, "WYRQUELL EFFECTS", 197, 703);
}

}  // namespace

PanelDesign kelvaneClassicPanel() {
    PanelDesign d;
    d.coat = rgb8(28, 40, 66);  // deep navy
    d.ink = rgb8(222, 226, 232);
    d.scaleInk = d.ink;
    d.seed = 505u;
    d.knobs = {{92, 95, 73, "TIME", "knob-wht-large"},
               {92, 284, 73, "REPEATS", "knob-wht-large"},
               {301, 95, 73, "MIX", "knob-wht-large"},
               {301, 284, 73, "TONE", "knob-wht-large"},
               {197, 214, 41, "MOD", "small-knob"}};
    d.footswitches = {{197, 592, ""}};
    d.lamps = {{197, 49, 30, rgb8(90, 255, 90)}};
    const Rgb ink = d.ink;
    d.artwork = [ink](cairo_t* cr) {
        wyrquellPlate(cr, ink, "KELVANE", "DELAY");
        // echoes: a row of repeats, each fainter and smaller than the last
        for (int i = 0; i < 7; ++i) {
            const double r = 7.0 - i * 0.7;
            cairo_new_path(cr);
            cairo_arc(cr, 86 + i * 37.0, 522, r, 0, 2 * kPi);
            setColour(cr, ink, 0.9 - i * 0.12);
            cairo_fill(cr);
        }
    };
    return d;
}

PanelDesign fenwhistClassicPanel() {
    PanelDesign d;
    d.coat = rgb8(150, 190, 180);  // sea-foam
    d.ink = rgb8(22, 34, 58);
    d.scaleInk = d.ink;
    d.seed = 606u;
    d.knobs = {{92, 95, 73, "DECAY", "knob-wht-large"},
               {301, 95, 73, "MIX", "knob-wht-large"},
               {92, 284, 73, "TONE", "knob-wht-large"},
               {301, 284, 73, "SWELL", "knob-wht-large"},
               {197, 214, 41, "PRE", "small-knob"}};
    d.footswitches = {{197, 592, ""}};
    d.lamps = {{197, 49, 30, rgb8(90, 160, 255)}};
    const Rgb ink = d.ink;
    d.artwork = [ink](cairo_t* cr) {
        wyrquellPlate(cr, ink, "FENWHIST", "AMBREL");
        // a gust of wind: three drifting strokes with curled ends
        for (int k = 0; k < 3; ++k) {
            const double y = 512 + k * 13.0;
            const double x0 = 70 + k * 26.0, x1 = 324 - k * 18.0;
            cairo_new_path(cr);
            cairo_move_to(cr, x0, y);
            cairo_curve_to(cr, x0 + 80, y - 10, x1 - 90, y + 10, x1, y);
            cairo_arc(cr, x1, y - 6.0, 6.0, kPi / 2, 2.2 * kPi);
            cairo_set_line_width(cr, 1.4);
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
            setColour(cr, ink, 0.8 - k * 0.15);
            cairo_stroke(cr);
        }
    };
    return d;
}

}  // namespace fxcoreart
