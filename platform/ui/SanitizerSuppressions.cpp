// Leak-checker suppressions for the libraries the view system draws with, in sanitizer builds.
//
// Fontconfig keeps its font patterns and character sets for the life of the process and refers to
// them by offsets rather than pointers, so the leak checker cannot see that they are still in use.

#if defined(__SANITIZE_ADDRESS__)
#define TALLYFOX_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TALLYFOX_LEAK_CHECKED 1
#endif
#endif

#ifdef TALLYFOX_LEAK_CHECKED
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
#endif
