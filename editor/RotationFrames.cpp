#include "editor/RotationFrames.h"

#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define CORLINDE_FRAMES_AVX2 1
#endif

namespace fxcoreplug {
namespace {

// The source as plain memory: per pixel four doubles, its alpha and the premultiplied
// products c x a of red, green and blue, the values the filter interpolates (whole numbers
// up to 65025, exact). Four doubles to a pixel keep the 2 x 2 neighbourhood in few cache
// lines and let one gather fetch a channel of four neighbours.
constexpr std::size_t kChannels = 4;

// The copy is mapped from the system and given back whole when the call ends. From the
// allocator, a block this large would, when freed, raise its threshold for mapping blocks
// of their own, and keep the editor's later blocks in its heap, resident after they go.
class SourcePixels {
public:
    SourcePixels() = default;
    ~SourcePixels() {
        if (values) munmap(values, bytes);
    }
    SourcePixels(const SourcePixels&) = delete;
    SourcePixels& operator=(const SourcePixels&) = delete;

    bool allocate(std::uint32_t w, std::uint32_t h) {
        bytes = static_cast<std::size_t>(w) * h * kChannels * sizeof(double);
        void* mapped = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED) return false;
        values = static_cast<double*>(mapped);
        width = w;
        height = h;
        return true;
    }

