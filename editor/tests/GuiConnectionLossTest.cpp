// The editor after its X server dies: the test runs a server of its own, opens the editor in
// it through the gui table with a host that serves timers, descriptors and a log, kills the
// server and then goes on calling the editor as such a host would. Nothing may throw out of
// those callbacks; the editor stops drawing, gives the host back its descriptor and timer
// and says once, through the host's log, that the connection is gone.
#include <gtest/gtest.h>
#include <poll.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "FakeGuiHost.h"
#include "editor/PanelEditor.h"
#include "platform/vstgui/tests/X11TestSupport.h"
#include "plugin/FXCorePlugin.h"

using fxcoreplug::FXCorePlugin;

namespace {

// The editor open in a top-level window on a server of the test's own, with the host's
// timer, descriptor and log.
struct EditorOnPrivateServer : x11_test::TestWindow {
    // False when Xvfb cannot be started; the other steps are checked by the caller.
    bool startServer() {
        if (!server.start()) return false;
        display = std::make_unique<x11_test::DisplayOverride>(server.name());  // the editor's
        return true;
    }
    void openEditor() {
        ASSERT_TRUE(openWindow(800, 800));
        plugin = std::make_unique<FXCorePlugin>(&fakeHost.host);
        p = &plugin->clapPlugin;
        gui = static_cast<const clap_plugin_gui*>(fxcoreplug::pluginGetExtension(p, CLAP_EXT_GUI));
        timers = static_cast<const clap_plugin_timer_support*>(
            fxcoreplug::pluginGetExtension(p, CLAP_EXT_TIMER_SUPPORT));
        fds = static_cast<const clap_plugin_posix_fd_support*>(
            fxcoreplug::pluginGetExtension(p, CLAP_EXT_POSIX_FD_SUPPORT));
        clap_window window{};
        window.api = CLAP_WINDOW_API_X11;
        window.x11 = top;
        ASSERT_TRUE(gui->create(p, "x11", false));
        ASSERT_TRUE(gui->set_parent(p, &window));
        ASSERT_TRUE(gui->show(p));
        ASSERT_EQ(fakeHost.liveFds.size(), 1u);
        ASSERT_EQ(fakeHost.liveTimers.size(), 1u);
        fd = fakeHost.liveFds[0];
        timerId = fakeHost.liveTimers.begin()->first;
    }
    ~EditorOnPrivateServer() {
        plugin.reset();
        closeWindow();
        server.kill();
    }

    std::uint64_t paints() const { return plugin->editor->getFrame()->getPaintCount(); }
    // A parameter change that the next tick shows (the MIX knob moves).
    void changeAParameter() {
        value = value > 0.5 ? 0.1 : value + 0.2;
        plugin->writeParam(fxcoreplug::kParamPot0 + 1, value);
    }
    // The editor's 33 ms tick is due once a period has passed since the last one: this waits
    // at least that long (a busy machine makes it longer, which changes nothing), then serves
    // the host timer as the host would.
    void tick() {
        changeAParameter();
        std::this_thread::sleep_for(std::chrono::milliseconds(2 * fxcoreplug::PanelEditor::kTimerPeriodMs));
        timers->on_timer(p, timerId);
    }
    // Kills the server and waits until the editor's descriptor is readable (end of file).
    void killServer() {
        server.kill();
        pollfd readable{fd, POLLIN, 0};
        ASSERT_EQ(::poll(&readable, 1, -1), 1);
    }

    x11_test::PrivateXServer server;
    std::unique_ptr<x11_test::DisplayOverride> display;
    fxcoreplug_test::FakeGuiHost fakeHost;
    std::unique_ptr<FXCorePlugin> plugin;
    const clap_plugin* p = nullptr;
    const clap_plugin_gui* gui = nullptr;
    const clap_plugin_timer_support* timers = nullptr;
    const clap_plugin_posix_fd_support* fds = nullptr;
    int fd = -1;
    clap_id timerId = CLAP_INVALID_ID;
    double value = 0.1;
};

// Each way a host reaches the editor after the loss; they all end alike.
const struct HostCall {
    const char* what;
    void (*call)(EditorOnPrivateServer&);
} kHostCalls[] = {
    {"timer tick after a parameter change", [](EditorOnPrivateServer& e) { e.tick(); }},
    {"readable descriptor", [](EditorOnPrivateServer& e) { e.fds->on_fd(e.p, e.fd, CLAP_POSIX_FD_READ); }},
    {"set_scale after a parameter change",
     [](EditorOnPrivateServer& e) {
         e.changeAParameter();
         e.gui->set_scale(e.p, 2.0);
     }},
    {"hide, then show",
     [](EditorOnPrivateServer& e) {
         e.gui->hide(e.p);
         e.gui->show(e.p);
     }},
};

TEST(LostConnection, EditorStopsDrawingReleasesTheHostsLoopAndSaysSoOnce) {
    for (const HostCall& first : kHostCalls) {
        SCOPED_TRACE(first.what);
        EditorOnPrivateServer e;
        if (!e.startServer()) GTEST_SKIP() << "Xvfb cannot be started";
        e.openEditor();
        ASSERT_FALSE(::testing::Test::HasFatalFailure());
        // While the server lives, a tick after a parameter change draws.
        const std::uint64_t before = e.paints();
        e.tick();
        ASSERT_GT(e.paints(), before);
        EXPECT_TRUE(e.fakeHost.logged.empty());

        e.killServer();
        const std::uint64_t paintsAtLoss = e.paints();
        EXPECT_NO_THROW(first.call(e));
        EXPECT_TRUE(e.fakeHost.liveFds.empty()) << "the dead connection's descriptor stays registered";
        EXPECT_TRUE(e.fakeHost.liveTimers.empty()) << "the tick goes on";
        ASSERT_EQ(e.fakeHost.logged.size(), 1u);
        EXPECT_EQ(e.fakeHost.logged[0].first, CLAP_LOG_ERROR);
        EXPECT_NE(e.fakeHost.logged[0].second.find("X connection"), std::string::npos)
            << e.fakeHost.logged[0].second;

        // A host that goes on calling (with the old timer and descriptor, too) changes nothing.
        for (const HostCall& later : kHostCalls) EXPECT_NO_THROW(later.call(e)) << later.what;
        EXPECT_EQ(e.paints(), paintsAtLoss);
        EXPECT_TRUE(e.fakeHost.liveFds.empty());
        EXPECT_TRUE(e.fakeHost.liveTimers.empty());
        EXPECT_EQ(e.fakeHost.logged.size(), 1u);
        EXPECT_TRUE(e.gui->show(e.p));  // the answers stay as they were
        EXPECT_TRUE(e.gui->hide(e.p));
        e.gui->destroy(e.p);
        EXPECT_EQ(e.plugin->editor, nullptr);
    }
}

}  // namespace
