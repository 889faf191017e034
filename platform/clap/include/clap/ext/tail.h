#pragma once
// How long the plug-in keeps sounding after its input falls silent.

#include "../plugin.h"

static const CLAP_CONSTEXPR char CLAP_EXT_TAIL[] = "clap.tail";

CLAP_EXTERN_C_BEGIN

typedef struct clap_plugin_tail {
    // Samples; INT32_MAX or more means an endless tail. [main-thread, audio-thread]
    uint32_t(CLAP_ABI *get)(const clap_plugin_t *plugin);
} clap_plugin_tail_t;

typedef struct clap_host_tail {
    // [audio-thread]
    void(CLAP_ABI *changed)(const clap_host_t *host);
} clap_host_tail_t;

CLAP_EXTERN_C_END
