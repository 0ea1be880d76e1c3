// Fontconfig keeps caches for the life of the process that LeakSanitizer reports as
// leaks when a test program with windows exits; they are not this library's. The
// sanitizer runtime looks this function up by name, so it stays visible even where
// symbols are hidden by default.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
