// An open, idle USB session polled without pause, as the consoles poll: the
// control requests of the polls set events of their own and wake no other
// thread; the reader sleeps until data come.
#include <chrono>
#include <thread>

#include "driver/tests/session/session_fixture.h"
#include "platform/sync.h"

using namespace sessiontest;

namespace {

class UsbIdle : public SessionTest {};

TEST_F(UsbIdle, PollsWakeNoOtherThread) {
  WriteIni();
  scenario.interface = "USB";
  scenario.guid = usbtest::kGuidType6;
  AttachUsb();
  ASSERT_EQ(Open_Scanner(1), 0) << Log();
  platform::Sleep(1);  // returns once the reader is blocked
  const uint64_t before = platform::WaitWakeups();
  int failed = 0;
  for (int i = 0; i < 1500; ++i)  // two control requests each
    if (Get_Status() < 0) ++failed;
  EXPECT_EQ(failed, 0);
  EXPECT_LE(platform::WaitWakeups() - before, 3u);
  EXPECT_EQ(Close_Scanner(), 0);
}

}  // namespace
