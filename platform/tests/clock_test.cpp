#include "platform/clock.h"

#include <gtest/gtest.h>

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
