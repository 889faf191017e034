// The editor side of the instance in a build without the editor: no gui extension is offered
// and no PanelEditor is ever created. PluginEditor.cpp replaces this file when the editor is
// built.

#include "plugin/FXCorePlugin.h"

namespace fxcoreplug {

// Without the editor no PanelEditor exists, so the pointer is always null.
void FXCorePlugin::EditorDeleter::operator()(PanelEditor*) const {}

FXCorePlugin::~FXCorePlugin() = default;

void initEditorLayer(const char*) {}

const clap_plugin_gui* FXCorePlugin::guiExtension() {
    return nullptr;
}

void FXCorePlugin::GuiRunLoopDeleter::operator()(GuiRunLoop*) const {}

const clap_plugin_timer_support* FXCorePlugin::timerSupportExtension() {
    return nullptr;
}

const clap_plugin_posix_fd_support* FXCorePlugin::posixFdSupportExtension() {
    return nullptr;
}

void FXCorePlugin::guiOnTimer(clap_id) {}

void FXCorePlugin::guiOnFd(int, clap_posix_fd_flags_t) {}

void FXCorePlugin::syncGuiRunLoop() {}

bool FXCorePlugin::guiIsApiSupported(const char*, bool) const {
    return false;
}

bool FXCorePlugin::guiCreate(const char*, bool) {
    return false;
}

void FXCorePlugin::guiDestroy() {}

bool FXCorePlugin::guiSetParent(const clap_window*) {
    return false;
}

bool FXCorePlugin::guiGetSize(std::uint32_t*, std::uint32_t*) {
    return false;
}

bool FXCorePlugin::guiSetScale(double) {
    return false;
}

bool FXCorePlugin::guiShow() {
    return false;
}

bool FXCorePlugin::guiHide() {
    return true;
}

}  // namespace fxcoreplug
