// The editor embedded in a real X11 window through the plug-in's gui table (under Xvfb),
// with the host's timer and descriptor support registered and released.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "FakeGuiHost.h"
#include "platform/vstgui/tests/X11TestSupport.h"
#include "plugin/FXCorePlugin.h"

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
  plugin->guiClickForTesting(100, 100);

  gui->destroy(p);
  EXPECT_TRUE(children().empty());
  EXPECT_TRUE(fakeHost.liveFds.empty());
  EXPECT_TRUE(fakeHost.liveTimers.empty());
  EXPECT_EQ(fakeHost.unregisterFdCalls, 1);
  EXPECT_EQ(fakeHost.unregisterTimerCalls, 1);
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
