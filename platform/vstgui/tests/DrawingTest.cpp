// What an offscreen frame draws, checked on its pixels: ellipses, bitmaps, clipping, zoom,
// and that a paint redraws only what was invalidated.
#include <gtest/gtest.h>

#include <functional>

#include "TestViews.h"

using namespace VSTGUI;
using vstgui_test::pixelAt;
using vstgui_test::ProbeView;

namespace {

// A view whose draw is a lambda.
struct LambdaView : CView {
    LambdaView(const CRect& r, std::function<void(CDrawContext*, const CRect&)> f)
        : CView(r), paint(std::move(f)) {}
    void draw(CDrawContext* context) override {
        paint(context, getViewSize());
        setDirty(false);
    }
    std::function<void(CDrawContext*, const CRect&)> paint;
};

struct OffscreenFixture : ::testing::Test {
    void SetUp() override {
        frame = new CFrame(CRect(0, 0, 100, 80), nullptr);
        ASSERT_TRUE(frame->open(nullptr));
    }
    void TearDown() override { frame->close(); }
    CColor at(std::uint32_t x, std::uint32_t y) { return pixelAt(frame->copyImage(), x, y); }
    CFrame* frame = nullptr;
};

TEST_F(OffscreenFixture, EmptyFrameIsOpaqueBlackAtTheFramesPixelSize) {
    PlatformBitmapPtr image = frame->copyImage();
    EXPECT_EQ(image->getSize(), CPoint(100, 80));
    EXPECT_EQ(pixelAt(image, 0, 0), CColor(0, 0, 0, 255));
    EXPECT_EQ(pixelAt(image, 99, 79), CColor(0, 0, 0, 255));
}

TEST_F(OffscreenFixture, FilledEllipseCoversItsInsideOnly) {
    frame->addView(new ProbeView(CRect(10, 10, 50, 50), CColor(255, 0, 0)));
    EXPECT_EQ(at(30, 30), CColor(255, 0, 0));
    EXPECT_EQ(at(12, 12), CColor(0, 0, 0));  // a corner of the rectangle, outside the ellipse
    EXPECT_EQ(at(51, 30), CColor(0, 0, 0));  // right of the rectangle
    // Antialiased: the edge pixel at the top of the ellipse is partly covered.
    const CColor edge = at(30, 10);
    EXPECT_GT(edge.red, 0);
    EXPECT_LT(edge.red, 255);
}

TEST_F(OffscreenFixture, AliasedEllipseHasNoPartialPixelsAndAlphaBlends) {
    frame->addView(new LambdaView(CRect(0, 0, 40, 40), [](CDrawContext* c, const CRect& r) {
        c->setDrawMode(kAliasing);
        c->setFillColor(CColor(0, 255, 0));
        c->drawEllipse(r, kDrawFilled);
    }));
    frame->addView(new LambdaView(CRect(50, 0, 90, 40), [](CDrawContext* c, const CRect& r) {
        c->setDrawMode(kAntiAliasing);
        c->setFillColor(CColor(255, 255, 255, 128));
        c->drawEllipse(r, kDrawFilled);
    }));
    PlatformBitmapPtr image = frame->copyImage();
    for (std::uint32_t y = 0; y < 40; ++y)
        for (std::uint32_t x = 0; x < 40; ++x) {
            const std::uint8_t g = pixelAt(image, x, y).green;
            ASSERT_TRUE(g == 0 || g == 255) << x << "," << y << " = " << int(g);
        }
    const CColor half = pixelAt(image, 70, 20);
    EXPECT_NEAR(half.red, 128, 1);
    EXPECT_EQ(half.red, half.blue);
}

TEST_F(OffscreenFixture, StrokedEllipseUsesFrameColourAndLineWidth) {
    frame->addView(new LambdaView(CRect(10, 10, 70, 70), [](CDrawContext* c, const CRect& r) {
        c->setDrawMode(kAntiAliasing | kNonIntegralMode);
        c->setFrameColor(CColor(0, 0, 255));
        c->setLineWidth(4);
        CRect inner = r;
        inner.inset(4, 4);
        c->drawEllipse(inner, kDrawStroked);
    }));
    EXPECT_EQ(at(40, 14), CColor(0, 0, 255));  // on the outline (top, y = 14 +- 2)
    EXPECT_EQ(at(40, 40), CColor(0, 0, 0));    // inside
    EXPECT_EQ(at(40, 10), CColor(0, 0, 0));    // beyond the stroke
}

TEST_F(OffscreenFixture, BitmapDrawsAtItsSizeInPointsClippedToTheRectangle) {
    // 40 x 40 pixels at scale factor 2: 20 x 20 points; drawn into a 10 x 30 rectangle.
    auto bitmap = vstgui_test::solidBitmap(40, 40, CColor(200, 100, 50), 2.0);
    frame->addView(new LambdaView(CRect(0, 0, 100, 80), [&](CDrawContext* c, const CRect&) {
        bitmap->draw(c, CRect(10, 10, 20, 40));
    }));
    PlatformBitmapPtr image = frame->copyImage();
    EXPECT_EQ(pixelAt(image, 10, 10), CColor(200, 100, 50));
    EXPECT_EQ(pixelAt(image, 19, 29), CColor(200, 100, 50));
    EXPECT_EQ(pixelAt(image, 20, 15), CColor(0, 0, 0));  // clipped at the right edge
    EXPECT_EQ(pixelAt(image, 15, 30), CColor(0, 0, 0));  // the bitmap ends at 20 points
}

TEST_F(OffscreenFixture, ViewsAreClippedToTheirRectangle) {
    frame->addView(new LambdaView(CRect(10, 10, 20, 20), [](CDrawContext* c, const CRect&) {
        c->setFillColor(CColor(255, 255, 0));
        c->drawEllipse(CRect(0, 0, 100, 80), kDrawFilled);
    }));
    EXPECT_EQ(at(15, 15), CColor(255, 255, 0));
    EXPECT_EQ(at(50, 40), CColor(0, 0, 0));
}

TEST_F(OffscreenFixture, FrameBackgroundAndZoomDoubleThePixels) {
    // A two-colour 2x picture: the left half red, the right half blue.
    auto platform = getPlatformFactory().createBitmap(CPoint(200, 160));
    platform->setScaleFactor(2.0);
    auto background = makeOwned<CBitmap>(platform);
    {
        auto access = CBitmapPixelAccess::create(background, false);
        do {
            access->setColor(access->getX() < 100 ? CColor(255, 0, 0) : CColor(0, 0, 255));
        } while (++*access);
    }
    frame->setBackground(background);
    EXPECT_EQ(at(10, 10), CColor(255, 0, 0));
    EXPECT_EQ(at(90, 70), CColor(0, 0, 255));

    ASSERT_TRUE(frame->setZoom(2.0));
    EXPECT_FALSE(frame->setZoom(0.0));
    EXPECT_EQ(frame->getZoom(), 2.0);
    PlatformBitmapPtr image = frame->copyImage();
    EXPECT_EQ(image->getSize(), CPoint(200, 160));
    EXPECT_EQ(image->getScaleFactor(), 2.0);
    // At zoom 2 the picture's pixels land one to one.
    EXPECT_EQ(pixelAt(image, 99, 5), CColor(255, 0, 0));
    EXPECT_EQ(pixelAt(image, 100, 5), CColor(0, 0, 255));
}

TEST_F(OffscreenFixture, PaintRedrawsOnlyInvalidatedViewsAndMergesInvalidations) {
    auto* left = new ProbeView(CRect(0, 0, 20, 20), CColor(255, 0, 0));
    auto* right = new ProbeView(CRect(60, 0, 80, 20), CColor(0, 255, 0));
    frame->addView(left);
    frame->addView(right);
    frame->paint();
    EXPECT_EQ(left->draws, 1);
    EXPECT_EQ(right->draws, 1);

    frame->paint();  // nothing invalidated: nothing drawn
    EXPECT_EQ(left->draws, 1);

    left->invalid();
    left->invalid();
    left->setDirty(true);
    frame->paint();
    EXPECT_EQ(left->draws, 2);  // three invalidations, one draw
    EXPECT_EQ(right->draws, 1);

    // A colour change that is not invalidated stays off the image until it is.
    left->colour = CColor(0, 0, 255);
    EXPECT_EQ(at(10, 10), CColor(255, 0, 0));
    left->invalid();
    EXPECT_EQ(at(10, 10), CColor(0, 0, 255));
    EXPECT_EQ(at(70, 10), CColor(0, 255, 0));
    EXPECT_EQ(right->draws, 1);
}

TEST_F(OffscreenFixture, ImageCanBeWrittenAsPng) {
    frame->addView(new ProbeView(CRect(10, 10, 50, 50), CColor(255, 0, 0)));
    const char* path = "vstgui_frame_test.png";
    ASSERT_TRUE(frame->copyImage()->writePNG(path));
    auto decoded = vstgui_test::decodePngFileAndRemove(path);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(pixelAt(decoded, 30, 30), CColor(255, 0, 0));
}

TEST(DrawContext, ResetStateRestoresTheDefaults) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 4, 4);
    cairo_t* cr = cairo_create(s);
    {
        CDrawContext context(cr, 1.0);
        context.setDrawMode(kAntiAliasing | kNonIntegralMode);
        context.setBitmapInterpolationQuality(BitmapInterpolationQuality::kHigh);
        context.setFillColor(CColor(1, 2, 3));
        context.setLineWidth(3);
        EXPECT_FALSE(context.getDrawMode().integralMode());
        EXPECT_EQ(static_cast<int>(context.getBitmapInterpolationQuality()), 3);
        context.resetState();
        EXPECT_EQ(context.getDrawMode().modeFlags(), static_cast<std::uint32_t>(kAliasing));
        EXPECT_EQ(context.getFillColor(), CColor());
        EXPECT_EQ(context.getLineWidth(), 1.0);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(s);
}

}  // namespace
