#include "editor/RotationFrames.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace fxcoreplug {
namespace {

// The source as plain memory: straight colours and the premultiplied products c x a, which
// the filter interpolates (whole numbers, so the doubles hold them exactly).
struct SourcePixels {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<double> alpha;    // a
  std::vector<double> premult;  // r x a, g x a, b x a per pixel
};

bool readSource(VSTGUI::CBitmap* source, std::uint32_t w, std::uint32_t h, SourcePixels& out) {
  auto access = VSTGUI::CBitmapPixelAccess::create(source, false);
  if (!access) return false;
  const std::size_t total = static_cast<std::size_t>(w) * h;
  out.width = w;
  out.height = h;
  out.alpha.resize(total);
  out.premult.resize(total * 3);
  for (std::size_t n = 0; n < total; ++n) {
    VSTGUI::CColor c;
    access->getColor(c);
    const double a = c.alpha;
    out.alpha[n] = a;
    out.premult[n * 3 + 0] = c.red * a;
    out.premult[n * 3 + 1] = c.green * a;
    out.premult[n * 3 + 2] = c.blue * a;
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

    for (std::uint32_t y = 0;; ++y) {
      const double dy = (y - cyO) * sy;
      for (std::uint32_t x = 0; x < outW; ++x) {
        const double dx = (x - cxO) * sx;
        const double u = (cxS + dx * cs) + dy * sn;
        const double v = (cyS - dx * sn) + dy * cs;
        VSTGUI::CColor colour(0, 0, 0, 0);
        // The whole 2 x 2 neighbourhood inside the source (this also keeps the casts below
        // in range, and passes over NaN).
        if (u >= 0.0 && v >= 0.0 && std::floor(u) < lastX && std::floor(v) < lastY) {
          const auto x0 = static_cast<std::int32_t>(std::floor(u));
          const auto y0 = static_cast<std::int32_t>(std::floor(v));
          const double fx = u - x0;
          const double fy = v - y0;
          const std::size_t i00 = static_cast<std::size_t>(y0) * w + static_cast<std::size_t>(x0);
          const std::size_t i10 = i00 + 1;
          const std::size_t i01 = i00 + w;
          const std::size_t i11 = i01 + 1;
          const double a = lerp2(src.alpha[i00], src.alpha[i10], src.alpha[i01], src.alpha[i11], fx, fy);
          if (a > 0.5) {
            std::uint8_t channel[3];
            for (std::size_t k = 0; k < 3; ++k) {
              const double q = lerp2(src.premult[i00 * 3 + k], src.premult[i10 * 3 + k],
                                     src.premult[i01 * 3 + k], src.premult[i11 * 3 + k], fx, fy);
              channel[k] = toByte(q / a);
            }
            colour = VSTGUI::CColor(channel[0], channel[1], channel[2], toByte(a));
          }
        }
        access->setColor(colour);
        if (!++*access) break;
      }
      if (y + 1 >= outH) break;
    }
    frames.push_back(frame);
  }
  return frames;
}

}  // namespace fxcoreplug
