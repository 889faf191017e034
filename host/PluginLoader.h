#pragma once
// Loading a CLAP plug-in file: dlopen, the exported clap_entry, the plug-in
// factory, picking a descriptor, creating and initialising one instance, and
// taking it through activation and processing. The destructor undoes whatever
// was done, in CLAP's order (stop processing, deactivate, destroy, deinit,
// dlclose), so every error path leaves nothing behind.

#include <cstdint>
#include <string>
#include <vector>

#include "clap/clap.h"

namespace fxcorehost {

class LoadedPlugin {
public:
    LoadedPlugin() = default;
    ~LoadedPlugin();
    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;

    // [main-thread] Opens the file at path and creates the plug-in with id
    // pluginId (the factory's first when empty) for host. On failure error
    // holds one line and nothing stays loaded.
    bool load(const std::string& path, const std::string& pluginId, const clap_host_t* host,
              std::string& error);

    const clap_plugin_t* plugin() const { return m_plugin; }
    const clap_plugin_descriptor_t* descriptor() const { return m_descriptor; }
    // Every descriptor of the factory, in factory order (nulls skipped).
    const std::vector<const clap_plugin_descriptor_t*>& descriptors() const { return m_descriptors; }

    // [thread-safe] The plug-in's table for an extension id, or null.
    template <typename Table>
    const Table* extension(const char* id) const {
        if (!m_plugin || !m_plugin->get_extension) return nullptr;
        return static_cast<const Table*>(m_plugin->get_extension(m_plugin, id));
    }

    // [main-thread]
    bool activate(double sampleRate, std::uint32_t minFrames, std::uint32_t maxFrames);
    void deactivate();
    // [audio-thread] (the main thread holds that role in this host)
    bool startProcessing();
    void stopProcessing();

private:
    // The steps of load, in order; each leaves what it did for unload().
    bool openEntry(const std::string& path, std::string& error);
    bool pickDescriptor(const std::string& path, const std::string& pluginId, std::string& error);
    bool createPlugin(const clap_host_t* host, std::string& error);
    void unload();

    void* m_library = nullptr;
    const clap_plugin_entry_t* m_entry = nullptr;
    bool m_entryInitialised = false;
    const clap_plugin_factory_t* m_factory = nullptr;
    std::vector<const clap_plugin_descriptor_t*> m_descriptors;
    const clap_plugin_descriptor_t* m_descriptor = nullptr;
    const clap_plugin_t* m_plugin = nullptr;
    bool m_active = false;
    bool m_processing = false;
};

// The text of a descriptor string field: "" for null.
inline const char* textOf(const char* s) {
    return s ? s : "";
}

}  // namespace fxcorehost
