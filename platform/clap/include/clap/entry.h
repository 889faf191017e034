#pragma once
// The one symbol a plug-in module exports: clap_entry, a constant data record.
//
// The host calls init once after loading the module (with the module's own path on Linux),
// then get_factory; deinit before unloading. init and deinit may be called several times and
// never overlap any other call into the module.

#include "version.h"

CLAP_EXTERN_C_BEGIN

typedef struct clap_plugin_entry {
    clap_version_t clap_version;

    // Returns true when the module can be used; a host calls nothing else after false.
    bool(CLAP_ABI *init)(const char *plugin_path);

    // Undoes one init.
    void(CLAP_ABI *deinit)(void);

    // The factory with that id, or null. [thread-safe]
    const void *(CLAP_ABI *get_factory)(const char *factory_id);
} clap_plugin_entry_t;

CLAP_EXPORT extern const clap_plugin_entry_t clap_entry;

CLAP_EXTERN_C_END
