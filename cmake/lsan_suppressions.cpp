// Linked into every program of a sanitizer build (QM_SANITIZE or QM_FUZZ), the fuzz targets
// included: leaks that the leak checker is not to report, because they lie inside system
// libraries, not in this program, and the program cannot free them. No program needs
// LSAN_OPTIONS for them.
//
// libdbus: on a real display the toolkit connects to the session bus through libdbus, which
// keeps a buffer of 1,032 bytes it never frees; the process ending reports it as a leak.
//
// libfontconfig: the caches fontconfig keeps for the life of the process; fonts are never
// unloaded, so they are still held when the process ends.
extern "C" __attribute__((used, visibility("default"))) const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\n"
           "leak:libfontconfig.so\n";
}

// The count of suppressed leaks is not printed at exit: it would be the last line of every run,
// where a run's summary belongs (the fuzz script shows each target's last line).
extern "C" __attribute__((used, visibility("default"))) const char* __lsan_default_options()
{
    return "print_suppressions=0";
}
