// Text layout loads the font configuration once per process and keeps it
// to the end; the sanitizer is told not to count that as a leak.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n";
}
