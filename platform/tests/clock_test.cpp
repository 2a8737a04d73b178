#include "platform/clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/sync.h"

TEST(Clock, VirtualSleepAdvancesAtOnce) {
  platform::UseVirtualClock(1000);
  platform::Sleep(60000);
  EXPECT_EQ(platform::NowMs(), 61000u);
  EXPECT_EQ(platform::GetTickCount(), 61000u);
  platform::AdvanceClock(5);
  EXPECT_EQ(platform::NowMs(), 61005u);
  platform::UseRealClock();
  EXPECT_FALSE(platform::IsVirtualClock());
}

TEST(Clock, TickCountWrapsAt32Bits) {
  platform::UseVirtualClock((1ull << 32) + 7);
  EXPECT_EQ(platform::GetTickCount(), 7u);
  platform::UseRealClock();
}

TEST(Clock, VirtualWallTimeMovesWithSleep) {
  platform::UseVirtualClock(0);
  platform::SetVirtualWallTime(1000000);
  platform::Sleep(61500);
  EXPECT_EQ(platform::WallTime(), 1000061);
  platform::UseRealClock();
  EXPECT_NEAR(double(platform::WallTime()), double(std::time(nullptr)), 2.0);
}

// ---- virtual time with threads taking part ----

namespace {

class VirtualTime : public ::testing::Test {
 protected:
  void SetUp() override { platform::UseVirtualClock(1000); }
  void TearDown() override { platform::UseRealClock(); }
};

// Busy for a while of real time (outside any platform wait), then blocked.
TEST_F(VirtualTime, ASleepWaitsUntilAThreadTakingPartIsBlocked) {
  platform::Event release(true, false);
  std::atomic<uint64_t> seen{0};
  platform::Thread worker;
  ASSERT_TRUE(worker.Start(
      [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        seen = platform::NowMs();
        platform::WaitForEvent(release, platform::kInfinite);
      },
      true));
  platform::Sleep(50);
  EXPECT_EQ(seen.load(), 1000u) << "the clock moved on while the worker ran";
  EXPECT_EQ(platform::NowMs(), 1050u);
  release.Set();
  worker.Join();
}

// Deadlines are reached in their order, and a thread woken by a Set counts
// as running from the Set on: the clock waits for it again.
TEST_F(VirtualTime, TheClockMovesFromDeadlineToDeadlineAndWaitsForWokenThreads) {
  platform::Event go(false, false);
  platform::Event release(true, false);
  std::vector<uint64_t> seen;
  platform::Thread worker;
  ASSERT_TRUE(worker.Start(
      [&] {
        if (platform::WaitForEvent(go, 30) == platform::kWaitTimeout) seen.push_back(platform::NowMs());
        platform::WaitForEvent(go, platform::kInfinite);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        seen.push_back(platform::NowMs());
        platform::WaitForEvent(release, platform::kInfinite);
      },
      true));
  platform::Sleep(100);
  EXPECT_EQ(platform::NowMs(), 1100u);
  go.Set();
  platform::Sleep(1);
  EXPECT_EQ(platform::NowMs(), 1101u);
  release.Set();
  worker.Join();
  EXPECT_EQ(seen, (std::vector<uint64_t>{1030, 1100}));
}

// A thread that does not take part is not waited for, even while it is
// blocked outside the platform's waits; a timed wait of a thread taking part
// does not move the clock by itself.
TEST_F(VirtualTime, OnlyThreadsTakingPartAreWaitedFor) {
  std::mutex m;
  std::unique_lock<std::mutex> held(m);
  std::thread bystander([&] { std::lock_guard<std::mutex> blocked(m); });
  platform::Event never(false, false);
  platform::Thread worker;
  ASSERT_TRUE(worker.Start([&] { platform::WaitForEvent(never, 20); }, true));
  platform::Sleep(10);
  EXPECT_EQ(platform::NowMs(), 1010u);
  held.unlock();
  bystander.join();
  platform::Sleep(15);  // the worker's time-out is reached on the way
  worker.Join();
  EXPECT_EQ(platform::NowMs(), 1025u);
}

}  // namespace
