// corlinde-host gui on a real X display (the test runs under Xvfb): the
// editor embeds in the host's window, a pointer click injected through XTest
// reaches it and comes back as printed parameter events, the screenshot shows
// the panel, and the command ends cleanly on every way out.

#include <png.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "HostTestSupport.h"

namespace fxcorehost::test {
namespace {

using namespace std::chrono_literals;

// The footswitch of the "mp-corlindejr" panel: centre of its 81 x 83 view,
// in panel pixels; it sends parameter 204.
constexpr int kFootswitchX = 196;
constexpr int kFootswitchY = 617;

// Generous bound on what a test waits for: each of these events comes within
// a fraction of a second, also under sanitizers; the bound only keeps a broken
// run from hanging the suite.
constexpr auto kEventBound = 60s;

// The host's stdout through a pipe, read by a thread of the test: a test
// waits for a line as it arrives instead of reading a file over and over.
class HostStdout {
public:
    HostStdout() {
        if (pipe(m_fds) != 0) m_fds[0] = m_fds[1] = -1;
        m_reader = std::thread([this] { readAll(); });
    }
    ~HostStdout() { finish(); }
    HostStdout(const HostStdout&) = delete;
    HostStdout& operator=(const HostStdout&) = delete;

    int writeEnd() const { return m_fds[1]; }
    // Once the host holds the write end: the reader sees the end of file when the host ends.
    void closeWriteEnd() {
        if (m_fds[1] >= 0) close(m_fds[1]);
        m_fds[1] = -1;
    }
    // Waits until needle has been printed; false when the output ended without it.
    bool waitFor(const std::string& needle) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, kEventBound, [&] {
            return m_text.find(needle) != std::string::npos || m_ended;
        }) && m_text.find(needle) != std::string::npos;
    }
    // Everything the host printed, once it has ended.
    std::string finish() {
        closeWriteEnd();
        if (m_reader.joinable()) m_reader.join();
        if (m_fds[0] >= 0) close(m_fds[0]);
        m_fds[0] = -1;
        return m_text;
    }
    std::string text() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_text;
    }

private:
    void readAll() {
        char buffer[4096];
        ssize_t n = 0;
        while (m_fds[0] >= 0 && (n = read(m_fds[0], buffer, sizeof buffer)) > 0) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_text.append(buffer, static_cast<std::size_t>(n));
            m_changed.notify_all();
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ended = true;
        m_changed.notify_all();
    }

    int m_fds[2] = {-1, -1};
    std::thread m_reader;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_text;
    bool m_ended = false;
};

// Starts the host with its stdout into out; the pid.
int startGui(const std::vector<std::string>& args, HostStdout& out, const std::string& errPath) {
    const int pid = startHost(args, out.writeEnd(), errPath);
    out.closeWriteEnd();
    return pid;
}

// The window id from the host's first line, once it is printed; 0 if the
// host ended without printing it.
xcb_window_t waitForWindowLine(HostStdout& out) {
    if (!out.waitFor("\n")) return 0;
    const std::string text = out.text();
    const auto at = text.find("in window 0x");
    return at == std::string::npos
               ? 0
               : static_cast<xcb_window_t>(std::strtoul(text.c_str() + at + 10, nullptr, 16));
}

struct Picture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> rgb;
    const std::uint8_t* at(std::uint32_t x, std::uint32_t y) const { return &rgb[(y * width + x) * 3]; }
};

bool readPng(const std::string& path, Picture& picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    picture.width = image.width;
    picture.height = image.height;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr) != 0;
}

// A test's own connection to the display, to find the host's window, click
// in it and close it as a window manager would.
class Display {
public:
    Display() : m_connection(xcb_connect(nullptr, nullptr)) {}
    ~Display() { xcb_disconnect(m_connection); }
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;
    bool ok() const { return xcb_connection_has_error(m_connection) == 0; }

