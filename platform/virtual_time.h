#pragma once
#include <atomic>
#include <cstdint>

// The virtual clock's bookkeeping of waits (inside the platform library:
// sync.cpp blocks through it, clock.cpp moves time with it). A wait under
// the virtual clock is listed with its deadline; a wait of a thread taking
// part (clock.h) is counted as blocked while it sleeps. Time moves to the
// earliest deadline when a wait of a thread that does not take part has a
// deadline ahead and every thread taking part is blocked.
namespace platform::vt {

constexpr uint64_t kNoDeadline = ~uint64_t{0};

// The futex word values of a wait (sync.cpp).
enum : uint32_t {
  kAwake = 0,  // looking at its events
  kWoken = 1,  // woken since it last looked
  kAsleep = 2,  // blocked in the futex
};

// Marks the wait woken and, when it sleeps, wakes its thread.
void WakeWord(std::atomic<uint32_t>* word);

struct Wait {
  std::atomic<uint32_t>* word = nullptr;
  uint64_t deadline = kNoDeadline;  // virtual ms
  bool participant = false;  // of a thread taking part
  bool drives = false;  // moves time on: a deadline, not taking part, not fired yet
  bool blocked = false;  // counted as blocked
  bool fired = false;  // its deadline was reached
  Wait* prev = nullptr;
  Wait* next = nullptr;
};

// Whether the calling thread takes part.
bool Participant();
void Begin(Wait& wait);
// About to sleep: false when the wait was woken meanwhile (it looks again).
// Counts it blocked and moves time on when everything else is blocked.
bool Block(Wait& wait);
// Woken: no longer blocked (by the waker, or by the wait itself).
void Unblock(Wait& wait);
void End(Wait& wait);

}  // namespace platform::vt
