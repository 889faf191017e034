#include "host/X11Window.h"

#include <png.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/ErrorText.h"


namespace fxcorehost {

namespace {

// ICCCM WM_SIZE_HINTS: flags, then x, y, width, height, min, max, increments,
// aspects, base size and gravity, 18 words in all.
constexpr std::uint32_t kSizeHintsMinSize = 1u << 4;
constexpr std::uint32_t kSizeHintsMaxSize = 1u << 5;
constexpr std::uint32_t kSizeHintsWords = 18;

// The right shift that brings a channel mask's lowest bit to bit 0, and the
// 8-bit value of the channel in pixel.
unsigned channelOf(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0) return 0;
    unsigned shift = 0;
    while (((mask >> shift) & 1u) == 0) ++shift;
    const std::uint32_t max = mask >> shift;
    const std::uint32_t value = (pixel & mask) >> shift;
    return static_cast<unsigned>((value * 255u + max / 2) / max);
}

}  // namespace

X11Window::~X11Window() {
    if (m_connection) {
        if (m_window) xcb_destroy_window(m_connection, m_window);
        xcb_disconnect(m_connection);
    }
}

int X11Window::fd() const {
    return m_connection ? xcb_get_file_descriptor(m_connection) : -1;
}

xcb_atom_t X11Window::internAtom(const char* name) {
    const auto cookie = xcb_intern_atom(m_connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(m_connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

bool X11Window::create(std::uint32_t width, std::uint32_t height, const std::string& title,
                       std::string& error) {
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection)) {
        const char* display = std::getenv("DISPLAY");
        error = std::string("cannot connect to the X display '") + (display ? display : "") + "'";
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return false;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
    m_screen = screens.data;
    m_width = width;
    m_height = height;

    m_window = xcb_generate_id(m_connection);
    const std::uint32_t mask = XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK;
    const std::uint32_t values[] = {m_screen->black_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, m_screen->root, 0, 0,
                      static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, m_screen->root_visual, mask, values);

    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<std::uint32_t>(title.size()), title.data());
    const char wmClass[] = "corlinde-host\0corlinde-host";
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        sizeof(wmClass), wmClass);
    // The editor cannot be resized: the window manager is told min = max.
    std::uint32_t hints[kSizeHintsWords] = {};
    hints[0] = kSizeHintsMinSize | kSizeHintsMaxSize;
    hints[5] = hints[7] = width;
    hints[6] = hints[8] = height;
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_window, XCB_ATOM_WM_NORMAL_HINTS,
                        XCB_ATOM_WM_SIZE_HINTS, 32, kSizeHintsWords, hints);

    m_wmProtocols = internAtom("WM_PROTOCOLS");
    m_wmDeleteWindow = internAtom("WM_DELETE_WINDOW");
    if (m_wmProtocols != XCB_ATOM_NONE && m_wmDeleteWindow != XCB_ATOM_NONE)
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_window, m_wmProtocols, XCB_ATOM_ATOM, 32,
                            1, &m_wmDeleteWindow);
    xcb_flush(m_connection);
    return true;
}

void X11Window::map() {
    xcb_map_window(m_connection, m_window);
    xcb_flush(m_connection);
}

void X11Window::flush() {
    if (m_connection) xcb_flush(m_connection);
}

X11Window::Status X11Window::drainEvents() {
    if (!m_connection || xcb_connection_has_error(m_connection)) return Status::ConnectionLost;
    Status status = Status::Open;
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
        if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
            const auto* message = reinterpret_cast<const xcb_client_message_event_t*>(event);
            if (message->window == m_window && message->type == m_wmProtocols && message->format == 32 &&
                message->data.data32[0] == m_wmDeleteWindow)
                status = Status::CloseRequested;
        }
        std::free(event);
    }
    if (xcb_connection_has_error(m_connection)) return Status::ConnectionLost;
    return status;
}

bool X11Window::writeScreenshot(fxcorefile::OutputFile& file, const std::string& path, std::string& error) {
    // Only a window on screen has contents to read; the editor's child window
    // shows through in the parent's image, as the server composes them.
    const auto cookie =
        xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_window, 0, 0,
                      static_cast<std::uint16_t>(m_width), static_cast<std::uint16_t>(m_height), ~0u);
    xcb_generic_error_t* xError = nullptr;
    xcb_get_image_reply_t* reply = xcb_get_image_reply(m_connection, cookie, &xError);
    if (!reply) {
        std::free(xError);
        error = "--screenshot: the window's contents cannot be read (is it on screen?)";
        return false;
    }

    // The pixel layout: the image's depth names a pixmap format (bits per
    // pixel) and the window's visual the channel masks.
    const xcb_setup_t* setup = xcb_get_setup(m_connection);
    std::uint8_t bitsPerPixel = 0;
    for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem > 0; xcb_format_next(&formats))
        if (formats.data->depth == reply->depth) bitsPerPixel = formats.data->bits_per_pixel;
    const xcb_visualtype_t* visual = nullptr;
    for (auto depths = xcb_screen_allowed_depths_iterator(m_screen); depths.rem > 0 && !visual;
         xcb_depth_next(&depths))
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem > 0;
             xcb_visualtype_next(&visuals))
            if (visuals.data->visual_id == reply->visual) visual = visuals.data;
    const std::size_t stride = static_cast<std::size_t>(m_width) * 4;
    if (bitsPerPixel != 32 || !visual || visual->_class != XCB_VISUAL_CLASS_TRUE_COLOR ||
        static_cast<std::size_t>(xcb_get_image_data_length(reply)) < stride * m_height) {
        std::free(reply);
        error = "--screenshot: the display's pixel format is not 32-bit true colour";
        return false;
    }

    const std::uint8_t* data = xcb_get_image_data(reply);
    const bool lsbFirst = setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(m_width) * m_height * 3);
    for (std::size_t i = 0; i < static_cast<std::size_t>(m_width) * m_height; ++i) {
        const std::uint8_t* b = data + i * 4;
        const std::uint32_t pixel = lsbFirst ? (std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 |
                                                std::uint32_t{b[2]} << 16 | std::uint32_t{b[3]} << 24)
                                             : (std::uint32_t{b[3]} | std::uint32_t{b[2]} << 8 |
                                                std::uint32_t{b[1]} << 16 | std::uint32_t{b[0]} << 24);
        rgb[i * 3 + 0] = static_cast<std::uint8_t>(channelOf(pixel, visual->red_mask));
        rgb[i * 3 + 1] = static_cast<std::uint8_t>(channelOf(pixel, visual->green_mask));
        rgb[i * 3 + 2] = static_cast<std::uint8_t>(channelOf(pixel, visual->blue_mask));
    }
    std::free(reply);

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = m_width;
    image.height = m_height;
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr)) {
        error = std::string("--screenshot: cannot encode the PNG: ") + image.message;
        return false;
    }
    std::vector<std::uint8_t> png(size);
    if (!png_image_write_to_memory(&image, png.data(), &size, 0, rgb.data(), 0, nullptr)) {
        error = std::string("--screenshot: cannot encode the PNG: ") + image.message;
        return false;
    }
    std::string cause;
    if (file.writeAll(png.data(), size, cause) && file.commit(cause)) return true;
    error = "cannot write " + quoted(path) + ": " + cause;
    return false;
}

}  // namespace fxcorehost
