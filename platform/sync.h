#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// Events, waits on one or several events, recursive critical sections,
// interlocked counters and worker threads, with the Windows semantics the
// USB reader relies on.
namespace platform {

constexpr uint32_t kInfinite = 0xFFFFFFFFu;
constexpr uint32_t kWaitObject0 = 0;  // + index of the event that ended the wait
constexpr uint32_t kWaitTimeout = 258;
constexpr uint32_t kWaitFailed = 0xFFFFFFFFu;

// An auto-reset event wakes one waiter and clears itself when that wait
// ends; a manual-reset event stays set until Reset.
// Every blocked wait registers on the events it waits for, and a Set wakes
// only the waits registered on that event (an auto-reset event one of them
// at a time). Setting with nobody registered, resetting and polling take no
// lock.
class Event {
 public:
  Event(bool manual_reset, bool initially_set) : manual_(manual_reset), set_(initially_set) {}
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;
  void Set();
  // Sets it with the lock held, after `publish` (storing a result) ran
  // under it. A thread that sees the result and then passes the lock once
  // (`Settle`) knows that the setter no longer touches the event, so it may
  // free it.
  template <typename Publish>
  void SetPublishing(Publish publish) {
    std::lock_guard<std::mutex> lock(lock_);
    publish();
    set_.store(true);
    WakeLocked();
  }
  void Settle() { std::lock_guard<std::mutex> lock(lock_); }
  void Reset();
  bool IsSet() const;
  bool ManualReset() const { return manual_; }

 private:
  friend class EventWait;
  struct Link;  // one wait registered on this event
  // True when the event was set; an auto-reset event is cleared by the
  // call that sees it, so one waiter alone consumes it.
  bool Consume();
  // Wakes the registered waits: every one (manual reset), or the first not
  // woken yet (auto reset). Called with lock_ held.
  void WakeLocked();
  const bool manual_;
  std::atomic<bool> set_;
  std::atomic<int> registered_{0};  // waits in the list; Set skips the lock at 0
  std::mutex lock_;  // guards the list
  Link* first_ = nullptr;
  Link* last_ = nullptr;
};

constexpr int kMaximumWaitObjects = 64;

// Waits until one of `count` (1 to kMaximumWaitObjects) events is set: kWaitObject0 + the
// index of the first set one (an auto-reset event is consumed, the others
// are left alone), kWaitTimeout after `ms` (kInfinite: no limit), or
// kWaitFailed for a null event or a bad count. A wait that has to block
// sleeps until a Set of one of its events wakes it (no polling). Time-outs
// run on the active clock: under the virtual clock a time-out is a deadline
// in virtual time, reached as clock.h describes.
uint32_t WaitForEvents(Event* const* events, int count, uint32_t ms);
uint32_t WaitForEvent(Event& event, uint32_t ms);
uint32_t WaitForEither(Event& first, Event& second, uint32_t ms);

// A recursive critical section.
class CriticalSection {
 public:
  void Enter() { mutex_.lock(); }
  void Leave() { mutex_.unlock(); }
  void lock() { Enter(); }
  void unlock() { Leave(); }

 private:
  std::recursive_mutex mutex_;
};

// Interlocked counters: each returns the value after the operation.
inline int32_t InterlockedIncrement(std::atomic<int32_t>& value) { return ++value; }
inline int32_t InterlockedDecrement(std::atomic<int32_t>& value) { return --value; }
inline int32_t InterlockedExchange(std::atomic<int32_t>& value, int32_t to) { return value.exchange(to); }

// Thread priorities as recorded (raising one needs privileges here, so the
// value is kept, not applied). 10000 means: keep the system's default.
constexpr int kThreadPriorityDefault = 10000;
constexpr int kThreadPriorityNormal = 0;
constexpr int kThreadPriorityAboveNormal = 1;

class Thread {
 public:
  Thread() = default;
  ~Thread();  // joins a thread still running
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  // False when a thread is held already. A thread started as a clock
  // participant takes part in the virtual time from now until it ends
  // (clock.h).
  bool Start(std::function<void()> body, bool clock_participant = false);
  // Waits for the thread without limit; true when one was joined.
  bool Join();
  bool Running() const { return thread_.joinable(); }
  uint32_t Id() const { return id_; }

 private:
  std::thread thread_;
  uint32_t id_ = 0;
};

// The calling thread's priority as last set (kThreadPriorityDefault until
// set), and setting it.
void SetCurrentThreadPriority(int priority);
int CurrentThreadPriority();

// Threads started through Thread and not yet finished (for leak checks).
int LiveThreads();

// Times a thread blocked in a wait of this process woke up (by a Set, at its
// time-out or spuriously), for tests that check who gets woken.
uint64_t WaitWakeups();

}  // namespace platform