    // True once the window is on screen with the editor's window mapped
    // inside it: the test asks the server for the window's (and its
    // children's) map events and looks again at each.
    bool waitForEmbeddedEditor(xcb_window_t window) {
        const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, window, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_connection);
        const auto deadline = std::chrono::steady_clock::now() + kEventBound;
        while (!editorShown(window)) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd ready{xcb_get_file_descriptor(m_connection), POLLIN, 0};
            if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) != 1) return false;
            while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) std::free(event);
            if (xcb_connection_has_error(m_connection)) return false;
        }
        return true;
    }

    // A left click at (x, y) of window, through the XTest extension: the
    // server delivers it to whatever window is under the pointer there.
    template <typename WhilePressed>
    bool click(xcb_window_t window, int x, int y, WhilePressed whilePressed) {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        xcb_translate_coordinates_reply_t* where = xcb_translate_coordinates_reply(
            m_connection,
            xcb_translate_coordinates(m_connection, window, screen->root, static_cast<std::int16_t>(x),
                                      static_cast<std::int16_t>(y)),
            nullptr);
        if (!where) return false;
        const std::int16_t rootX = where->dst_x;
        const std::int16_t rootY = where->dst_y;
        std::free(where);
        xcb_test_fake_input(m_connection, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, screen->root, rootX, rootY,
                            0);
        xcb_test_fake_input(m_connection, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(m_connection);
        // Held until the press has come back (released at once, a press and
        // its release could fall in one block).
        const bool pressed = whilePressed();
        xcb_test_fake_input(m_connection, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(m_connection);
        return pressed && xcb_connection_has_error(m_connection) == 0;
    }

    // What a window manager sends when the user closes the window.
    void sendDeleteWindow(xcb_window_t window) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = atom("WM_PROTOCOLS");
        message.data.data32[0] = atom("WM_DELETE_WINDOW");
        message.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(m_connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(m_connection);
    }

private:
    bool editorShown(xcb_window_t window) {
        if (!isViewable(window)) return false;
        xcb_query_tree_reply_t* tree =
            xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr);
        bool childShown = false;
        if (tree) {
            const xcb_window_t* children = xcb_query_tree_children(tree);
            for (int i = 0; i < xcb_query_tree_children_length(tree); ++i)
                childShown = childShown || isViewable(children[i]);
            std::free(tree);
        }
        return childShown;
    }

    bool isViewable(xcb_window_t window) {
        xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
            m_connection, xcb_get_window_attributes(m_connection, window), nullptr);
        const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(attributes);
        return viewable;
    }

    xcb_atom_t atom(const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            m_connection,
            xcb_intern_atom(m_connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t value = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        std::free(reply);
        return value;
    }

    xcb_connection_t* m_connection;
};

// The positions of the needles in text, in order; npos for one not found
// after the previous.
std::vector<std::size_t> findInOrder(const std::string& text, const std::vector<std::string>& needles) {
    std::vector<std::size_t> found;
    std::size_t from = 0;
    for (const auto& needle : needles) {
        const std::size_t at = text.find(needle, from);
        found.push_back(at);
        if (at == std::string::npos) break;
        from = at + needle.size();
    }
    return found;
}

// The screenshot goes into a FIFO, read by a process of its own, as a file
// that is not a regular one is written: directly.
TEST(GuiCommand, ClickOnTheFootswitchIsPrintedAndTheScreenshotShowsThePanel) {
    ScratchDir dir;
    Display display;
    ASSERT_TRUE(display.ok()) << "no X display";
    ASSERT_EQ(mkfifo(dir.path("shot.fifo").c_str(), 0600), 0);
    const int reader = startFifoReader(dir.path("shot.fifo"), dir.path("shot.png"));
    HostStdout out;
    // --seconds only ends a run whose SIGTERM went unheard (the printed reason shows it).
    const int pid = startGui({"gui", pluginPath(), "--seconds", "300", "--screenshot", dir.path("shot.fifo")},
                             out, dir.path("err.txt"));
    ASSERT_GT(pid, 0);
    const xcb_window_t window = waitForWindowLine(out);
    ASSERT_NE(window, 0u) << readText(dir.path("err.txt"));
    ASSERT_TRUE(display.waitForEmbeddedEditor(window));
    ASSERT_TRUE(display.click(window, kFootswitchX, kFootswitchY, [&] { return out.waitFor(" = 1"); }));
    // The release has come back: done, and a screenshot is taken on the way out.
    EXPECT_TRUE(out.waitFor("gesture end 204 ")) << out.text();
    ASSERT_EQ(kill(pid, SIGTERM), 0);

    ASSERT_EQ(waitHost(pid), 0) << readText(dir.path("err.txt"));
    const std::string text = out.finish();
    struct stat st {};
    const bool stillFifo = lstat(dir.path("shot.fifo").c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
    finishFifoReader(reader, stillFifo);
    EXPECT_TRUE(stillFifo) << "the FIFO was replaced";
    EXPECT_NE(text.find("gui: Corlinde Jr editor 394 x 722 in window"), std::string::npos) << text;
    // A momentary press: begin, pressed, released, end, each from a processed block.
    const auto order = findInOrder(
        text, {"gesture begin 204 ", "param 204 \"", " = 1", "param 204 \"", " = 0", "gesture end 204 "});
    ASSERT_EQ(order.size(), 6u) << text;
    EXPECT_NE(order.back(), std::string::npos) << text;
    EXPECT_NE(text.find("gui: ended (SIGTERM)"), std::string::npos) << text;

    Picture shot;
    ASSERT_TRUE(readPng(dir.path("shot.png"), shot));
    ASSERT_EQ(shot.width, 394u);
    ASSERT_EQ(shot.height, 722u);
    // The panel, not the window's black background: compared with the
    // panel's own picture, most pixels are close (the knobs, lamp and
    // footswitch drawn over it cover the rest).
    Picture panel;
    ASSERT_TRUE(readPng(CORLINDE_PANEL_PICTURE, panel));
    ASSERT_EQ(panel.width, shot.width);
    ASSERT_EQ(panel.height, shot.height);
    std::size_t close = 0;
    double sum = 0.0;
    double sumSquares = 0.0;
    for (std::uint32_t y = 0; y < shot.height; ++y) {
        for (std::uint32_t x = 0; x < shot.width; ++x) {
            const std::uint8_t* s = shot.at(x, y);
            const std::uint8_t* p = panel.at(x, y);
            int worst = 0;
            for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(int{s[c]} - int{p[c]}));
            if (worst <= 24) ++close;
            const double luma = 0.299 * s[0] + 0.587 * s[1] + 0.114 * s[2];
            sum += luma;
            sumSquares += luma * luma;
        }
    }
    const double pixels = static_cast<double>(shot.width) * shot.height;
    const double deviation = std::sqrt(std::max(0.0, sumSquares / pixels - (sum / pixels) * (sum / pixels)));
    EXPECT_GT(static_cast<double>(close) / pixels, 0.6);
    EXPECT_GT(deviation, 10.0);
}

