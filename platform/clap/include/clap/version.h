#pragma once
// The interface version a plug-in or host declares in its records.

#include "private/macros.h"
#include "private/std.h"

CLAP_EXTERN_C_BEGIN

typedef struct clap_version {
    uint32_t major;
    uint32_t minor;
    uint32_t revision;
} clap_version_t;

CLAP_EXTERN_C_END

#define CLAP_VERSION_MAJOR 1
#define CLAP_VERSION_MINOR 2
#define CLAP_VERSION_REVISION 6

#define CLAP_VERSION_INIT \
    { (uint32_t) CLAP_VERSION_MAJOR, (uint32_t)CLAP_VERSION_MINOR, (uint32_t)CLAP_VERSION_REVISION }

#ifdef __cplusplus
static const CLAP_CONSTEXPR clap_version_t CLAP_VERSION = CLAP_VERSION_INIT;
#endif

// Versions 0.x were pre-releases; every 1.x record layout is compatible.
static inline CLAP_CONSTEXPR bool clap_version_is_compatible(const clap_version_t v) {
    return v.major >= 1;
}
