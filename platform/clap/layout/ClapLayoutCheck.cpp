// Compile-time check that the CLAP records the build uses have the x86-64 LP64 layout of
// CLAP 1.2.6. Compiled against whichever CLAP header directory the build selected, so a build
// with the official headers checks them the same way as ours.

#include <clap/clap.h>
#include <clapwrapper/vst3.h>

#include <cstddef>

#if defined(__x86_64__) && defined(__LP64__)

#define CLAP_PIN(type, size, align)        \
    static_assert(sizeof(type) == (size)); \
    static_assert(alignof(type) == (align))
#define CLAP_AT(type, field, offset) static_assert(offsetof(type, field) == (offset))

CLAP_PIN(clap_version, 12, 4);
CLAP_AT(clap_version, minor, 4);
CLAP_AT(clap_version, revision, 8);

CLAP_PIN(clap_plugin_entry, 40, 8);
CLAP_AT(clap_plugin_entry, init, 16);
CLAP_AT(clap_plugin_entry, deinit, 24);
CLAP_AT(clap_plugin_entry, get_factory, 32);

CLAP_PIN(clap_plugin_factory, 24, 8);
CLAP_AT(clap_plugin_factory, get_plugin_descriptor, 8);
CLAP_AT(clap_plugin_factory, create_plugin, 16);

CLAP_PIN(clap_plugin_descriptor, 88, 8);
CLAP_AT(clap_plugin_descriptor, id, 16);
CLAP_AT(clap_plugin_descriptor, name, 24);
CLAP_AT(clap_plugin_descriptor, vendor, 32);
CLAP_AT(clap_plugin_descriptor, url, 40);
CLAP_AT(clap_plugin_descriptor, manual_url, 48);
CLAP_AT(clap_plugin_descriptor, support_url, 56);
CLAP_AT(clap_plugin_descriptor, version, 64);
CLAP_AT(clap_plugin_descriptor, description, 72);
CLAP_AT(clap_plugin_descriptor, features, 80);

CLAP_PIN(clap_plugin, 96, 8);
CLAP_AT(clap_plugin, plugin_data, 8);
CLAP_AT(clap_plugin, init, 16);
CLAP_AT(clap_plugin, destroy, 24);
CLAP_AT(clap_plugin, activate, 32);
CLAP_AT(clap_plugin, deactivate, 40);
CLAP_AT(clap_plugin, start_processing, 48);
CLAP_AT(clap_plugin, stop_processing, 56);
CLAP_AT(clap_plugin, reset, 64);
CLAP_AT(clap_plugin, process, 72);
CLAP_AT(clap_plugin, get_extension, 80);
CLAP_AT(clap_plugin, on_main_thread, 88);

CLAP_PIN(clap_host, 88, 8);
CLAP_AT(clap_host, host_data, 16);
CLAP_AT(clap_host, name, 24);
CLAP_AT(clap_host, vendor, 32);
CLAP_AT(clap_host, url, 40);
CLAP_AT(clap_host, version, 48);
CLAP_AT(clap_host, get_extension, 56);
CLAP_AT(clap_host, request_restart, 64);
CLAP_AT(clap_host, request_process, 72);
CLAP_AT(clap_host, request_callback, 80);

CLAP_PIN(clap_process, 64, 8);
CLAP_AT(clap_process, frames_count, 8);
CLAP_AT(clap_process, transport, 16);
CLAP_AT(clap_process, audio_inputs, 24);
CLAP_AT(clap_process, audio_outputs, 32);
CLAP_AT(clap_process, audio_inputs_count, 40);
CLAP_AT(clap_process, audio_outputs_count, 44);
CLAP_AT(clap_process, in_events, 48);
CLAP_AT(clap_process, out_events, 56);

CLAP_PIN(clap_audio_buffer, 32, 8);
CLAP_AT(clap_audio_buffer, data64, 8);
CLAP_AT(clap_audio_buffer, channel_count, 16);
CLAP_AT(clap_audio_buffer, latency, 20);
CLAP_AT(clap_audio_buffer, constant_mask, 24);

CLAP_PIN(clap_event_header, 16, 4);
CLAP_AT(clap_event_header, time, 4);
CLAP_AT(clap_event_header, space_id, 8);
CLAP_AT(clap_event_header, type, 10);
CLAP_AT(clap_event_header, flags, 12);

CLAP_PIN(clap_event_note, 40, 8);
CLAP_AT(clap_event_note, note_id, 16);
CLAP_AT(clap_event_note, port_index, 20);
CLAP_AT(clap_event_note, channel, 22);
CLAP_AT(clap_event_note, key, 24);
CLAP_AT(clap_event_note, velocity, 32);

CLAP_PIN(clap_event_note_expression, 40, 8);
CLAP_AT(clap_event_note_expression, expression_id, 16);
CLAP_AT(clap_event_note_expression, note_id, 20);
CLAP_AT(clap_event_note_expression, port_index, 24);
CLAP_AT(clap_event_note_expression, channel, 26);
CLAP_AT(clap_event_note_expression, key, 28);
CLAP_AT(clap_event_note_expression, value, 32);

