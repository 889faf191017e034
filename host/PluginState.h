#pragma once
// Saving and loading a plug-in's state through the CLAP state extension, with
// the bytes held in memory and read from or written to a file whole.

#include <string>
#include <vector>

#include "clap/clap.h"

namespace fxcorehost {

// [main-thread] Reads the whole file; error names the file on failure.
bool readWholeFile(const std::string& path, std::vector<unsigned char>& bytes, std::string& error);

// [main-thread] state->load over bytes; false when the plug-in refuses them.
bool loadPluginState(const clap_plugin_t* plugin, const clap_plugin_state_t* state,
                     const std::vector<unsigned char>& bytes);

// [main-thread] state->save into bytes; false when the plug-in reports failure.
bool savePluginState(const clap_plugin_t* plugin, const clap_plugin_state_t* state,
                     std::vector<unsigned char>& bytes);

}  // namespace fxcorehost
