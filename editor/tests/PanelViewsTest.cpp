// The panel's views alone: knob frames and the rotary knob, the lamp measured on rendered
// pixels, the lever toggle and the footswitch, and the editor's picture loading.
#include <gtest/gtest.h>

#include <cmath>

#include "PanelTestSupport.h"
#include "editor/FootswitchView.h"
#include "editor/LedView.h"
#include "editor/RotaryKnob.h"
#include "editor/RotationFrames.h"
#include "editor/ToggleView.h"

using namespace fxcoreplug;
using panel_test::CColor;
using panel_test::EditRecorder;
using panel_test::imagePixelAt;
using panel_test::makeBitmap;
using panel_test::pixelAt;
using VSTGUI::CPoint;
using VSTGUI::CRect;

namespace {

bool sameColour(CColor a, CColor b) {
    return a == b;
}

// --- knob frames ---------------------------------------------------------------------------

TEST(RotationFrames, EditorSeriesSizesFromThePictures) {
    struct Case {
        const char* image;
        double target;
        std::uint32_t w, h;
    };
    for (const Case& c : {Case{"fluted-large", 73, 146, 145}, Case{"small-knob", 41, 82, 82},
                          Case{"lg-knob-blu", 95, 190, 189}}) {
        auto cap = PanelEditor::loadImage(c.image, false);
        ASSERT_TRUE(cap) << c.image;
        const FrameSeries frames = makeRotationFrames(cap, 128, 0.0, 135.0, c.target);
        ASSERT_EQ(frames.size(), 128u) << c.image;
        for (const auto& f : {frames.front(), frames[63], frames.back()}) {
            EXPECT_EQ(f->getPlatformBitmap()->getSize(), CPoint(c.w, c.h)) << c.image;
            EXPECT_EQ(f->getPlatformBitmap()->getScaleFactor(), 2.0);
        }
        // No angle of the series is a multiple of 90 degrees: the corners fall outside.
        if (c.w == c.h) {
            for (const auto& f : frames)
                for (auto [x, y] : {std::pair{0u, 0u}, {c.w - 1, 0u}, {0u, c.h - 1}, {c.w - 1, c.h - 1}})
                    ASSERT_TRUE(sameColour(pixelAt(f, x, y), CColor(0, 0, 0, 0)))
                        << c.image << " " << x << "," << y;
        }
    }
}

// A marker picture: transparent but for one opaque red dot right of the centre. Where the
// dot lands in a frame tells the angle the frame was turned by.
double markerAngle(VSTGUI::CBitmap* frame) {
    const auto size = frame->getPlatformBitmap()->getSize();
    double sx = 0, sy = 0, n = 0;
    auto access = VSTGUI::CBitmapPixelAccess::create(frame, false);
    do {
        CColor c;
        access->getColor(c);
        sx += c.alpha * static_cast<double>(access->getX());
        sy += c.alpha * static_cast<double>(access->getY());
        n += c.alpha;
    } while (++*access);
    const double cx = (size.x - 1) / 2.0, cy = (size.y - 1) / 2.0;
    return std::atan2(sy / n - cy, sx / n - cx) * 180.0 / M_PI;  // screen y down: clockwise positive
}

TEST(RotationFrames, AnglesRunFromMinusToPlusHalfRangeMinusOffset) {
    auto marker = makeBitmap(201, 201, 1.0, [](std::uint32_t x, std::uint32_t y) {
        const double dx = x - 190.0, dy = y - 100.0;
        return dx * dx + dy * dy <= 16.0 ? CColor(255, 0, 0, 255) : CColor(0, 0, 0, 0);
    });
    struct Case {
        int count;
        double offset;
        std::vector<std::pair<std::size_t, double>> frameAngles;
    };
    for (const Case& c : {Case{128, 0.0, {{0, -135.0}, {63, -135.0 / 127}, {64, 135.0 / 127}, {127, 135.0}}},
                          Case{1, 30.0, {{0, -30.0}}}, Case{2, 10.0, {{0, -145.0}, {1, 125.0}}}}) {
        const FrameSeries frames = makeRotationFrames(marker, c.count, c.offset, 135.0, 0.0);
        ASSERT_EQ(frames.size(), static_cast<std::size_t>(c.count));
        for (auto [f, angle] : c.frameAngles)
            EXPECT_NEAR(markerAngle(frames[f]), angle, 0.1) << c.count << " " << f;
    }
}

TEST(RotationFrames, PixelRuleOnAnUnturnedFrame) {
    // Alpha 0 pixels come out transparent black whatever their colour; the last column and
    // row have no right or lower neighbour and come out transparent.
    auto source = makeBitmap(4, 3, 1.0, [](std::uint32_t x, std::uint32_t y) {
        if (x == 1 && y == 1) return CColor(200, 100, 50, 0);
        return CColor(static_cast<std::uint8_t>(10 + x * 40), static_cast<std::uint8_t>(20 + y * 50), 7,
                      static_cast<std::uint8_t>(100 + x * 30 + y));
    });
    const FrameSeries frames = makeRotationFrames(source, 1, 0.0, 0.0, 0.0);
    ASSERT_EQ(frames.size(), 1u);
    for (std::uint32_t y = 0; y < 3; ++y)
        for (std::uint32_t x = 0; x < 4; ++x) {
            const CColor in = pixelAt(source, x, y);
            const bool edge = x == 3 || y == 2 || in.alpha == 0;
            EXPECT_TRUE(sameColour(pixelAt(frames[0], x, y), edge ? CColor(0, 0, 0, 0) : in))
                << x << "," << y;
        }

    // A 3 x 2 source made 2 x 1 pixels: output pixel 0 reads u = 0.25, v = 0.5, between the
    // row-0 pixels of alphas left and right and the clear row 1. The alpha is interpolated
    // and truncated, cut at 0.5; the colour, interpolated premultiplied, stays the row's.
    struct Case {
        std::uint8_t left, right;
        CColor expected;
    };
    for (const Case& c : {Case{255, 255, CColor(90, 60, 30, 127)}, Case{1, 1, CColor(0, 0, 0, 0)},
                          Case{1, 2, CColor(90, 60, 30, 0)}, Case{2, 2, CColor(90, 60, 30, 1)}}) {
        auto pair = makeBitmap(3, 2, 1.0, [&](std::uint32_t x, std::uint32_t y) {
            if (y == 1) return CColor(250, 250, 250, 0);
            return CColor(90, 60, 30, x == 0 ? c.left : c.right);
        });
        const FrameSeries f = makeRotationFrames(pair, 1, 0.0, 0.0, 2.0);
        ASSERT_EQ(f.size(), 1u);
        ASSERT_EQ(f[0]->getPlatformBitmap()->getSize(), CPoint(2, 1));
        const CColor got = pixelAt(f[0], 0, 0);
        EXPECT_TRUE(sameColour(got, c.expected))
            << int(c.left) << "," << int(c.right) << ": " << int(got.red) << " " << int(got.alpha);
    }
}

TEST(RotationFrames, NothingFromNothing) {
    auto one = makeBitmap(8, 8, 1.0, [](std::uint32_t, std::uint32_t) { return CColor(1, 2, 3, 255); });
    EXPECT_TRUE(makeRotationFrames(nullptr, 128, 0, 135, 41).empty());
    EXPECT_TRUE(makeRotationFrames(one, 0, 0, 135, 41).empty());
    EXPECT_TRUE(makeRotationFrames(one, -3, 0, 135, 41).empty());
    EXPECT_TRUE(makeRotationFrames(one, 4, 0, 135, 0.01).empty());  // rounds to 0 pixels
    auto bare = VSTGUI::makeOwned<VSTGUI::CBitmap>(VSTGUI::PlatformBitmapPtr());
    EXPECT_TRUE(makeRotationFrames(bare, 4, 0, 135, 41).empty());
    EXPECT_EQ(makeRotationFrames(one, 3, 0, 135, std::nan("")).size(), 3u);  // NaN keeps the size
}

TEST(RotaryKnob, ShowsTheFrameOfItsValueAndWorksWithoutFrames) {
    FrameSeries frames;
    for (int i = 0; i < 128; ++i)
        frames.push_back(makeBitmap(10, 10, 2.0, [i](std::uint32_t, std::uint32_t) {
            return CColor(static_cast<std::uint8_t>(i * 2), 0, 0, 255);
        }));
    RotaryKnob knob(CRect(0, 0, 10, 10), nullptr, 100, frames);
    EXPECT_EQ(frames.front()->getNbReference(), 2);  // the test's and the knob's
    for (auto [v, index] :
         {std::pair{0.0f, 0u}, {1.0f, 127u}, {0.5f, 64u}, {0.25f, 32u}, {-1.0f, 0u}, {2.0f, 127u}})
        EXPECT_EQ(knob.frameIndexFor(v), index) << v;

    // The frame drawn: an offscreen frame with the knob at value 0.5 shows frame 64's colour.
    auto* frame = new VSTGUI::CFrame(CRect(0, 0, 20, 20), nullptr);
    frame->open(nullptr);
    auto* shown = new RotaryKnob(CRect(5, 5, 15, 15), nullptr, 100, frames);
    shown->setValueNormalized(0.5f);
    frame->addView(shown);
    EXPECT_EQ(imagePixelAt(frame->copyImage(), 10, 10).red, 128);
    auto* copy = static_cast<RotaryKnob*>(shown->newCopy());
    EXPECT_EQ(copy->getFrames().size(), 128u);
    copy->forget();
    frame->close();
    EXPECT_EQ(frames.front()->getNbReference(), 2);

    EditRecorder recorder;
    RotaryKnob bare(CRect(0, 0, 40, 40), &recorder, 103, {});
    CPoint at(20, 20);
    EXPECT_EQ(bare.onMouseDown(at, VSTGUI::kLButton), VSTGUI::kMouseEventHandled);
    CPoint up(20, 0);
    bare.onMouseMoved(up, VSTGUI::kLButton);
    bare.onMouseUp(up, VSTGUI::kLButton);
    EXPECT_NEAR(bare.getValueNormalized(), 0.1f, 1e-6);
    EXPECT_EQ(recorder.calls.front(), "begin 103");
    EXPECT_EQ(recorder.calls.back(), "end 103");
}

// --- lamp ----------------------------------------------------------------------------------

// A lamp of lens 21 in a 40 x 40 view on a black offscreen frame at zoom 4, its pixels.
struct LampImage {
    VSTGUI::PlatformBitmapPtr image;
    static constexpr double kZoom = 4.0;
    explicit LampImage(float brightness, CColor colour = CColor(255, 255, 255, 255)) {
        auto* frame = new VSTGUI::CFrame(CRect(0, 0, 40, 40), nullptr);
        frame->setZoom(kZoom);
        frame->open(nullptr);
        auto* led = new LedView(CRect(0, 0, 40, 40), colour, 21.0);
        led->setBrightness(brightness);
        frame->addView(led);
        image = frame->copyImage();
        frame->close();
    }
    // The pixel at a point (in points) of the lamp's view.
    CColor at(double x, double y) const {
        return imagePixelAt(image, static_cast<std::uint32_t>(x * kZoom),
                            static_cast<std::uint32_t>(y * kZoom));
    }
};

TEST(LedView, RingAlphasAndCoreColourOnRenderedPixels) {
    // Lens 21 centred in 40: lens from 9.5 to 30.5; ring k reaches 8.82 x (6 - k) / 6 beyond.
    // Points on the horizontal through the centre, one inside each ring band only: the black
    // frame shows each band as the sum of the rings over it, so measure red = sum of alphas.
    struct Case {
        float brightness;
        int rings[6];
        CColor core;
    };
    for (const Case& c : {Case{1.0f, {6, 7, 13, 23, 37, 54}, CColor(255, 255, 255, 255)},
                          Case{0.5f, {3, 3, 6, 11, 18, 27}, CColor(172, 172, 172, 255)},
                          Case{0.01f, {0, 0, 0, 0, 0, 0}, CColor(90, 90, 90, 255)}}) {
        const LampImage lamp(c.brightness);
        // Over ring k's band only rings 0..k lie: each ring is white at alpha ak, composited.
        double expected = 0.0;  // white over black: v = v + (255 - v) x a / 255
        for (int k = 0; k < 6; ++k) {
            expected = expected + (255.0 - expected) * c.rings[k] / 255.0;
            const double outer = 9.5 - 8.82 * (6 - k) / 6.0;
            const double inner = 9.5 - 8.82 * (5 - k) / 6.0;
            const CColor px = lamp.at((outer + inner) / 2.0, 20.0);
            EXPECT_NEAR(px.red, expected, 2.5) << c.brightness << " ring " << k;
        }
        EXPECT_TRUE(sameColour(lamp.at(20.0, 20.0), c.core))
            << c.brightness << ": " << int(lamp.at(20, 20).red);
    }
    // Unlit: the body (30, 30, 34 at alpha 200 over black) and nothing outside the lens.
    const LampImage off(0.0f);
    const CColor body = off.at(20.0, 20.0);
    EXPECT_NEAR(body.red, 30 * 200 / 255.0, 1.5);
    EXPECT_NEAR(body.blue, 34 * 200 / 255.0, 1.5);
    EXPECT_EQ(off.at(3.0, 20.0).red, 0);
    // A coloured lamp keeps its channels in order in the core: 90 x 0.675 = 60.
    EXPECT_TRUE(sameColour(LampImage(0.5f, CColor(90, 255, 90, 255)).at(20, 20), CColor(60, 172, 60, 255)));
    // Above 1 draws as 1.
    EXPECT_TRUE(sameColour(LampImage(3.0f).at(20, 20), CColor(255, 255, 255, 255)));
}

TEST(LedView, RedrawsOnlyOnVisibleChange) {
    auto* frame = new VSTGUI::CFrame(CRect(0, 0, 40, 40), nullptr);
    frame->open(nullptr);
    auto* led = new LedView(CRect(0, 0, 40, 40), CColor(255, 255, 255, 255), 21.0);
    frame->addView(led);
    frame->paint();
    const auto paints = frame->getPaintCount();
    led->setBrightness(0.003f);
    frame->paint();
    EXPECT_EQ(led->getBrightness(), 0.0f);
    EXPECT_EQ(frame->getPaintCount(), paints);
    led->setBrightness(0.005f);
    frame->paint();
    EXPECT_EQ(led->getBrightness(), 0.005f);
    EXPECT_EQ(frame->getPaintCount(), paints + 1);
    led->setBrightness(7.0f);
    EXPECT_EQ(led->getBrightness(), 7.0f);  // stored unclamped
    EXPECT_FALSE(led->getMouseEnabled());
    frame->close();
}

TEST(LedView, TwoInputColourAndLevel) {
    const CColor own(255, 255, 255, 255), second(90, 255, 90, 255), both(255, 190, 60, 255);
    struct Case {
        float a, b;
        CColor colour;
        float level;
    };
    for (const Case& c :
         {Case{0.5f, 0.01f, own, 0.5f}, Case{0.01f, 0.5f, second, 0.5f}, Case{0.03f, 0.03f, both, 0.03f},
          Case{0.02f, 0.02f, own, 0.02f}, Case{0.0f, 0.0f, own, 0.0f}}) {
        LedView led(CRect(0, 0, 40, 40), own, 21.0);
        led.setBiColour(second, both);
        led.setBrightness(c.a, c.b);
        EXPECT_TRUE(sameColour(led.getActiveColour(), c.colour)) << c.a << "," << c.b;
        EXPECT_FLOAT_EQ(led.getBrightness(), c.level) << c.a << "," << c.b;
    }
    // A colour change within the level step still redraws and stores both.
    LedView led(CRect(0, 0, 40, 40), own, 21.0);
    led.setBiColour(second, both);
    led.setBrightness(0.5f, 0.0f);
    led.setBrightness(0.0f, 0.501f);
    EXPECT_TRUE(sameColour(led.getActiveColour(), second));
    EXPECT_FLOAT_EQ(led.getBrightness(), 0.501f);
    // A single-input lamp ignores the second input.
    LedView single(CRect(0, 0, 40, 40), own, 21.0);
    single.setBrightness(0.1f, 0.9f);
    EXPECT_FLOAT_EQ(single.getBrightness(), 0.1f);
}

TEST(LedView, DiameterZeroUsesTheSmallerSide) {
    auto* frame = new VSTGUI::CFrame(CRect(0, 0, 40, 20), nullptr);
    frame->setZoom(2.0);
    frame->open(nullptr);
    auto* led = new LedView(CRect(0, 0, 40, 20), CColor(255, 255, 255, 255), 0.0);
    led->setBrightness(1.0f);
    frame->addView(led);
    auto image = frame->copyImage();
    // Lens 20 across centred at x 20: its core (inset 2.8) is white at x 20, the lens edge at
    // x 10; well beyond the glow (8.4 points) it is black.
    EXPECT_EQ(imagePixelAt(image, 40, 20).red, 255);
    EXPECT_EQ(imagePixelAt(image, 2, 20).red, 0);
    frame->close();
}

// --- lever toggle --------------------------------------------------------------------------

TEST(ToggleView, PositionsFromTheConstructorArgument) {
    for (auto [arg, count, start] :
         {std::tuple{3, 3, 1}, {2, 3, 1}, {7, 3, 1}, {1, 2, 0}, {0, 2, 0}, {-4, 2, 0}}) {
        ToggleView t(CRect(0, 0, 49, 59), nullptr, 402, nullptr, nullptr, nullptr, arg);
        EXPECT_EQ(t.positionCount(), count) << arg;
        EXPECT_EQ(t.position(), start) << arg;
        EXPECT_EQ(t.getMax(), static_cast<float>(count - 1)) << arg;
    }
}

TEST(ToggleView, ClickThirdsAndButtonRules) {
    EditRecorder recorder;
    ToggleView t(CRect(10, 100, 59, 159), &recorder, 103, nullptr, nullptr, nullptr, 3);
    struct Case {
        double y;
        VSTGUI::CButtonState buttons;
        VSTGUI::CMouseEventResult result;
        int position;
        std::size_t calls;  // listener calls so far
    };
    const double third = 59.0 / 3.0;
    for (const Case& c :
         {Case{100 + third - 0.01, VSTGUI::kLButton, VSTGUI::kMouseEventHandled, 0, 3},
          Case{100 + 2, VSTGUI::kLButton, VSTGUI::kMouseEventHandled, 0, 3},  // already there
          Case{100 + third + 0.01, VSTGUI::kLButton, VSTGUI::kMouseEventHandled, 1, 6},
          Case{100 + 2 * third - 0.01, VSTGUI::kLButton | VSTGUI::kShift, VSTGUI::kMouseEventHandled, 1, 6},
          Case{100 + 2 * third + 0.01, VSTGUI::kLButton | VSTGUI::kApple, VSTGUI::kMouseEventHandled, 2, 9},
          Case{100, VSTGUI::kRButton, VSTGUI::kMouseEventNotHandled, 2, 9},
          Case{100, VSTGUI::kMButton, VSTGUI::kMouseEventNotHandled, 2, 9},
          Case{100, VSTGUI::kLButton | VSTGUI::kRButton, VSTGUI::kMouseEventNotHandled, 2, 9},
          Case{90, VSTGUI::kLButton, VSTGUI::kMouseEventHandled, 0, 12},  // above counts as the top
          Case{159, VSTGUI::kLButton, VSTGUI::kMouseEventHandled, 2, 15}}) {
        CPoint where(30, c.y);
        EXPECT_EQ(t.onMouseDown(where, c.buttons), c.result) << c.y;
        EXPECT_EQ(t.position(), c.position) << c.y;
        EXPECT_EQ(recorder.calls.size(), c.calls) << c.y;
    }
    EXPECT_EQ(recorder.calls[0], "begin 103");
    EXPECT_EQ(recorder.calls[1], "value 103 0");
    EXPECT_EQ(recorder.calls[2], "end 103");
    t.setPosition(-1);
    EXPECT_EQ(t.position(), 0);
    t.setPosition(5);
    EXPECT_EQ(t.position(), 2);
    EXPECT_EQ(recorder.calls.size(), 15u);  // setPosition tells nobody

    ToggleView two(CRect(0, 0, 49, 60), &recorder, 402, nullptr, nullptr, nullptr, 1);
    CPoint lower(20, 31);
    two.onMouseDown(lower, VSTGUI::kLButton);
    EXPECT_EQ(two.position(), 1);
}

TEST(ToggleView, DrawsThePictureOfItsPositionCentred) {
    auto solid = [](std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        return makeBitmap(20, 20, 2.0, [=](std::uint32_t, std::uint32_t) { return CColor(r, g, b, 255); });
    };
    auto up = solid(255, 0, 0), mid = solid(0, 255, 0), down = solid(0, 0, 255);
    auto* frame = new VSTGUI::CFrame(CRect(0, 0, 40, 40), nullptr);
    frame->open(nullptr);
    auto* three = new ToggleView(CRect(0, 0, 40, 40), nullptr, 1, up, mid, down, 3);
    frame->addView(three);
    auto image = frame->copyImage();  // mid: 10 x 10 points centred, 15 to 25
    EXPECT_TRUE(sameColour(imagePixelAt(image, 20, 20), CColor(0, 255, 0, 255)));
    EXPECT_TRUE(sameColour(imagePixelAt(image, 12, 20), CColor(0, 0, 0, 255)));
    three->setPosition(2);
    EXPECT_TRUE(sameColour(imagePixelAt(frame->copyImage(), 20, 20), CColor(0, 0, 255, 255)));
    frame->removeView(three);
    auto* two = new ToggleView(CRect(0, 0, 40, 40), nullptr, 1, up, mid, down, 0);
    frame->addView(two);
    EXPECT_TRUE(sameColour(imagePixelAt(frame->copyImage(), 20, 20), CColor(255, 0, 0, 255)));
    two->setPosition(1);  // a two-position toggle shows the down picture at position 1
    EXPECT_TRUE(sameColour(imagePixelAt(frame->copyImage(), 20, 20), CColor(0, 0, 255, 255)));
    auto* blank = new ToggleView(CRect(0, 0, 40, 40), nullptr, 1, nullptr, nullptr, nullptr, 3);
    frame->addView(blank);  // draws nothing over the other
    EXPECT_TRUE(sameColour(imagePixelAt(frame->copyImage(), 20, 20), CColor(0, 0, 255, 255)));
    frame->close();
}

// --- footswitch ----------------------------------------------------------------------------

TEST(FootswitchView, EditSequences) {
    struct Step {
        char action;  // d = press, u = release, c = press lost
        VSTGUI::CButtonState buttons;
    };
    struct Case {
        bool momentary;
        std::vector<Step> steps;
        std::vector<std::string> calls;
    };
    const auto L = VSTGUI::CButtonState(VSTGUI::kLButton);
    const auto R = VSTGUI::CButtonState(VSTGUI::kRButton);
    for (const Case& c : std::vector<Case>{
             {true, {{'d', L}, {'u', L}}, {"begin 204", "value 204 1", "value 204 0", "end 204"}},
             {true, {{'d', L}, {'c', L}}, {"begin 204", "value 204 1", "value 204 0", "end 204"}},
             {true, {{'u', L}}, {}},  // a release without a press sends nothing
             {true, {{'d', R}}, {}},
             {false,
              {{'d', L}, {'u', L}, {'d', L}, {'c', L}},
              {"begin 204", "value 204 1", "end 204", "begin 204", "value 204 0", "end 204"}},
         }) {
        EditRecorder recorder;
        FootswitchView fs(CRect(0, 0, 81, 83), &recorder, 204, nullptr, c.momentary);
        for (const Step& s : c.steps) {
            CPoint at(40, 40);
            VSTGUI::CMouseEventResult r = s.action == 'd'   ? fs.onMouseDown(at, s.buttons)
                                          : s.action == 'u' ? fs.onMouseUp(at, s.buttons)
                                                            : fs.onMouseCancel();
            EXPECT_EQ(r, s.buttons == R ? VSTGUI::kMouseEventNotHandled : VSTGUI::kMouseEventHandled);
        }
        EXPECT_EQ(recorder.calls, c.calls) << c.momentary << " " << c.steps.size();
    }
}

TEST(FootswitchView, PictureFromTheTopLeftClippedToTheView) {
    auto big =
        makeBitmap(200, 200, 2.0, [](std::uint32_t, std::uint32_t) { return CColor(200, 10, 10, 255); });
    auto* frame = new VSTGUI::CFrame(CRect(0, 0, 200, 200), nullptr);
    frame->open(nullptr);
    frame->addView(new FootswitchView(CRect(50, 50, 120, 130), nullptr, 204, big, true));
    auto image = frame->copyImage();
    // (The filter may ring by a few steps next to the picture's edges.)
    EXPECT_NEAR(imagePixelAt(image, 51, 51).red, 200, 8);
    EXPECT_NEAR(imagePixelAt(image, 119, 129).red, 200, 8);
    EXPECT_EQ(imagePixelAt(image, 121, 100).red, 0);  // clipped at the right
    EXPECT_EQ(imagePixelAt(image, 100, 131).red, 0);  // and at the bottom
    frame->close();
}

// --- pictures ------------------------------------------------------------------------------

TEST(LoadImage, DensityAndScaleFactor) {
    struct Case {
        const char* name;
        double factor, width, height;
    };
    for (const Case& c : {Case{"toggle-mid", 2.0, 49.5, 59.0}, Case{"small-knob@2x", 1.0, 78.0, 78.0},
                          Case{"mp-corlindejr", 2.0, 394.0, 721.5}}) {
        auto b = PanelEditor::loadImage(c.name, false);
        ASSERT_TRUE(b) << c.name;
        EXPECT_EQ(b->getPlatformBitmap()->getScaleFactor(), c.factor) << c.name;
        EXPECT_DOUBLE_EQ(b->getWidth(), c.width) << c.name;
        EXPECT_DOUBLE_EQ(b->getHeight(), c.height) << c.name;
        EXPECT_EQ(b->getNbReference(), 1);
    }
    EXPECT_FALSE(PanelEditor::loadImage("no-such-picture", false));
    EXPECT_FALSE(PanelEditor::loadImage("TOGGLE-MID", false));
    EXPECT_FALSE(PanelEditor::loadImage(nullptr, false));
}

TEST(LoadImage, InversionOfAPixelFixture) {
    auto fixture = makeBitmap(2, 1, 1.0, [](std::uint32_t x, std::uint32_t) {
        return x == 0 ? CColor(10, 20, 30, 128) : CColor(10, 20, 30, 0);
    });
    invertColours(fixture);
    EXPECT_TRUE(sameColour(pixelAt(fixture, 0, 0), CColor(245, 235, 225, 128)));
    EXPECT_TRUE(sameColour(pixelAt(fixture, 1, 0), CColor(10, 20, 30, 0)));
}

TEST(LoadImage, InversionKeepsAlphaAndClearPixels) {
    auto plain = PanelEditor::loadImage("small-knob", false);
    auto inverted = PanelEditor::loadImage("small-knob", true);
    ASSERT_TRUE(plain && inverted);
    int opaque = 0, clear = 0;
    for (std::uint32_t y = 0; y < 78; y += 3)
        for (std::uint32_t x = 0; x < 78; x += 3) {
            const CColor a = pixelAt(plain, x, y), b = pixelAt(inverted, x, y);
            ASSERT_EQ(a.alpha, b.alpha);
            if (a.alpha == 0) {
                ++clear;
                ASSERT_TRUE(sameColour(a, b));
            } else {
                ++opaque;
                ASSERT_TRUE(sameColour(b, CColor(255 - a.red, 255 - a.green, 255 - a.blue, a.alpha)))
                    << x << "," << y;
            }
        }
    EXPECT_GT(opaque, 100);
    EXPECT_GT(clear, 10);
}

}  // namespace
