// Fontconfig keeps caches for the life of the process that LeakSanitizer reports as
// leaks when a test program with windows exits; they are not this library's.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
