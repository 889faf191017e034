#pragma once
// The host record a plug-in receives at creation: the host's identity, its extensions and the
// three requests a plug-in may make of it.

#include "version.h"

CLAP_EXTERN_C_BEGIN

typedef struct clap_host {
    clap_version_t clap_version;

    void *host_data;  // the host's own

    const char *name;     // mandatory
    const char *vendor;   // optional
    const char *url;      // optional
    const char *version;  // mandatory

    // The host's table for that extension id, or null. [thread-safe]
    const void *(CLAP_ABI *get_extension)(const struct clap_host *host, const char *extension_id);

    // Asks for deactivate then activate, possibly later. [thread-safe]
    void(CLAP_ABI *request_restart)(const struct clap_host *host);

    // Asks for activation and processing. [thread-safe]
    void(CLAP_ABI *request_process)(const struct clap_host *host);

    // Asks for a call of the plug-in's on_main_thread soon. [thread-safe]
    void(CLAP_ABI *request_callback)(const struct clap_host *host);
} clap_host_t;

CLAP_EXTERN_C_END
