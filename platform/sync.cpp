#include "platform/sync.h"

#include <errno.h>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include "platform/clock.h"
#include "platform/virtual_time.h"

#include <chrono>

namespace platform {
namespace {

std::atomic<uint64_t> g_wakeups{0};
std::atomic<int> g_live_threads{0};
std::atomic<uint32_t> g_next_thread_id{1};
thread_local int t_priority = kThreadPriorityDefault;

static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t) && std::atomic<uint32_t>::is_always_lock_free,
              "a futex word is an atomic u32");

using vt::kAsleep;
using vt::kAwake;
using vt::kWoken;

// Sleeps while *word is kAsleep, until `deadline` (CLOCK_MONOTONIC; null: no
// limit). True when the thread did sleep (and so woke up).
bool FutexSleep(std::atomic<uint32_t>* word, const timespec* deadline) {
  long r = syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAIT_BITSET | FUTEX_PRIVATE_FLAG, kAsleep,
                   deadline, nullptr, FUTEX_BITSET_MATCH_ANY);
  return r == 0 || errno != EAGAIN;
}


timespec MonotonicAfter(uint32_t ms) {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  t.tv_sec += ms / 1000;
  t.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
  if (t.tv_nsec >= 1000000000L) {
    t.tv_nsec -= 1000000000L;
    ++t.tv_sec;
  }
  return t;
}

bool Passed(const timespec& deadline) {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec > deadline.tv_sec || (now.tv_sec == deadline.tv_sec && now.tv_nsec >= deadline.tv_nsec);
}

}  // namespace

// One blocking wait: its futex word and its link in each event's list.
class EventWait {
 public:
  EventWait(Event* const* events, int count) : events_(events), count_(count) {}
  EventWait(const EventWait&) = delete;
  EventWait& operator=(const EventWait&) = delete;
  // The index of the first set event (consumed), or -1.
  static int Ready(Event* const* events, int count) {
    for (int i = 0; i < count; ++i)
      if (events[i]->Consume()) return i;
    return -1;
  }
  // Blocks until it consumes one: its index, or -1 at the deadline (null:
  // none) or at the virtual deadline of `tracked` (when given: the wait of
  // a thread taking part, or under the virtual clock).
  int Run(const timespec* deadline, vt::Wait* tracked = nullptr);
  // A tracked run under the virtual clock, the deadline in virtual ms
  // (vt::kNoDeadline: none).
  int RunVirtual(uint64_t deadline_ms);
  std::atomic<uint32_t>* Word() { return &word_; }

 private:
  void Register();
  void Unregister();

  Event* const* events_;
  int count_;
  std::atomic<uint32_t> word_{kAwake};
  Event::Link* links_ = nullptr;
  vt::Wait* tracked_ = nullptr;  // under the virtual clock
};

struct Event::Link {
  std::atomic<uint32_t>* word = nullptr;
  vt::Wait* tracked = nullptr;  // a wait under the virtual clock
  Link* prev = nullptr;
  Link* next = nullptr;
};

void Event::WakeLocked() {
  for (Link* l = first_; l != nullptr; l = l->next) {
    if (!manual_ && l->word->load() == kWoken) continue;
    vt::WakeWord(l->word);
    // A woken thread taking part is running again from now on, before it is
    // scheduled: the clock does not move on meanwhile.
    if (l->tracked != nullptr && l->tracked->participant) vt::Unblock(*l->tracked);
    if (!manual_) return;
  }
}

void Event::Set() {
  // A wait registers (registered_, under lock_) before it looks at the
  // events, and Set publishes the state before it reads registered_ (both
  // sequentially consistent): either the wait sees the event set or Set sees
  // the wait and, under the lock, wakes it.
  set_.store(true);
  if (registered_.load() == 0) return;
  std::lock_guard<std::mutex> lock(lock_);
  WakeLocked();
}

void Event::Reset() { set_.store(false); }

bool Event::IsSet() const { return set_.load(); }

bool Event::Consume() {
  if (manual_) return set_.load();
  bool expected = true;
  return set_.compare_exchange_strong(expected, false);
}

void EventWait::Register() {
  for (int i = 0; i < count_; ++i) {
    Event& e = *events_[i];
    Event::Link& l = links_[i];
    l.word = &word_;
    l.tracked = tracked_;
    std::lock_guard<std::mutex> lock(e.lock_);
    l.prev = e.last_;
    l.next = nullptr;
    (e.last_ ? e.last_->next : e.first_) = &l;
    e.last_ = &l;
    ++e.registered_;
  }
}

