// Knob frames pixel for pixel: a 64-bit FNV-1a hash over every frame of a series (frame
// count, then per frame its pixel size, scale factor and straight RGBA bytes in row order),
// for every picture and diameter of the catalogue, for the series the pedal's open editor
// holds, and for noise pictures that reach the pixel rule's corners (alpha cut, clamps,
// edges) far more often than the pictures do. The hashes were taken from the per-pixel
// accessor loop; any change to the arithmetic that moves one byte of one frame shows here.
// Each rendering way (one pixel or four at a time, on the caller alone or with workers)
// must give them; the worker runs make this a cross-thread test, run under TSan too.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>

#include "PanelTestSupport.h"
#include "editor/PanelCatalogue.h"
#include "editor/RotationFrames.h"

using namespace fxcoreplug;
using panel_test::CColor;
using panel_test::makeBitmap;
using panel_test::OpenEditor;

namespace {

struct Fnv1a {
    std::uint64_t h = 14695981039346656037ull;
    void byte(std::uint8_t b) {
        h ^= b;
        h *= 1099511628211ull;
    }
    void word(std::uint32_t w) {
        for (int i = 0; i < 4; ++i) byte(static_cast<std::uint8_t>(w >> (8 * i)));
    }
    void real(double d) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &d, sizeof bits);
        word(static_cast<std::uint32_t>(bits));
        word(static_cast<std::uint32_t>(bits >> 32));
    }
};

// The editor's way (whatever suits this processor), and each way pinned down.
const FrameRendering kWays[] = {{}, {0, false}, {0, true}, {3, false}, {3, true}};

std::string wayName(const FrameRendering& way) {
    return "workers " + std::to_string(way.workers) + (way.wideVectors ? " wide" : " one pixel");
}

std::uint64_t seriesHash(const FrameSeries& frames) {
    Fnv1a f;
    f.word(static_cast<std::uint32_t>(frames.size()));
    for (const auto& frame : frames) {
        const auto& platform = frame->getPlatformBitmap();
        f.word(static_cast<std::uint32_t>(platform->getSize().x));
        f.word(static_cast<std::uint32_t>(platform->getSize().y));
        f.real(platform->getScaleFactor());
        auto access = VSTGUI::CBitmapPixelAccess::create(frame, false);
        do {
            CColor c;
            access->getColor(c);
            f.byte(c.red);
            f.byte(c.green);
            f.byte(c.blue);
            f.byte(c.alpha);
        } while (++*access);
    }
    return f.h;
}

// Every series the catalogue's knobs ask for, by the editor's cache key.
const std::map<std::string, std::uint64_t> kCatalogueHashes = {
    {"brutal-large@107", 0xacc1c6a4d755d5c9ull}, {"fluted-large@73", 0xfc5fccd809d5874ull},
    {"knob-blk-large@73", 0xfc5fccd809d5874ull}, {"knob-wht-large@73", 0xb66a5808005de01dull},
    {"lg-knob-blu@95", 0x711dfb50a0bd508ull},    {"lg-knob-org@95", 0x9a354d17d964259dull},
    {"lg-knob-yel@95", 0x4e30cb59d2922502ull},   {"small-knob@41", 0xe8d5d2ec55d4ca5cull},
};

TEST(KnobFramesHash, EveryCatalogueSeriesAsFirstRendered) {
    // The editor's way and the plainest one (one pixel at a time on the caller) for every
    // series; the others on the noise pictures below.
    for (const FrameRendering& way : {kWays[0], kWays[1]}) {
        std::map<std::string, std::uint64_t> seen;
        for (const PanelLayout& row : kPanels)
            for (std::int32_t k = 0; k < row.knobCount; ++k) {
                const KnobSpec& spec = row.knobs[k];
                const std::string key = std::string(spec.image) + "@" + std::to_string(spec.size);
                if (seen.count(key)) continue;
                auto cap = PanelEditor::loadImage(spec.image, false);
                ASSERT_TRUE(cap) << key;
                const FrameSeries frames = makeRotationFrames(cap, 128, 0.0, 135.0, spec.size, way);
                ASSERT_EQ(frames.size(), 128u) << key;
                seen[key] = seriesHash(frames);
            }
        ASSERT_EQ(seen.size(), kCatalogueHashes.size());
        for (const auto& [key, hash] : seen) {
            ASSERT_EQ(kCatalogueHashes.count(key), 1u) << key;
            EXPECT_EQ(hash, kCatalogueHashes.at(key))
                << key << ", " << wayName(way) << std::hex << " 0x" << hash;
        }
    }
}

TEST(KnobFramesHash, ThePedalsOpenEditorHoldsTheSameSeries) {
    OpenEditor open;
    const auto& cache = open.editor->getFrameCache();
    ASSERT_EQ(cache.size(), 4u);
    for (const auto& [key, frames] : cache) {
        ASSERT_EQ(kCatalogueHashes.count(key), 1u) << key;
        EXPECT_EQ(seriesHash(frames), kCatalogueHashes.at(key)) << key;
    }
}

// Noise: every channel and alpha drawn from a fixed linear congruential sequence, a quarter
// of the pixels fully transparent and a quarter at alpha 1 to 3, so that the 0.5 alpha cut,
// colour over alpha past 255 and the neighbourhood test at the edges all happen often.
VSTGUI::SharedPointer<VSTGUI::CBitmap> noise(std::uint32_t w, std::uint32_t h, double scale,
                                             std::uint32_t seed) {
    std::uint32_t state = seed;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<std::uint8_t>(state >> 24);
    };
    return makeBitmap(w, h, scale, [&](std::uint32_t, std::uint32_t) {
        const std::uint8_t r = next(), g = next(), b = next(), pick = next();
        const std::uint8_t a = pick < 64 ? 0 : pick < 128 ? static_cast<std::uint8_t>(1 + pick % 3) : next();
        return CColor(r, g, b, a);
    });
}

TEST(KnobFramesHash, NoisePicturesAtOtherCountsOffsetsAndSizes) {
    struct Case {
        std::uint32_t w, h;
        double scale;
        int count;
        double offset, halfRange, target;
        std::uint64_t hash;
    };
    for (const Case& c : {
             Case{37, 23, 1.0, 16, 10.0, 170.0, 61.0, 0x4a75c5fcdd7b3635ull},  // enlarged, not square
             Case{64, 65, 2.0, 5, 0.0, 135.0, 0.0, 0xd5edf9a9907e2582ull},     // size kept
             Case{151, 150, 2.0, 128, 0.0, 135.0, 41.0,
                  0xa35252ba488c3bf2ull},                                  // reduced, the editor's count
             Case{9, 40, 3.0, 1, -30.0, 0.0, 7.0, 0x91088f801a1c0486ull},  // one frame, tall
             Case{2, 2, 1.0, 3, 45.0, 90.0, 3.0, 0x429203cee3c874d2ull},   // the smallest filterable source
         }) {
        auto source = noise(c.w, c.h, c.scale, c.w * 131u + c.h);
        for (const FrameRendering& way : kWays) {
            const FrameSeries frames =
                makeRotationFrames(source, c.count, c.offset, c.halfRange, c.target, way);
            ASSERT_EQ(frames.size(), static_cast<std::size_t>(c.count)) << c.w << "x" << c.h;
            const std::uint64_t hash = seriesHash(frames);
            EXPECT_EQ(hash, c.hash) << c.w << "x" << c.h << ", " << wayName(way) << std::hex << " 0x" << hash;
        }
    }
}

}  // namespace
