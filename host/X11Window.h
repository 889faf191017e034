#pragma once
// The gui command's top-level window on X11 (xcb): the parent the plug-in's
// editor embeds its own window in. It has a fixed size, takes the window
// manager's close request (WM_DELETE_WINDOW), and can be saved as a PNG
// picture of what the screen shows in it, the editor included.

#include <xcb/xcb.h>

#include <cstdint>
#include <string>

#include "tools/outputfile/OutputFile.h"

namespace fxcorehost {

class X11Window {
public:
    X11Window() = default;
    ~X11Window();
    X11Window(const X11Window&) = delete;
    X11Window& operator=(const X11Window&) = delete;

    // [main-thread] Connects to $DISPLAY and creates the window, not yet mapped.
    bool create(std::uint32_t width, std::uint32_t height, const std::string& title, std::string& error);
    // [main-thread]
    void map();
    void flush();

    std::uint32_t id() const { return m_window; }
    // The connection's descriptor, for poll.
    int fd() const;

    enum class Status { Open, CloseRequested, ConnectionLost };
    // [main-thread] Handles every event already received, without waiting.
    Status drainEvents();

    // [main-thread] Writes the window's contents as an 8-bit RGB PNG into
    // file, opened for path, and puts it in place.
    bool writeScreenshot(fxcorefile::OutputFile& file, const std::string& path, std::string& error);

private:
    xcb_atom_t internAtom(const char* name);

    xcb_connection_t* m_connection = nullptr;
    const xcb_screen_t* m_screen = nullptr;
    xcb_window_t m_window = 0;
    xcb_atom_t m_wmProtocols = XCB_ATOM_NONE;
    xcb_atom_t m_wmDeleteWindow = XCB_ATOM_NONE;
    std::uint32_t m_width = 0;
    std::uint32_t m_height = 0;
};

}  // namespace fxcorehost
