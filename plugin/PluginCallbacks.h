#pragma once
// The clap_plugin record every instance carries as its first member.

#include <clap/clap.h>

namespace fxcoreplug {

class FXCorePlugin;

// [main-thread] The callback record for instance: descriptor, plugin_data and the callbacks.
clap_plugin makeClapPluginRecord(FXCorePlugin* instance);

}  // namespace fxcoreplug
