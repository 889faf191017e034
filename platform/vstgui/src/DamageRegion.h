// The invalidated part of a frame in device pixels: a few rectangles, merged as they come.
// [main-thread].
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace VSTGUI {

struct PixelRect {
    std::int32_t x0 = 0;  // inclusive
    std::int32_t y0 = 0;
    std::int32_t x1 = 0;  // exclusive
    std::int32_t y1 = 0;

    bool isEmpty() const { return x1 <= x0 || y1 <= y0; }
    std::int32_t width() const { return x1 - x0; }
    std::int32_t height() const { return y1 - y0; }
    // Overlapping or touching along an edge.
    bool meets(const PixelRect& o) const { return x0 <= o.x1 && o.x0 <= x1 && y0 <= o.y1 && o.y0 <= y1; }
    bool operator==(const PixelRect&) const = default;
};

class DamageRegion {
public:
    // Beyond this many separate rectangles the region becomes their bounding box.
    static constexpr size_t kMaxRects = 16;

    // Adds r: rectangles it meets are merged with it into their bounding box.
    void add(PixelRect r);
    bool isEmpty() const { return rects.empty(); }
    const std::vector<PixelRect>& rectangles() const { return rects; }
    // The rectangles so far; the region is empty afterwards.
    std::vector<PixelRect> take();

private:
    std::vector<PixelRect> rects;  // pairwise apart
};

}  // namespace VSTGUI
