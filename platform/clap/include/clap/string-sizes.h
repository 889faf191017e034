#pragma once
// Capacities of the fixed text fields in CLAP records, terminating NUL included.

enum {
    CLAP_NAME_SIZE = 256,   // display names
    CLAP_PATH_SIZE = 1024,  // module (group) paths, "/"-separated
};
