// AddressSanitizer's defaults for the fuzz targets; ASAN_OPTIONS overrides
// each of them.
//
// quarantine_size_mb: freed memory is held back, poisoned, so that a use
// after free is caught. The default holds 256 MB, and the allocator keeps
// what leaves the quarantine in the size class it came from: as libFuzzer
// lets inputs grow longer, ever more classes fill, and a long run of a
// target that frees a few kilobytes an input grew past 800 MB without
// leaking a byte. An input here frees far less than 16 MB, so a use after
// free within one is still caught.
extern "C" const char *__asan_default_options()
{
    return "quarantine_size_mb=16";
}
