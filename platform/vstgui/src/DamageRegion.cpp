#include "DamageRegion.h"

#include <algorithm>
#include <utility>

namespace VSTGUI {
namespace {
PixelRect unite(const PixelRect& a, const PixelRect& b) {
    return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}
}  // namespace

void DamageRegion::add(PixelRect r) {
    if (r.isEmpty()) return;
    // Merging can make the grown rectangle meet others: repeat until it meets none.
    bool merged = true;
    while (merged) {
        merged = false;
        for (auto it = rects.begin(); it != rects.end(); ++it) {
            if (it->meets(r)) {
                r = unite(r, *it);
                rects.erase(it);
                merged = true;
                break;
            }
        }
    }
    rects.push_back(r);
    if (rects.size() > kMaxRects) {
        PixelRect box = rects.front();
        for (const PixelRect& p : rects) box = unite(box, p);
        rects.assign(1, box);
    }
}

std::vector<PixelRect> DamageRegion::take() {
    return std::exchange(rects, {});
}

}  // namespace VSTGUI
