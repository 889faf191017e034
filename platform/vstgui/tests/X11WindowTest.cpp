// A frame embedded in a real X11 window (run under Xvfb): a pointer click injected with
// XTest reaches the view, and what the window shows is the frame's offscreen image.
#include <gtest/gtest.h>
#include <poll.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>

#include "TestViews.h"
#include "X11TestSupport.h"

using namespace VSTGUI;

namespace {

// A view that turns from red to green when clicked.
struct ClickView : vstgui_test::ProbeView {
    using ProbeView::ProbeView;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& b) override {
        colour = CColor(0, 200, 0);
        invalid();
        return ProbeView::onMouseDown(where, b);
    }
};

struct X11Fixture : ::testing::Test, x11_test::TestWindow {
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
        ASSERT_TRUE(openWindow(300, 200, true));
        ASSERT_TRUE(waitFor([&] { return viewable(top); }));
        loop.useManualClock(0);
    }
    void TearDown() override { closeWindow(); }

    // Runs the event loop until done(), woken by the frames' connections.
    bool waitFor(const std::function<bool()>& done) {
        return x11_test::pollUntil([&] { loop.processEvents(); }, done,
                                   [&] { return loop.fileDescriptors(); });
    }
    // Whether the window shows exactly the frame's image (red, green and blue of every pixel).
    bool windowShowsImage(CFrame* frame) {
        PlatformBitmapPtr image = frame->copyImage();
        const auto w = static_cast<std::uint16_t>(image->getSize().x);
        const auto h = static_cast<std::uint16_t>(image->getSize().y);
        auto* shot = xcb_get_image_reply(
            c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, frame->getWindowId(), 0, 0, w, h, ~0u), nullptr);
        if (!shot) return false;
        const std::uint8_t* data = xcb_get_image_data(shot);
        bool same = xcb_get_image_data_length(shot) >= w * h * 4;
        auto bitmap = makeOwned<CBitmap>(image);
        auto access = CBitmapPixelAccess::create(bitmap, false);
        for (size_t i = 0; same; ++i) {
            CColor p;
            access->getColor(p);
            same = data[i * 4 + 2] == p.red && data[i * 4 + 1] == p.green && data[i * 4] == p.blue;
            if (!++*access) break;
        }
        std::free(shot);
        return same;
    }
    void pointerTo(xcb_window_t w, std::int16_t x, std::int16_t y) {
        auto* t =
            xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, w, screen->root, x, y), nullptr);
        ASSERT_NE(t, nullptr);
        fake(XCB_MOTION_NOTIFY, 0, t->dst_x, t->dst_y);
        std::free(t);
    }

    EventLoop loop;
};

TEST_F(X11Fixture, ClickReachesTheViewAndTheWindowShowsTheOffscreenImage) {
    EventLoop::Scope scope(loop);
    auto* frame = new CFrame(CRect(0, 0, 120, 90), nullptr);
    auto* view = new ClickView(CRect(20, 10, 100, 80), CColor(255, 0, 0));
    frame->addView(view);
    ASSERT_TRUE(frame->open(reinterpret_cast<void*>(static_cast<std::uintptr_t>(top))));
    ASSERT_NE(frame->getWindowId(), 0u);
    ASSERT_GE(frame->getFileDescriptor(), 0);
    EXPECT_EQ(loop.fileDescriptors(), std::vector<int>{frame->getFileDescriptor()});
    ASSERT_TRUE(waitFor([&] { return viewable(frame->getWindowId()); }));
    EXPECT_TRUE(waitFor([&] { return windowShowsImage(frame); }));

    pointerTo(frame->getWindowId(), 60, 45);
    fake(XCB_BUTTON_PRESS, 1);
    fake(XCB_BUTTON_RELEASE, 1);
    ASSERT_TRUE(waitFor([&] { return view->mouse.size() >= 2; }));
    EXPECT_EQ(view->mouse, (std::vector<std::string>{"down 2", "up 2"}));
    EXPECT_EQ(view->lastPoint, CPoint(60, 45));

    // The click changed the view's colour: the window follows the image.
    EXPECT_EQ(vstgui_test::pixelAt(frame->copyImage(), 60, 45), CColor(0, 200, 0));
    EXPECT_TRUE(waitFor([&] { return windowShowsImage(frame); }));

    fake(XCB_BUTTON_PRESS, 4);  // one wheel notch up
    fake(XCB_BUTTON_RELEASE, 4);
    ASSERT_TRUE(waitFor([&] { return view->mouse.size() >= 3; }));
    EXPECT_EQ(view->mouse.back(), "wheel y 1");
    frame->close();
    EXPECT_TRUE(loop.fileDescriptors().empty());
}

