// Session calls from two threads: the close from a second thread while the
// first is inside a poll waits for the poll, frees nothing the poll uses,
// and the polls after it find the session closed. The verdicts hold however
// the threads are scheduled.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "driver/tests/session/session_fixture.h"

using namespace sessiontest;

namespace {

constexpr int kNotOpen = -4;
constexpr int kBusy = -6;

// A flag one thread raises and another waits for.
class Signal {
 public:
  void Raise() {
    std::lock_guard<std::mutex> lock(m_);
    raised_ = true;
    cv_.notify_all();
  }
  void Wait() {
    std::unique_lock<std::mutex> lock(m_);
    cv_.wait(lock, [&] { return raised_; });
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  bool raised_ = false;
};

class TwoThreads : public SessionTest {
 protected:
  void OpenActive(bool usb) {
    StartAfresh();
    scenario.plates = {PlateAt(0, 50, 800, sim::NoisePlate(200, 300, 1000, 40000, 9))};
    WriteIni();
    AttachOver(usb);
    scanner->SetTracing(false);
    ASSERT_EQ(Open_Scanner(1), 0) << Log();
    ASSERT_EQ(Aktivate_Scanner(), 0);
  }
};

// The close is called while the poll is provably inside: from the device
// request of the poll, a second thread is started and has entered its call
// before the poll goes on.
TEST_F(TwoThreads, CloseWhileThePollIsInsideADeviceRequestWaitsForIt) {
  for (int run = 0; run < 5; ++run) {
    SCOPED_TRACE(run);
    ASSERT_NO_FATAL_FAILURE(OpenActive(false));
    std::thread closer;
    int closed = 1;
    port->SetRequestHook([&](uint32_t) {
      port->SetRequestHook(nullptr);
      Signal calling;
      closer = std::thread([&] {
        calling.Raise();
        closed = Close_Scanner();
      });
      calling.Wait();
    });
    const int status = Get_Status();
    closer.join();
    EXPECT_GE(status, 0);
    EXPECT_EQ(closed, 0);
    EXPECT_EQ(Get_Status(), kNotOpen);
    EXPECT_FALSE(port->Connected());
  }
}

// One thread polls without pause, another closes once the polls run: every
// poll answers a status, busy or closed, and the close succeeds.
TEST_F(TwoThreads, CloseFromASecondThreadWhileTheFirstPolls) {
  for (bool usb : {false, true}) {
    for (int run = 0; run < 5; ++run) {
      SCOPED_TRACE(testing::Message() << (usb ? "USB" : "parallel port") << " run " << run);
      ASSERT_NO_FATAL_FAILURE(OpenActive(usb));
      Signal polling;
      int unexpected = 0;
      std::thread poller([&] {
        bool first = true;
        for (;;) {
          const int status = Get_Status();
          if (first) polling.Raise();
          first = false;
          if (status == kNotOpen) break;
          if (status < 0 && status != kBusy) ++unexpected;
        }
      });
      polling.Wait();
      const int closed = Close_Scanner();
      poller.join();
      EXPECT_EQ(closed, 0);
      EXPECT_EQ(unexpected, 0);
      // Calls that touch the session wait for each other too.
      char name[256];
      EXPECT_EQ(Get_ImageName(name), kNotOpen);
    }
  }
}

}  // namespace
