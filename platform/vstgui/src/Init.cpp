#include <string>

#include "vstgui/vstgui.h"

namespace VSTGUI {
namespace {
// [main-thread] The entry's init runs once per load; the layer is never shut down.
bool s_initialized = false;
std::string s_initPath;
}  // namespace

void init(const char* pluginPath) {
    if (s_initialized) return;
    s_initialized = true;
    if (pluginPath) s_initPath = pluginPath;
}

bool isInitialized() {
    return s_initialized;
}

const std::string& initPath() {
    return s_initPath;
}

}  // namespace VSTGUI
