// The module's one exported symbol: the CLAP entry record. Everything it reaches lives in the
// plug-in library.

#include <clap/entry.h>

#include "plugin/FXCorePlugin.h"

extern "C" CLAP_EXPORT const clap_plugin_entry clap_entry = {
    CLAP_VERSION_INIT,
    fxcoreplug::fxcore_entry_init,
    fxcoreplug::fxcore_entry_deinit,
    fxcoreplug::fxcore_entry_get_factory,
};