void EventWait::Unregister() {
  for (int i = 0; i < count_; ++i) {
    Event& e = *events_[i];
    Event::Link& l = links_[i];
    std::lock_guard<std::mutex> lock(e.lock_);
    (l.prev ? l.prev->next : e.first_) = l.next;
    (l.next ? l.next->prev : e.last_) = l.prev;
    --e.registered_;
    // A wake of an auto-reset event that this wait took and did not use (it
    // consumed another event, or timed out) goes to the next wait.
    if (!e.manual_ && e.set_.load()) e.WakeLocked();
  }
}

int EventWait::Run(const timespec* deadline, vt::Wait* tracked) {
  tracked_ = tracked;
  if (tracked) vt::Begin(*tracked);
  Event::Link links[kMaximumWaitObjects];
  links_ = links;
  Register();
  int index = -1;
  for (;;) {
    // Forget earlier wake-ups before looking: a Set after this point wakes
    // the futex below, one before it shows in the events.
    word_.store(kAwake);
    if ((index = Ready(events_, count_)) >= 0) break;
    if (deadline != nullptr && Passed(*deadline)) break;
    if (tracked && tracked->deadline != vt::kNoDeadline && (!IsVirtualClock() || NowMs() >= tracked->deadline))
      break;
    if (tracked && !vt::Block(*tracked)) continue;
    uint32_t awake = kAwake;
    if (word_.compare_exchange_strong(awake, kAsleep) && FutexSleep(&word_, deadline)) ++g_wakeups;
    if (tracked) vt::Unblock(*tracked);
  }
  Unregister();
  if (tracked) vt::End(*tracked);
  tracked_ = nullptr;
  return index;
}

int EventWait::RunVirtual(uint64_t deadline_ms) {
  vt::Wait tracked;
  tracked.word = &word_;
  tracked.deadline = deadline_ms;
  return Run(nullptr, &tracked);
}

namespace {

uint64_t VirtualDeadline(uint32_t ms) { return ms == kInfinite ? vt::kNoDeadline : NowMs() + ms; }

}  // namespace

void Sleep(uint32_t ms) {
  if (!IsVirtualClock()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return;
  }
  if (ms == 0) return;
  EventWait wait(nullptr, 0);
  wait.RunVirtual(VirtualDeadline(ms));
}

uint32_t WaitForEvents(Event* const* events, int count, uint32_t ms) {
  if (events == nullptr || count < 1 || count > kMaximumWaitObjects) return kWaitFailed;
  for (int i = 0; i < count; ++i)
    if (events[i] == nullptr) return kWaitFailed;
  if (int index = EventWait::Ready(events, count); index >= 0) return kWaitObject0 + static_cast<uint32_t>(index);
  if (ms == 0) return kWaitTimeout;
  if (IsVirtualClock() && (ms != kInfinite || vt::Participant())) {
    EventWait wait(events, count);
    int index = wait.RunVirtual(VirtualDeadline(ms));
    return index < 0 ? kWaitTimeout : kWaitObject0 + static_cast<uint32_t>(index);
  }
  timespec deadline{};
  if (ms != kInfinite) deadline = MonotonicAfter(ms);
  EventWait wait(events, count);
  // A thread taking part is counted blocked under the real clock too, so
  // that a switch to the virtual clock meanwhile finds it blocked.
  vt::Wait tracked;
  tracked.word = wait.Word();
  int index = wait.Run(ms == kInfinite ? nullptr : &deadline, vt::Participant() ? &tracked : nullptr);
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

uint64_t WaitWakeups() { return g_wakeups.load(); }

Thread::~Thread() { Join(); }

bool Thread::Start(std::function<void()> body, bool clock_participant) {
  if (thread_.joinable()) return false;
  id_ = g_next_thread_id++;
  ++g_live_threads;
  if (clock_participant) AddClockParticipant();
  try {
    thread_ = std::thread([body = std::move(body), clock_participant] {
      SetClockParticipant(clock_participant);
      body();
      --g_live_threads;  // counted before the clock may move on without it
      if (clock_participant) {
        SetClockParticipant(false);
        RemoveClockParticipant();
      }
    });
  } catch (const std::system_error&) {
    if (clock_participant) RemoveClockParticipant();
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
