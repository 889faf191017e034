// The gui command of a build without the editor (CORLINDE_EDITOR off): there
// is no X11 support to show a window with.

#include "host/GuiCommand.h"

namespace fxcorehost {

int runGuiCommand(int, const char* const*, std::string& error) {
    error = "gui: this corlinde-host was built without the editor (CORLINDE_EDITOR off)";
    return 1;
}

}  // namespace fxcorehost
