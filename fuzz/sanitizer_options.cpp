// Sanitizer settings of every fuzz target: a report comes with the whole call stack.
extern "C" const char* __ubsan_default_options() { return "print_stacktrace=1"; }
