// The scan-data reader: every free buffer in flight, transfers handed out
// one at a time and in pieces, stop and restart with every buffer accounted
// for, and the back-off of a reader whose reads fail.
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "usb_fixture.h"

#include "driver/device/usb/usb_bulk_reader.h"
#include "driver/tarvel_api.h"

namespace {

using namespace usbtest;

// Context switches of every thread of the process but the calling one.
long OtherThreadsSwitches() {
  const std::string self = std::to_string(syscall(SYS_gettid));
  long total = 0;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    if (task.path().filename() == self) continue;
    std::ifstream status(task.path() / "status");
    std::string key;
    long value = 0;
    while (status >> key)
      if (key == "voluntary_ctxt_switches:" || key == "nonvoluntary_ctxt_switches:") {
        status >> value;
        total += value;
      }
  }
  return total;
}

class Reader : public UsbTest {
 protected:
  // An older system: eight buffers in the pool.
  void SetUp() override {
    UsbTest::SetUp();
    platform::SetOsVersion({4, 0, ""});
  }
  tarvel::usb::UsbBulkReader& R() { return device->Reader(); }
  int Buffers() { return static_cast<int>(R().BufferCount()); }
  // Words into the scanner memory, then a control request lets the
  // simulator complete the pending transfers.
  void Feed(const std::vector<uint32_t>& words) {
    scanner->AppendMemory(words);
    tarvel::usb::GetUsbTimeout(devices);
    tarvel::usb::RegRead(devices, 248);
  }
};

TEST_F(Reader, KeepsEveryFreeBufferInFlight) {
  Open();
  ASSERT_TRUE(WaitUntil([&] { return usb->PendingTransfers() == Buffers(); }));
  EXPECT_EQ(R().FreeBuffers(), 0);
  EXPECT_EQ(R().PendingBuffers(), Buffers());
}

TEST_F(Reader, HandsOutOneTransferAtATimeInPiecesOldestFirst) {
  Open();
  ASSERT_TRUE(WaitUntil([&] { return usb->PendingTransfers() == Buffers(); }));
  Feed({1, 2, 3});
  ASSERT_TRUE(WaitUntil([&] { return R().CompletedBuffers() == 1; }));
  Feed({4, 5});
  ASSERT_TRUE(WaitUntil([&] { return R().CompletedBuffers() == 2; }));
  uint32_t out[4] = {};
  uint32_t n = 0;
  EXPECT_EQ(R().Take(out, 8, &n, 0), 0);
  EXPECT_EQ(n, 8u);
  EXPECT_EQ(out[0], 1u);
  EXPECT_EQ(out[1], 2u);
  EXPECT_EQ(R().CompletedBuffers(), 2);  // not resubmitted before its last byte
  EXPECT_EQ(R().Take(out, 16, &n, 0), 0);
  EXPECT_EQ(n, 4u);  // the rest of the first transfer only: a take never joins two
  EXPECT_EQ(out[0], 3u);
  EXPECT_EQ(R().Take(out, 16, &n, 0), 0);
  EXPECT_EQ(n, 8u);
  EXPECT_EQ(out[1], 5u);
  EXPECT_EQ(R().Take(out, 16, &n, 0), -306);
  EXPECT_TRUE(WaitUntil([&] { return usb->PendingTransfers() == Buffers(); }));
  EXPECT_EQ(Buffers(), 8);
}

TEST_F(Reader, TakeWaitsForTheTimeGivenAndChecksItsArguments) {
  Open();
  uint32_t out[4], n = 9;
  EXPECT_EQ(R().Take(out, 16, &n, 0), -306);
  EXPECT_EQ(n, 0u);
  uint64_t before = platform::NowMs();
  EXPECT_EQ(R().Take(out, 16, &n, 20), -309);
  EXPECT_GE(platform::NowMs() - before, 20u);
  EXPECT_EQ(R().Take(nullptr, 16, &n, 0), -301);
  EXPECT_EQ(R().Take(out, 0, &n, 0), -301);
}

TEST_F(Reader, StopDiscardsWaitingDataAndRestartResetsThePipe) {
  Open();
  ASSERT_TRUE(WaitUntil([&] { return usb->PendingTransfers() == Buffers(); }));
  Feed({7, 8});
  ASSERT_TRUE(WaitUntil([&] { return R().CompletedBuffers() == 1; }));
  EXPECT_EQ(R().Stop(), 0);
  EXPECT_EQ(R().FreeBuffers(), Buffers());
  EXPECT_EQ(R().PendingBuffers(), 0);
  EXPECT_EQ(R().CompletedBuffers(), 0);
  EXPECT_EQ(usb->PendingTransfers(), 0);  // every cancelled transfer completed
  EXPECT_EQ(R().Stop(), -316);
  EXPECT_EQ(R().Start(), 0);
  EXPECT_EQ(R().Start(), -315);
  uint32_t out[4], n = 0;
  EXPECT_EQ(R().Take(out, 16, &n, 0), -306);
  EXPECT_EQ(tarvel::usb::ClearReadBlock(devices), 0);
  EXPECT_TRUE(WaitUntil([&] { return usb->PendingTransfers() == Buffers(); }));
}

