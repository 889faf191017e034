#pragma once
// The host tells which thread a call comes from.

#include "../plugin.h"

static const CLAP_CONSTEXPR char CLAP_EXT_THREAD_CHECK[] = "clap.thread-check";

CLAP_EXTERN_C_BEGIN

// Both [thread-safe].
typedef struct clap_host_thread_check {
    bool(CLAP_ABI *is_main_thread)(const clap_host_t *host);
    bool(CLAP_ABI *is_audio_thread)(const clap_host_t *host);
} clap_host_thread_check_t;

CLAP_EXTERN_C_END
