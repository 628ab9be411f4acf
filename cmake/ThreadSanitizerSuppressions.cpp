// Race-checker suppressions, linked into every program of a ThreadSanitizer build. The race checker
// asks the program itself for them: a definition inside a shared library comes after the checker's
// own empty one in symbol lookup and is never seen. Each entry names one place where a library
// synchronises in a way the checker cannot see, with the reason beside it; none names our code.

extern "C" const char* __tsan_default_suppressions();

extern "C" const char* __tsan_default_suppressions() {
    return
        // Pango matches fonts on a thread of its own ("[pango] FcFontSetMatch"). FcFontSetMatch builds
        // the matched pattern there, copying its strings with FcValueSave, and Pango hands the pattern
        // to the shaping thread under a GLib mutex and condition. GLib's mutexes are futexes inside an
        // uninstrumented library, so the checker sees the copy on one thread and the shaping thread's
        // read (under our text lock) with nothing between them. Only races on memory that
        // FcValueSave wrote are suppressed.
        "race:FcValueSave\n";
}