TEST_F(Reader, AnEndpointWithoutTheInBitIsRefused) {
  Open();
  tarvel::usb::UsbPipeReader pipe;
  EXPECT_EQ(pipe.Open(setup_api, 0, 0x02, nullptr, nullptr, no_log), -301);
  EXPECT_FALSE(pipe.IsOpen());
  EXPECT_EQ(pipe.Start(), -314);
  EXPECT_EQ(pipe.Stop(), -314);
}

TEST_F(Reader, ReadsThatFailAtOnceBackOff) {
  Open();
  ASSERT_TRUE(WaitUntil([&] { return usb->PendingTransfers() == Buffers(); }));
  usb->Unplug();
  int before = usb->BulkSubmits();
  platform::Sleep(200);
  // Backing off 10 ms more after each failure, up to 200 ms: a round or two
  // (a spinning reader would submit without end).
  EXPECT_LT(usb->BulkSubmits() - before, 100);
  EXPECT_GT(usb->BulkSubmits() - before, 0);
  EXPECT_EQ(tarvel::usb::Free_Interface(devices), 0);
  EXPECT_EQ(tarvel::usb::UsbPipeReader::BackoffMs(0), 0u);
  EXPECT_GT(tarvel::usb::UsbPipeReader::BackoffMs(1), 0u);
}

}  // namespace

// Control requests set events of their own: with transfers in flight and no
// data flowing, the reader sleeps through thousands of them. Data arriving
// wakes it.
TEST_F(Reader, SleepsThroughControlRequestsUntilDataArrives) {
  Open();
  ASSERT_TRUE(WaitUntil([&] { return usb->PendingTransfers() == Buffers(); }));  // the reader is blocked
  const uint64_t before = platform::WaitWakeups();
  uint8_t block[64];
  int32_t count = 0;
  for (int i = 0; i < 1500; ++i) {  // 3000 control requests
    tarvel::usb::RegRead(devices, 248);
    tarvel::usb::GetUsbTimeout(devices);
    tarvel::usb::ReadBlock(devices, block, sizeof block, &count);  // nothing waiting
  }
  EXPECT_LE(platform::WaitWakeups() - before, 3u);
  EXPECT_EQ(R().CompletedBuffers(), 0);
  Feed({1, 2, 3});
  ASSERT_TRUE(WaitUntil([&] { return R().CompletedBuffers() == 1; }));
  EXPECT_GE(platform::WaitWakeups() - before, 1u);
}

// Transfers pending with nothing arriving, the simulator's bus looks less
// often, and words that arrive without a control request still come; with
// no transfer pending (the reader stopped) and after the device is closed,
// no thread of the process keeps waking: the bus sleeps until the next
// submission.
TEST_F(Reader, NothingWakesWithNoTransferPendingOrAfterTheClose) {
  Open();
  ASSERT_TRUE(WaitUntil([&] { return usb->PendingTransfers() == Buffers(); }));
  // Wake-ups over 200 ms of virtual time, and the other threads' context
  // switches meanwhile (none runs while the clock waits for nothing).
  auto switches_over_200ms = [] {
    platform::Sleep(50);
    const uint64_t wakeups = platform::WaitWakeups();
    const long before = OtherThreadsSwitches();
    platform::Sleep(200);
    return std::max<long>(OtherThreadsSwitches() - before, long(platform::WaitWakeups() - wakeups));
  };
  EXPECT_LE(switches_over_200ms(), 40);  // once a frame: 200
  scanner->AppendMemory({5});
  ASSERT_TRUE(WaitUntil([&] { return R().CompletedBuffers() == 1; }));
  EXPECT_EQ(R().Stop(), 0);
  EXPECT_EQ(usb->PendingTransfers(), 0);
  EXPECT_LE(switches_over_200ms(), 5);
  EXPECT_EQ(R().Start(), 0);
  Feed({1, 2});  // the bus delivers again
  ASSERT_TRUE(WaitUntil([&] { return R().CompletedBuffers() == 1; }));
  EXPECT_EQ(tarvel::usb::Free_Interface(devices), 0);
  EXPECT_LE(switches_over_200ms(), 5);
}
