#include "platform/sync.h"

#include <sched.h>

#include <algorithm>
#include <chrono>

#include "platform/clock.h"

namespace platform {
namespace {

// One lock and condition for every blocking wait: waits on several events
// stay simple and the number of events alive is small. `g_blocked` counts
// the threads inside a blocking wait, so that Set skips the lock and the
// wake-up when nobody waits.
std::mutex& WaitMutex() {
  static std::mutex* m = new std::mutex;
  return *m;
}
std::condition_variable& WaitCondition() {
  static std::condition_variable* c = new std::condition_variable;
  return *c;
}
std::atomic<int> g_blocked{0};
constexpr std::chrono::microseconds kSpin{200};  // how long a wait polls before it sleeps

std::atomic<int> g_live_threads{0};
std::atomic<uint32_t> g_next_thread_id{1};
thread_local int t_priority = kThreadPriorityDefault;

int UsableCores() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0) return CPU_COUNT(&set);
  return static_cast<int>(std::thread::hardware_concurrency());
}

inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

// Polls `ready` until it finds an event set or `until` passes; false on a
// machine with one core, where spinning would only hold off the setter.
template <typename Ready>
bool Spin(Ready& ready, int* index, std::chrono::steady_clock::time_point until) {
  static const bool several_cores = UsableCores() > 1;
  if (!several_cores) return false;
  do {
    for (int i = 0; i < 64; ++i) {
      if ((*index = ready()) >= 0) return true;
      CpuRelax();
    }
    std::this_thread::yield();  // lets a thread sharing this core go on
  } while (std::chrono::steady_clock::now() < until);
  return false;
}

}  // namespace

void Event::Set() {
  set_.store(true);
  // A waiter registers in g_blocked before it checks the events under the
  // lock, and Set publishes the state before it reads g_blocked (both
  // sequentially consistent), so either the waiter sees the event set or
  // Set sees the waiter. Taking the lock orders the wake-up after the
  // waiter's check: it is then blocked in the condition and is woken.
  if (g_blocked.load() > 0) {
    { std::lock_guard<std::mutex> lock(WaitMutex()); }
    WaitCondition().notify_all();
  }
}

void Event::Reset() { set_.store(false); }

bool Event::IsSet() const { return set_.load(); }

bool Event::Consume() {
  if (manual_) return set_.load();
  bool expected = true;
  return set_.compare_exchange_strong(expected, false);
}

uint32_t WaitForEvents(Event* const* events, int count, uint32_t ms) {
  if (events == nullptr || count < 1 || count > kMaximumWaitObjects) return kWaitFailed;
  for (int i = 0; i < count; ++i)
    if (events[i] == nullptr) return kWaitFailed;
  auto ready = [&]() -> int {
    for (int i = 0; i < count; ++i)
      if (events[i]->Consume()) return i;
    return -1;
  };
  int index = ready();
  if (index >= 0) return kWaitObject0 + static_cast<uint32_t>(index);
  if (ms == 0) return kWaitTimeout;
  // A short spin first: a hand-off between two busy threads is usually
  // answered within microseconds, far sooner than a sleeping thread wakes.
  const auto start = std::chrono::steady_clock::now();
  const auto deadline = start + std::chrono::milliseconds(ms);
  const auto spin_until = start + kSpin;
  if (Spin(ready, &index, ms == kInfinite ? spin_until : std::min(spin_until, deadline)))
    return kWaitObject0 + static_cast<uint32_t>(index);
  {
    std::unique_lock<std::mutex> lock(WaitMutex());
    ++g_blocked;
    if (ms == kInfinite)
      WaitCondition().wait(lock, [&] { return (index = ready()) >= 0; });
    else
      WaitCondition().wait_until(lock, deadline, [&] { return (index = ready()) >= 0; });
    --g_blocked;
  }
  if (index < 0) {
    AdvanceClock(ms);
    return kWaitTimeout;
  }
  return kWaitObject0 + static_cast<uint32_t>(index);
}

uint32_t WaitForEvent(Event& event, uint32_t ms) {
  Event* list[1] = {&event};
  return WaitForEvents(list, 1, ms);
}

uint32_t WaitForEither(Event& first, Event& second, uint32_t ms) {
  Event* list[2] = {&first, &second};
  return WaitForEvents(list, 2, ms);
}

Thread::~Thread() { Join(); }

bool Thread::Start(std::function<void()> body) {
  if (thread_.joinable()) return false;
  id_ = g_next_thread_id++;
  ++g_live_threads;
  try {
    thread_ = std::thread([body = std::move(body)] {
      body();
      --g_live_threads;
    });
  } catch (const std::system_error&) {
    --g_live_threads;
    return false;
  }
  return true;
}

bool Thread::Join() {
  if (!thread_.joinable()) return false;
  thread_.join();
  return true;
}

void SetCurrentThreadPriority(int priority) { t_priority = priority; }
int CurrentThreadPriority() { return t_priority; }
int LiveThreads() { return g_live_threads; }

}  // namespace platform
