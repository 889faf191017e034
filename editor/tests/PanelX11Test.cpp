// The editor in a real X11 window under Xvfb, driven as a host drives it (its descriptor
// and timer callbacks): a knob drag and a footswitch press injected with XTest reach the
// host as parameter events of the next processed block, and the press switches the
// firmware's bypass.
#include <gtest/gtest.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>

#include "FakeGuiHost.h"
#include "plugin/FXCorePlugin.h"
#include "plugin/tests/ClapTestEvents.h"

using namespace fxcoreplug;
using test::gestureBegin;
using test::gestureEnd;
using test::valueEvent;

namespace {

// The X server resets when its last client leaves; hold one connection for the run.
struct KeepServerAlive : ::testing::Environment {
  void SetUp() override {
    if (std::getenv("DISPLAY")) keeper = xcb_connect(nullptr, nullptr);
  }
  void TearDown() override {
    if (keeper) xcb_disconnect(keeper);
  }
  xcb_connection_t* keeper = nullptr;
};
const auto* const s_keepServerAlive = ::testing::AddGlobalTestEnvironment(new KeepServerAlive);

constexpr std::uint32_t kBlock = 256;

struct PanelInX11 : ::testing::Test {
  xcb_connection_t* c = nullptr;
  xcb_window_t top = 0;
  xcb_window_t root = 0;
  fxcoreplug_test::FakeGuiHost fakeHost;
  std::unique_ptr<FXCorePlugin> plugin;
  const clap_plugin* p = nullptr;
  const clap_plugin_posix_fd_support* fds = nullptr;
  test::StereoBlock block{kBlock};
  test::OutputEvents out;

  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
    c = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(c));
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    root = screen->root;
    top = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, top, root, 0, 0, 394, 722, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, 0, nullptr);
    xcb_map_window(c, top);
    xcb_flush(c);
    plugin = std::make_unique<FXCorePlugin>(&fakeHost.host);
    p = &plugin->clapPlugin;
    fds = static_cast<const clap_plugin_posix_fd_support*>(pluginGetExtension(p, CLAP_EXT_POSIX_FD_SUPPORT));
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
    if (c) {
      xcb_destroy_window(c, top);
      xcb_disconnect(c);
    }
  }

  void run() { p->process(p, block.process(kBlock, nullptr, out.list())); }
  // Serves the editor's descriptor as a host would until done() or three seconds pass.
  bool pumpUntil(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < end) {
      for (int fd : std::vector<int>(fakeHost.liveFds)) fds->on_fd(p, fd, CLAP_POSIX_FD_READ);
      if (done()) return true;
      usleep(2000);
    }
    return false;
  }
  bool viewable(xcb_window_t w) {
    auto* a = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr);
    const bool yes = a && a->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(a);
    return yes;
  }
  void fake(std::uint8_t type, std::uint8_t detail, std::int16_t x = 0, std::int16_t y = 0) {
    xcb_test_fake_input(c, type, detail, XCB_CURRENT_TIME, type == XCB_MOTION_NOTIFY ? root : XCB_NONE, x, y, 0);
    xcb_flush(c);
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
  EXPECT_EQ(out.seen(), (std::vector<test::SeenEvent>{gestureBegin(204), valueEvent(204, 1.0), valueEvent(204, 0.0),
                                                      gestureEnd(204)}));
  // The press is held from the start of that block; once debounced (480 samples) the pedal
  // is bypassed and output 0 goes off: on for 480 samples of the three blocks, then off.
  run();
  run();
  EXPECT_NEAR(dutyOfOutput0() * 3 * kBlock, 480.0, 2.0);
  run();
  EXPECT_EQ(dutyOfOutput0(), 0.0f);
}

}  // namespace
