// The editor side of the instance: everything that touches PanelEditor lives here, compiled
// only when the editor is built (PluginNoEditor.cpp stands in otherwise).
//
// The gui extension's table and members (guiIsApiSupported .. guiClickForTesting, and
// guiExtension returning the table) belong in this file beside the editor they drive.

#include "editor/PanelEditor.h"
#include "plugin/FXCorePlugin.h"

namespace fxcoreplug {

void FXCorePlugin::EditorDeleter::operator()(PanelEditor* panel) const {
    delete panel;
}

FXCorePlugin::~FXCorePlugin() {
    editor.reset(); // first: its destructor closes it while the rest of the instance is intact
}

// First entry init: the editor layer's one-time initialisation takes the module's path here
// (the X11 layer needs nothing yet).
void initEditorLayer(const char*) {}

} // namespace fxcoreplug
