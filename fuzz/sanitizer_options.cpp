// Sanitizer settings of every fuzz target: any report stops the run, except the known ones listed in
// fuzz/ubsan.supp while they wait for their fix.
extern "C" const char* __ubsan_default_options() {
    return "halt_on_error=1:print_stacktrace=1:suppressions=" VEXLOT_FUZZ_DIR "/ubsan.supp";
}
