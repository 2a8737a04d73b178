// Events and waits as the USB reader relies on them, and a system library
// that cannot be bound.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/device_setup.h"
#include "platform/sync.h"
#include "platform/system_library.h"

namespace {

using namespace platform;

TEST(Events, AWaitOnTwoConsumesOnlyTheAutoResetEventThatFired) {
  Event manual(true, false), automatic(false, false);
  automatic.Set();
  manual.Set();
  EXPECT_EQ(WaitForEither(automatic, manual, 0), kWaitObject0);  // the first set one
  EXPECT_FALSE(automatic.IsSet());
  EXPECT_TRUE(manual.IsSet());
  EXPECT_EQ(WaitForEither(automatic, manual, 0), kWaitObject0 + 1);
  EXPECT_TRUE(manual.IsSet());  // manual reset stays set
  manual.Reset();
  EXPECT_EQ(WaitForEither(automatic, manual, 0), kWaitTimeout);
  EXPECT_EQ(WaitForEvents(nullptr, 1, 0), kWaitFailed);
  Event* three[3] = {&manual, &automatic, &manual};
  automatic.Set();
  EXPECT_EQ(WaitForEvents(three, 3, 0), kWaitObject0 + 1);
  EXPECT_EQ(WaitForEvents(three, 0, 0), kWaitFailed);
  std::vector<Event*> too_many(kMaximumWaitObjects + 1, &manual);
  EXPECT_EQ(WaitForEvents(too_many.data(), kMaximumWaitObjects + 1, 0), kWaitFailed);
}

TEST(Events, ASetFromAnotherThreadEndsAWaitWithoutLimit) {
  Event e(false, false);
  std::thread t([&] { e.Set(); });
  EXPECT_EQ(WaitForEvent(e, kInfinite), kWaitObject0);
  t.join();
}

// Two threads hand a turn back and forth through two auto-reset events;
// now and then one side sleeps, so hand-offs end both in a wait that finds
// the event set and in a blocked wait. A lost wake-up shows as a time-out,
// an event consumed twice as a count that does not add up.
TEST(Events, HandOffsBetweenThreadsAreNeitherLostNorDoubled) {
  Event ping(false, false), pong(false, false);
  constexpr int kTurns = 3000;
  int answered = 0, timeouts = 0;
  std::thread other([&] {
    for (int i = 0; i < kTurns; ++i) {
      if (WaitForEvent(ping, 5000) != kWaitObject0) {
        ++timeouts;
        return;
      }
      ++answered;
      if (i % 500 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
      pong.Set();
    }
  });
  for (int i = 0; i < kTurns; ++i) {
    if (i % 700 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ping.Set();
    if (WaitForEvent(pong, 5000) != kWaitObject0) {
      ++timeouts;
      break;
    }
  }
  other.join();
  EXPECT_EQ(timeouts, 0);
  EXPECT_EQ(answered, kTurns);
  EXPECT_FALSE(ping.IsSet());
  EXPECT_FALSE(pong.IsSet());
}

// A wait on two events and, registered after it, a wait on the second one
// block; then the second and the first are set. The Set of `shared` wakes
// the wait on both. When that wait takes `own`, it must hand the wake-up on,
// or `shared` stays set with the other wait asleep. (It may also look before
// `own` is set and take `shared`: then `own` stays set and the other wait
// goes on waiting.)
TEST(Events, ASetTakenByAWaitOnSeveralEventsIsPassedOn) {
  constexpr uint32_t kNone = 99;
  Event own(false, false), shared(false, false), done(false, false);
  int handed_on = 0, lost = 0, wrong = 0;
  for (int round = 0; round < 100 && lost == 0 && wrong == 0; ++round) {
    Event quit(true, false);
    std::atomic<uint32_t> first_result{kNone}, second_result{kNone};
    auto wait = [&](Event* const* list, int count, std::atomic<uint32_t>* result) {
      *result = WaitForEvents(list, count, 10000) - kWaitObject0;
      done.Set();
    };
    auto ended = [&](std::atomic<uint32_t>& result) {
      while (result == kNone)
        if (WaitForEvent(done, 2000) == kWaitTimeout) return false;
      return true;
    };
    Event* both[3] = {&own, &shared, &quit};
    Event* one[2] = {&shared, &quit};
    std::thread first(wait, both, 3, &first_result);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));  // blocked, first in line on `shared`
    std::thread second(wait, one, 2, &second_result);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    shared.Set();
    own.Set();
    if (!ended(first_result)) {
      ++lost;
    } else if (first_result == 0) {  // took `own`
      ++handed_on;
      if (!ended(second_result))
        ++lost;
      else if (second_result != 0)
        ++wrong;
    } else if (first_result != 1 || !own.IsSet()) {  // took `shared`
      ++wrong;
    }
    quit.Set();
    first.join();
    second.join();
    if (first_result == 1 && second_result != 1) ++wrong;  // ended by quit
    own.Reset();
    done.Reset();
    if (shared.IsSet()) ++wrong;
  }
  EXPECT_EQ(lost, 0);
  EXPECT_EQ(wrong, 0);
  EXPECT_GT(handed_on, 0);
}

// `count` threads, each waiting once for `e`; `woken` counts the waits it ended.
std::vector<std::thread> BlockedWaiters(Event& e, int count, std::atomic<int>& woken) {
  std::vector<std::thread> waiters;
  for (int i = 0; i < count; ++i)
    waiters.emplace_back([&] {
      if (WaitForEvent(e, 10000) == kWaitObject0) ++woken;
    });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // all are blocked
  return waiters;
}

TEST(Events, EachSetOfAnAutoResetEventEndsOneWaitOfMany) {
  Event e(false, false);
  std::atomic<int> woken{0};
  std::vector<std::thread> waiters = BlockedWaiters(e, 4, woken);
  for (int set = 1; set <= 4; ++set) {
    e.Set();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(woken.load(), set);
  }
  for (auto& t : waiters) t.join();
  EXPECT_FALSE(e.IsSet());
}

TEST(Events, ASetOfAManualResetEventEndsEveryWaitAndStaysSet) {
  Event e(true, false);
  std::atomic<int> woken{0};
  std::vector<std::thread> waiters = BlockedWaiters(e, 3, woken);
  e.Set();
  for (auto& t : waiters) t.join();
  EXPECT_EQ(woken.load(), 3);
  EXPECT_TRUE(e.IsSet());
}

// The waits blocked on one event sleep through any number of Sets of other
// events, and a Set of their own wakes them once.
TEST(Events, ASetWakesOnlyTheWaitsOnThatEvent) {
  Event mine(false, false), other(false, false), others_manual(true, false);
  std::atomic<uint32_t> result{0};
  std::thread waiter([&] { result = WaitForEvent(mine, 10000); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // blocked by now
  const uint64_t before = WaitWakeups();
  for (int i = 0; i < 2000; ++i) {
    other.Set();
    others_manual.Set();
    others_manual.Reset();
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(WaitWakeups() - before, 0u);
  mine.Set();
  waiter.join();
  EXPECT_EQ(result.load(), kWaitObject0);
  EXPECT_LE(WaitWakeups() - before, 1u);
  EXPECT_FALSE(mine.IsSet());
  EXPECT_TRUE(other.IsSet());  // nobody waits for it
}

// A timed wait ends at its time-out while other events are set beside it,
// and a Set of its own before then ends it with the event.
TEST(Events, ATimedWaitEndsAtItsTimeOut) {
  Event e(false, false), other(false, false);
  std::atomic<bool> stop{false};
  std::thread setter([&] {
    while (!stop) other.Set();
  });
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(WaitForEvent(e, 30), kWaitTimeout);
  auto waited = std::chrono::steady_clock::now() - start;
  stop = true;
  setter.join();
  EXPECT_GE(waited, std::chrono::milliseconds(30));
  EXPECT_LT(waited, std::chrono::seconds(5));
  std::thread late([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    e.Set();
  });
  EXPECT_EQ(WaitForEvent(e, 10000), kWaitObject0);
  late.join();
  EXPECT_FALSE(e.IsSet());
}

TEST(Events, ATimeOutMovesTheVirtualClockOn) {
  UseVirtualClock(100);
  Event e(false, false);
  EXPECT_EQ(WaitForEvent(e, 15), kWaitTimeout);
  EXPECT_EQ(NowMs(), 115u);
  UseRealClock();
}

TEST(Threads, PriorityIsRecordedPerThreadAndThreadsAreCounted) {
  int before = LiveThreads();
  Thread t;
  int seen = 0;
  ASSERT_TRUE(t.Start([&] {
    SetCurrentThreadPriority(kThreadPriorityAboveNormal);
    seen = CurrentThreadPriority();
  }));
  EXPECT_FALSE(t.Start([] {}));  // one thread at a time
  EXPECT_TRUE(t.Join());
  EXPECT_EQ(seen, kThreadPriorityAboveNormal);
  EXPECT_EQ(CurrentThreadPriority(), kThreadPriorityDefault);
  EXPECT_EQ(LiveThreads(), before);
  EXPECT_FALSE(t.Join());
}

TEST(SystemLibrary, AMissingLibraryOrEntryPointCannotBeBound) {
  SystemLibrary* lib = LoadSystemLibrary("SETUPAPI.DLL");
  ASSERT_NE(lib, nullptr);
  EXPECT_NE(GetSystemProc(lib, "SetupDiGetClassDevsA"), nullptr);
  SetSystemProcMissing("setupapi.dll", "SetupDiGetClassDevsA", true);
  EXPECT_EQ(GetSystemProc(lib, "SetupDiGetClassDevsA"), nullptr);
  SetSystemProcMissing("setupapi.dll", "SetupDiGetClassDevsA", false);
  FreeSystemLibrary(lib);
  SetSystemLibraryMissing("setupapi.dll", true);
  EXPECT_EQ(LoadSystemLibrary("setupapi.dll"), nullptr);
  SetSystemLibraryMissing("setupapi.dll", false);
  EXPECT_EQ(LoadSystemLibrary("other.dll"), nullptr);
}

}  // namespace