CLAP_PIN(clap_event_param_value, 56, 8);
CLAP_AT(clap_event_param_value, param_id, 16);
CLAP_AT(clap_event_param_value, cookie, 24);
CLAP_AT(clap_event_param_value, note_id, 32);
CLAP_AT(clap_event_param_value, port_index, 36);
CLAP_AT(clap_event_param_value, channel, 38);
CLAP_AT(clap_event_param_value, key, 40);
CLAP_AT(clap_event_param_value, value, 48);

CLAP_PIN(clap_event_param_mod, 56, 8);
CLAP_AT(clap_event_param_mod, param_id, 16);
CLAP_AT(clap_event_param_mod, cookie, 24);
CLAP_AT(clap_event_param_mod, key, 40);
CLAP_AT(clap_event_param_mod, amount, 48);

CLAP_PIN(clap_event_param_gesture, 20, 4);
CLAP_AT(clap_event_param_gesture, param_id, 16);

CLAP_PIN(clap_event_transport, 104, 8);
CLAP_AT(clap_event_transport, flags, 16);
CLAP_AT(clap_event_transport, song_pos_beats, 24);
CLAP_AT(clap_event_transport, song_pos_seconds, 32);
CLAP_AT(clap_event_transport, tempo, 40);
CLAP_AT(clap_event_transport, tempo_inc, 48);
CLAP_AT(clap_event_transport, loop_start_beats, 56);
CLAP_AT(clap_event_transport, loop_end_beats, 64);
CLAP_AT(clap_event_transport, loop_start_seconds, 72);
CLAP_AT(clap_event_transport, loop_end_seconds, 80);
CLAP_AT(clap_event_transport, bar_start, 88);
CLAP_AT(clap_event_transport, bar_number, 96);
CLAP_AT(clap_event_transport, tsig_num, 100);
CLAP_AT(clap_event_transport, tsig_denom, 102);

CLAP_PIN(clap_event_midi, 24, 4);
CLAP_AT(clap_event_midi, port_index, 16);
CLAP_AT(clap_event_midi, data, 18);

CLAP_PIN(clap_event_midi_sysex, 40, 8);
CLAP_AT(clap_event_midi_sysex, port_index, 16);
CLAP_AT(clap_event_midi_sysex, buffer, 24);
CLAP_AT(clap_event_midi_sysex, size, 32);

CLAP_PIN(clap_event_midi2, 36, 4);
CLAP_AT(clap_event_midi2, port_index, 16);
CLAP_AT(clap_event_midi2, data, 20);

CLAP_PIN(clap_input_events, 24, 8);
CLAP_AT(clap_input_events, size, 8);
CLAP_AT(clap_input_events, get, 16);

CLAP_PIN(clap_output_events, 16, 8);
CLAP_AT(clap_output_events, try_push, 8);

CLAP_PIN(clap_param_info, 1320, 8);
CLAP_AT(clap_param_info, flags, 4);
CLAP_AT(clap_param_info, cookie, 8);
CLAP_AT(clap_param_info, name, 16);
CLAP_AT(clap_param_info, module, 272);
CLAP_AT(clap_param_info, min_value, 1296);
CLAP_AT(clap_param_info, max_value, 1304);
CLAP_AT(clap_param_info, default_value, 1312);

CLAP_PIN(clap_plugin_params, 48, 8);
CLAP_AT(clap_plugin_params, get_info, 8);
CLAP_AT(clap_plugin_params, get_value, 16);
CLAP_AT(clap_plugin_params, value_to_text, 24);
CLAP_AT(clap_plugin_params, text_to_value, 32);
CLAP_AT(clap_plugin_params, flush, 40);

CLAP_PIN(clap_host_params, 24, 8);
CLAP_AT(clap_host_params, clear, 8);
CLAP_AT(clap_host_params, request_flush, 16);

CLAP_PIN(clap_istream, 16, 8);
CLAP_AT(clap_istream, read, 8);
CLAP_PIN(clap_ostream, 16, 8);
CLAP_AT(clap_ostream, write, 8);

CLAP_PIN(clap_plugin_state, 16, 8);
CLAP_AT(clap_plugin_state, load, 8);
CLAP_PIN(clap_host_state, 8, 8);

CLAP_PIN(clap_window, 16, 8);
CLAP_AT(clap_window, x11, 8);
CLAP_AT(clap_window, cocoa, 8);
CLAP_AT(clap_window, win32, 8);
CLAP_AT(clap_window, ptr, 8);

CLAP_PIN(clap_gui_resize_hints, 12, 4);
CLAP_AT(clap_gui_resize_hints, can_resize_vertically, 1);
CLAP_AT(clap_gui_resize_hints, preserve_aspect_ratio, 2);
CLAP_AT(clap_gui_resize_hints, aspect_ratio_width, 4);
CLAP_AT(clap_gui_resize_hints, aspect_ratio_height, 8);

