// The editor embedded in a real X11 window through the plug-in's gui table (under Xvfb),
// with the host's timer and descriptor support registered and released.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "FakeGuiHost.h"
#include "editor/PanelEditor.h"
#include "platform/vstgui/tests/X11TestSupport.h"
#include "plugin/FXCorePlugin.h"
#include "plugin/tests/ClapTestEvents.h"

using fxcoreplug::FXCorePlugin;

namespace {

struct EmbeddedGui : ::testing::Test, x11_test::TestWindow {
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
        ASSERT_TRUE(openWindow(800, 800));
    }
    void TearDown() override {
        plugin.reset();
        closeWindow();
    }
    void makePlugin() {
        plugin = std::make_unique<FXCorePlugin>(&fakeHost.host);
        p = &plugin->clapPlugin;
        gui = static_cast<const clap_plugin_gui*>(fxcoreplug::pluginGetExtension(p, CLAP_EXT_GUI));
    }
    bool openIn(xcb_window_t parent) {
        clap_window window{};
        window.api = CLAP_WINDOW_API_X11;
        window.x11 = parent;
        return gui->create(p, "x11", false) && gui->set_parent(p, &window);
    }
    std::vector<xcb_window_t> children() {
        std::vector<xcb_window_t> result;
        if (auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, top), nullptr)) {
            const xcb_window_t* kids = xcb_query_tree_children(tree);
            result.assign(kids, kids + xcb_query_tree_children_length(tree));
            std::free(tree);
        }
        return result;
    }

    fxcoreplug_test::FakeGuiHost fakeHost;
    std::unique_ptr<FXCorePlugin> plugin;
    const clap_plugin* p = nullptr;
    const clap_plugin_gui* gui = nullptr;
};

TEST_F(EmbeddedGui, ChildWindowWithHostTimerAndDescriptor) {
    makePlugin();
    ASSERT_TRUE(openIn(top));
    const auto kids = children();
    ASSERT_EQ(kids.size(), 1u);
    EXPECT_EQ(sizeOf(kids[0]), std::make_pair(394, 722));
    ASSERT_EQ(fakeHost.liveFds.size(), 1u);
    ASSERT_EQ(fakeHost.liveTimers.size(), 1u);
    EXPECT_EQ(fakeHost.liveTimers.begin()->second, 33u);

    // The host's callbacks, including ones that are not ours, change nothing registered.
    auto* timers = static_cast<const clap_plugin_timer_support*>(
        fxcoreplug::pluginGetExtension(p, CLAP_EXT_TIMER_SUPPORT));
    auto* fds = static_cast<const clap_plugin_posix_fd_support*>(
        fxcoreplug::pluginGetExtension(p, CLAP_EXT_POSIX_FD_SUPPORT));
    timers->on_timer(p, fakeHost.liveTimers.begin()->first);
    timers->on_timer(p, 999);
    fds->on_fd(p, fakeHost.liveFds[0], CLAP_POSIX_FD_READ);
    fds->on_fd(p, -5, CLAP_POSIX_FD_READ);
    EXPECT_EQ(fakeHost.liveFds.size(), 1u);
    EXPECT_EQ(fakeHost.liveTimers.size(), 1u);

    // A second set_parent keeps the one window; the scale resizes it in pixels.
    EXPECT_TRUE(gui->set_parent(p, [&] {
        static clap_window w{};
        w.api = CLAP_WINDOW_API_X11;
        w.x11 = top;
        return &w;
    }()));
    EXPECT_EQ(children().size(), 1u);
    ASSERT_TRUE(gui->set_scale(p, 2.0));
    EXPECT_EQ(sizeOf(kids[0]), std::make_pair(788, 1444));
    // A click in the scaled window lands on the control at its point: MIX (centre 196, 85
    // in points) at twice the pixels.
    fake(XCB_MOTION_NOTIFY, 0, 392, 170);
    fake(XCB_BUTTON_PRESS, 1);
    fake(XCB_BUTTON_RELEASE, 1);
    ASSERT_TRUE(x11_test::pollUntil(
        [&] {
            for (int fd : std::vector<int>(fakeHost.liveFds)) fds->on_fd(p, fd, CLAP_POSIX_FD_READ);
        },
        [&] { return ((plugin->queueHead.load() - plugin->queueTail.load()) & 0xFF) >= 2; },
        [&] { return fakeHost.liveFds; }));
    fxcoreplug::test::OutputEvents out;
    plugin->drainGuiQueue(out.list());
    EXPECT_EQ(out.seen(), (std::vector<fxcoreplug::test::SeenEvent>{fxcoreplug::test::gestureBegin(101),
                                                                    fxcoreplug::test::gestureEnd(101)}));

    gui->destroy(p);
    EXPECT_TRUE(children().empty());
    EXPECT_TRUE(fakeHost.liveFds.empty());
    EXPECT_TRUE(fakeHost.liveTimers.empty());
    EXPECT_EQ(fakeHost.unregisterFdCalls, 1);
    EXPECT_EQ(fakeHost.unregisterTimerCalls, 1);
}

