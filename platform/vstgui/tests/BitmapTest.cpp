// Platform bitmaps: PNG decoding, sizes in points, and pixel access both ways.
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "TestViews.h"

using namespace VSTGUI;

namespace {

// PNG bytes of a w x h RGBA picture (written with libpng, independently of the layer).
std::vector<std::uint8_t> encodePng(std::uint32_t w, std::uint32_t h, const std::vector<std::uint8_t>& rgba) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = w;
    image.height = h;
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr);
    std::vector<std::uint8_t> bytes(size);
    EXPECT_TRUE(png_image_write_to_memory(&image, bytes.data(), &size, 0, rgba.data(), 0, nullptr));
    bytes.resize(size);
    return bytes;
}

std::vector<std::uint8_t> gradient(std::uint32_t w, std::uint32_t h) {
    std::vector<std::uint8_t> rgba;
    for (std::uint32_t i = 0; i < w * h; ++i) {
        rgba.push_back(static_cast<std::uint8_t>(i * 7));
        rgba.push_back(static_cast<std::uint8_t>(i * 13));
        rgba.push_back(static_cast<std::uint8_t>(255 - i));
        rgba.push_back(static_cast<std::uint8_t>(i * 31));  // includes alpha 0 and partial alphas
    }
    return rgba;
}

TEST(PlatformFactory, DecodesPngPixelsExactlyAsStored) {
    const auto rgba = gradient(5, 3);
    const auto png = encodePng(5, 3, rgba);
    PlatformBitmapPtr platform =
        getPlatformFactory().createBitmapFromMemory(png.data(), static_cast<std::uint32_t>(png.size()));
    ASSERT_TRUE(platform);
    EXPECT_EQ(platform->getSize(), CPoint(5, 3));
    EXPECT_EQ(platform->getScaleFactor(), 1.0);
    auto bitmap = makeOwned<CBitmap>(platform);
    auto access = CBitmapPixelAccess::create(bitmap, false);
    ASSERT_TRUE(access);
    std::vector<std::uint8_t> read;
    std::uint32_t visited = 0;
    do {
        CColor c;
        access->getColor(c);
        read.insert(read.end(), {c.red, c.green, c.blue, c.alpha});
        ++visited;
    } while (++*access);
    EXPECT_EQ(visited, 15u);
    EXPECT_EQ(read, rgba);
    EXPECT_EQ(access->getX(), 4u);  // stays on the last pixel
    EXPECT_EQ(access->getY(), 2u);
}

TEST(PlatformFactory, RefusesBytesThatAreNotAPicture) {
    const auto png = encodePng(4, 4, gradient(4, 4));
    const auto& f = getPlatformFactory();
    EXPECT_FALSE(f.createBitmapFromMemory(nullptr, 10));
    EXPECT_FALSE(f.createBitmapFromMemory(png.data(), 0));
    EXPECT_FALSE(
        f.createBitmapFromMemory(png.data(), static_cast<std::uint32_t>(png.size() / 2)));  // cut short
    std::vector<std::uint8_t> corrupt = png;
    for (size_t i = 40; i < corrupt.size(); ++i) corrupt[i] ^= 0x5a;
    EXPECT_FALSE(f.createBitmapFromMemory(corrupt.data(), static_cast<std::uint32_t>(corrupt.size())));
    const char text[] = "not a png at all";
    EXPECT_FALSE(f.createBitmapFromMemory(text, sizeof text));
}

TEST(PlatformFactory, CreateBitmapTakesWholePositiveSizes) {
    const auto& f = getPlatformFactory();
    PlatformBitmapPtr b = f.createBitmap(CPoint(146, 145));
    ASSERT_TRUE(b);
    EXPECT_EQ(b->getSize(), CPoint(146, 145));
    EXPECT_EQ(vstgui_test::pixelAt(b, 145, 144), CColor(0, 0, 0, 0));
    for (CPoint bad :
         {CPoint(0, 5), CPoint(5, -1), CPoint(2.5, 2), CPoint(std::nan(""), 3), CPoint(20000, 1)})
        EXPECT_FALSE(f.createBitmap(bad)) << bad.x << " x " << bad.y;
}

