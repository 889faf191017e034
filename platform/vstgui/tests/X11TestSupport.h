// What the tests that run in a real X11 display (Xvfb) share: a connection held for the
// whole run, a top-level window to embed in, and small queries and XTest input on it.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace x11_test {

// The X server resets when its last client leaves, and refuses connections meanwhile; one
// connection held for the whole run keeps it from resetting between tests.
struct KeepServerAlive : ::testing::Environment {
    void SetUp() override {
        if (std::getenv("DISPLAY")) keeper = xcb_connect(nullptr, nullptr);
    }
    void TearDown() override {
        if (keeper) xcb_disconnect(keeper);
    }
    xcb_connection_t* keeper = nullptr;
};
inline const auto* const s_keepServerAlive = ::testing::AddGlobalTestEnvironment(new KeepServerAlive);

// Calls serve() and then done() until done() holds. Between rounds it waits until one of
// fds() is readable (the event the caller waits for, at once) or 2 ms pass (for what only a
// query sees, such as the server having handled another client's requests). False only
// after a minute without done(): a safety net far beyond any wait, never a measure of speed.
inline bool pollUntil(const std::function<void()>& serve, const std::function<bool()>& done,
                      const std::function<std::vector<int>()>& fds = {}) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < end) {
        serve();
        if (done()) return true;
        std::vector<pollfd> wanted;
        if (fds)
            for (int fd : fds()) wanted.push_back(pollfd{fd, POLLIN, 0});
        ::poll(wanted.data(), static_cast<nfds_t>(wanted.size()), 2);
    }
    return false;
}

// An X server of the test's own (Xvfb on a free display), which the test can kill to see
// what clients do when their connection is lost. start() waits until the server accepts
// connections (it writes its display number when it does); kill() waits for it to exit, so
// every connection to it is closed when kill() returns.
class PrivateXServer {
public:
    PrivateXServer() = default;
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;
    ~PrivateXServer() { kill(); }

    // False when Xvfb cannot be started.
    bool start() {
        // Both ends close on exec but the one the server writes to.
        int ready[2];
        if (::pipe2(ready, O_CLOEXEC) != 0) return false;
        pid = ::fork();
        if (pid == 0) {
            ::fcntl(ready[1], F_SETFD, 0);
            const std::string fd = std::to_string(ready[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten",
                     "tcp", "-noreset", "+extension", "XTEST", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(ready[1]);
        if (pid < 0) {
            ::close(ready[0]);
            return false;
        }
        // The display number and a newline; end of file when the server did not start.
        std::string number;
        char ch = 0;
        while (::read(ready[0], &ch, 1) == 1 && ch != '\n') number += ch;
        ::close(ready[0]);
        if (number.empty() || ch != '\n') {
            kill();
            return false;
        }
        display = ":" + number;
        return true;
    }
    // ":N", the value for DISPLAY.
    const std::string& name() const { return display; }
    // Ends the server and waits until it is gone.
    void kill() {
        if (pid <= 0) return;
        ::kill(pid, SIGKILL);
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        pid = -1;
    }

private:
    pid_t pid = -1;
    std::string display;
};

// Points DISPLAY (where the layer connects) at another server for its lifetime.
class DisplayOverride {
public:
    explicit DisplayOverride(const std::string& display) {
        if (const char* previous = std::getenv("DISPLAY")) {
            had = true;
            before = previous;
        }
        ::setenv("DISPLAY", display.c_str(), 1);
    }
    DisplayOverride(const DisplayOverride&) = delete;
    DisplayOverride& operator=(const DisplayOverride&) = delete;
    ~DisplayOverride() {
        if (had)
            ::setenv("DISPLAY", before.c_str(), 1);
        else
            ::unsetenv("DISPLAY");
    }

private:
    bool had = false;
    std::string before;
};

// A connection to the display and a mapped top-level window on its first screen. A test
// fixture derives from it beside ::testing::Test, opens the window in SetUp (after
// skipping when there is no display) and closes it in TearDown.
struct TestWindow {
    TestWindow() = default;
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    ~TestWindow() { closeWindow(); }

    // Connects and maps a width x height window (background None, or white); false when
    // the connection fails.
    bool openWindow(std::uint16_t width, std::uint16_t height, bool whiteBackground = false) {
        c = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(c)) return false;
        screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        top = xcb_generate_id(c);
        const std::uint32_t white = screen->white_pixel;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, top, screen->root, 0, 0, width, height, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                          whiteBackground ? XCB_CW_BACK_PIXEL : 0, whiteBackground ? &white : nullptr);
        xcb_map_window(c, top);
        xcb_flush(c);
        return true;
    }
    // Destroys the window and disconnects; nothing when not open.
    void closeWindow() {
        if (!c) return;
        if (top) xcb_destroy_window(c, top);
        xcb_disconnect(c);
        c = nullptr;
        top = 0;
    }

    bool viewable(xcb_window_t w) {
        auto* a = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr);
        const bool yes = a && a->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(a);
        return yes;
    }
    // The window's width and height; 0, 0 when the server does not answer.
    std::pair<int, int> sizeOf(xcb_window_t w) {
        auto* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr);
        if (!g) return {0, 0};
        std::pair<int, int> size{g->width, g->height};
        std::free(g);
        return size;
    }
    // Injects one input event; a motion goes to (x, y) on the root window.
    void fake(std::uint8_t type, std::uint8_t detail, std::int16_t x = 0, std::int16_t y = 0) {
        xcb_test_fake_input(c, type, detail, XCB_CURRENT_TIME,
                            type == XCB_MOTION_NOTIFY ? screen->root : XCB_NONE, x, y, 0);
        xcb_flush(c);
    }

    xcb_connection_t* c = nullptr;
    xcb_screen_t* screen = nullptr;
    xcb_window_t top = 0;
};

}  // namespace x11_test
