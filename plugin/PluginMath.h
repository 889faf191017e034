#pragma once
// Small conversions from stored doubles to integers, safe for any value.

#include <cstdint>

namespace fxcoreplug {

// [thread-safe] value taken to the nearest whole number (halves away from zero), clamped to
// lo..hi (lo <= hi); a value that is not a number gives lo.
int roundedIndex(double value, int lo, int hi);

// [thread-safe] (int)(rate x seconds), truncated toward zero, at most INT32_MAX (a host may
// activate with an absurd rate; the conversion must stay defined).
std::int32_t samplesFor(double rate, double seconds);

}  // namespace fxcoreplug