// Every way out ends the loop, the audio thread and the editor in order, with
// exit code 0, and without waiting out the block in hand, even at a sample rate
// so low that one block lasts minutes (512 s at 1 Hz): there the run ends with
// only its first block processed, the second still minutes away (a host that
// waited for it would also run into the test's time limit). A safety --seconds
// ends a run whose way out failed, which the printed reason then shows.

struct EndingCase {
    const char* name;
    int signal;     // 0: the window manager's close request; -1: nothing, --seconds ends it
    int inputRate;  // the input file's sample rate, 0 for no input (silence)
    int seconds;    // --seconds
    const char* reason;
};

class GuiEnding : public ::testing::TestWithParam<EndingCase> {};

TEST_P(GuiEnding, EndsCleanlySoonAfterBeingAsked) {
    const EndingCase& c = GetParam();
    ScratchDir dir;
    Display display;
    ASSERT_TRUE(display.ok()) << "no X display";
    std::vector<std::string> args = {"gui", pluginPath(), "--seconds", std::to_string(c.seconds)};
    if (c.inputRate > 0) {
        ASSERT_TRUE(writeWav(dir.path("in.wav"), testSignal(c.inputRate, c.inputRate > 100 ? 0.3 : 8.0)));
        args.insert(args.end(), {"--input", dir.path("in.wav")});
    }
    HostStdout out;
    const int pid = startGui(args, out, dir.path("err.txt"));
    ASSERT_GT(pid, 0);
    const xcb_window_t window = waitForWindowLine(out);
    ASSERT_NE(window, 0u) << readText(dir.path("err.txt"));
    ASSERT_TRUE(display.waitForEmbeddedEditor(window));
    if (c.signal >= 0) {
        if (c.signal != 0) {
            ASSERT_EQ(kill(pid, c.signal), 0);
        } else {
            display.sendDeleteWindow(window);
        }
    }
    ASSERT_EQ(waitHost(pid), 0) << readText(dir.path("err.txt"));
    const std::string text = out.finish();
    EXPECT_NE(text.find(std::string("gui: ended (") + c.reason + ")"), std::string::npos) << text;
    if (c.inputRate == 1) {
        EXPECT_NE(text.find(", 1 blocks processed"), std::string::npos) << text;
    }
    if (c.inputRate > 0) {
        EXPECT_NE(text.find(" " + std::to_string(c.inputRate) + " Hz input looped"), std::string::npos)
            << text;
    }
    EXPECT_EQ(readText(dir.path("err.txt")), "");
}

INSTANTIATE_TEST_SUITE_P(Ways, GuiEnding,
                         ::testing::Values(EndingCase{"Sigint", SIGINT, 0, 120, "SIGINT"},
                                           EndingCase{"Sigterm", SIGTERM, 44100, 120, "SIGTERM"},
                                           EndingCase{"WindowClosed", 0, 44100, 120, "window closed"},
                                           EndingCase{"SecondsAtOneHertz", -1, 1, 2, "--seconds 2"},
                                           EndingCase{"SigtermAtOneHertz", SIGTERM, 1, 120, "SIGTERM"},
                                           EndingCase{"WindowClosedAtOneHertz", 0, 1, 120, "window closed"}),
                         [](const ::testing::TestParamInfo<EndingCase>& param) {
                             return std::string(param.param.name);
                         });

