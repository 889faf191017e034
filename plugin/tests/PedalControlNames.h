#pragma once

// The pedal's control-names text for one mode, exactly as the plug-in embeds
// it (every line ending in one LF); shared by the parser and instance tests.

#include <string>

namespace fxcoreplug::test {

inline std::string pedalControlNamesText(const std::string& number, const std::string& label) {
    return "; MP-CORLINDE-JR, mode " + number + " (" + label +
           ").\n"
           ";\n"
           "; Names read off the printed panel. The middle-left position carries the mode\n"
           "; toggle, whose three positions are labelled KAVRO / DRISK / VESTRA.\n"
           "NAME    Corlinde Jr (" +
           label +
           ")\n"
           "PANEL   corlinde-jr\n"
           "#POT0   ONE\n"
           "#POT1   MIX\n"
           "#POT2   TWO\n"
           "#POT3   mode   Kavro/Drisk/Vestra\n"
           "#POT4   CLOCK\n"
           "#POT5   TWEAK\n"
           "#SW4    BYPASS\n"
           "LEDS    center\n";
}

}  // namespace fxcoreplug::test
