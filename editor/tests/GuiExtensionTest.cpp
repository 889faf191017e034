// The plug-in's "clap.gui" table on X11, called as a host calls it (no display needed).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "FakeGuiHost.h"
#include "plugin/FXCorePlugin.h"

using fxcoreplug::FXCorePlugin;

namespace {

struct GuiTable : ::testing::Test {
    fxcoreplug_test::FakeGuiHost fakeHost;
    std::unique_ptr<FXCorePlugin> plugin = std::make_unique<FXCorePlugin>(&fakeHost.host);
    const clap_plugin* p = &plugin->clapPlugin;
    const clap_plugin_gui* gui =
        static_cast<const clap_plugin_gui*>(fxcoreplug::pluginGetExtension(p, CLAP_EXT_GUI));
};

TEST_F(GuiTable, OffersExactlyEmbeddedX11) {
    ASSERT_NE(gui, nullptr);
    EXPECT_TRUE(gui->is_api_supported(p, "x11", false));
    EXPECT_FALSE(gui->is_api_supported(p, "x11", true));
    EXPECT_FALSE(gui->is_api_supported(p, "cocoa", false));
    EXPECT_FALSE(gui->is_api_supported(p, "X11", false));
    EXPECT_FALSE(gui->is_api_supported(p, nullptr, false));
    const char* api = nullptr;
    bool floating = true;
    ASSERT_TRUE(gui->get_preferred_api(p, &api, &floating));
    EXPECT_STREQ(api, "x11");
    EXPECT_FALSE(floating);
    EXPECT_FALSE(gui->get_preferred_api(p, nullptr, &floating));
    EXPECT_FALSE(gui->create(p, "cocoa", false));
    EXPECT_FALSE(gui->create(p, "x11", true));
    EXPECT_FALSE(gui->show(p));  // nothing was created
    EXPECT_NE(fxcoreplug::pluginGetExtension(p, CLAP_EXT_TIMER_SUPPORT), nullptr);
    EXPECT_NE(fxcoreplug::pluginGetExtension(p, CLAP_EXT_POSIX_FD_SUPPORT), nullptr);
}

TEST_F(GuiTable, SizeFollowsTheScaleOfTheOneEditor) {
    std::uint32_t w = 0, h = 0;
    ASSERT_TRUE(gui->get_size(p, &w, &h));
    EXPECT_EQ(w, 394u);
    EXPECT_EQ(h, 722u);
    EXPECT_FALSE(gui->set_scale(p, 2.0));  // no editor to scale yet

    ASSERT_TRUE(gui->create(p, "x11", false));
    fxcoreplug::PanelEditor* first = plugin->editor.get();
    ASSERT_TRUE(gui->create(p, "x11", false));
    EXPECT_EQ(plugin->editor.get(), first);
    EXPECT_TRUE(gui->show(p));
    EXPECT_TRUE(gui->hide(p));
    EXPECT_FALSE(gui->can_resize(p));

    ASSERT_TRUE(gui->set_scale(p, 2.0));
    gui->get_size(p, &w, &h);
    EXPECT_EQ(w, 788u);
    EXPECT_EQ(h, 1444u);
    ASSERT_TRUE(gui->set_scale(p, 1.5));
    gui->get_size(p, &w, &h);
    EXPECT_EQ(w, 591u);
    EXPECT_EQ(h, 1083u);
    // Below a quarter the panel would shrink to a few pixels (1e-9: to 0 x 0); above 16 it is
    // larger than any screen.
    for (double bad :
         {0.0, -2.0, std::nan(""), 1e-9, 0.2, 0.2499, 16.01, 1000.0, std::numeric_limits<double>::infinity()})
        EXPECT_FALSE(gui->set_scale(p, bad)) << bad;
    gui->get_size(p, &w, &h);
    EXPECT_EQ(w, 591u);  // a refused scale keeps the size
    ASSERT_TRUE(gui->set_scale(p, 0.25));
    gui->get_size(p, &w, &h);
    EXPECT_EQ(w, 99u);
    EXPECT_EQ(h, 181u);
    ASSERT_TRUE(gui->set_scale(p, 1.5));
    w = 1000, h = 1000;
    EXPECT_TRUE(gui->adjust_size(p, &w, &h));  // the proposal becomes the editor's size
    EXPECT_EQ(w, 591u);
    EXPECT_EQ(h, 1083u);
    EXPECT_FALSE(gui->set_size(p, 1000, 1000));
    EXPECT_FALSE(gui->get_size(p, nullptr, &h));
    EXPECT_FALSE(gui->adjust_size(p, &w, nullptr));
}

TEST_F(GuiTable, ParentAndDestroyRules) {
    clap_window window{};
    window.api = CLAP_WINDOW_API_X11;
    window.x11 = 0;
    EXPECT_FALSE(gui->set_parent(p, &window));  // before create
    ASSERT_TRUE(gui->create(p, "x11", false));
    EXPECT_FALSE(gui->set_parent(p, nullptr));
    EXPECT_FALSE(gui->set_parent(p, &window));  // window id 0 names no window
    EXPECT_FALSE(gui->set_transient(p, &window));
    gui->suggest_title(p, "title");
    gui->destroy(p);
    EXPECT_EQ(plugin->editor, nullptr);
    EXPECT_EQ(plugin->guiRunLoop, nullptr);
    gui->destroy(p);  // the second destroy does nothing
    EXPECT_FALSE(gui->show(p));
    std::uint32_t w = 0, h = 0;
    gui->get_size(p, &w, &h);
    EXPECT_EQ(w, 394u);
    EXPECT_TRUE(fakeHost.liveTimers.empty());
    EXPECT_TRUE(fakeHost.liveFds.empty());
}

}  // namespace
