#pragma once
// What the process holds: open descriptors, threads and live heap bytes.
#include <malloc.h>

#include <cstddef>

#include "testing/open_descriptors.h"

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

using testsupport::OpenDescriptors;
inline int Threads() { return testsupport::CountEntries("/proc/self/task"); }

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
