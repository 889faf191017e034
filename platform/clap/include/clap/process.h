#pragma once
// One processing call: the block's length, audio buffers and event lists.

#include "audio-buffer.h"
#include "events.h"

CLAP_EXTERN_C_BEGIN

enum {
    CLAP_PROCESS_ERROR = 0,                  // failed; the output is discarded
    CLAP_PROCESS_CONTINUE = 1,               // keep processing
    CLAP_PROCESS_CONTINUE_IF_NOT_QUIET = 2,  // keep processing while the output is not silent
    CLAP_PROCESS_TAIL = 3,                   // the tail extension decides
    CLAP_PROCESS_SLEEP = 4,                  // nothing to do until the next event or input change
};
typedef int32_t clap_process_status;

typedef struct clap_process {
    int64_t steady_time;  // sample counter, -1 when unknown
    uint32_t frames_count;

    const clap_event_transport_t *transport;  // null for a free-running host

    const clap_audio_buffer_t *audio_inputs;
    clap_audio_buffer_t *audio_outputs;
    uint32_t audio_inputs_count;
    uint32_t audio_outputs_count;

    const clap_input_events_t *in_events;    // sorted by time
    const clap_output_events_t *out_events;  // pushed in time order
} clap_process_t;

CLAP_EXTERN_C_END
