#pragma once
// Saving and loading the plug-in's whole state as an opaque byte stream.

#include "../plugin.h"
#include "../stream.h"

static const CLAP_CONSTEXPR char CLAP_EXT_STATE[] = "clap.state";

CLAP_EXTERN_C_BEGIN

// Both [main-thread].
typedef struct clap_plugin_state {
    bool(CLAP_ABI *save)(const clap_plugin_t *plugin, const clap_ostream_t *stream);
    bool(CLAP_ABI *load)(const clap_plugin_t *plugin, const clap_istream_t *stream);
} clap_plugin_state_t;

typedef struct clap_host_state {
    // The state changed and should be saved. [main-thread]
    void(CLAP_ABI *mark_dirty)(const clap_host_t *host);
} clap_host_state_t;

CLAP_EXTERN_C_END
