#pragma once
// The plug-in's audio ports. The host scans them while the plug-in is deactivated.

#include "../plugin.h"
#include "../string-sizes.h"

static const CLAP_CONSTEXPR char CLAP_EXT_AUDIO_PORTS[] = "clap.audio-ports";
static const CLAP_CONSTEXPR char CLAP_PORT_MONO[] = "mono";
static const CLAP_CONSTEXPR char CLAP_PORT_STEREO[] = "stereo";

CLAP_EXTERN_C_BEGIN

enum {
    CLAP_AUDIO_PORT_IS_MAIN = 1 << 0,  // at most one per direction, at index 0
    CLAP_AUDIO_PORT_SUPPORTS_64BITS = 1 << 1,
    CLAP_AUDIO_PORT_PREFERS_64BITS = 1 << 2,
    CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE = 1 << 3,
};

typedef struct clap_audio_port_info {
    clap_id id;  // stable; may repeat between input and output
    char name[CLAP_NAME_SIZE];
    uint32_t flags;
    uint32_t channel_count;
    const char *port_type;  // CLAP_PORT_MONO, CLAP_PORT_STEREO, or null when unspecified
    clap_id in_place_pair;  // or CLAP_INVALID_ID
} clap_audio_port_info_t;

// Both [main-thread].
typedef struct clap_plugin_audio_ports {
    uint32_t(CLAP_ABI *count)(const clap_plugin_t *plugin, bool is_input);
    bool(CLAP_ABI *get)(const clap_plugin_t *plugin, uint32_t index, bool is_input,
                        clap_audio_port_info_t *info);
} clap_plugin_audio_ports_t;

enum {
    CLAP_AUDIO_PORTS_RESCAN_NAMES = 1 << 0,
    CLAP_AUDIO_PORTS_RESCAN_FLAGS = 1 << 1,
    CLAP_AUDIO_PORTS_RESCAN_CHANNEL_COUNT = 1 << 2,
    CLAP_AUDIO_PORTS_RESCAN_PORT_TYPE = 1 << 3,
    CLAP_AUDIO_PORTS_RESCAN_IN_PLACE_PAIR = 1 << 4,
    CLAP_AUDIO_PORTS_RESCAN_LIST = 1 << 5,
};

// Both [main-thread].
typedef struct clap_host_audio_ports {
    bool(CLAP_ABI *is_rescan_flag_supported)(const clap_host_t *host, uint32_t flag);
    void(CLAP_ABI *rescan)(const clap_host_t *host, uint32_t flags);
} clap_host_audio_ports_t;

CLAP_EXTERN_C_END
