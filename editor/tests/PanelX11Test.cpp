// The editor in a real X11 window under Xvfb, driven as a host drives it (its descriptor
// and timer callbacks): a knob drag and a footswitch press injected with XTest reach the
// host as parameter events of the next processed block, and the press switches the
// firmware's bypass.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "FakeGuiHost.h"
#include "platform/vstgui/tests/X11TestSupport.h"
#include "plugin/FXCorePlugin.h"
#include "plugin/tests/ClapTestEvents.h"

using namespace fxcoreplug;
using test::gestureBegin;
using test::gestureEnd;
using test::valueEvent;

namespace {

constexpr std::uint32_t kBlock = 256;

struct PanelInX11 : ::testing::Test, x11_test::TestWindow {
    fxcoreplug_test::FakeGuiHost fakeHost;
    std::unique_ptr<FXCorePlugin> plugin;
    const clap_plugin* p = nullptr;
    const clap_plugin_posix_fd_support* fds = nullptr;
    test::StereoBlock block{kBlock};
    test::OutputEvents out;

    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
        ASSERT_TRUE(openWindow(394, 722));
        plugin = std::make_unique<FXCorePlugin>(&fakeHost.host);
        p = &plugin->clapPlugin;
        fds = static_cast<const clap_plugin_posix_fd_support*>(
            pluginGetExtension(p, CLAP_EXT_POSIX_FD_SUPPORT));
        ASSERT_TRUE(p->init(p));
        ASSERT_TRUE(p->activate(p, 48000.0, 1, kBlock));
        ASSERT_TRUE(p->start_processing(p));
        for (int i = 0; i < 8; ++i) run();  // the program applied, the pedal engaged
        auto* gui = static_cast<const clap_plugin_gui*>(pluginGetExtension(p, CLAP_EXT_GUI));
        clap_window window{};
        window.api = CLAP_WINDOW_API_X11;
        window.x11 = top;
        ASSERT_TRUE(gui->create(p, "x11", false));
        ASSERT_TRUE(gui->set_parent(p, &window));
        ASSERT_EQ(fakeHost.liveFds.size(), 1u);
        ASSERT_TRUE(pumpUntil([&] { return viewable(top); }));
    }
    void TearDown() override {
        plugin.reset();
        closeWindow();
    }

    void run() { p->process(p, block.process(kBlock, nullptr, out.list())); }
    // Serves the editor's descriptor as a host would until done(), woken when it is readable.
    bool pumpUntil(const std::function<bool()>& done) {
        return x11_test::pollUntil(
            [&] {
                for (int fd : std::vector<int>(fakeHost.liveFds)) fds->on_fd(p, fd, CLAP_POSIX_FD_READ);
            },
            done, [&] { return fakeHost.liveFds; });
    }
    // The change ring holds something the host has not been sent.
    bool queued() { return plugin->queueHead.load() != plugin->queueTail.load(); }
    std::uint64_t queuedCount() { return (plugin->queueHead.load() - plugin->queueTail.load()) & 0xFF; }
    float dutyOfOutput0() {
        float duty[2] = {0, 0};
        plugin->core.readUserDuty(duty);
        return duty[0];
    }
};

TEST_F(PanelInX11, InjectedKnobDragAndFootswitchPress) {
    // Knob 1 (MIX, centre 196, 85): press, drag 40 points up, release.
    fake(XCB_MOTION_NOTIFY, 0, 196, 85);
    fake(XCB_BUTTON_PRESS, 1);
    ASSERT_TRUE(pumpUntil([&] { return queued(); }));
    fake(XCB_MOTION_NOTIFY, 0, 196, 45);
    fake(XCB_BUTTON_RELEASE, 1);
    ASSERT_TRUE(pumpUntil([&] { return queuedCount() >= 3; }));
    EXPECT_TRUE(out.seen().empty());
    run();
    ASSERT_GE(out.seen().size(), 3u);
    EXPECT_EQ(out.seen().front(), gestureBegin(101));
    EXPECT_EQ(out.seen().back(), gestureEnd(101));
    EXPECT_EQ(out.seen()[out.seen().size() - 2], valueEvent(101, static_cast<double>(0.7f)));
    EXPECT_EQ(plugin->paramValue(101), static_cast<double>(0.7f));
    out.clear();

    // The footswitch (BYPASS, centre 196, 617).
    ASSERT_EQ(dutyOfOutput0(), 1.0f);
    fake(XCB_MOTION_NOTIFY, 0, 196, 617);
    fake(XCB_BUTTON_PRESS, 1);
    fake(XCB_BUTTON_RELEASE, 1);
    ASSERT_TRUE(pumpUntil([&] { return queuedCount() >= 4; }));
    run();
    EXPECT_EQ(out.seen(), (std::vector<test::SeenEvent>{gestureBegin(204), valueEvent(204, 1.0),
                                                        valueEvent(204, 0.0), gestureEnd(204)}));
    // The press is held from the start of that block; once debounced (480 samples) the pedal
    // is bypassed and output 0 goes off: on for 480 samples of the three blocks, then off.
    run();
    run();
    EXPECT_NEAR(dutyOfOutput0() * 3 * kBlock, 480.0, 2.0);
    run();
    EXPECT_EQ(dutyOfOutput0(), 0.0f);
}

}  // namespace
