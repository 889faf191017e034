#include "host/PluginLoader.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "host/ErrorText.h"
#include "host/ModuleFile.h"

namespace fxcorehost {

namespace {

// The first line of dlerror(), which can otherwise run over several lines.
std::string lastDlError() {
    const char* text = dlerror();
    std::string message = text ? text : "unknown error";
    const auto newline = message.find('\n');
    if (newline != std::string::npos) message.resize(newline);
    return message;
}

}  // namespace

LoadedPlugin::~LoadedPlugin() {
    unload();
}

bool LoadedPlugin::load(const std::string& path, const std::string& pluginId, const clap_host_t* host,
                        std::string& error) {
    unload();
    // Each step leaves what it did for unload() to undo when a later one fails.
    const bool loaded =
        openEntry(path, error) && pickDescriptor(path, pluginId, error) && createPlugin(host, error);
    if (!loaded) unload();
    return loaded;
}

bool LoadedPlugin::openEntry(const std::string& path, std::string& error) {
    // dlopen trusts the file: one cut short crashes it instead of failing.
    if (!checkModuleFile(path, error)) return false;
    // init receives the module's own path; make it absolute so that a plug-in
    // that looks for files beside itself finds them.
    char resolved[PATH_MAX];
    const std::string absolute = realpath(path.c_str(), resolved) ? resolved : path;

    // dlopen resolves a name without a slash through the library search path;
    // a file given on the command line is always meant as a path.
    const std::string openPath = absolute.find('/') == std::string::npos ? "./" + absolute : absolute;
    // RTLD_NODELETE keeps the module mapped after dlclose, until the process
    // ends: a plug-in and the libraries it pulls in may keep process-wide
    // state they never free (pixman, under a cairo-drawn editor, allocates its
    // tables when it is loaded), and unmapping them would turn that into
    // memory that nothing refers to any more.
    m_library = dlopen(openPath.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!m_library) {
        error = quoted(path) + " is not a CLAP plug-in: " + lastDlError();
        return false;
    }
    m_entry = static_cast<const clap_plugin_entry_t*>(dlsym(m_library, "clap_entry"));
    if (!m_entry || !m_entry->init || !m_entry->deinit || !m_entry->get_factory) {
        error = quoted(path) + " is not a CLAP plug-in: it exports no clap_entry";
        return false;
    }
    if (!clap_version_is_compatible(m_entry->clap_version)) {
        error = quoted(path) + " is built for CLAP " + std::to_string(m_entry->clap_version.major) + "." +
                std::to_string(m_entry->clap_version.minor) + ", which this host does not support";
        return false;
    }
    if (!m_entry->init(absolute.c_str())) {
        error = quoted(path) + ": the plug-in's entry failed to initialise";
        m_entry = nullptr;  // after a failed init nothing else may be called, not even deinit
        return false;
    }
    m_entryInitialised = true;
    return true;
}

bool LoadedPlugin::pickDescriptor(const std::string& path, const std::string& pluginId, std::string& error) {
    m_factory = static_cast<const clap_plugin_factory_t*>(m_entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
    if (!m_factory || !m_factory->get_plugin_count || !m_factory->get_plugin_descriptor ||
        !m_factory->create_plugin) {
        error = quoted(path) + " has no CLAP plug-in factory";
        return false;
    }
    const std::uint32_t count = m_factory->get_plugin_count(m_factory);
    for (std::uint32_t i = 0; i < count; ++i) {
        const clap_plugin_descriptor_t* d = m_factory->get_plugin_descriptor(m_factory, i);
        if (d && d->id) m_descriptors.push_back(d);
    }
    if (m_descriptors.empty()) {
        error = quoted(path) + " holds no plug-ins";
        return false;
    }
    if (pluginId.empty()) {
        m_descriptor = m_descriptors.front();
        return true;
    }
    for (const auto* d : m_descriptors)
        if (std::strcmp(d->id, pluginId.c_str()) == 0) m_descriptor = d;
    if (!m_descriptor) {
        std::string ids;
        for (const auto* d : m_descriptors) ids += (ids.empty() ? "" : ", ") + std::string(d->id);
        error = quoted(path) + " has no plug-in with id " + quoted(pluginId) + " (it has: " + ids + ")";
        return false;
    }
    return true;
}

bool LoadedPlugin::createPlugin(const clap_host_t* host, std::string& error) {
    m_plugin = m_factory->create_plugin(m_factory, host, m_descriptor->id);
    if (!m_plugin) {
        error = "the plug-in " + quoted(m_descriptor->id) + " could not be created";
        return false;
    }
    if (!m_plugin->init || !m_plugin->destroy || !m_plugin->process || !m_plugin->activate ||
        !m_plugin->deactivate || !m_plugin->start_processing || !m_plugin->stop_processing ||
        !m_plugin->get_extension || !m_plugin->on_main_thread) {
        error = "the plug-in " + quoted(m_descriptor->id) + " has an incomplete callback record";
        m_plugin = nullptr;  // cannot be destroyed safely without its destroy entry
        return false;
    }
    if (!m_plugin->init(m_plugin)) {
        error = "the plug-in " + quoted(m_descriptor->id) + " failed to initialise";
        return false;
    }
    return true;
}

bool LoadedPlugin::activate(double sampleRate, std::uint32_t minFrames, std::uint32_t maxFrames) {
    if (!m_plugin || m_active) return false;
    m_active = m_plugin->activate(m_plugin, sampleRate, minFrames, maxFrames);
    return m_active;
}

void LoadedPlugin::deactivate() {
    stopProcessing();
    if (m_plugin && m_active) m_plugin->deactivate(m_plugin);
    m_active = false;
}

bool LoadedPlugin::startProcessing() {
    if (!m_plugin || !m_active || m_processing) return false;
    m_processing = m_plugin->start_processing(m_plugin);
    return m_processing;
}

void LoadedPlugin::stopProcessing() {
    if (m_plugin && m_processing) m_plugin->stop_processing(m_plugin);
    m_processing = false;
}

void LoadedPlugin::unload() {
    deactivate();
    if (m_plugin) m_plugin->destroy(m_plugin);
    m_plugin = nullptr;
    m_descriptor = nullptr;
    m_descriptors.clear();
    m_factory = nullptr;
    if (m_entry && m_entryInitialised) m_entry->deinit();
    m_entryInitialised = false;
    m_entry = nullptr;
    if (m_library) dlclose(m_library);
    m_library = nullptr;
}

}  // namespace fxcorehost
