#pragma once
// A minimal CLAP host for tests: loads a built .clap module with dlopen, finds clap_entry,
// walks the factory and creates instances with a host record of its own (RecordingHost, which
// counts request_callback, params rescans and request_flush). Reused by every test that goes
// through the real ABI; audio and event lists come from ClapTestEvents.h.

#include <dlfcn.h>

#include <clap/clap.h>

#include <string>

#include "plugin/tests/RecordingHost.h"

namespace fxcoreplug::test {

class ClapModule {
public:
    // Loads the module and runs its entry's init with its own path. The module stays mapped
    // after dlclose (RTLD_NODELETE): with the editor it pulls in cairo and pixman, whose
    // process-wide caches nobody frees, and unmapping them would make LeakSanitizer report
    // those caches as leaks of this process.
    explicit ClapModule(const std::string& path) : path_(path) {
        handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        if (handle_ == nullptr) {
            error_ = dlerror();
            return;
        }
        entry_ = static_cast<const clap_plugin_entry*>(dlsym(handle_, "clap_entry"));
        if (entry_ != nullptr) {
            initialised_ = entry_->init(path.c_str());
        }
    }
    ClapModule(const ClapModule&) = delete;
    ClapModule& operator=(const ClapModule&) = delete;
    ~ClapModule() {
        if (entry_ != nullptr && initialised_) {
            entry_->deinit();
        }
        if (handle_ != nullptr) {
            dlclose(handle_);
        }
    }

    bool loaded() const { return entry_ != nullptr && initialised_; }
    const std::string& error() const { return error_; }
    const clap_plugin_entry* entry() const { return entry_; }
    const clap_plugin_factory* factory() const {
        return entry_ != nullptr
                   ? static_cast<const clap_plugin_factory*>(entry_->get_factory(CLAP_PLUGIN_FACTORY_ID))
                   : nullptr;
    }
    // The id of the factory's first (only) plug-in.
    std::string firstPluginId() const {
        const clap_plugin_factory* f = factory();
        const clap_plugin_descriptor* d = f != nullptr ? f->get_plugin_descriptor(f, 0) : nullptr;
        return d != nullptr && d->id != nullptr ? d->id : "";
    }

private:
    std::string path_;
    std::string error_;
    void* handle_ = nullptr;
    const clap_plugin_entry* entry_ = nullptr;
    bool initialised_ = false;
};

// One plug-in instance created through the factory, initialised, destroyed at the end.
class ClapInstance {
public:
    ClapInstance(const ClapModule& module, RecordingHost& host) {
        const clap_plugin_factory* f = module.factory();
        if (f != nullptr) {
            plugin_ = f->create_plugin(f, host.host(), module.firstPluginId().c_str());
        }
        if (plugin_ != nullptr && !plugin_->init(plugin_)) {
            plugin_->destroy(plugin_);
            plugin_ = nullptr;
        }
    }
    ClapInstance(const ClapInstance&) = delete;
    ClapInstance& operator=(const ClapInstance&) = delete;
    ~ClapInstance() {
        if (plugin_ != nullptr) {
            plugin_->destroy(plugin_);
        }
    }

    const clap_plugin* plugin() const { return plugin_; }
    template <class Table>
    const Table* extension(const char* id) const {
        return static_cast<const Table*>(plugin_->get_extension(plugin_, id));
    }

private:
    const clap_plugin* plugin_ = nullptr;
};

}  // namespace fxcoreplug::test
