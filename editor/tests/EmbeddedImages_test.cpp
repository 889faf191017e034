#include "editor/EmbeddedImages.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fxcoreplug {
namespace {

struct ExpectedPicture {
    const char* name;
    std::uint32_t w1, h1, w2, h2;  // plain and "@2x" pixel sizes
};

// The table's names and pixel sizes; the "@2x" sizes are not all twice the plain ones.
const ExpectedPicture kExpected[] = {
    {"MP-ZELBRIN", 394, 722, 788, 1443},
    {"brutal-large", 128, 128, 255, 255},
    {"fluted-large", 75, 75, 151, 150},
    {"knob-blk-large", 75, 75, 151, 150},
    {"knob-wht-large", 75, 75, 151, 150},
    {"left-footswitch", 84, 79, 169, 159},
    {"lg-knob-blu", 105, 104, 209, 208},
    {"lg-knob-org", 105, 104, 209, 208},
    {"lg-knob-yel", 105, 104, 209, 208},
    {"mp-corlindejr", 394, 722, 788, 1443},
    {"mp-quenmoor", 394, 722, 788, 1443},
    {"mp-vantrelnoise2", 394, 722, 788, 1443},
    {"right-footswitch", 79, 84, 158, 169},
    {"small-knob", 39, 39, 78, 78},
    {"toggle-down", 50, 59, 99, 118},
    {"toggle-mid", 50, 59, 99, 118},
    {"toggle-up", 50, 59, 99, 118},
    {"wh-knob-large", 105, 104, 209, 208},
    {"wq-fenwhist-classic", 394, 722, 788, 1443},
    {"wq-kelvane-classic", 394, 722, 788, 1443},
};

std::uint32_t bigEndian32(const unsigned char* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

struct Decoded {
    bool ok = false;
    std::string error;
    std::uint32_t width = 0, height = 0;
    int bitDepth = 0, colourType = -1, interlace = -1;  // from the IHDR chunk
    std::vector<unsigned char> rgba;                    // straight RGBA, row by row
    unsigned char alphaAt(std::uint32_t x, std::uint32_t y) const {
        return rgba[(static_cast<size_t>(y) * width + x) * 4u + 3u];
    }
};

Decoded decode(const EmbeddedImage& row) {
    Decoded d;
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (row.size < 33 || std::memcmp(row.data, kSignature, 8) != 0 ||
        std::memcmp(row.data + 12, "IHDR", 4) != 0) {
        d.error = "no PNG signature and IHDR";
        return d;
    }
    d.bitDepth = row.data[24];
    d.colourType = row.data[25];
    d.interlace = row.data[28];
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, row.data, row.size)) {
        d.error = image.message;
        return d;
    }
    d.width = image.width;
    d.height = image.height;
    EXPECT_EQ(d.width, bigEndian32(row.data + 16));
    EXPECT_EQ(d.height, bigEndian32(row.data + 20));
    image.format = PNG_FORMAT_RGBA;
    d.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, d.rgba.data(), 0, nullptr)) {
        d.error = image.message;
        png_image_free(&image);
        return d;
    }
    d.ok = (image.warning_or_error & PNG_IMAGE_ERROR) == 0;
    if (!d.ok) d.error = image.message;
    return d;
}

TEST(EmbeddedImagesTest, TableHoldsEveryNamePlainThenDoubleDensityInByteOrder) {
    ASSERT_EQ(kEmbeddedImageCount, 40);
    ASSERT_EQ(std::size(kExpected) * 2, static_cast<size_t>(kEmbeddedImageCount));
    for (size_t i = 0; i < std::size(kExpected); ++i) {
        const EmbeddedImage& plain = kEmbeddedImages[2 * i];
        const EmbeddedImage& dense = kEmbeddedImages[2 * i + 1];
        EXPECT_STREQ(plain.name, kExpected[i].name);
        EXPECT_EQ(std::string(dense.name), std::string(kExpected[i].name) + "@2x");
    }
    for (int i = 1; i < kEmbeddedImageCount; ++i) {
        EXPECT_LT(std::strcmp(kEmbeddedImages[i - 1].name, kEmbeddedImages[i].name), 0)
            << "row " << i << " " << kEmbeddedImages[i].name;
    }
}

TEST(EmbeddedImagesTest, EveryRowDecodesAsEightBitRgbaOfItsSize) {
    for (size_t i = 0; i < std::size(kExpected); ++i) {
        for (int dense = 0; dense < 2; ++dense) {
            const EmbeddedImage& row = kEmbeddedImages[2 * i + static_cast<size_t>(dense)];
            SCOPED_TRACE(row.name);
            const Decoded d = decode(row);
            ASSERT_TRUE(d.ok) << d.error;
            EXPECT_EQ(d.bitDepth, 8);
            EXPECT_EQ(d.colourType, 6);
            EXPECT_EQ(d.interlace, 0);
            EXPECT_EQ(d.width, dense ? kExpected[i].w2 : kExpected[i].w1);
            EXPECT_EQ(d.height, dense ? kExpected[i].h2 : kExpected[i].h1);
        }
    }
}