    std::uint32_t width = 0;
    std::uint32_t height = 0;
    double* values = nullptr;  // width x height x kChannels, rows top first

private:
    std::size_t bytes = 0;
};

bool readSource(VSTGUI::CBitmap* source, std::uint32_t w, std::uint32_t h, SourcePixels& out) {
    auto access = VSTGUI::CBitmapPixelAccess::create(source, false);
    if (!access) return false;
    // An access that walks fewer pixels than the size promises gives nothing.
    if (static_cast<std::uint64_t>(access->getBitmapWidth()) * access->getBitmapHeight() <
        static_cast<std::uint64_t>(w) * h)
        return false;
    const std::size_t total = static_cast<std::size_t>(w) * h;
    if (!out.allocate(w, h)) return false;
    // Pixel n in the access's walk order, which goes row by row over the access's own width.
    const std::uint8_t* in = access->getAddress();
    for (std::size_t n = 0; n < total; ++n, in += kChannels) {
        const int a = in[3];
        double* p = &out.values[n * kChannels];
        p[0] = a;
        p[1] = in[0] * a;
        p[2] = in[1] * a;
        p[3] = in[2] * a;
    }
    return true;
}

// The constants of the mapping from output pixels to source points.
struct Mapping {
    std::uint32_t outW;
    std::uint32_t outH;
    double sx, sy;    // source pixels per output pixel
    double cxS, cyS;  // source centre
    double cxO, cyO;  // output centre
    double lastX;     // x0 + 1 must stay below the source width: u < W - 1
    double lastY;
};

// One frame to fill: the sine and cosine of its angle and its straight RGBA bytes.
struct FrameJob {
    double sn;
    double cs;
    std::uint8_t* pixels;
    std::uint32_t bytesPerRow;
};

// Columns padded to a multiple of four, so that the wide loop reads whole groups.
std::uint32_t paddedColumns(std::uint32_t outW) {
    return (outW + 3u) & ~3u;
}

// The column terms of the inverse rotation, each product as the mapping has it.
void columnTerms(const Mapping& m, const FrameJob& job, double* columnCos, double* columnSin) {
    for (std::uint32_t x = 0; x < paddedColumns(m.outW); ++x) {
        const double dx = (x - m.cxO) * m.sx;
        columnCos[x] = dx * job.cs;
        columnSin[x] = dx * job.sn;
    }
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

// One pixel at a time: the colour of the output pixel that maps to source point (u, v).
void sample(const SourcePixels& src, double u, double v, double lastX, double lastY, std::uint8_t* out) {
    // The whole 2 x 2 neighbourhood inside the source: floor(u) >= 0 and floor(u) + 1 < W,
    // which for a whole W - 1 is 0 <= u < W - 1; there floor is the cast's truncation. NaN
    // fails the test, and the casts stay in range.
    std::memset(out, 0, kChannels);
    if (!(u >= 0.0 && v >= 0.0 && u < lastX && v < lastY)) return;
    const auto x0 = static_cast<std::int32_t>(u);
    const auto y0 = static_cast<std::int32_t>(v);
    const double fx = u - x0;
    const double fy = v - y0;
    const std::size_t row = static_cast<std::size_t>(src.width) * kChannels;
    const double* p00 =
        &src.values[(static_cast<std::size_t>(y0) * src.width + static_cast<std::size_t>(x0)) * kChannels];
    const double* p10 = p00 + kChannels;
    const double* p01 = p00 + row;
    const double* p11 = p01 + kChannels;
    const double a = lerp2(p00[0], p10[0], p01[0], p11[0], fx, fy);
    if (!(a > 0.5)) return;
    for (std::size_t c = 1; c < kChannels; ++c)
        out[c - 1] = toByte(lerp2(p00[c], p10[c], p01[c], p11[c], fx, fy) / a);
    out[3] = toByte(a);
}

void renderPortable(const SourcePixels& src, const Mapping& m, const FrameJob& job, double* columnCos,
                    double* columnSin) {
    columnTerms(m, job, columnCos, columnSin);
    for (std::uint32_t y = 0; y < m.outH; ++y) {
        const double dy = (y - m.cyO) * m.sy;
        const double rowSin = dy * job.sn;
        const double rowCos = dy * job.cs;
        std::uint8_t* out = job.pixels + static_cast<std::size_t>(y) * job.bytesPerRow;
        for (std::uint32_t x = 0; x < m.outW; ++x, out += kChannels) {
            const double u = (m.cxS + columnCos[x]) + rowSin;
            const double v = (m.cyS - columnSin[x]) + rowCos;
            sample(src, u, v, m.lastX, m.lastY, out);
        }
    }
}

#ifdef CORLINDE_FRAMES_AVX2
#define CORLINDE_AVX2 __attribute__((target("avx2")))
// The library's unmasked gather starts from an undefined vector that it overwrites whole,
// which GCC takes for a read of an uninitialised value.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// The offsets of a group's four neighbourhoods in the source: top left, top right, bottom
// left, bottom right, in doubles.
struct Neighbours {
    __m128i i00, i10, i01, i11;
};

// One channel of four pixels, filtered: the neighbours fetched by gathers, then lerp2's
// operations in lerp2's order.
CORLINDE_AVX2 inline __m256d filterChannel(const double* channel, const Neighbours& n, __m256d fx,
                                           __m256d fy) {
    const __m256d p00 = _mm256_i32gather_pd(channel, n.i00, 8);
    const __m256d p10 = _mm256_i32gather_pd(channel, n.i10, 8);
    const __m256d p01 = _mm256_i32gather_pd(channel, n.i01, 8);
    const __m256d p11 = _mm256_i32gather_pd(channel, n.i11, 8);
    const __m256d top = _mm256_add_pd(p00, _mm256_mul_pd(_mm256_sub_pd(p10, p00), fx));
    const __m256d bottom = _mm256_add_pd(p01, _mm256_mul_pd(_mm256_sub_pd(p11, p01), fx));
    return _mm256_add_pd(top, _mm256_mul_pd(_mm256_sub_pd(bottom, top), fy));
}

// toByte of four values: below 0 0, above 255 255, otherwise truncated (the filtered values
// of a shown pixel are never NaN; max would give 0 for one).
CORLINDE_AVX2 inline __m128i toBytes(__m256d value) {
    return _mm256_cvttpd_epi32(
        _mm256_min_pd(_mm256_max_pd(value, _mm256_setzero_pd()), _mm256_set1_pd(255.0)));
}

// Four pixels at a time in AVX2: the same double operations as sample, in the same order,
// one pixel per lane. No fused multiply-add: every product and sum is rounded on its own.
CORLINDE_AVX2 void renderAvx2(const SourcePixels& src, const Mapping& m, const FrameJob& job,
                              double* columnCos, double* columnSin) {
    columnTerms(m, job, columnCos, columnSin);
    const double* base = src.values;
    const __m256d zero = _mm256_setzero_pd();
    const __m256d cxS = _mm256_set1_pd(m.cxS);
    const __m256d cyS = _mm256_set1_pd(m.cyS);
    const __m256d lastX = _mm256_set1_pd(m.lastX);
    const __m256d lastY = _mm256_set1_pd(m.lastY);
    const __m256d halfStep = _mm256_set1_pd(0.5);
    const __m128i width = _mm_set1_epi32(static_cast<int>(src.width));
    const __m128i pixelStep = _mm_set1_epi32(static_cast<int>(kChannels));
    const __m128i rowStep = _mm_set1_epi32(static_cast<int>(src.width * kChannels));
    const __m256i lowHalves = _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6);

    for (std::uint32_t y = 0; y < m.outH; ++y) {
        const double dy = (y - m.cyO) * m.sy;
        const __m256d rowSin = _mm256_set1_pd(dy * job.sn);
        const __m256d rowCos = _mm256_set1_pd(dy * job.cs);
        std::uint8_t* out = job.pixels + static_cast<std::size_t>(y) * job.bytesPerRow;
        for (std::uint32_t x = 0; x < m.outW; x += 4) {
            const __m256d u = _mm256_add_pd(_mm256_add_pd(cxS, _mm256_loadu_pd(columnCos + x)), rowSin);
            const __m256d v = _mm256_add_pd(_mm256_sub_pd(cyS, _mm256_loadu_pd(columnSin + x)), rowCos);
            const __m256d inside = _mm256_and_pd(
                _mm256_and_pd(_mm256_cmp_pd(u, zero, _CMP_GE_OQ), _mm256_cmp_pd(v, zero, _CMP_GE_OQ)),
                _mm256_and_pd(_mm256_cmp_pd(u, lastX, _CMP_LT_OQ), _mm256_cmp_pd(v, lastY, _CMP_LT_OQ)));
            __m128i word = _mm_setzero_si128();
            if (_mm256_movemask_pd(inside) != 0) {
                const __m128i x0 = _mm256_cvttpd_epi32(u);
                const __m128i y0 = _mm256_cvttpd_epi32(v);
                const __m256d fx = _mm256_sub_pd(u, _mm256_cvtepi32_pd(x0));
                const __m256d fy = _mm256_sub_pd(v, _mm256_cvtepi32_pd(y0));
                // A lane outside the source reads the top left neighbourhood instead (the
                // source has at least 2 x 2 pixels when any lane is inside); its pixel is
                // cleared below.
                const __m128i insideLanes = _mm256_castsi256_si128(
                    _mm256_permutevar8x32_epi32(_mm256_castpd_si256(inside), lowHalves));
                Neighbours n;
                n.i00 = _mm_and_si128(_mm_slli_epi32(_mm_add_epi32(_mm_mullo_epi32(y0, width), x0), 2),
                                      insideLanes);
                n.i10 = _mm_add_epi32(n.i00, pixelStep);
                n.i01 = _mm_add_epi32(n.i00, rowStep);
                n.i11 = _mm_add_epi32(n.i01, pixelStep);
                const __m256d a = filterChannel(base, n, fx, fy);
                const __m256d shown = _mm256_and_pd(inside, _mm256_cmp_pd(a, halfStep, _CMP_GT_OQ));
                if (_mm256_movemask_pd(shown) != 0) {
                    const __m128i r = toBytes(_mm256_div_pd(filterChannel(base + 1, n, fx, fy), a));
                    const __m128i g = toBytes(_mm256_div_pd(filterChannel(base + 2, n, fx, fy), a));
                    const __m128i b = toBytes(_mm256_div_pd(filterChannel(base + 3, n, fx, fy), a));
                    word = _mm_or_si128(_mm_or_si128(r, _mm_slli_epi32(g, 8)),
                                        _mm_or_si128(_mm_slli_epi32(b, 16), _mm_slli_epi32(toBytes(a), 24)));
                    const __m128i keep = _mm256_castsi256_si128(
                        _mm256_permutevar8x32_epi32(_mm256_castpd_si256(shown), lowHalves));
                    word = _mm_and_si128(word, keep);
                }
            }
            if (x + 4 <= m.outW) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x * kChannels), word);
            } else {
                alignas(16) std::uint8_t last[16];
                _mm_store_si128(reinterpret_cast<__m128i*>(last), word);
                std::memcpy(out + x * kChannels, last, (m.outW - x) * kChannels);
            }
        }
    }
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

