#pragma once
// The pedal's firmware as it ships inside the plug-in: one assembled program per position of
// the mode toggle, each with the control-names text that names the pedal's controls.
//
// The table's source is generated at build time from the firmware build's HEX files and the
// control-names texts (plugin/embed/), so it always carries the firmware that was assembled.
// Read-only data; any thread may read it.

namespace fxcoreplug {

struct EmbeddedProgram {
    const char* name;              // "<bank>_<mode>": the suffix after the last "_" is the mode
    const char* hexText;           // the assembled program as Intel HEX text
    const char* controlNamesText;  // control-names text; may be null or empty
};

inline constexpr int kEmbeddedProgramCount = 3;

extern const EmbeddedProgram kEmbeddedPrograms[kEmbeddedProgramCount];

}  // namespace fxcoreplug
