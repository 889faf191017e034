#pragma once
// Identifiers of parameters, ports, timers and other plug-in objects.

#include "private/macros.h"
#include "private/std.h"

typedef uint32_t clap_id;

static const CLAP_CONSTEXPR clap_id CLAP_INVALID_ID = UINT32_MAX;