bool haveAvx2() {
    static const bool s_avx2 = __builtin_cpu_supports("avx2") != 0;
    return s_avx2;
}
#endif

// The frames of a series, shared by the threads that fill them. Each frame is taken by
// exactly one thread (next hands out the frame numbers); nothing else is written.
struct SeriesWork {
    const SourcePixels* source;
    const Mapping* mapping;
    const FrameJob* jobs;
    int count;
    bool wide;
    std::atomic<int> next{0};
};

// What one thread needs: the work and its own column tables (made by the caller, so that a
// worker allocates nothing).
struct Filler {
    SeriesWork* work;
    std::vector<double> columns;
};

void fillFrames(Filler& filler) {
    SeriesWork& work = *filler.work;
    const std::size_t padded = paddedColumns(work.mapping->outW);
    double* columnCos = filler.columns.data();
    double* columnSin = columnCos + padded;
    for (;;) {
        const int f = work.next.fetch_add(1, std::memory_order_relaxed);
        if (f >= work.count) return;
#ifdef CORLINDE_FRAMES_AVX2
        if (work.wide) {
            renderAvx2(*work.source, *work.mapping, work.jobs[f], columnCos, columnSin);
            continue;
        }
#endif
        renderPortable(*work.source, *work.mapping, work.jobs[f], columnCos, columnSin);
    }
}

void* fillerThread(void* filler) {
    fillFrames(*static_cast<Filler*>(filler));
    return nullptr;
}

constexpr int kMaxWorkers = 3;
constexpr std::size_t kWorkerStack = std::size_t{256} << 10;
// Below this many output pixels in a series, starting threads costs more than it saves.
constexpr double kPixelsPerWorker = 1 << 18;

