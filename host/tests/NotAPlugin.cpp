// A shared library that is not a CLAP plug-in: it exports a function but no
// clap_entry. The host must refuse it with a message, not crash.
extern "C" __attribute__((visibility("default"))) int corlinde_not_a_plugin() {
    return 42;
}
