#pragma once
// Byte streams for saving and loading state. A call may move fewer bytes than asked.

#include "private/macros.h"
#include "private/std.h"

CLAP_EXTERN_C_BEGIN

typedef struct clap_istream {
    void *ctx;
    // Bytes read; 0 at the end of the stream, -1 on error.
    int64_t(CLAP_ABI *read)(const struct clap_istream *stream, void *buffer, uint64_t size);
} clap_istream_t;

typedef struct clap_ostream {
    void *ctx;
    // Bytes written; -1 on error.
    int64_t(CLAP_ABI *write)(const struct clap_ostream *stream, const void *buffer, uint64_t size);
} clap_ostream_t;

CLAP_EXTERN_C_END