int workersFor(const FrameRendering& rendering, int count, const Mapping& m) {
    if (rendering.workers >= 0) return std::min(rendering.workers, count - 1);
    const long processors = sysconf(_SC_NPROCESSORS_ONLN);
    const double pixels = static_cast<double>(m.outW) * m.outH * count;
    const int bySize =
        static_cast<int>(std::min(pixels / kPixelsPerWorker, static_cast<double>(kMaxWorkers)));
    return std::max(0, std::min({bySize, static_cast<int>(std::min(processors, 64L)) - 1, count - 1}));
}

// Fills every job, on the calling thread and on up to workers more, all joined on return.
void fillSeries(SeriesWork& work, int workers) {
    const std::size_t columnValues = 2 * static_cast<std::size_t>(paddedColumns(work.mapping->outW));
    std::vector<Filler> fillers(static_cast<std::size_t>(workers) + 1);
    for (Filler& filler : fillers) filler = {&work, std::vector<double>(columnValues)};
    std::vector<pthread_t> started;
    started.reserve(static_cast<std::size_t>(workers));
    // A filler needs little stack; a small one keeps the threads' footprint small.
    pthread_attr_t attributes;
    const bool small = pthread_attr_init(&attributes) == 0;
    if (small) pthread_attr_setstacksize(&attributes, kWorkerStack);
    for (std::size_t i = 1; i < fillers.size(); ++i) {
        pthread_t thread;
        if (pthread_create(&thread, small ? &attributes : nullptr, fillerThread, &fillers[i]) != 0)
            break;  // the rest is done here
        started.push_back(thread);
    }
    if (small) pthread_attr_destroy(&attributes);
    fillFrames(fillers[0]);
    for (pthread_t thread : started) pthread_join(thread, nullptr);
}

}  // namespace

FrameSeries makeRotationFrames(VSTGUI::CBitmap* source, int count, double offset, double halfRange,
                               double targetSize, const FrameRendering& rendering) {
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

    const Mapping mapping{outW,
                          outH,
                          static_cast<double>(w) / outW,
                          static_cast<double>(h) / outH,
                          (w - 1.0) / 2.0,
                          (h - 1.0) / 2.0,
                          (outW - 1.0) / 2.0,
                          (outH - 1.0) / 2.0,
                          static_cast<double>(w) - 1.0,
                          static_cast<double>(h) - 1.0};

    // Every frame's bitmap first, here; the pixels are then filled, perhaps on several
    // threads, through the accesses, which write back when they are released below.
    std::vector<VSTGUI::SharedPointer<VSTGUI::CBitmapPixelAccess>> accesses;
    std::vector<FrameJob> jobs;
    accesses.reserve(static_cast<std::size_t>(count));
    jobs.reserve(static_cast<std::size_t>(count));
    // One allocation for the whole series where it can be had, else a bitmap at a time.
    std::vector<VSTGUI::PlatformBitmapPtr> bitmaps = VSTGUI::getPlatformFactory().createBitmaps(
        VSTGUI::CPoint(outW, outH), static_cast<std::uint32_t>(count));
    for (int f = 0; f < count; ++f) {
        const double t = count == 1 ? 0.0 : (static_cast<double>(f) / (count - 1)) * 2.0 - 1.0;
        const double radians = (t * halfRange - offset) * 3.141592653589793 / 180.0;

        VSTGUI::PlatformBitmapPtr pixels =
            static_cast<std::size_t>(f) < bitmaps.size()
                ? bitmaps[static_cast<std::size_t>(f)]
                : VSTGUI::getPlatformFactory().createBitmap(VSTGUI::CPoint(outW, outH));
        if (!pixels) break;
        pixels->setScaleFactor(scale);
        auto frame = VSTGUI::makeOwned<VSTGUI::CBitmap>(pixels);
        auto access = VSTGUI::CBitmapPixelAccess::create(frame, false);
        if (!access) break;
        jobs.push_back(
            {std::sin(radians), std::cos(radians), access->getAddress(), access->getBytesPerRow()});
        accesses.push_back(access);
        frames.push_back(frame);
    }
    if (jobs.empty()) return frames;

    SeriesWork work{&src, &mapping, jobs.data(), static_cast<int>(jobs.size()), false};
#ifdef CORLINDE_FRAMES_AVX2
    // The gathers take 32-bit offsets: every neighbour's must fit.
    const bool offsetsFit =
        (static_cast<std::uint64_t>(w) * h + w + 1) * kChannels < (std::uint64_t{1} << 31);
    work.wide = rendering.wideVectors && offsetsFit && haveAvx2();
#endif
    fillSeries(work, workersFor(rendering, work.count, mapping));
    return frames;
}

}  // namespace fxcoreplug