TEST(PlatformFactory, CreateBitmapsSharesOneBlockAmongSeparateBitmaps) {
    const auto& f = getPlatformFactory();
    std::vector<PlatformBitmapPtr> series = f.createBitmaps(CPoint(3, 2), 4);
    ASSERT_EQ(series.size(), 4u);
    // Each its own transparent bitmap; a write through one leaves the others as they were.
    auto second = makeOwned<CBitmap>(series[1]);
    {
        auto access = CBitmapPixelAccess::create(second, false);
        do {
            access->setColor(CColor(1, 2, 3, 4));
        } while (++*access);
    }
    for (std::size_t i = 0; i < series.size(); ++i) {
        EXPECT_EQ(series[i]->getSize(), CPoint(3, 2));
        for (auto [x, y] : {std::pair{0u, 0u}, {2u, 1u}})
            EXPECT_EQ(vstgui_test::pixelAt(series[i], x, y), i == 1 ? CColor(1, 2, 3, 4) : CColor(0, 0, 0, 0))
                << i;
    }
    // The block lives while any of its bitmaps does.
    PlatformBitmapPtr kept = series[1];
    series.clear();
    second = nullptr;
    EXPECT_EQ(vstgui_test::pixelAt(kept, 2, 1), CColor(1, 2, 3, 4));
    for (CPoint bad : {CPoint(0, 5), CPoint(2.5, 2), CPoint(std::nan(""), 3), CPoint(20000, 1)})
        EXPECT_TRUE(f.createBitmaps(bad, 3).empty()) << bad.x << " x " << bad.y;
    EXPECT_TRUE(f.createBitmaps(CPoint(3, 2), 0).empty());
}

TEST(Bitmap, SizeInPointsIsPixelsOverScaleFactor) {
    PlatformBitmapPtr p = getPlatformFactory().createBitmap(CPoint(99, 118));
    p->setScaleFactor(2.0);
    auto bitmap = makeOwned<CBitmap>(p);
    EXPECT_DOUBLE_EQ(bitmap->getWidth(), 49.5);
    EXPECT_DOUBLE_EQ(bitmap->getHeight(), 59.0);
    EXPECT_EQ(bitmap->getPlatformBitmap()->getScaleFactor(), 2.0);
    for (double bad : {0.0, -1.0, std::nan(""), double(INFINITY)}) p->setScaleFactor(bad);
    EXPECT_EQ(p->getScaleFactor(), 2.0);
    EXPECT_DOUBLE_EQ(makeOwned<CBitmap>(nullptr)->getWidth(), 0.0);
}

TEST(PixelAccess, StraightAndPremultipliedBothWays) {
    auto bitmap = vstgui_test::solidBitmap(2, 1, CColor(10, 20, 30, 128));
    {
        auto straight = CBitmapPixelAccess::create(bitmap, false);
        CColor c;
        straight->getColor(c);
        EXPECT_EQ(c, CColor(10, 20, 30, 128));
        auto premultiplied = CBitmapPixelAccess::create(bitmap, true);
        premultiplied->getColor(c);
        EXPECT_EQ(c, CColor(5, 10, 15, 128));
        // Writing premultiplied stores straight colours.
        ASSERT_TRUE(premultiplied->setPosition(1, 0));
        premultiplied->setColor(CColor(5, 10, 15, 128));
        premultiplied->setColor(CColor(64, 0, 255, 128));  // over-full channel saturates
        EXPECT_FALSE(premultiplied->setPosition(2, 0));
        EXPECT_EQ(premultiplied->getX(), 1u);
    }
    EXPECT_EQ(vstgui_test::pixelAt(bitmap->getPlatformBitmap(), 1, 0), CColor(128, 0, 255, 128));
    // Alpha 0 keeps its straight colour; premultiplied reads it as black.
    auto access = CBitmapPixelAccess::create(bitmap, false);
    access->setColor(CColor(200, 100, 50, 0));
    CColor c;
    access->getColor(c);
    EXPECT_EQ(c, CColor(200, 100, 50, 0));
    EXPECT_EQ(vstgui_test::pixelAt(bitmap->getPlatformBitmap(), 0, 0), CColor(200, 100, 50, 0));
    EXPECT_FALSE(CBitmapPixelAccess::create(nullptr, false));
}