// A window record the editor cannot embed in: set_parent answers false and leaves no
// window, connection or host registration behind; the same editor then opens in a real one.
TEST_F(EmbeddedGui, RefusesAParentItCannotHonour) {
    makePlugin();
    ASSERT_TRUE(gui->create(p, "x11", false));
    const xcb_window_t unknown = xcb_generate_id(c);  // an id of ours, never created
    const struct {
        const char* what;
        const char* api;
        clap_xwnd id;
    } cases[] = {
        {"foreign api", CLAP_WINDOW_API_COCOA, top},
        {"api in capitals", "X11", top},
        {"no api", nullptr, top},
        {"unknown window", CLAP_WINDOW_API_X11, unknown},
        {"id wider than 32 bits", CLAP_WINDOW_API_X11, (clap_xwnd{1} << 32) | top},
    };
    for (const auto& k : cases) {
        clap_window window{};
        window.api = k.api;
        window.x11 = k.id;
        EXPECT_FALSE(gui->set_parent(p, &window)) << k.what;
        EXPECT_FALSE(plugin->editor->isOpen()) << k.what;
        EXPECT_TRUE(children().empty()) << k.what;
        EXPECT_TRUE(fakeHost.liveFds.empty()) << k.what;
        EXPECT_TRUE(fakeHost.liveTimers.empty()) << k.what;
    }
    ASSERT_TRUE(openIn(top));
    EXPECT_EQ(children().size(), 1u);
}

// The smallest scale taken, before and after the window opens: the window has its pixels.
TEST_F(EmbeddedGui, SmallestScaleStillGivesAWindow) {
    makePlugin();
    ASSERT_TRUE(gui->create(p, "x11", false));
    EXPECT_FALSE(gui->set_scale(p, 1e-9));
    ASSERT_TRUE(gui->set_scale(p, 0.25));
    ASSERT_TRUE(openIn(top));
    const auto kids = children();
    ASSERT_EQ(kids.size(), 1u);
    EXPECT_EQ(sizeOf(kids[0]), std::make_pair(99, 181));
    ASSERT_TRUE(gui->set_scale(p, 1.0));
    EXPECT_EQ(sizeOf(kids[0]), std::make_pair(394, 722));
    EXPECT_FALSE(gui->set_scale(p, 0.2));
    EXPECT_EQ(sizeOf(kids[0]), std::make_pair(394, 722));
}

// Hidden, the editor's window is unmapped and its tick stops (the host's timer goes back);
// shown again, it is mapped and up to date at once, and the host's timer comes back.
TEST_F(EmbeddedGui, HideUnmapsAndStopsTheTickShowMapsAndTicksAfresh) {
    makePlugin();
    ASSERT_TRUE(openIn(top));
    const auto kids = children();
    ASSERT_EQ(kids.size(), 1u);
    ASSERT_TRUE(gui->show(p));
    EXPECT_TRUE(viewable(kids[0]));
    const clap_id firstTimer = fakeHost.liveTimers.begin()->first;
    VSTGUI::CControl* mix = nullptr;
    for (VSTGUI::CControl* control : plugin->editor->getControls())
        if (control->getTag() == 101) mix = control;
    ASSERT_NE(mix, nullptr);
    auto* timers = static_cast<const clap_plugin_timer_support*>(
        fxcoreplug::pluginGetExtension(p, CLAP_EXT_TIMER_SUPPORT));

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        EXPECT_TRUE(gui->hide(p));
        EXPECT_FALSE(viewable(kids[0]));
        EXPECT_TRUE(fakeHost.liveTimers.empty());
        EXPECT_EQ(fakeHost.liveFds.size(), 1u);  // input may still come

        // A change while hidden is not polled for, whatever the host's timer does.
        const double value = round == 0 ? 0.9 : 0.2;
        plugin->writeParam(fxcoreplug::kParamPot0 + 1, value);
        const std::uint64_t paints = plugin->editor->getFrame()->getPaintCount();
        timers->on_timer(p, firstTimer);
        EXPECT_NE(mix->getValueNormalized(), static_cast<float>(value));
        EXPECT_EQ(plugin->editor->getFrame()->getPaintCount(), paints);

        EXPECT_TRUE(gui->show(p));
        EXPECT_TRUE(viewable(kids[0]));
        EXPECT_EQ(mix->getValueNormalized(), static_cast<float>(value));
        EXPECT_GT(plugin->editor->getFrame()->getPaintCount(), paints);
        ASSERT_EQ(fakeHost.liveTimers.size(), 1u);
        EXPECT_EQ(fakeHost.liveTimers.begin()->second, 33u);
        EXPECT_TRUE(gui->show(p));  // once more: already shown
        EXPECT_EQ(fakeHost.liveTimers.size(), 1u);
    }
    EXPECT_TRUE(gui->hide(p));
    gui->destroy(p);  // a hidden editor closes like a shown one
    EXPECT_TRUE(children().empty());
    EXPECT_TRUE(fakeHost.liveTimers.empty());
    EXPECT_TRUE(fakeHost.liveFds.empty());
}

TEST_F(EmbeddedGui, OpensWithoutTheHostsTimerAndDescriptorSupport) {
    fakeHost.offerTimers = false;
    fakeHost.offerFds = false;
    makePlugin();
    ASSERT_TRUE(openIn(top));
    EXPECT_EQ(children().size(), 1u);
    plugin.reset();  // destroying the plug-in closes its editor
    EXPECT_TRUE(children().empty());
}

}  // namespace
