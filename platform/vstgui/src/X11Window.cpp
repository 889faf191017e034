#include "X11Window.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace VSTGUI {
namespace {

// The bytes of a PutImage request before its pixels.
constexpr size_t kPutImageHeaderBytes = 24;

bool visualFits(const xcb_setup_t* setup, const xcb_screen_t* screen) {
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) return false;
    if (screen->root_depth != 24 && screen->root_depth != 32) return false;
    bool pixels32 = false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
        if (f.data->depth == screen->root_depth) pixels32 = f.data->bits_per_pixel == 32;
    if (!pixels32) return false;
    for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem; xcb_depth_next(&d)) {
        if (d.data->depth != screen->root_depth) continue;
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
            if (v.data->visual_id != screen->root_visual) continue;
            return v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR && v.data->red_mask == 0xff0000u &&
                   v.data->green_mask == 0xff00u && v.data->blue_mask == 0xffu;
        }
    }
    return false;
}

const xcb_screen_t* screenWithRoot(const xcb_setup_t* setup, xcb_window_t root) {
    for (auto s = xcb_setup_roots_iterator(setup); s.rem; xcb_screen_next(&s))
        if (s.data->root == root) return s.data;
    return nullptr;
}

std::int32_t modifierBits(std::uint16_t state) {
    std::int32_t bits = 0;
    if (state & XCB_MOD_MASK_SHIFT) bits |= kShift;
    if (state & XCB_MOD_MASK_CONTROL) bits |= kControl;
    if (state & XCB_MOD_MASK_1) bits |= kAlt;
    if (state & XCB_MOD_MASK_4) bits |= kApple;
    return bits;
}

std::int32_t heldButtonBits(std::uint16_t state) {
    std::int32_t bits = 0;
    if (state & XCB_BUTTON_MASK_1) bits |= kLButton;
    if (state & XCB_BUTTON_MASK_2) bits |= kMButton;
    if (state & XCB_BUTTON_MASK_3) bits |= kRButton;
    return bits;
}

// X buttons 1 to 3 and 8, 9 are mouse buttons; 4 to 7 are wheel notches.
std::int32_t buttonBit(xcb_button_t button) {
    switch (button) {
    case 1: return kLButton;
    case 2: return kMButton;
    case 3: return kRButton;
    case 8: return kButton4;
    case 9: return kButton5;
    default: return 0;
    }
}

}  // namespace

std::unique_ptr<X11Window> X11Window::create(std::uint32_t parent, std::uint32_t w, std::uint32_t h) {
    std::unique_ptr<X11Window> self(new X11Window());
    self->connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(self->connection)) return nullptr;
    xcb_connection_t* c = self->connection;

    // The parent must be a drawable the server knows; its error (BadDrawable for an unknown
    // id) is taken here, never left queued as an event.
    xcb_generic_error_t* unknown = nullptr;
    xcb_get_geometry_reply_t* geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, parent), &unknown);
    std::free(unknown);
    if (!geometry) return nullptr;
    self->root = geometry->root;
    std::free(geometry);
    const xcb_setup_t* setup = xcb_get_setup(c);
    const xcb_screen_t* screen = screenWithRoot(setup, self->root);
    if (!screen || !visualFits(setup, screen)) return nullptr;

    self->depth = screen->root_depth;
    self->width = w;
    self->height = h;
    self->createPixmap();
    self->gc = xcb_generate_id(c);
    xcb_create_gc(c, self->gc, self->pixmap, 0, nullptr);

    self->window = xcb_generate_id(c);
    // Values in the order of their mask bits.
    const std::uint32_t values[] = {self->pixmap, 0,
                                    XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                                        XCB_EVENT_MASK_BUTTON_MOTION | XCB_EVENT_MASK_LEAVE_WINDOW,
                                    screen->default_colormap};
    const xcb_void_cookie_t made = xcb_create_window_checked(
        c, self->depth, self->window, parent, 0, 0, static_cast<std::uint16_t>(w),
        static_cast<std::uint16_t>(h), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
        XCB_CW_BACK_PIXMAP | XCB_CW_BORDER_PIXEL | XCB_CW_EVENT_MASK | XCB_CW_COLORMAP, values);
    if (xcb_generic_error_t* error = xcb_request_check(c, made)) {
        std::free(error);
        self->window = 0;
        return nullptr;
    }

    // XEmbed information for hosts that follow that protocol: version 0, mapped.
    static const char kXEmbedInfo[] = "_XEMBED_INFO";
    if (xcb_intern_atom_reply_t* atom =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof kXEmbedInfo - 1, kXEmbedInfo), nullptr)) {
        const std::uint32_t info[] = {0, 1};
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, self->window, atom->atom, atom->atom, 32, 2, info);
        std::free(atom);
    }
    xcb_map_window(c, self->window);
    self->sync();
    return self;
}

X11Window::~X11Window() {
    if (!connection) return;
    if (window) xcb_destroy_window(connection, window);
    if (gc) xcb_free_gc(connection, gc);
    if (pixmap) xcb_free_pixmap(connection, pixmap);
    sync();
    xcb_disconnect(connection);
}

