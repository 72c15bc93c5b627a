// Leak settings of the keyring tests: when no Secret Service answers, libsecret and the GLib
// type system keep a few process-lifetime allocations behind calls our code has already
// finished with, and GLib is built without frame pointers, so the report ends inside it.
// Those are left out; leaks with a frame of our own in them are still reported.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libglib-2.0.so\nleak:libgio-2.0.so\nleak:libgobject-2.0.so\nleak:libsecret-1.so\n";
}
