// Knob frames: a knob picture rendered once into a series of rotated and resized copies, so
// that a knob draws one ready frame per value instead of rotating while it draws.
// [main-thread]: the series is made and handed over on the caller's thread; the pixels of
// its frames may be filled by short-lived worker threads that end before the call returns.
#pragma once

#include <vector>

#include "vstgui/CBitmap.h"

namespace fxcoreplug {

// Frame 0 first; every frame has the same pixel size and the source's scale factor.
using FrameSeries = std::vector<VSTGUI::SharedPointer<VSTGUI::CBitmap>>;

// How the pixels of a series are computed. Every choice gives the same bytes; the choices
// exist for the tests, which hold each way to the same frames, and the benchmark.
struct FrameRendering {
    // Threads besides the caller that fill frames: -1 for as many as suit the processor (at
    // most three, none for a small series). A thread that cannot be started is done without.
    int workers = -1;
    // The four-pixels-at-a-time loop where the processor has AVX2; otherwise one pixel at a
    // time.
    bool wideVectors = true;
};

// count frames of source, frame f turned clockwise by t x halfRange - offset degrees with t
// running evenly from -1 (frame 0) to +1 (the last frame; t = 0 for a single frame), each
// resized so that the picture's longer side measures targetSize points (kept as it is for
// a target size of 0 or less). Bilinear filtering over premultiplied channels; an output
// pixel whose 2 x 2 source neighbourhood is not wholly inside the source, or whose alpha
// comes out at 0.5 or less, is transparent black. Channels are truncated, not rounded.
// Empty for a null source, a count below 1, or a source whose pixels cannot be read; the
// frames made so far when a frame's bitmap cannot be created.
FrameSeries makeRotationFrames(VSTGUI::CBitmap* source, int count, double offset, double halfRange,
                               double targetSize, const FrameRendering& rendering = {});

}  // namespace fxcoreplug