void X11Window::sync() {
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

void X11Window::createPixmap() {
    pixmap = xcb_generate_id(connection);
    xcb_create_pixmap(connection, depth, pixmap, root, static_cast<std::uint16_t>(width),
                      static_cast<std::uint16_t>(height));
}

int X11Window::fileDescriptor() const {
    // A lost connection keeps its descriptor open until the disconnect, at end of file and
    // so readable for ever: nobody is to wait on it any more.
    return connectionLost() ? -1 : xcb_get_file_descriptor(connection);
}

bool X11Window::connectionLost() const {
    return xcb_connection_has_error(connection) != 0;
}

void X11Window::setMapped(bool mapped) {
    if (connectionLost()) return;
    if (mapped)
        xcb_map_window(connection, window);
    else
        xcb_unmap_window(connection, window);
    sync();
}

void X11Window::resize(std::uint32_t w, std::uint32_t h) {
    if (connectionLost()) return;
    const xcb_pixmap_t old = pixmap;
    width = w;
    height = h;
    createPixmap();
    xcb_free_gc(connection, gc);
    xcb_create_gc(connection, gc, pixmap, 0, nullptr);
    const std::uint32_t size[] = {w, h};
    xcb_configure_window(connection, window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
    xcb_change_window_attributes(connection, window, XCB_CW_BACK_PIXMAP, &pixmap);
    xcb_free_pixmap(connection, old);
}

void X11Window::present(const std::vector<PixelRect>& rects, cairo_surface_t* backBuffer) {
    // A request may carry at most this many bytes of pixels (24 bytes go to its header). A
    // lost connection answers 0 for the length: nothing is sent on it, so nothing is shown.
    const size_t maxRequestBytes = static_cast<size_t>(xcb_get_maximum_request_length(connection)) * 4u;
    if (connectionLost() || maxRequestBytes <= kPutImageHeaderBytes) return;
    const size_t maxBytes = maxRequestBytes - kPutImageHeaderBytes;
    cairo_surface_flush(backBuffer);
    const unsigned char* data = cairo_image_surface_get_data(backBuffer);
    const auto stride = static_cast<size_t>(cairo_image_surface_get_stride(backBuffer));
    std::vector<unsigned char> rows;
    for (const PixelRect& r : rects) {
        const auto rowBytes = static_cast<size_t>(r.width()) * 4u;
        const auto rowsPerRequest = static_cast<std::int32_t>(std::max<size_t>(1, maxBytes / rowBytes));
        for (std::int32_t y = r.y0; y < r.y1; y += rowsPerRequest) {
            const std::int32_t count = std::min(rowsPerRequest, r.y1 - y);
            rows.resize(rowBytes * static_cast<size_t>(count));
            for (std::int32_t i = 0; i < count; ++i)
                std::memcpy(rows.data() + rowBytes * static_cast<size_t>(i),
                            data + static_cast<size_t>(y + i) * stride + static_cast<size_t>(r.x0) * 4u,
                            rowBytes);
            xcb_put_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc,
                          static_cast<std::uint16_t>(r.width()), static_cast<std::uint16_t>(count),
                          static_cast<std::int16_t>(r.x0), static_cast<std::int16_t>(y), 0, depth,
                          static_cast<std::uint32_t>(rows.size()), rows.data());
        }
    }
    // Setting the background again makes the server take the pixmap as it is now; clearing
    // repaints the changed rectangles from it.
    xcb_change_window_attributes(connection, window, XCB_CW_BACK_PIXMAP, &pixmap);
    for (const PixelRect& r : rects)
        xcb_clear_area(connection, 0, window, static_cast<std::int16_t>(r.x0),
                       static_cast<std::int16_t>(r.y0), static_cast<std::uint16_t>(r.width()),
                       static_cast<std::uint16_t>(r.height()));
    xcb_flush(connection);
}

bool X11Window::nextInput(PointerInput& input) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
        const std::uint8_t kind = event->response_type & 0x7f;
        bool taken = false;
        if (kind == XCB_BUTTON_PRESS || kind == XCB_BUTTON_RELEASE) {
            const auto* e = reinterpret_cast<const xcb_button_press_event_t*>(event);
            input = PointerInput();
            input.x = e->event_x;
            input.y = e->event_y;
            const std::int32_t modifiers = modifierBits(e->state);
            if (e->detail >= 4 && e->detail <= 7) {
                // Wheel notches come as presses (and releases, which carry nothing more).
                if (kind == XCB_BUTTON_PRESS) {
                    input.type = EventType::MouseWheel;
                    input.buttons = modifiers;
                    input.wheelY = e->detail == 4 ? 1.0 : (e->detail == 5 ? -1.0 : 0.0);
                    input.wheelX = e->detail == 7 ? 1.0 : (e->detail == 6 ? -1.0 : 0.0);
                    taken = true;
                }
            } else if (const std::int32_t bit = buttonBit(e->detail)) {
                input.type = kind == XCB_BUTTON_PRESS ? EventType::MouseDown : EventType::MouseUp;
                input.buttons = bit | modifiers;
                taken = true;
            }
        } else if (kind == XCB_LEAVE_NOTIFY) {
            // Another client grabbing the pointer takes the held press away from us.
            const auto* e = reinterpret_cast<const xcb_leave_notify_event_t*>(event);
            if (e->mode == XCB_NOTIFY_MODE_GRAB) {
                input = PointerInput();
                input.type = EventType::MouseCancel;
                taken = true;
            }
        } else if (kind == XCB_MOTION_NOTIFY) {
            const auto* e = reinterpret_cast<const xcb_motion_notify_event_t*>(event);
            input = PointerInput();
            input.type = EventType::MouseMove;
            input.x = e->event_x;
            input.y = e->event_y;
            input.buttons = heldButtonBits(e->state) | modifierBits(e->state);
            taken = true;
        }
        std::free(event);
        if (taken) return true;
    }
    return false;
}

}  // namespace VSTGUI
