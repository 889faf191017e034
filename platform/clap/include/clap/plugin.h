#pragma once
// A plug-in's descriptor and the callback record of one plug-in instance.

#include "host.h"
#include "process.h"

CLAP_EXTERN_C_BEGIN

typedef struct clap_plugin_descriptor {
    clap_version_t clap_version;

    const char *id;    // mandatory, reverse-domain style
    const char *name;  // mandatory
    const char *vendor;
    const char *url;
    const char *manual_url;
    const char *support_url;
    const char *version;
    const char *description;

    // Feature keywords, terminated by a null pointer.
    const char *const *features;
} clap_plugin_descriptor_t;

typedef struct clap_plugin {
    const clap_plugin_descriptor_t *desc;

    void *plugin_data;  // the plug-in's own

    // [main-thread]
    bool(CLAP_ABI *init)(const struct clap_plugin *plugin);

    // [main-thread & !active]
    void(CLAP_ABI *destroy)(const struct clap_plugin *plugin);

    // [main-thread & !active]; every later block has min..max frames.
    bool(CLAP_ABI *activate)(const struct clap_plugin *plugin, double sample_rate, uint32_t min_frames_count,
                             uint32_t max_frames_count);

    // [main-thread & active]
    void(CLAP_ABI *deactivate)(const struct clap_plugin *plugin);

    // [audio-thread & active & !processing]
    bool(CLAP_ABI *start_processing)(const struct clap_plugin *plugin);

    // [audio-thread & active & processing]
    void(CLAP_ABI *stop_processing)(const struct clap_plugin *plugin);

    // Clears the signal state; parameter values stay. [audio-thread & active]
    void(CLAP_ABI *reset)(const struct clap_plugin *plugin);

    // [audio-thread & active & processing]
    clap_process_status(CLAP_ABI *process)(const struct clap_plugin *plugin, const clap_process_t *process);

    // The plug-in's table for that extension id, or null. [thread-safe]
    const void *(CLAP_ABI *get_extension)(const struct clap_plugin *plugin, const char *id);

    // Answer to the host's request_callback. [main-thread]
    void(CLAP_ABI *on_main_thread)(const struct clap_plugin *plugin);
} clap_plugin_t;

CLAP_EXTERN_C_END
