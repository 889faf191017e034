#include "CairoBitmap.h"

#include <png.h>
#include <sys/mman.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace VSTGUI {

namespace {

// Blocks from this size on are mapped from the system directly: they come zeroed without
// being written, and go back whole when freed, without moving the allocator's own mapping
// threshold (which would keep later, smaller blocks in its heap after they are freed).
constexpr size_t kMappedBlock = size_t{1} << 18;

}  // namespace

SharedPointer<PixelBlock> PixelBlock::create(size_t bytes) {
    const size_t size = bytes == 0 ? 1 : bytes;
    std::uint8_t* memory = nullptr;
    if (size >= kMappedBlock) {
        void* mapped = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED) return nullptr;
        memory = static_cast<std::uint8_t*>(mapped);
    } else {
        memory = static_cast<std::uint8_t*>(std::calloc(size, 1));
        if (!memory) return nullptr;
    }
    auto* block = new (std::nothrow) PixelBlock(memory, size);
    if (!block) release(memory, size);
    return owned(block);
}

void PixelBlock::release(std::uint8_t* memory, size_t size) {
    if (size >= kMappedBlock)
        munmap(memory, size);
    else
        std::free(memory);
}

PixelBlock::~PixelBlock() {
    release(bytes, size);
}

CairoBitmap::CairoBitmap(std::uint32_t w, std::uint32_t h)
    : CairoBitmap(w, h, PixelBlock::create(static_cast<size_t>(w) * h * 4u), nullptr) {}

CairoBitmap::CairoBitmap(std::uint32_t w, std::uint32_t h, SharedPointer<PixelBlock> memory,
                         std::uint8_t* start)
    : block(std::move(memory)),
      pixels(start   ? start
             : block ? block->data()
                     : nullptr),
      width(w),
      height(h) {}

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
        png_image_write_to_file(&image, path, 0, pixels, static_cast<png_int_32>(width * 4u), nullptr);
    png_image_free(&image);
    return ok != 0;
}

namespace {

// The first pixels of a row (a multiple of four, the rest left to the caller) from straight
// RGBA bytes to premultiplied ARGB32 words, four at a time in SSE2: premultiplyChannel's
// (c x a + 127) / 255 as (x + 1 + (x >> 8)) >> 8 with x = c x a + 127, which is the same
// for every x up to 65152 and stays within 16 bits. Returns how many pixels it did.
std::uint32_t premultiplyRow(const std::uint8_t* src, std::uint32_t* dst, std::uint32_t count) {
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi16(127);
    const __m128i one = _mm_set1_epi16(1);
    const __m128i alphaLanes = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
    // Two pixels in 16-bit lanes R G B A R G B A to B' G' R' A A' ... with the alpha kept.
    auto two = [&](__m128i v) {
        const __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0xFF), 0xFF);
        __m128i x = _mm_add_epi16(_mm_mullo_epi16(v, alpha), half);
        x = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(x, one), _mm_srli_epi16(x, 8)), 8);
        x = _mm_or_si128(_mm_andnot_si128(alphaLanes, x), _mm_and_si128(alphaLanes, v));
        return _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, 0xC6), 0xC6);  // red and blue swapped
    };
    std::uint32_t x = 0;
    for (; x + 4 <= count; x += 4) {
        const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x * 4u));
        const __m128i out =
            _mm_packus_epi16(two(_mm_unpacklo_epi8(in, zero)), two(_mm_unpackhi_epi8(in, zero)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), out);
    }
    return x;
#else
    (void)src;
    (void)dst;
    (void)count;
    return 0;
#endif
}

}  // namespace

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
        for (std::uint32_t y = 0; y < height; ++y) {
            const std::uint8_t* src = pixels + static_cast<size_t>(y) * width * 4u;
            auto* dst = reinterpret_cast<std::uint32_t*>(data + y * stride);
            const std::uint32_t done = premultiplyRow(src, dst, width);
            src += static_cast<size_t>(done) * 4u;
            for (std::uint32_t x = done; x < width; ++x, src += 4) {
                const std::uint8_t a = src[3];
                dst[x] = (static_cast<std::uint32_t>(a) << 24) |
                         (static_cast<std::uint32_t>(premultiplyChannel(src[0], a)) << 16) |
                         (static_cast<std::uint32_t>(premultiplyChannel(src[1], a)) << 8) |
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
    static bool validSize(const CPoint& size) {
        const double w = size.x;
        const double h = size.y;
        return w >= 1.0 && h >= 1.0 && w <= CairoBitmap::kMaxSide && h <= CairoBitmap::kMaxSide &&
               w == std::floor(w) && h == std::floor(h);
    }

    PlatformBitmapPtr createBitmap(const CPoint& size) const override {
        if (!validSize(size)) return nullptr;
        const double w = size.x;
        const double h = size.y;
        auto* bitmap = new CairoBitmap(static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h));
        PlatformBitmapPtr result = owned<IPlatformBitmap>(bitmap);
        return bitmap->rgba() ? result : nullptr;
    }

    std::vector<PlatformBitmapPtr> createBitmaps(const CPoint& size, std::uint32_t count) const override {
        std::vector<PlatformBitmapPtr> bitmaps;
        if (!validSize(size) || count == 0) return bitmaps;
        const auto w = static_cast<std::uint32_t>(size.x);
        const auto h = static_cast<std::uint32_t>(size.y);
        const size_t frameBytes = static_cast<size_t>(w) * h * 4u;
        SharedPointer<PixelBlock> block = PixelBlock::create(frameBytes * count);
        if (!block) return bitmaps;
        bitmaps.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i)
            bitmaps.push_back(
                owned<IPlatformBitmap>(new CairoBitmap(w, h, block, block->data() + frameBytes * i)));
        return bitmaps;
    }

    PlatformBitmapPtr createBitmapFromMemory(const void* data, std::uint32_t size) const override {
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
        if (!bitmap->rgba() || !png_image_finish_read(&image, nullptr, bitmap->rgba(),
                                                      static_cast<png_int_32>(image.width * 4u), nullptr)) {
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
