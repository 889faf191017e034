#pragma once
// Periodic main-thread callbacks served by the host's event loop.

#include "../plugin.h"

static const CLAP_CONSTEXPR char CLAP_EXT_TIMER_SUPPORT[] = "clap.timer-support";

CLAP_EXTERN_C_BEGIN

typedef struct clap_plugin_timer_support {
    // [main-thread]
    void(CLAP_ABI *on_timer)(const clap_plugin_t *plugin, clap_id timer_id);
} clap_plugin_timer_support_t;

// Both [main-thread]. The host may lengthen short periods; about 30 Hz should be served.
typedef struct clap_host_timer_support {
    bool(CLAP_ABI *register_timer)(const clap_host_t *host, uint32_t period_ms, clap_id *timer_id);
    bool(CLAP_ABI *unregister_timer)(const clap_host_t *host, clap_id timer_id);
} clap_host_timer_support_t;

CLAP_EXTERN_C_END