// What the editor relies on beyond the format: panels fill the frame (opaque
// everywhere); knob caps turn about their centre, so their corners are clear
// and their centre is solid.
// The bytes of a file, or nothing when it cannot be read.
std::vector<unsigned char> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uLong crcOf(const unsigned char* data, size_t size) {
    return crc32_z(crc32_z(0L, Z_NULL, 0), data, size);
}

// Every row holds exactly the bytes of the committed PNG of its name, at the 16-byte
// alignment the x86-64 ABI promises for arrays of that size.
TEST(EmbeddedImagesTest, EveryRowHoldsTheBytesOfItsPngFile) {
    for (int i = 0; i < kEmbeddedImageCount; ++i) {
        const EmbeddedImage& row = kEmbeddedImages[i];
        const std::string path = std::string(CORLINDE_IMAGE_DIR) + "/" + row.name + ".png";
        SCOPED_TRACE(path);
        const std::vector<unsigned char> file = readFile(path);
        ASSERT_FALSE(file.empty());
        EXPECT_EQ(row.size, file.size());
        EXPECT_EQ(crcOf(row.data, row.size), crcOf(file.data(), file.size()));
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(row.data) % 16u, 0u);
    }
}

TEST(EmbeddedImagesTest, PanelsAreOpaqueAndKnobCapsHaveClearCorners) {
    const char* panels[] = {"MP-ZELBRIN",       "mp-corlindejr",       "mp-quenmoor",
                            "mp-vantrelnoise2", "wq-fenwhist-classic", "wq-kelvane-classic"};
    const char* caps[] = {"brutal-large", "fluted-large", "knob-blk-large", "knob-wht-large", "lg-knob-blu",
                          "lg-knob-org",  "lg-knob-yel",  "small-knob",     "wh-knob-large"};
    for (const char* suffix : {"", "@2x"}) {
        for (const char* name : panels) {
            const std::string full = std::string(name) + suffix;
            SCOPED_TRACE(full);
            const EmbeddedImage* row = findImage(full.c_str());
            ASSERT_NE(row, nullptr);
            const Decoded d = decode(*row);
            ASSERT_TRUE(d.ok) << d.error;
            size_t translucent = 0;
            for (size_t p = 3; p < d.rgba.size(); p += 4) translucent += d.rgba[p] != 255;
            EXPECT_EQ(translucent, 0u);
        }
        for (const char* name : caps) {
            const std::string full = std::string(name) + suffix;
            SCOPED_TRACE(full);
            const EmbeddedImage* row = findImage(full.c_str());
            ASSERT_NE(row, nullptr);
            const Decoded d = decode(*row);
            ASSERT_TRUE(d.ok) << d.error;
            EXPECT_EQ(d.alphaAt(0, 0), 0);
            EXPECT_EQ(d.alphaAt(d.width - 1, 0), 0);
            EXPECT_EQ(d.alphaAt(0, d.height - 1), 0);
            EXPECT_EQ(d.alphaAt(d.width - 1, d.height - 1), 0);
            EXPECT_EQ(d.alphaAt(d.width / 2, d.height / 2), 255);
        }
    }
}

TEST(EmbeddedImagesTest, BlackLargeKnobIsTheFlutedPicture) {
    for (const char* suffix : {"", "@2x"}) {
        const EmbeddedImage* fluted = findImage((std::string("fluted-large") + suffix).c_str());
        const EmbeddedImage* black = findImage((std::string("knob-blk-large") + suffix).c_str());
        ASSERT_NE(fluted, nullptr);
        ASSERT_NE(black, nullptr);
        ASSERT_EQ(fluted->size, black->size);
        EXPECT_EQ(std::memcmp(fluted->data, black->data, fluted->size), 0);
    }
}

TEST(EmbeddedImagesTest, FindImageMatchesWholeNamesExactly) {
    struct Case {
        const char* name;
        const char* found;  // the row's name, or null for no row
    };
    const Case cases[] = {
        {nullptr, nullptr},
        {"", nullptr},
        {"toggle-up", "toggle-up"},
        {"toggle-up@2x", "toggle-up@2x"},
        {"small-knob@2x", "small-knob@2x"},
        {"MP-ZELBRIN", "MP-ZELBRIN"},
        {"TOGGLE-UP", nullptr},
        {"mp-zelbrin", nullptr},
        {"toggle", nullptr},
        {"toggle-up ", nullptr},
        {"toggle-up@3x", nullptr},
        {"small-knob@2x@2x", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name ? c.name : "(null)");
        const EmbeddedImage* row = findImage(c.name);
        if (!c.found) {
            EXPECT_EQ(row, nullptr);
            continue;
        }
        ASSERT_NE(row, nullptr);
        EXPECT_STREQ(row->name, c.found);
        EXPECT_GE(row, &kEmbeddedImages[0]);
        EXPECT_LT(row, &kEmbeddedImages[0] + kEmbeddedImageCount);
        EXPECT_GT(row->size, 0u);
    }
}

}  // namespace
}  // namespace fxcoreplug