TEST_F(X11Fixture, ZoomResizesTheWindowInPixels) {
    EventLoop::Scope scope(loop);
    auto* frame = new CFrame(CRect(0, 0, 100, 60), nullptr);
    frame->addView(new vstgui_test::ProbeView(CRect(10, 10, 50, 50), CColor(0, 0, 255)));
    ASSERT_TRUE(frame->open(reinterpret_cast<void*>(static_cast<std::uintptr_t>(top))));
    ASSERT_TRUE(frame->setZoom(1.5));
    frame->paint();
    EXPECT_EQ(sizeOf(frame->getWindowId()), std::make_pair(150, 90));
    EXPECT_TRUE(waitFor([&] { return windowShowsImage(frame); }));
    frame->close();
}

// A frame whose server dies: once it has read the end of its connection it draws nothing
// more, gives up its descriptor and says so; closing it is harmless.
TEST(X11ConnectionLoss, FrameStopsDrawingAndGivesUpItsDescriptor) {
    x11_test::PrivateXServer server;
    if (!server.start()) GTEST_SKIP() << "Xvfb cannot be started";
    const x11_test::DisplayOverride display(server.name());  // where the frame connects
    x11_test::TestWindow window;
    ASSERT_TRUE(window.openWindow(300, 200));
    EventLoop loop;
    EventLoop::Scope scope(loop);
    auto* frame = new CFrame(CRect(0, 0, 120, 90), nullptr);
    auto* view = new vstgui_test::ProbeView(CRect(20, 10, 100, 80), CColor(255, 0, 0));
    frame->addView(view);
    ASSERT_TRUE(frame->open(reinterpret_cast<void*>(static_cast<std::uintptr_t>(window.top))));
    const int fd = frame->getFileDescriptor();
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(frame->isConnectionLost());

    server.kill();
    pollfd readable{fd, POLLIN, 0};
    ASSERT_EQ(::poll(&readable, 1, -1), 1);  // end of file
    const std::uint64_t paints = frame->getPaintCount();
    view->invalid();
    loop.processEvents();  // reads the end of the connection, then would paint
    EXPECT_TRUE(frame->isConnectionLost());
    EXPECT_EQ(frame->getFileDescriptor(), -1);
    EXPECT_TRUE(loop.fileDescriptors().empty());
    EXPECT_EQ(frame->getPaintCount(), paints);
    EXPECT_TRUE(frame->setZoom(2.0));  // nothing is sent on the dead connection
    frame->setWindowMapped(false);
    loop.processEvents();
    EXPECT_EQ(frame->getPaintCount(), paints);
    frame->close();
    window.closeWindow();
}

TEST_F(X11Fixture, OpenFailsWithoutAUsableParent) {
    auto* frame = new CFrame(CRect(0, 0, 10, 10), nullptr);
    EXPECT_FALSE(frame->open(reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x3ffffffu))));
    EXPECT_FALSE(frame->isOpen());
    EXPECT_EQ(frame->getFileDescriptor(), -1);
    ASSERT_TRUE(frame->open(nullptr));  // still usable offscreen
    EXPECT_FALSE(frame->open(nullptr));
    frame->close();
}

}  // namespace
