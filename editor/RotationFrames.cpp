#include "editor/RotationFrames.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace fxcoreplug {
namespace {

// The source as plain memory: per pixel its alpha and the premultiplied products c x a of
// its channels, the values the filter interpolates. They are whole numbers up to 65025,
// exact in single precision, and the copy is half the size of one in doubles.
struct SourcePixel {
    float alpha;
    float red;
    float green;
    float blue;
};

struct SourcePixels {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<SourcePixel> pixels;
};

bool readSource(VSTGUI::CBitmap* source, std::uint32_t w, std::uint32_t h, SourcePixels& out) {
    auto access = VSTGUI::CBitmapPixelAccess::create(source, false);
    if (!access) return false;
    const std::size_t total = static_cast<std::size_t>(w) * h;
    out.width = w;
    out.height = h;
    out.pixels.resize(total);
    for (std::size_t n = 0; n < total; ++n) {
        VSTGUI::CColor c;
        access->getColor(c);
        const int a = c.alpha;
        out.pixels[n] = {static_cast<float>(a), static_cast<float>(c.red * a),
                         static_cast<float>(c.green * a), static_cast<float>(c.blue * a)};
        if (n + 1 < total && !++*access) return false;  // fewer pixels than the size promises
    }
    return true;
}

std::uint8_t toByte(double v) {
    if (!(v > 0.0)) return 0;  // below 0, and NaN
    if (v > 255.0) return 255;
    return static_cast<std::uint8_t>(v);  // truncated toward zero
}

double lerp2(double p00, double p10, double p01, double p11, double fx, double fy) {
    const double top = p00 + (p10 - p00) * fx;
    const double bottom = p01 + (p11 - p01) * fx;
    return top + (bottom - top) * fy;
}

// The colour of the output pixel that maps to source point (u, v).
VSTGUI::CColor sample(const SourcePixels& src, double u, double v, double lastX, double lastY) {
    // The whole 2 x 2 neighbourhood inside the source: floor(u) >= 0 and floor(u) + 1 < W,
    // which for a whole W - 1 is 0 <= u < W - 1; there floor is the cast's truncation. NaN
    // fails the test, and the casts stay in range.
    if (!(u >= 0.0 && v >= 0.0 && u < lastX && v < lastY)) return VSTGUI::CColor(0, 0, 0, 0);
    const auto x0 = static_cast<std::int32_t>(u);
    const auto y0 = static_cast<std::int32_t>(v);
    const double fx = u - x0;
    const double fy = v - y0;
    const std::size_t i00 = static_cast<std::size_t>(y0) * src.width + static_cast<std::size_t>(x0);
    const SourcePixel& p00 = src.pixels[i00];
    const SourcePixel& p10 = src.pixels[i00 + 1];
    const SourcePixel& p01 = src.pixels[i00 + src.width];
    const SourcePixel& p11 = src.pixels[i00 + src.width + 1];
    const double a = lerp2(p00.alpha, p10.alpha, p01.alpha, p11.alpha, fx, fy);
    if (!(a > 0.5)) return VSTGUI::CColor(0, 0, 0, 0);
    const double r = lerp2(p00.red, p10.red, p01.red, p11.red, fx, fy);
    const double g = lerp2(p00.green, p10.green, p01.green, p11.green, fx, fy);
    const double b = lerp2(p00.blue, p10.blue, p01.blue, p11.blue, fx, fy);
    return VSTGUI::CColor(toByte(r / a), toByte(g / a), toByte(b / a), toByte(a));
}

}  // namespace

FrameSeries makeRotationFrames(VSTGUI::CBitmap* source, int count, double offset, double halfRange,
                               double targetSize) {
    FrameSeries frames;
    if (!source || count <= 0) return frames;
    const VSTGUI::PlatformBitmapPtr& platform = source->getPlatformBitmap();
    if (!platform) return frames;
    const VSTGUI::CPoint pixelSize = platform->getSize();
    if (!(pixelSize.x >= 1.0 && pixelSize.y >= 1.0 && pixelSize.x < 4294967296.0 &&
          pixelSize.y < 4294967296.0))
        return frames;
    const auto w = static_cast<std::uint32_t>(pixelSize.x);
    const auto h = static_cast<std::uint32_t>(pixelSize.y);
    SourcePixels src;
    if (!readSource(source, w, h, src)) return frames;
    const double scale = platform->getScaleFactor();

    std::uint32_t outW = w;
    std::uint32_t outH = h;
    if (targetSize > 0.0) {
        const double ratio = targetSize / (std::max(w, h) / scale);
        const double rw = std::round(w * ratio);
        const double rh = std::round(h * ratio);
        // A side beyond what a bitmap can have gives no frames either way.
        if (!(rw >= 0.0 && rh >= 0.0 && rw <= 65536.0 && rh <= 65536.0)) return frames;
        outW = static_cast<std::uint32_t>(rw);
        outH = static_cast<std::uint32_t>(rh);
    }
    if (outW == 0 || outH == 0) return frames;
    frames.reserve(static_cast<std::size_t>(count));

    const double sx = static_cast<double>(w) / outW;
    const double sy = static_cast<double>(h) / outH;
    const double cxS = (w - 1.0) / 2.0;
    const double cyS = (h - 1.0) / 2.0;
    const double cxO = (outW - 1.0) / 2.0;
    const double cyO = (outH - 1.0) / 2.0;
    const double lastX = static_cast<double>(w) - 1.0;  // x0 + 1 must stay below w
    const double lastY = static_cast<double>(h) - 1.0;
    std::vector<double> columnCos(outW);
    std::vector<double> columnSin(outW);

    for (int f = 0; f < count; ++f) {
        const double t = count == 1 ? 0.0 : (static_cast<double>(f) / (count - 1)) * 2.0 - 1.0;
        const double radians = (t * halfRange - offset) * 3.141592653589793 / 180.0;
        const double sn = std::sin(radians);
        const double cs = std::cos(radians);

        VSTGUI::PlatformBitmapPtr pixels =
            VSTGUI::getPlatformFactory().createBitmap(VSTGUI::CPoint(outW, outH));
        if (!pixels) return frames;
        pixels->setScaleFactor(scale);
        auto frame = VSTGUI::makeOwned<VSTGUI::CBitmap>(pixels);
        auto access = VSTGUI::CBitmapPixelAccess::create(frame, false);
        if (!access) return frames;

        // The column and row terms of the inverse rotation, each product as the mapping has it.
        for (std::uint32_t x = 0; x < outW; ++x) {
            const double dx = (x - cxO) * sx;
            columnCos[x] = dx * cs;
            columnSin[x] = dx * sn;
        }
        for (std::uint32_t y = 0;; ++y) {
            const double dy = (y - cyO) * sy;
            const double rowSin = dy * sn;
            const double rowCos = dy * cs;
            for (std::uint32_t x = 0; x < outW; ++x) {
                const double u = (cxS + columnCos[x]) + rowSin;
                const double v = (cyS - columnSin[x]) + rowCos;
                access->setColor(sample(src, u, v, lastX, lastY));
                if (!++*access) break;
            }
            if (y + 1 >= outH) break;
        }
        frames.push_back(frame);
    }
    return frames;
}

}  // namespace fxcoreplug
