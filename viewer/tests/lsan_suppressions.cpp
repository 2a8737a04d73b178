// Leaks the leak checker ignores in the window tests: the font configuration
// caches that the system library keeps until the process ends. The program
// exports the hook so that the checker's runtime finds it.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n";
}