// Wrong invocations: one line on stderr and the exit code, before any window.
struct WrongCase {
    std::vector<std::string> args;  // "PLUGIN" stands for the built plug-in
    int exitCode;
    std::string message;
};

TEST(GuiCommand, WrongInvocationsFailWithOneLine) {
    ScratchDir dir;
    const std::vector<WrongCase> cases = {
        {{"gui"}, 2, "gui takes one plug-in file"},
        {{"gui", "PLUGIN", "PLUGIN"}, 2, "gui takes one plug-in file"},
        {{"gui", "--seconds", "0", "PLUGIN"}, 2, "--seconds 0: expected a time in seconds above 0"},
        {{"gui", "--seconds", "soon", "PLUGIN"}, 2, "--seconds soon"},
        {{"gui", "--frobnicate", "PLUGIN"}, 2, "unknown option --frobnicate"},
        {{"gui", "PLUGIN", "--input"}, 2, "--input needs a value"},
        {{"gui", dir.path("none.clap")}, 1, "none.clap"},
        {{"gui", "--input", dir.path("none.wav"), "PLUGIN"}, 1, "none.wav"},
        {{"gui", notAPluginPath()}, 1, ""},
        {{"gui", "--plugin-id", "no.such.id", "PLUGIN"}, 1, "no.such.id"},
        // The inputs render refuses, gui refuses too.
        {{"gui", "--input", dir.path("eight.wav"), "PLUGIN"},
         1,
         "the input has 8 channels; the plug-in's input takes 2"},
        {{"gui", "--input", dir.path("fifo.wav"), "PLUGIN"}, 1, "it is not a regular file"},
        {{"gui", dir.path("cut.clap")}, 1, "is not a CLAP plug-in: the file is cut short"},
        {{"gui", "--program", notAPluginPath(), "PLUGIN"}, 1, "not a text file"},
        {{"gui", "--seconds", "1", "--program", dir.path("p.hex"), "--screenshot", dir.path("p.hex"),
          "PLUGIN"},
         1,
         "--screenshot '" + dir.path("p.hex") + "' is the --program file"},
        // The screenshot would replace the plug-in (--seconds ends a run that does not refuse).
        {{"gui", "--seconds", "1", "--screenshot", dir.path("copy.clap"), dir.path("copy.clap")},
         1,
         "--screenshot '" + dir.path("copy.clap") + "' is the plug-in file"},
    };
    ASSERT_TRUE(writeWav(dir.path("eight.wav"), testSignal(48000, 0.1, 8)));
    ASSERT_EQ(mkfifo(dir.path("fifo.wav").c_str(), 0600), 0);
    std::ofstream(dir.path("cut.clap"), std::ios::binary) << readText(pluginPath()).substr(0, 300000);
    std::ofstream(dir.path("copy.clap"), std::ios::binary) << readText(pluginPath());
    std::ofstream(dir.path("p.hex"), std::ios::binary) << readText(firmwareHexPath(0));
    for (const WrongCase& c : cases) {
        std::vector<std::string> args = c.args;
        std::string shown;
        for (auto& a : args) {
            if (a == "PLUGIN") a = pluginPath();
            shown += " " + a;
        }
        const RunResult run = runHost(args);
        EXPECT_EQ(run.exitCode, c.exitCode) << shown;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << shown << ": " << run.err;
        EXPECT_EQ(run.err.rfind("corlinde-host: ", 0), 0u) << shown << ": " << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << shown << ": " << run.err;
        EXPECT_EQ(run.out, "") << shown;
    }
}

// A program file reaches the plug-in before its editor opens, and gui says
// that the plug-in runs it.
TEST(GuiCommand, RunsAProgramFile) {
    ScratchDir dir;
    std::ofstream(dir.path("my-echo.hex"), std::ios::binary) << readText(firmwareHexPath(0));
    const RunResult run =
        runHost({"gui", pluginPath(), "--seconds", "1", "--program", dir.path("my-echo.hex")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.rfind("gui: program 'my-echo' from " + dir.path("my-echo.hex") +
                                " loaded: Program (loaded), Mode 0: my-echo\ngui: Corlinde Jr editor ",
                            0),
              0u)
        << run.out;
    EXPECT_NE(run.out.find("gui: ended (--seconds 1)"), std::string::npos) << run.out;
}

TEST(GuiCommand, NoDisplayIsAnError) {
    const char* saved = std::getenv("DISPLAY");
    const std::string display = saved ? saved : "";
    setenv("DISPLAY", ":31999", 1);  // no server there
    const RunResult run = runHost({"gui", pluginPath(), "--seconds", "1"});
    if (saved) setenv("DISPLAY", display.c_str(), 1);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("cannot connect to the X display ':31999'"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace fxcorehost::test
