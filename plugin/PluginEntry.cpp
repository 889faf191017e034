// The module's entry functions, the plug-in factory and the one descriptor. Plumbing only.

#include <cstring>

#include "plugin/FXCorePlugin.h"

namespace fxcoreplug {

namespace {

constexpr const char* kPluginId = "com.morvith-pedals.corlinde-jr";

const char* const kFeatures[] = {CLAP_PLUGIN_FEATURE_AUDIO_EFFECT, CLAP_PLUGIN_FEATURE_STEREO, nullptr};

const clap_plugin_descriptor s_descriptor{
    CLAP_VERSION_INIT,
    kPluginId,
    "Corlinde Jr",
    "Morvith Pedals",
    "https://morvith-pedals.com",
    "",
    "",
    "0.1.0",
    "Corlinde Jr -- FXCore emulation running the pedal's own firmware",
    kFeatures,
};

// Inits not yet matched by a deinit. A plain int: init and deinit never overlap each other or
// any other call into the module.
int s_initCount = 0;

std::uint32_t factoryGetPluginCount(const clap_plugin_factory*) {
    return 1;
}

const clap_plugin_descriptor* factoryGetPluginDescriptor(const clap_plugin_factory*, std::uint32_t index) {
    return index == 0 ? &s_descriptor : nullptr;
}

const clap_plugin* factoryCreatePlugin(const clap_plugin_factory*, const clap_host* host,
                                       const char* pluginId) {
    if (pluginId == nullptr || std::strcmp(pluginId, kPluginId) != 0) {
        return nullptr;
    }
    auto* instance = new FXCorePlugin(host);
    return &instance->clapPlugin;
}

const clap_plugin_factory s_factory{factoryGetPluginCount, factoryGetPluginDescriptor, factoryCreatePlugin};

}  // namespace

const clap_plugin_descriptor* descriptor() {
    return &s_descriptor;
}

bool fxcore_entry_init(const char* pluginPath) {
    const int previous = s_initCount;
    ++s_initCount;
    if (previous == 0) {
        initEditorLayer(pluginPath);  // first init only; never undone
    }
    return true;
}

void fxcore_entry_deinit() {
    if (s_initCount > 0) {
        --s_initCount;
    }
}

const void* fxcore_entry_get_factory(const char* factoryId) {
    if (factoryId != nullptr && std::strcmp(factoryId, CLAP_PLUGIN_FACTORY_ID) == 0) {
        return &s_factory;
    }
    return nullptr;
}

}  // namespace fxcoreplug
