// SPDX-License-Identifier: GPL-3.0-or-later
// Default options of the sanitizers in the checking build. Any report ends
// the process with a failure; leak detection is on. The environment
// (ASAN_OPTIONS and so on) can still add to or override these.

extern "C" {

const char* __asan_default_options()
{
    return "detect_leaks=1:halt_on_error=1:abort_on_error=0:detect_stack_use_after_return=1:"
           "check_initialization_order=1:strict_init_order=1";
}

const char* __ubsan_default_options()
{
    return "halt_on_error=1:print_stacktrace=1";
}

// The list of suppressions used is no report: it is not printed.
const char* __lsan_default_options()
{
    return "print_suppressions=0";
}

// Memory that system libraries keep for the life of the process and never
// free; nothing of ours. D-Bus (used by Qt on X11) keeps a buffer this way;
// Qt's Wayland plugin never destroys the compositor's globals it bound (the
// stack as recorded ends in libwayland-client, which makes them for it).
// When the X display goes away, Qt ends the program with exit() from inside
// its connection handling, and the font patterns fontconfig made for Qt's
// font engines are then never destroyed (the stack as recorded ends in
// libfontconfig, which is built without frame pointers).
const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\n"
           "leak:libwayland-client.so\n"
           "leak:libfontconfig.so\n";
}

} // extern "C"
