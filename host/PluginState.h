#pragma once
// Saving and loading a plug-in's state through the CLAP state extension: a
// saved state is held in memory (the caller writes it out), a loaded one is
// read from its file as the plug-in asks for it.

#include <string>
#include <vector>

#include "clap/clap.h"

namespace fxcorehost {

// [main-thread] state->load reading straight from the file at path, which
// must be a regular file; false with one line in error when the file cannot
// be read or the plug-in refuses its bytes.
bool loadPluginStateFile(const clap_plugin_t* plugin, const clap_plugin_state_t* state,
                         const std::string& path, std::string& error);

// [main-thread] state->load reading bytes held in memory; false when the
// plug-in refuses them.
bool loadPluginState(const clap_plugin_t* plugin, const clap_plugin_state_t* state,
                     const std::vector<unsigned char>& bytes);

// [main-thread] state->save into bytes; false when the plug-in reports failure.
bool savePluginState(const clap_plugin_t* plugin, const clap_plugin_state_t* state,
                     std::vector<unsigned char>& bytes);

}  // namespace fxcorehost
