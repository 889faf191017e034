// The editor side of the instance: everything that touches PanelEditor lives here, compiled
// only when the editor is built (PluginNoEditor.cpp stands in otherwise).
//
// "clap.gui" on Linux: the editor embeds in the host's X11 window ("x11", never floating).
// X11 sizes are physical pixels, so the host's scale reaches the editor, whose size follows
// it. The editor draws and takes the mouse on the host's main thread only: its X connection
// and its timers are served by the host through "clap.posix-fd-support" (the connection's
// descriptor, readable: drain what is queued) and "clap.timer-support" (one host timer at
// the editor's shortest timer period: fire what is due). A host without them still shows
// the editor as first drawn.
//
// When the X connection breaks (the X server went away), the editor stops drawing and
// hides for good, the host gets its descriptor and timer back, and the host's log hears of
// it once; the host's further calls find nothing to do.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "editor/PanelEditor.h"
#include "plugin/FXCorePlugin.h"
#include "vstgui/vstgui.h"

namespace fxcoreplug {

// The editor's link to the host's main loop. [main-thread]
struct FXCorePlugin::GuiRunLoop {
    VSTGUI::EventLoop loop;
    const clap_host_timer_support* hostTimers = nullptr;  // null when the host has none
    const clap_host_posix_fd_support* hostFds = nullptr;  // null when the host has none
    clap_id timerId = CLAP_INVALID_ID;                    // the registered host timer
    std::uint32_t timerPeriod = 0;                        // its period; 0 when none is registered
    std::vector<int> fds;                                 // the descriptors registered with the host
    bool connectionLossReported = false;                  // the editor's X connection broke
};

void FXCorePlugin::GuiRunLoopDeleter::operator()(GuiRunLoop* link) const {
    delete link;
}

void FXCorePlugin::EditorDeleter::operator()(PanelEditor* panel) const {
    delete panel;
}

FXCorePlugin::~FXCorePlugin() {
    guiDestroy();  // first: the editor closes while the rest of the instance is intact
}

// First entry init: the view layer takes the module's path.
void initEditorLayer(const char* pluginPath) {
    VSTGUI::init(pluginPath);
}

namespace {

// The scales the editor takes. At the lower limit the 394 x 722 panel is 99 x 181 pixels
// (the small knobs 10 pixels, the lamp 5): below it the controls shrink to a few pixels and
// the panel to nothing, so such a scale is refused rather than honoured.
constexpr double kMinScale = 0.25;
constexpr double kMaxScale = 16.0;

bool isX11(const char* api) {
    return api != nullptr && std::strcmp(api, CLAP_WINDOW_API_X11) == 0;
}

bool isEmbeddedX11(const char* api, bool isFloating) {
    return !isFloating && isX11(api);
}

}  // namespace

// Brings the host's timer and descriptors in line with what the editor's layer needs now.
void FXCorePlugin::syncGuiRunLoop() {
    GuiRunLoop* link = guiRunLoop.get();
    if (link == nullptr) {
        return;
    }
    if (editor && !link->connectionLossReported && editor->connectionLost()) {
        link->connectionLossReported = true;
        editor->hide();  // no tick: nothing it draws can be seen
        logToHost(CLAP_LOG_ERROR,
                  "Corlinde Jr: the editor's X connection was lost; the editor stops drawing until it is "
                  "opened again");
    }
    const std::uint32_t period = link->loop.shortestTimerPeriod();
    if (period != link->timerPeriod && link->hostTimers != nullptr) {
        if (link->timerPeriod != 0) {
            link->hostTimers->unregister_timer(host, link->timerId);
        }
        link->timerId = CLAP_INVALID_ID;
        link->timerPeriod = 0;
        clap_id id = CLAP_INVALID_ID;
        if (period != 0 && link->hostTimers->register_timer(host, period, &id)) {
            link->timerId = id;
            link->timerPeriod = period;
        }
    }
    if (link->hostFds != nullptr) {
        const std::vector<int> wanted = link->loop.fileDescriptors();
        std::vector<int> kept;
        for (int fd : link->fds) {
            if (std::find(wanted.begin(), wanted.end(), fd) != wanted.end()) {
                kept.push_back(fd);
            } else {
                link->hostFds->unregister_fd(host, fd);
            }
        }
        for (int fd : wanted) {
            if (std::find(kept.begin(), kept.end(), fd) == kept.end() &&
                link->hostFds->register_fd(host, fd, CLAP_POSIX_FD_READ)) {
                kept.push_back(fd);
            }
        }
        link->fds = kept;
    }
}

void FXCorePlugin::guiOnTimer(clap_id timerId) {
    GuiRunLoop* link = guiRunLoop.get();
    if (link == nullptr || link->timerPeriod == 0 || timerId != link->timerId) {
        return;
    }
    VSTGUI::EventLoop::Scope scope(link->loop);
    link->loop.fireDueTimers();
    syncGuiRunLoop();
}

void FXCorePlugin::guiOnFd(int fd, clap_posix_fd_flags_t) {
    GuiRunLoop* link = guiRunLoop.get();
    if (link == nullptr || std::find(link->fds.begin(), link->fds.end(), fd) == link->fds.end()) {
        return;
    }
    // The host's flags say what was registered, not what happened: drain whatever is there.
    VSTGUI::EventLoop::Scope scope(link->loop);
    link->loop.processEvents();
    syncGuiRunLoop();
}

bool FXCorePlugin::guiIsApiSupported(const char* api, bool isFloating) const {
    return isEmbeddedX11(api, isFloating);
}

bool FXCorePlugin::guiCreate(const char* api, bool isFloating) {
    if (!isEmbeddedX11(api, isFloating)) {
        return false;
    }
    if (editor) {
        return true;
    }
    guiRunLoop.reset(new GuiRunLoop);
    if (host != nullptr && host->get_extension != nullptr) {
        guiRunLoop->hostTimers =
            static_cast<const clap_host_timer_support*>(host->get_extension(host, CLAP_EXT_TIMER_SUPPORT));
        guiRunLoop->hostFds = static_cast<const clap_host_posix_fd_support*>(
            host->get_extension(host, CLAP_EXT_POSIX_FD_SUPPORT));
        if (guiRunLoop->hostTimers != nullptr && (guiRunLoop->hostTimers->register_timer == nullptr ||
                                                  guiRunLoop->hostTimers->unregister_timer == nullptr)) {
            guiRunLoop->hostTimers = nullptr;
        }
        if (guiRunLoop->hostFds != nullptr &&
            (guiRunLoop->hostFds->register_fd == nullptr || guiRunLoop->hostFds->unregister_fd == nullptr)) {
            guiRunLoop->hostFds = nullptr;
        }
    }
    VSTGUI::EventLoop::Scope scope(guiRunLoop->loop);
    editor.reset(new PanelEditor(*this));
    return true;
}

void FXCorePlugin::guiDestroy() {
    if (!editor) {
        return;
    }
    {
        VSTGUI::EventLoop::Scope scope(guiRunLoop->loop);
        editor->close();
        syncGuiRunLoop();  // the closed editor needs no timer and no descriptor
        editor.reset();    // its destructor closes once more, harmlessly
    }
    guiRunLoop.reset();
}

bool FXCorePlugin::guiSetParent(const clap_window* window) {
    // Only an X11 window record is read as one (another api's union member is not a window
    // id). Id 0 names no window, and X ids are 32-bit: a wider one is not cut down to some
    // other window. An id the X server does not know fails the editor's open.
    if (!editor || window == nullptr || !isX11(window->api) || window->x11 == 0 || window->x11 > UINT32_MAX) {
        return false;
    }
    VSTGUI::EventLoop::Scope scope(guiRunLoop->loop);
    const bool opened = editor->open(reinterpret_cast<void*>(static_cast<std::uintptr_t>(window->x11)));
    syncGuiRunLoop();
    return opened;
}

bool FXCorePlugin::guiGetSize(std::uint32_t* width, std::uint32_t* height) {
    if (width == nullptr || height == nullptr) {
        return false;
    }
    if (editor) {
        editor->getSize(*width, *height);
    } else {
        *width = 394;
        *height = 722;
    }
    return true;
}

bool FXCorePlugin::guiSetScale(double scale) {
    if (!editor || !(scale >= kMinScale) || !(scale <= kMaxScale)) {
        return false;
    }
    VSTGUI::EventLoop::Scope scope(guiRunLoop->loop);
    editor->setScale(scale);
    guiRunLoop->loop.processEvents();  // shows the resized window now, not at the next tick
    syncGuiRunLoop();
    return true;
}

// A hidden editor is unmapped and does not tick, so the host's timer is unregistered until
// show, which registers it again. The answers are those of an editor that shows and hides
// at once.
bool FXCorePlugin::guiShow() {
    if (!editor) {
        return false;
    }
    VSTGUI::EventLoop::Scope scope(guiRunLoop->loop);
    editor->show();
    guiRunLoop->loop.processEvents();  // draws what the fresh tick changed
    syncGuiRunLoop();
    return true;
}

bool FXCorePlugin::guiHide() {
    if (editor) {
        VSTGUI::EventLoop::Scope scope(guiRunLoop->loop);
        editor->hide();
        syncGuiRunLoop();
    }
    return true;
}

namespace {

FXCorePlugin* self(const clap_plugin* plugin) {
    return fromClap(plugin);
}

bool guiIsApiSupportedCb(const clap_plugin* plugin, const char* api, bool isFloating) {
    const FXCorePlugin* p = self(plugin);
    return p != nullptr && p->guiIsApiSupported(api, isFloating);
}

bool guiGetPreferredApiCb(const clap_plugin*, const char** api, bool* isFloating) {
    if (api == nullptr || isFloating == nullptr) {
        return false;
    }
    *api = CLAP_WINDOW_API_X11;
    *isFloating = false;
    return true;
}

bool guiCreateCb(const clap_plugin* plugin, const char* api, bool isFloating) {
    FXCorePlugin* p = self(plugin);
    return p != nullptr && p->guiCreate(api, isFloating);
}

void guiDestroyCb(const clap_plugin* plugin) {
    if (FXCorePlugin* p = self(plugin)) {
        p->guiDestroy();
    }
}

bool guiSetScaleCb(const clap_plugin* plugin, double scale) {
    FXCorePlugin* p = self(plugin);
    return p != nullptr && p->guiSetScale(scale);
}

bool guiGetSizeCb(const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height) {
    FXCorePlugin* p = self(plugin);
    return p != nullptr && p->guiGetSize(width, height);
}

bool guiCanResizeCb(const clap_plugin*) {
    return false;
}

bool guiGetResizeHintsCb(const clap_plugin*, clap_gui_resize_hints*) {
    return false;
}

// The host's proposal is overwritten with the editor's fixed size.
bool guiAdjustSizeCb(const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height) {
    return guiGetSizeCb(plugin, width, height);
}

bool guiSetSizeCb(const clap_plugin*, std::uint32_t, std::uint32_t) {
    return false;
}

bool guiSetParentCb(const clap_plugin* plugin, const clap_window* window) {
    FXCorePlugin* p = self(plugin);
    return p != nullptr && p->guiSetParent(window);
}

bool guiSetTransientCb(const clap_plugin*, const clap_window*) {
    return false;
}

void guiSuggestTitleCb(const clap_plugin*, const char*) {}

bool guiShowCb(const clap_plugin* plugin) {
    FXCorePlugin* p = self(plugin);
    return p != nullptr && p->guiShow();
}

bool guiHideCb(const clap_plugin* plugin) {
    FXCorePlugin* p = self(plugin);
    return p != nullptr && p->guiHide();
}

const clap_plugin_gui s_gui{
    guiIsApiSupportedCb, guiGetPreferredApiCb, guiCreateCb,         guiDestroyCb,    guiSetScaleCb,
    guiGetSizeCb,        guiCanResizeCb,       guiGetResizeHintsCb, guiAdjustSizeCb, guiSetSizeCb,
    guiSetParentCb,      guiSetTransientCb,    guiSuggestTitleCb,   guiShowCb,       guiHideCb};

// The host calls these on its main thread for the timer and descriptors the editor registered.
void onTimerCb(const clap_plugin* plugin, clap_id timerId) {
    if (FXCorePlugin* p = self(plugin)) {
        p->guiOnTimer(timerId);
    }
}

void onFdCb(const clap_plugin* plugin, int fd, clap_posix_fd_flags_t flags) {
    if (FXCorePlugin* p = self(plugin)) {
        p->guiOnFd(fd, flags);
    }
}

const clap_plugin_timer_support s_timerSupport{onTimerCb};
const clap_plugin_posix_fd_support s_posixFdSupport{onFdCb};

}  // namespace

const clap_plugin_gui* FXCorePlugin::guiExtension() {
    return &s_gui;
}

const clap_plugin_timer_support* FXCorePlugin::timerSupportExtension() {
    return &s_timerSupport;
}

const clap_plugin_posix_fd_support* FXCorePlugin::posixFdSupportExtension() {
    return &s_posixFdSupport;
}

}  // namespace fxcoreplug
