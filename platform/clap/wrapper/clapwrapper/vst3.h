#pragma once
// clap-wrapper's plug-in extension "clap.plugin-info-as-vst3/0": what a VST3 shell asks of a
// CLAP plug-in about its note ports. It is not part of CLAP itself, so it lives apart from the
// CLAP headers and is used whichever CLAP header directory the build picks: it uses only the
// names that every CLAP header set defines (no helper macro of our own declarations).

#include <clap/plugin.h>

static const CLAP_CONSTEXPR char CLAP_PLUGIN_AS_VST3[] = "clap.plugin-info-as-vst3/0";

#ifdef __cplusplus
extern "C" {
#endif

enum {
    AS_VST3_NOTE_EXPRESSION_VOLUME = 1 << 0,
    AS_VST3_NOTE_EXPRESSION_PAN = 1 << 1,
    AS_VST3_NOTE_EXPRESSION_TUNING = 1 << 2,
    AS_VST3_NOTE_EXPRESSION_VIBRATO = 1 << 3,
    AS_VST3_NOTE_EXPRESSION_EXPRESSION = 1 << 4,
    AS_VST3_NOTE_EXPRESSION_BRIGHTNESS = 1 << 5,
    AS_VST3_NOTE_EXPRESSION_PRESSURE = 1 << 6,
    AS_VST3_NOTE_EXPRESSION_ALL = (1 << 7) - 1,
};

typedef struct clap_plugin_as_vst3 {
    // MIDI channels (1 to 16) of that note port.
    uint32_t(CLAP_ABI *getNumMIDIChannels)(const clap_plugin_t *plugin, uint32_t note_port);
    // Bit set of AS_VST3_NOTE_EXPRESSION_ values.
    uint32_t(CLAP_ABI *supportedNoteExpressions)(const clap_plugin_t *plugin);
} clap_plugin_as_vst3_t;

#ifdef __cplusplus
}
#endif
