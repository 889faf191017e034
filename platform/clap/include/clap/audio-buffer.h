#pragma once
// One audio port's channels for one block; exactly one of data32 and data64 is set.

#include "private/macros.h"
#include "private/std.h"

CLAP_EXTERN_C_BEGIN

typedef struct clap_audio_buffer {
    float **data32;
    double **data64;
    uint32_t channel_count;
    uint32_t latency;        // to or from the audio interface, in samples
    uint64_t constant_mask;  // bit i: channel i holds one value (a hint; still filled)
} clap_audio_buffer_t;

CLAP_EXTERN_C_END
