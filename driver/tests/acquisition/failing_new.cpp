// The program's operator new and delete, over malloc and free, with
// allocation failures on request (failing_new.h).
#include "driver/tests/acquisition/failing_new.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<size_t> g_failing{0};
std::atomic<int> g_failed{0};

void* Allocate(size_t bytes) {
  if (bytes != 0 && bytes == g_failing.load(std::memory_order_relaxed)) {
    g_failed.fetch_add(1, std::memory_order_relaxed);
    throw std::bad_alloc();
  }
  if (void* p = std::malloc(bytes ? bytes : 1)) return p;
  throw std::bad_alloc();
}
void* AllocateNoThrow(size_t bytes) noexcept {
  try {
    return Allocate(bytes);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
}  // namespace

namespace acqtest {
void FailAllocationsOf(size_t bytes) {
  g_failed = 0;
  g_failing = bytes;
}
int StopFailingAllocations() {
  g_failing = 0;
  return g_failed;
}
}  // namespace acqtest

void* operator new(size_t bytes) { return Allocate(bytes); }
void* operator new[](size_t bytes) { return Allocate(bytes); }
void* operator new(size_t bytes, const std::nothrow_t&) noexcept { return AllocateNoThrow(bytes); }
void* operator new[](size_t bytes, const std::nothrow_t&) noexcept { return AllocateNoThrow(bytes); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
