#pragma once
// The plug-in's processing latency; it may change only inside activate.

#include "../plugin.h"

static const CLAP_CONSTEXPR char CLAP_EXT_LATENCY[] = "clap.latency";

CLAP_EXTERN_C_BEGIN

typedef struct clap_plugin_latency {
    // Samples. [main-thread & (being-activated or active)]
    uint32_t(CLAP_ABI *get)(const clap_plugin_t *plugin);
} clap_plugin_latency_t;

typedef struct clap_host_latency {
    // [main-thread & being-activated]
    void(CLAP_ABI *changed)(const clap_host_t *host);
} clap_host_latency_t;

CLAP_EXTERN_C_END
