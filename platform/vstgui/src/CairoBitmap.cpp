#include "CairoBitmap.h"

#include <png.h>

#include <cmath>
#include <cstring>

namespace VSTGUI {

CairoBitmap::CairoBitmap(uint32_t w, uint32_t h)
    : pixels(static_cast<size_t>(w) * h * 4u, 0), width(w), height(h) {}

CairoBitmap::~CairoBitmap() {
    if (cache) cairo_surface_destroy(cache);
}

void CairoBitmap::setScaleFactor(double factor) {
    if (std::isfinite(factor) && factor > 0.0) scaleFactor = factor;
}

bool CairoBitmap::writePNG(const char* path) const {
    if (!path) return false;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_RGBA;
    const int ok =
        png_image_write_to_file(&image, path, 0, pixels.data(), static_cast<png_int_32>(width * 4u), nullptr);
    png_image_free(&image);
    return ok != 0;
}

cairo_surface_t* CairoBitmap::surface() {
    if (!cache) {
        cache = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(width),
                                           static_cast<int>(height));
        if (cairo_surface_status(cache) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(cache);
            cache = nullptr;
            return nullptr;
        }
        cacheValid = false;
    }
    if (!cacheValid) {
        cairo_surface_flush(cache);
        unsigned char* data = cairo_image_surface_get_data(cache);
        const auto stride = static_cast<size_t>(cairo_image_surface_get_stride(cache));
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* src = pixels.data() + static_cast<size_t>(y) * width * 4u;
            auto* dst = reinterpret_cast<uint32_t*>(data + y * stride);
            for (uint32_t x = 0; x < width; ++x, src += 4) {
                const uint8_t a = src[3];
                dst[x] = (static_cast<uint32_t>(a) << 24) |
                         (static_cast<uint32_t>(premultiplyChannel(src[0], a)) << 16) |
                         (static_cast<uint32_t>(premultiplyChannel(src[1], a)) << 8) |
                         premultiplyChannel(src[2], a);
            }
        }
        cairo_surface_mark_dirty(cache);
        cacheValid = true;
    }
    return cache;
}

namespace {

class CairoFactory final : public IPlatformFactory {
public:
    PlatformBitmapPtr createBitmap(const CPoint& size) const override {
        const double w = size.x;
        const double h = size.y;
        if (!(w >= 1.0 && h >= 1.0 && w <= CairoBitmap::kMaxSide && h <= CairoBitmap::kMaxSide))
            return nullptr;
        if (w != std::floor(w) || h != std::floor(h)) return nullptr;
        return owned<IPlatformBitmap>(new CairoBitmap(static_cast<uint32_t>(w), static_cast<uint32_t>(h)));
    }

    PlatformBitmapPtr createBitmapFromMemory(const void* data, uint32_t size) const override {
        if (!data || size == 0) return nullptr;
        png_image image;
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_memory(&image, data, size)) {
            png_image_free(&image);
            return nullptr;
        }
        if (image.width == 0 || image.height == 0 || image.width > CairoBitmap::kMaxSide ||
            image.height > CairoBitmap::kMaxSide) {
            png_image_free(&image);
            return nullptr;
        }
        // Eight-bit straight RGBA out, whatever the file's colour type.
        image.format = PNG_FORMAT_RGBA;
        auto* bitmap = new CairoBitmap(image.width, image.height);
        PlatformBitmapPtr result = owned<IPlatformBitmap>(bitmap);
        if (!png_image_finish_read(&image, nullptr, bitmap->rgba(), static_cast<png_int_32>(image.width * 4u),
                                   nullptr)) {
            png_image_free(&image);
            return nullptr;
        }
        png_image_free(&image);
        return result;
    }
};

}  // namespace

const IPlatformFactory& getPlatformFactory() {
    static const CairoFactory s_factory;
    return s_factory;
}

}  // namespace VSTGUI
