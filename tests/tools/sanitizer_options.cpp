// Sanitizer settings of the preview tests: the web engine's library is not ours to fix, so
// its sized deletes and the leaks it (and the font library it drives) leaves at exit are
// left out; our code keeps every check. Values given in ASAN_OPTIONS take precedence.
extern "C" const char* __asan_default_options() {
    return "new_delete_type_mismatch=0";
}

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libQt6WebEngineCore.so\nleak:libudev.so\nleak:libfontconfig.so\n";
}
