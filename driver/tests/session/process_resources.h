#pragma once
// What the process holds: open descriptors, threads and live heap bytes.
#include <malloc.h>

#include <cstddef>
#include <filesystem>

#if defined(__SANITIZE_ADDRESS__)
#define VORNIX_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VORNIX_ASAN 1
#endif
#endif
#ifdef VORNIX_ASAN
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace sessiontest {

inline int CountEntries(const char* folder) {
  int n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}
inline int OpenDescriptors() { return CountEntries("/proc/self/fd"); }
inline int Threads() { return CountEntries("/proc/self/task"); }

// Bytes the program has allocated and not freed (freed blocks held back by
// a sanitizer do not count).
inline size_t LiveHeapBytes() {
#ifdef VORNIX_ASAN
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

struct ProcessResources {
  int descriptors = OpenDescriptors();
  int threads = Threads();
  size_t heap = LiveHeapBytes();
};

}  // namespace sessiontest
