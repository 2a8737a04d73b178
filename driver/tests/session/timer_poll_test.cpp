// A program that polls `Get_Status` from a timer: one poll reads what has
// come since the last one, so large plates come out exact; when the caller
// polls too seldom for the scanner memory, the plate the overrun touches is
// reported lost (a -1 once and an ERROR line), never handed out cut.
#include "driver/tests/session/session_fixture.h"

#include <cstring>

using namespace sessiontest;

namespace {

class TimerPoll : public SessionTest {
 protected:
  struct Outcome {
    std::vector<std::string> names;
    int lost = 0;  // polls that returned -1
  };
  // Polls every `period_ms` until the transport has run and stopped and
  // nothing is left; fetches each image as it is reported.
  Outcome PollEvery(uint32_t period_ms) {
    Outcome out;
    bool ran = false;
    const uint64_t until = platform::NowMs() + 600000;
    while (platform::NowMs() < until) {
      const int status = Get_Status();
      if (status == -1) {
        ++out.lost;
      } else {
        EXPECT_GE(status, 0) << Log();
        if (status < 0) break;
        for (int pending = status & 0xFF; pending > 0; --pending) {
          char name[256];
          if (Get_ImageName(name) > 0) out.names.push_back(name);
        }
        const bool running = status & (1 << 25);
        ran = ran || running;
        if (ran && !running && (status & ((1 << 27) | 0xFF)) == 0 && scanner->WordsWaiting() == 0) break;
      }
      platform::Sleep(period_ms);
    }
    return out;
  }
  void Start(bool over_usb, std::vector<sim::Plate> plates) {
    StartAfresh();
    WriteIni();
    scenario.plates = std::move(plates);
    AttachOver(over_usb);
    ASSERT_EQ(Open_Scanner(1), 0) << Log();
    ASSERT_EQ(Aktivate_Scanner(), 0) << Log();
  }
  static bool Equal(const std::string& file, const sim::PlateImage& want) {
    const StoredImage got = ReadStoredImage(file);
    return got.width == want.width && got.height == want.height && got.pixels == want.pixels;
  }
};

TEST_F(TimerPoll, ALargePlatePolledEvery20msComesOutExact) {
  const sim::PlateImage plate = sim::NoisePlate(6000, 4000, 1000, 40000, 21);
  for (bool over_usb : {false, true}) {
    SCOPED_TRACE(over_usb ? "USB" : "parallel port");
    Start(over_usb, {PlateAt(0, 100, 100, plate)});
    const Outcome out = PollEvery(20);
    if (over_usb) {
      // The USB reader is a thread of its own: on a starved machine the
      // memory may still overrun, and then the plate is reported lost.
      ASSERT_EQ(out.names.size() + out.lost, 1u) << Log();
      if (out.lost) continue;
    } else {
      EXPECT_EQ(out.lost, 0) << Log();
      ASSERT_EQ(out.names.size(), 1u) << Log();
    }
    EXPECT_TRUE(Equal(out.names[0], plate));
    EXPECT_EQ(Log().find("ERROR"), std::string::npos) << Log();
    EXPECT_EQ(Close_Scanner(), 0);
  }
}

TEST_F(TimerPoll, PlatesPolledEvery200msComeOutExact) {
  const sim::PlateImage a = sim::NoisePlate(4000, 2000, 1000, 40000, 5);
  const sim::PlateImage b = sim::GradientPlate(1200, 900, 2000, 30000);
  Start(false, {PlateAt(0, 100, 100, a), PlateAt(1, 3000, 4500, b)});
  const Outcome out = PollEvery(200);
  EXPECT_EQ(out.lost, 0) << Log();
  ASSERT_EQ(out.names.size(), 2u) << Log();
  EXPECT_TRUE(Equal(out.names[0], a));
  EXPECT_TRUE(Equal(out.names[1], b));
}

// Polled every 5 s, the memory fills while the large plate passes: that
// plate is reported lost once, with an ERROR line, and no part of it is
// handed out; the small plate after it, read in time, comes out exact.
TEST_F(TimerPoll, AnOverrunReportsThePlateItTouchesLost) {
  const sim::PlateImage large = sim::NoisePlate(6000, 4000, 1000, 40000, 8);
  const sim::PlateImage small = sim::GradientPlate(400, 300, 2000, 30000);
  for (bool over_usb : {false, true}) {
    SCOPED_TRACE(over_usb ? "USB" : "parallel port");
    Start(over_usb, {PlateAt(0, 100, 100, large), PlateAt(1, 16000, 3000, small)});
    std::vector<std::string> names;
    int lost = 0;
    for (int i = 0; i < 3; ++i) {  // to 15 s: the large plate has gone, the small one is to come
      platform::Sleep(5000);
      const int status = Get_Status();
      if (status == -1) ++lost;
      for (int pending = status > 0 ? status & 0xFF : 0; pending > 0; --pending) {
        char name[256];
        if (Get_ImageName(name) > 0) names.push_back(name);
      }
    }
    // The small plate, polled in time, is whole. Over USB the large one may
    // be reported lost only now, the reader being a thread of its own.
    const Outcome out = PollEvery(20);
    names.insert(names.end(), out.names.begin(), out.names.end());
    EXPECT_EQ(lost + out.lost, 1) << Log();
    const std::string log = Log();
    EXPECT_NE(log.find("ERROR: Scanner memory overrun"), std::string::npos) << log;
    EXPECT_NE(log.find("lost: scanner memory overrun\n"), std::string::npos) << log;
    ASSERT_EQ(names.size(), 1u) << log;
    EXPECT_TRUE(Equal(names[0], small));
    EXPECT_EQ(Close_Scanner(), 0);
  }
}

}  // namespace
