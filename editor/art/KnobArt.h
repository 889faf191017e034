// Knob caps seen from straight above at mid travel, pointer at twelve o'clock.
// The editor turns these pictures about their centre, so every cap is round and
// centred, lit from above (concentric shading, nothing that would turn with it),
// with transparent corners; the panel art carries the cast shadow, which must not turn.
#pragma once

#include "editor/art/ArtCanvas.h"

namespace fxcoreart {

enum class KnobKind {
    Skirted,  // coloured cap on a knurled skirt (the Corlinde Jr's large knobs)
    Fluted,   // black cap with a fluted rim
    Smooth,   // smooth cream cap with a flat face
    Brutal,   // big black knurled knob with a spun-aluminium face
    Small,    // small black knurled knob
};

struct KnobStyle {
    KnobKind kind;
    Rgb body;     // main plastic colour
    Rgb pointer;  // pointer line colour
};

// Draws the cap centred in a w x h pixel picture; the cap's outer radius is
// just under half the shorter side.
void drawKnobCap(cairo_t* cr, int w, int h, const KnobStyle& style);

}  // namespace fxcoreart
