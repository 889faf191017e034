// Pictures of the pedal's panel as the editor draws it: each mode, with the lamp lit (the
// pedal engaged) and unlit (bypassed by a footswitch press), the firmware running.
//
//   corlinde_panel_screenshots <directory>          offscreen frames
//   corlinde_panel_screenshots <directory> --x11    the editor in an X11 window ($DISPLAY),
//                                                   read back from the server
//
// Writes <directory>/panel-<mode>-<lit|unlit>.png (or panel-x11-...), mode kavro, drisk or
// vestra. Exits 1 when a picture cannot be made.
#include <cairo.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "editor/PanelEditor.h"
#include "plugin/FXCorePlugin.h"
#include "plugin/tests/ClapTestEvents.h"

namespace {

using fxcoreplug::FXCorePlugin;

constexpr std::uint32_t kBlock = 1600;  // one editor tick at 48 kHz
const char* const kModeNames[3] = {"kavro", "drisk", "vestra"};

// A plug-in running one mode on silence, engaged or bypassed.
struct Pedal {
    FXCorePlugin plugin{nullptr};
    fxcoreplug::test::StereoBlock block{kBlock};
    explicit Pedal(int mode) {
        plugin.activate(48000.0, 1, kBlock);
        plugin.writeParam(fxcoreplug::kParamMode, mode);
        run(4);
    }
    void run(int blocks) {
        for (int i = 0; i < blocks; ++i) plugin.process(block.process(kBlock, nullptr, nullptr));
    }
};

// The window's pixels as the server shows them, as an RGB24 surface; null when unreadable.
cairo_surface_t* readFromServer(xcb_connection_t* c, xcb_window_t window) {
    auto* geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    if (!geometry) return nullptr;
    const int w = geometry->width, h = geometry->height;
    std::free(geometry);
    auto* image =
        xcb_get_image_reply(c,
                            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0,
                                          static_cast<std::uint16_t>(w), static_cast<std::uint16_t>(h), ~0u),
                            nullptr);
    if (!image) return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    const int stride = cairo_image_surface_get_stride(surface);
    const bool ok = xcb_get_image_data_length(image) >= stride * h;
    if (ok) {
        cairo_surface_flush(surface);
        std::memcpy(cairo_image_surface_get_data(surface), xcb_get_image_data(image),
                    static_cast<std::size_t>(stride) * static_cast<std::size_t>(h));
        cairo_surface_mark_dirty(surface);
    }
    std::free(image);
    if (!ok) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    return surface;
}

// Whether two surfaces of the same size hold the same colours (the alpha byte aside: the
// window is opaque).
bool sameColours(cairo_surface_t* a, cairo_surface_t* b) {
    const int w = cairo_image_surface_get_width(a), h = cairo_image_surface_get_height(a);
    if (w != cairo_image_surface_get_width(b) || h != cairo_image_surface_get_height(b)) return false;
    cairo_surface_flush(a);
    cairo_surface_flush(b);
    const unsigned char* pa = cairo_image_surface_get_data(a);
    const unsigned char* pb = cairo_image_surface_get_data(b);
    const int sa = cairo_image_surface_get_stride(a), sb = cairo_image_surface_get_stride(b);
    for (int y = 0; y < h; ++y) {
        const auto* ra = reinterpret_cast<const std::uint32_t*>(pa + y * sa);
        const auto* rb = reinterpret_cast<const std::uint32_t*>(pb + y * sb);
        for (int x = 0; x < w; ++x)
            if ((ra[x] & 0xffffffu) != (rb[x] & 0xffffffu)) return false;
    }
    return true;
}

// Writes what the server shows in the window once it shows the frame's last paint: the
// editor draws on a connection of its own, so its requests reach the server in no fixed
// order with this one's; the read-back is repeated until it matches the frame's back buffer
// (20 s at most, for a loaded machine).
bool writeFromServer(xcb_connection_t* c, VSTGUI::CFrame& frame, const std::string& path) {
    const std::string painted = path + ".painted";
    if (!frame.copyImage()->writePNG(painted.c_str())) return false;
    cairo_surface_t* expected = cairo_image_surface_create_from_png(painted.c_str());
    std::remove(painted.c_str());
    bool ok = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!ok && std::chrono::steady_clock::now() < deadline) {
        cairo_surface_t* shown = readFromServer(c, frame.getWindowId());
        if (shown && sameColours(shown, expected))
            ok = cairo_surface_write_to_png(shown, path.c_str()) == CAIRO_STATUS_SUCCESS;
        else
            usleep(10000);
        if (shown) cairo_surface_destroy(shown);
    }
    cairo_surface_destroy(expected);
    return ok;
}

// The editor opened and brought up to date: the toggles and the lamp after a tick.
bool shootOffscreen(Pedal& pedal, const std::string& path, bool bypass) {
    fxcoreplug::PanelEditor editor(pedal.plugin);
    editor.open(nullptr);
    if (bypass) {
        editor.clickAt(196, 617);  // the footswitch
        pedal.run(2);
    }
    editor.onTimer();
    pedal.run(1);
    editor.onTimer();
    return editor.getFrame()->copyImage()->writePNG(path.c_str());
}

bool shootInWindow(Pedal& pedal, const std::string& path, bool bypass) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "no X display\n");
        xcb_disconnect(c);
        return false;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t top = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, top, screen->root, 0, 0, 394, 722, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    xcb_map_window(c, top);
    xcb_flush(c);
    bool ok = false;
    {
        const clap_plugin* p = &pedal.plugin.clapPlugin;
        auto* gui = static_cast<const clap_plugin_gui*>(fxcoreplug::pluginGetExtension(p, CLAP_EXT_GUI));
        clap_window window{};
        window.api = CLAP_WINDOW_API_X11;
        window.x11 = top;
        if (gui->create(p, "x11", false) && gui->set_parent(p, &window)) {
            fxcoreplug::PanelEditor& editor = *pedal.plugin.editor;
            if (bypass) {
                editor.clickAt(196, 617);  // the footswitch
                pedal.run(2);
            }
            editor.onTimer();
            pedal.run(1);
            editor.onTimer();
            editor.getFrame()->paint();
            ok = writeFromServer(c, *editor.getFrame(), path);
            gui->destroy(p);
        }
    }
    xcb_destroy_window(c, top);
    xcb_disconnect(c);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || (argc == 3 && std::strcmp(argv[2], "--x11") != 0) || argc > 3) {
        std::fprintf(stderr, "usage: %s <directory> [--x11]\n", argv[0]);
        return 2;
    }
    const bool x11 = argc == 3;
    const std::string dir = argv[1];
    for (int mode = 0; mode < 3; ++mode) {
        for (bool lit : {true, false}) {
            Pedal pedal(mode);
            const std::string path =
                dir + "/panel-" + (x11 ? "x11-" : "") + kModeNames[mode] + (lit ? "-lit" : "-unlit") + ".png";
            const bool ok = x11 ? shootInWindow(pedal, path, !lit) : shootOffscreen(pedal, path, !lit);
            if (!ok) {
                std::fprintf(stderr, "could not write %s\n", path.c_str());
                return 1;
            }
            std::printf("%s\n", path.c_str());
        }
    }
    return 0;
}
