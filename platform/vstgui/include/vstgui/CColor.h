// A colour as four straight (not premultiplied) bytes: red, green, blue, alpha.
#pragma once

#include <cstdint>

namespace VSTGUI {

struct CColor {
    std::uint8_t red = 255;
    std::uint8_t green = 255;
    std::uint8_t blue = 255;
    std::uint8_t alpha = 255;

    constexpr CColor() = default;  // opaque white
    constexpr CColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255)
        : red(r), green(g), blue(b), alpha(a) {}

    constexpr bool operator==(const CColor& o) const {
        return red == o.red && green == o.green && blue == o.blue && alpha == o.alpha;
    }
    constexpr bool operator!=(const CColor& o) const { return !(*this == o); }
};

}  // namespace VSTGUI
