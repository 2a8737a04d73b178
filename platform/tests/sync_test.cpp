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
// now and then one side sleeps past the spin, so hand-offs end both in the
// spin and in a blocked wait. A lost wake-up shows as a time-out, an event
// consumed twice as a count that does not add up.
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

TEST(Events, EachSetOfAnAutoResetEventEndsOneWaitOfMany) {
  Event e(false, false);
  std::atomic<int> woken{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 4; ++i)
    waiters.emplace_back([&] {
      if (WaitForEvent(e, 10000) == kWaitObject0) ++woken;
    });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // past the spin: all are blocked
  for (int set = 1; set <= 4; ++set) {
    e.Set();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(woken.load(), set);
  }
  for (auto& t : waiters) t.join();
  EXPECT_FALSE(e.IsSet());
}

TEST(Events, ATimedWaitEndsAtItsTimeOut) {
  Event e(false, false);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(WaitForEvent(e, 30), kWaitTimeout);
  auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(30));
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