TEST(PixelAccess, RowsAreTheStraightBytesOfTheWalk) {
    auto bitmap = vstgui_test::solidBitmap(3, 2, CColor(0, 0, 0, 0));
    {
        auto access = CBitmapPixelAccess::create(bitmap, true);
        ASSERT_EQ(access->getBytesPerRow(), 12u);
        std::uint8_t* row1 = access->getAddress() + access->getBytesPerRow();
        const std::uint8_t pixel[4] = {10, 20, 30, 128};
        std::memcpy(row1 + 2 * 4, pixel, 4);
        // Straight bytes whatever the access's premultiplication.
        ASSERT_TRUE(access->setPosition(2, 1));
        CColor c;
        access->getColor(c);
        EXPECT_EQ(c, CColor(5, 10, 15, 128));
    }
    EXPECT_EQ(vstgui_test::pixelAt(bitmap->getPlatformBitmap(), 2, 1), CColor(10, 20, 30, 128));
    EXPECT_EQ(vstgui_test::pixelAt(bitmap->getPlatformBitmap(), 1, 1), CColor(0, 0, 0, 0));
}

TEST(PixelAccess, ReleaseWritesBackWhatTheBitmapDraws) {
    auto bitmap = vstgui_test::solidBitmap(10, 10, CColor(255, 0, 0));
    auto* frame = new CFrame(CRect(0, 0, 10, 10), nullptr);
    ASSERT_TRUE(frame->open(nullptr));
    frame->setBackground(bitmap);
    EXPECT_EQ(vstgui_test::pixelAt(frame->copyImage(), 5, 5), CColor(255, 0, 0));
    {
        auto access = CBitmapPixelAccess::create(bitmap, false);
        do {
            access->setColor(CColor(0, 0, 255));
        } while (++*access);
    }
    frame->invalid();
    EXPECT_EQ(vstgui_test::pixelAt(frame->copyImage(), 5, 5), CColor(0, 0, 255));
    frame->close();
}

TEST(Bitmap, DrawsEveryColourAndAlphaPremultipliedRoundedToNearest) {
    // Pixel (c, a) of a 256 x 256 picture has red and blue c, green 255 - c and alpha a;
    // drawn over the frame's opaque black, each channel comes out as its premultiplied
    // value, (c x a + 127) / 255.
    auto picture = makeOwned<CBitmap>(getPlatformFactory().createBitmap(CPoint(256, 256)));
    {
        auto access = CBitmapPixelAccess::create(picture, false);
        do {
            const auto c = static_cast<std::uint8_t>(access->getX());
            access->setColor(
                CColor(c, static_cast<std::uint8_t>(255 - c), c, static_cast<std::uint8_t>(access->getY())));
        } while (++*access);
    }
    auto* frame = new CFrame(CRect(0, 0, 256, 256), nullptr);
    ASSERT_TRUE(frame->open(nullptr));
    frame->setBackground(picture);
    auto image = makeOwned<CBitmap>(frame->copyImage());
    frame->close();
    auto access = CBitmapPixelAccess::create(image, false);
    int wrong = 0;
    do {
        const std::uint32_t c = access->getX(), a = access->getY();
        CColor got;
        access->getColor(got);
        const auto expect = [a](std::uint32_t v) { return static_cast<std::uint8_t>((v * a + 127) / 255); };
        if (got != CColor(expect(c), expect(255 - c), expect(c), 255) && ++wrong <= 5)
            ADD_FAILURE() << "c " << c << " a " << a << ": " << int(got.red) << " " << int(got.green) << " "
                          << int(got.blue) << " " << int(got.alpha);
    } while (++*access);
    EXPECT_EQ(wrong, 0);
}

TEST(PlatformBitmap, WritesAPngThatDecodesToTheSamePixels) {
    auto bitmap = vstgui_test::solidBitmap(3, 2, CColor(10, 20, 30, 128));
    const char* path = "vstgui_bitmap_test.png";
    ASSERT_TRUE(bitmap->getPlatformBitmap()->writePNG(path));
    auto decoded = vstgui_test::decodePngFileAndRemove(path);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(vstgui_test::pixelAt(decoded, 2, 1), CColor(10, 20, 30, 128));
    EXPECT_FALSE(bitmap->getPlatformBitmap()->writePNG("/nonexistent-dir/x.png"));
}

}  // namespace
