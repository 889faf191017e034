// A frame's child window inside the host's X11 window, on a connection of its own.
// [main-thread].
//
// The window's background pixmap is the picture shown: a paint uploads the changed
// rectangles of the frame's back buffer into the pixmap and has the server repaint them
// from it, and the server repaints exposures from it without asking the client.
#pragma once

#include <cairo.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "DamageRegion.h"
#include "vstgui/Events.h"

namespace VSTGUI {

// One pointer input read from the connection, position in window pixels.
struct PointerInput {
    EventType type = EventType::MouseMove;
    double x = 0.0;
    double y = 0.0;
    std::int32_t buttons = 0;  // CButton bits: the button pressed or released, or those held
    double wheelX = 0.0;       // notches, for EventType::MouseWheel
    double wheelY = 0.0;
};

class X11Window {
public:
    // Null when the display cannot be opened, the parent is not a window, or its screen's
    // visual is not 24-bit true colour with 32-bit pixels (the back buffer's layout).
    static std::unique_ptr<X11Window> create(std::uint32_t parent, std::uint32_t width, std::uint32_t height);
    ~X11Window();
    X11Window(const X11Window&) = delete;
    X11Window& operator=(const X11Window&) = delete;

    // The connection's descriptor; -1 once the connection is lost.
    int fileDescriptor() const;
    std::uint32_t windowId() const { return window; }
    // Whether the connection to the server is broken (the server went away, or it refused a
    // request so badly that xcb gave the connection up). xcb notices this only when it reads
    // or writes; from then on every request is dropped, and the calls below do nothing.
    bool connectionLost() const;
    // A new size; the caller then presents the whole back buffer.
    void resize(std::uint32_t width, std::uint32_t height);
    // Shows the given rectangles of backBuffer (ARGB32 of the window's size).
    void present(const std::vector<PixelRect>& rects, cairo_surface_t* backBuffer);
    // Maps or unmaps the window, and waits until the server has done it.
    void setMapped(bool mapped);
    // The next pointer input already received or readable without blocking; false when none
    // (other events are dropped on the way).
    bool nextInput(PointerInput& input);

private:
    X11Window() = default;
    void createPixmap();
    // Waits until the server has handled every request sent so far, so that other clients
    // (the host) see the window made, mapped or gone when open or close returns.
    void sync();
    xcb_connection_t* connection = nullptr;
    xcb_window_t window = 0;
    xcb_window_t root = 0;
    xcb_pixmap_t pixmap = 0;
    xcb_gcontext_t gc = 0;
    std::uint8_t depth = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

}  // namespace VSTGUI