CLAP_PIN(clap_plugin_gui, 120, 8);
CLAP_AT(clap_plugin_gui, get_preferred_api, 8);
CLAP_AT(clap_plugin_gui, create, 16);
CLAP_AT(clap_plugin_gui, destroy, 24);
CLAP_AT(clap_plugin_gui, set_scale, 32);
CLAP_AT(clap_plugin_gui, get_size, 40);
CLAP_AT(clap_plugin_gui, can_resize, 48);
CLAP_AT(clap_plugin_gui, get_resize_hints, 56);
CLAP_AT(clap_plugin_gui, adjust_size, 64);
CLAP_AT(clap_plugin_gui, set_size, 72);
CLAP_AT(clap_plugin_gui, set_parent, 80);
CLAP_AT(clap_plugin_gui, set_transient, 88);
CLAP_AT(clap_plugin_gui, suggest_title, 96);
CLAP_AT(clap_plugin_gui, show, 104);
CLAP_AT(clap_plugin_gui, hide, 112);

CLAP_PIN(clap_host_gui, 40, 8);
CLAP_AT(clap_host_gui, request_resize, 8);
CLAP_AT(clap_host_gui, request_show, 16);
CLAP_AT(clap_host_gui, request_hide, 24);
CLAP_AT(clap_host_gui, closed, 32);

CLAP_PIN(clap_audio_port_info, 288, 8);
CLAP_AT(clap_audio_port_info, name, 4);
CLAP_AT(clap_audio_port_info, flags, 260);
CLAP_AT(clap_audio_port_info, channel_count, 264);
CLAP_AT(clap_audio_port_info, port_type, 272);
CLAP_AT(clap_audio_port_info, in_place_pair, 280);

CLAP_PIN(clap_plugin_audio_ports, 16, 8);
CLAP_AT(clap_plugin_audio_ports, get, 8);
CLAP_PIN(clap_host_audio_ports, 16, 8);
CLAP_AT(clap_host_audio_ports, rescan, 8);

CLAP_PIN(clap_note_port_info, 268, 4);
CLAP_AT(clap_note_port_info, supported_dialects, 4);
CLAP_AT(clap_note_port_info, preferred_dialect, 8);
CLAP_AT(clap_note_port_info, name, 12);

CLAP_PIN(clap_plugin_note_ports, 16, 8);
CLAP_AT(clap_plugin_note_ports, get, 8);
CLAP_PIN(clap_host_note_ports, 16, 8);
CLAP_AT(clap_host_note_ports, rescan, 8);

CLAP_PIN(clap_plugin_tail, 8, 8);
CLAP_PIN(clap_host_tail, 8, 8);
CLAP_PIN(clap_plugin_latency, 8, 8);
CLAP_PIN(clap_host_latency, 8, 8);
CLAP_PIN(clap_plugin_timer_support, 8, 8);
CLAP_PIN(clap_host_timer_support, 16, 8);
CLAP_AT(clap_host_timer_support, unregister_timer, 8);
CLAP_PIN(clap_plugin_posix_fd_support, 8, 8);
CLAP_PIN(clap_host_posix_fd_support, 24, 8);
CLAP_AT(clap_host_posix_fd_support, modify_fd, 8);
CLAP_AT(clap_host_posix_fd_support, unregister_fd, 16);
CLAP_PIN(clap_host_thread_check, 16, 8);
CLAP_AT(clap_host_thread_check, is_audio_thread, 8);
CLAP_PIN(clap_host_log, 8, 8);

CLAP_PIN(clap_plugin_as_vst3, 16, 8);
CLAP_AT(clap_plugin_as_vst3, supportedNoteExpressions, 8);

// Constants whose numbers travel between host and plug-in.
static_assert(CLAP_INVALID_ID == 0xFFFFFFFFu);
static_assert(CLAP_NAME_SIZE == 256 && CLAP_PATH_SIZE == 1024);
static_assert(CLAP_EVENT_PARAM_VALUE == 5 && CLAP_EVENT_PARAM_GESTURE_BEGIN == 7 &&
              CLAP_EVENT_PARAM_GESTURE_END == 8 && CLAP_EVENT_MIDI == 10 && CLAP_EVENT_MIDI2 == 12);
static_assert(CLAP_PARAM_IS_STEPPED == 1 && CLAP_PARAM_IS_HIDDEN == 4 && CLAP_PARAM_IS_AUTOMATABLE == 0x20 &&
              CLAP_PARAM_IS_MODULATABLE == 0x400 && CLAP_PARAM_IS_ENUM == 0x10000);
static_assert(CLAP_PARAM_RESCAN_VALUES == 1 && CLAP_PARAM_RESCAN_INFO == 4);
static_assert(CLAP_PROCESS_CONTINUE == 1 && CLAP_PROCESS_SLEEP == 4);
static_assert(CLAP_AUDIO_PORT_IS_MAIN == 1 && CLAP_NOTE_DIALECT_MIDI == 2);

#endif
