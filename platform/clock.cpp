#include "platform/clock.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "platform/virtual_time.h"

namespace platform {
namespace {
std::atomic<bool> g_virtual{false};
std::atomic<uint64_t> g_virtual_ms{0};
// Wall time at virtual millisecond 0, in milliseconds since the epoch.
std::atomic<int64_t> g_wall_base_ms{0};

uint64_t RealMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The waits under the virtual clock and the threads taking part. Every
// change of the virtual time goes through here, under the lock, so that a
// wait whose deadline is reached is woken.
struct Schedule {
  std::mutex lock;
  int participants = 0;  // threads taking part (announced, not yet ended)
  int blocked = 0;  // of them, blocked in a platform wait
  int drivers = 0;  // waits that move time on
  vt::Wait* first = nullptr;
};

Schedule& TheSchedule() {
  static Schedule* s = new Schedule;  // outlives every static user
  return *s;
}

thread_local bool t_participant = false;

void UnblockLocked(Schedule& s, vt::Wait& w) {
  if (!w.blocked) return;
  w.blocked = false;
  --s.blocked;
}

void FireLocked(Schedule& s, vt::Wait& w) {
  w.fired = true;
  if (w.drives) {
    w.drives = false;
    --s.drivers;
  }
  UnblockLocked(s, w);
  vt::WakeWord(w.word);
}

// Wakes the waits whose deadline the clock has reached (every one when
// `all`: the clock was switched).
void FireDueLocked(Schedule& s, bool all) {
  uint64_t now = g_virtual_ms.load();
  for (vt::Wait* w = s.first; w != nullptr; w = w->next)
    if (!w->fired && w->deadline != vt::kNoDeadline && (all || w->deadline <= now)) FireLocked(s, *w);
}

void MoveLocked(Schedule& s, uint64_t ms) {
  g_virtual_ms += ms;
  FireDueLocked(s, false);
}

// Time moves on to the earliest deadline once a driving wait is listed and
// every thread taking part is blocked: nothing is left to do at this time.
void AdvanceIfIdleLocked(Schedule& s) {
  if (!g_virtual || s.drivers == 0 || s.blocked < s.participants) return;
  uint64_t earliest = vt::kNoDeadline;
  for (vt::Wait* w = s.first; w != nullptr; w = w->next)
    if (!w->fired && w->deadline < earliest) earliest = w->deadline;
  if (earliest == vt::kNoDeadline) return;
  uint64_t now = g_virtual_ms.load();
  MoveLocked(s, earliest > now ? earliest - now : 0);
}

}  // namespace

namespace vt {

void WakeWord(std::atomic<uint32_t>* word) {
  if (word->exchange(kWoken) == kAsleep)
    syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAKE | FUTEX_PRIVATE_FLAG, 1, nullptr, nullptr, 0);
}

bool Participant() { return t_participant; }

void Begin(Wait& w) {
  Schedule& s = TheSchedule();
  std::lock_guard<std::mutex> lock(s.lock);
  w.participant = t_participant;
  w.drives = !w.participant && w.deadline != kNoDeadline;
  if (w.drives) ++s.drivers;
  w.prev = nullptr;
  w.next = s.first;
  if (s.first) s.first->prev = &w;
  s.first = &w;
  if (g_virtual && w.deadline != kNoDeadline && w.deadline <= g_virtual_ms.load()) FireLocked(s, w);
}

bool Block(Wait& w) {
  Schedule& s = TheSchedule();
  std::lock_guard<std::mutex> lock(s.lock);
  if (w.word->load() != kAwake) return false;
  if (w.participant && !w.blocked) {
    w.blocked = true;
    ++s.blocked;
  }
  AdvanceIfIdleLocked(s);
  return true;
}

void Unblock(Wait& w) {
  Schedule& s = TheSchedule();
  std::lock_guard<std::mutex> lock(s.lock);
  UnblockLocked(s, w);
}

void End(Wait& w) {
  Schedule& s = TheSchedule();
  std::lock_guard<std::mutex> lock(s.lock);
  UnblockLocked(s, w);
  if (w.drives) {
    w.drives = false;
    --s.drivers;
  }
  (w.prev ? w.prev->next : s.first) = w.next;
  if (w.next) w.next->prev = w.prev;
  // Another thread's Sleep may be ready to move on now.
  AdvanceIfIdleLocked(s);
}

}  // namespace vt

uint64_t NowMs() { return g_virtual ? g_virtual_ms.load() : RealMs(); }
uint32_t GetTickCount() { return static_cast<uint32_t>(NowMs()); }

void UseVirtualClock(uint64_t start_ms) {
  Schedule& s = TheSchedule();
  std::lock_guard<std::mutex> lock(s.lock);
  g_virtual_ms = start_ms;
  g_wall_base_ms = int64_t(std::time(nullptr)) * 1000 - int64_t(start_ms);
  g_virtual = true;
  FireDueLocked(s, true);  // deadlines of another clock
}
void UseRealClock() {
  Schedule& s = TheSchedule();
  std::lock_guard<std::mutex> lock(s.lock);
  g_virtual = false;
  FireDueLocked(s, true);
}
bool IsVirtualClock() { return g_virtual; }
void AdvanceClock(uint64_t ms) {
  if (!g_virtual || ms == 0) return;
  Schedule& s = TheSchedule();
  std::lock_guard<std::mutex> lock(s.lock);
  MoveLocked(s, ms);
}

void AddClockParticipant() {
  Schedule& s = TheSchedule();
  std::lock_guard<std::mutex> lock(s.lock);
  ++s.participants;
}

void RemoveClockParticipant() {
  Schedule& s = TheSchedule();
  std::lock_guard<std::mutex> lock(s.lock);
  --s.participants;
  AdvanceIfIdleLocked(s);
}

void SetClockParticipant(bool taking_part) { t_participant = taking_part; }

std::time_t WallTime() {
  if (!g_virtual) return std::time(nullptr);
  return std::time_t((g_wall_base_ms.load() + int64_t(g_virtual_ms.load())) / 1000);
}

void SetVirtualWallTime(std::time_t now) { g_wall_base_ms = int64_t(now) * 1000 - int64_t(g_virtual_ms.load()); }

std::tm LocalTime(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm;
}

}  // namespace platform
