#include "platform/sync.h"

#include <chrono>

#include "platform/clock.h"

namespace platform {
namespace {

// One lock and condition for every event: waits on two events stay simple
// and the number of events alive is small.
std::mutex& WaitMutex() {
  static std::mutex* m = new std::mutex;
  return *m;
}
std::condition_variable& WaitCondition() {
  static std::condition_variable* c = new std::condition_variable;
  return *c;
}

std::atomic<int> g_live_threads{0};
std::atomic<uint32_t> g_next_thread_id{1};
thread_local int t_priority = kThreadPriorityDefault;

}  // namespace

void Event::Set() {
  {
    std::lock_guard<std::mutex> lock(WaitMutex());
    set_ = true;
  }
  WaitCondition().notify_all();
}

void Event::Reset() {
  std::lock_guard<std::mutex> lock(WaitMutex());
  set_ = false;
}

bool Event::IsSet() const {
  std::lock_guard<std::mutex> lock(WaitMutex());
  return set_;
}

uint32_t WaitForEvents(Event* const* events, int count, uint32_t ms) {
  if (events == nullptr || count < 1 || count > kMaximumWaitObjects) return kWaitFailed;
  for (int i = 0; i < count; ++i)
    if (events[i] == nullptr) return kWaitFailed;
  std::unique_lock<std::mutex> lock(WaitMutex());
  auto ready = [&]() -> int {
    for (int i = 0; i < count; ++i)
      if (events[i]->set_) return i;
    return -1;
  };
  int index = ready();
  if (index < 0) {
    if (ms == kInfinite) {
      WaitCondition().wait(lock, [&] { return (index = ready()) >= 0; });
    } else if (!WaitCondition().wait_for(lock, std::chrono::milliseconds(ms), [&] { return (index = ready()) >= 0; })) {
      lock.unlock();
      AdvanceClock(ms);
      return kWaitTimeout;
    }
  }
  if (!events[index]->manual_) events[index]->set_ = false;
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
