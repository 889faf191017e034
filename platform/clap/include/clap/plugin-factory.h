#pragma once
// The plug-in factory: how many plug-ins a module offers, their descriptors, and creation.

#include "host.h"
#include "plugin.h"

static const CLAP_CONSTEXPR char CLAP_PLUGIN_FACTORY_ID[] = "clap.plugin-factory";

CLAP_EXTERN_C_BEGIN

// All three entries are [thread-safe].
typedef struct clap_plugin_factory {
    uint32_t(CLAP_ABI *get_plugin_count)(const struct clap_plugin_factory *factory);

    // Null for an index out of range; the caller does not free the result.
    const clap_plugin_descriptor_t *(CLAP_ABI *get_plugin_descriptor)(
        const struct clap_plugin_factory *factory, uint32_t index);

    // A new instance, released through its destroy callback; null on failure.
    const clap_plugin_t *(CLAP_ABI *create_plugin)(const struct clap_plugin_factory *factory,
                                                   const clap_host_t *host, const char *plugin_id);
} clap_plugin_factory_t;

CLAP_EXTERN_C_END
