// The poll protocol: when a read is made, when plates are flushed, and what
// a flush with end resets.
#include <gtest/gtest.h>

#include "driver/acquisition/stream_poll.h"
#include "driver/tests/acquisition/stream_helpers.h"
#include "testing/temp_folder.h"

using namespace acqtest;
using testsupport::TempFolder;

namespace {

// A scanner whose status and next piece the test sets before each poll.
class ScriptedScanner : public tarvel::StreamDevice {
 public:
  explicit ScriptedScanner(const tarvel::Acquisition& acq) : acq_(acq) {}
  int ReadStatus(ScanStatus* s) override {
    *s = ScanStatus{};
    s->flags = running ? 1 : 0;
    s->line_counter = acq_.LineCount() + ahead;
    s->words_waiting = words;
    s->error = error;
    return 0;
  }
  int ReadBlock(uint8_t* buffer, uint32_t capacity, uint32_t* count) override {
    ++reads;
    *count = 0;
    if (read_rc) return read_rc;
    const size_t n = std::min<size_t>(piece.size(), capacity);
    std::memcpy(buffer, piece.data(), n);
    *count = static_cast<uint32_t>(n);
    piece.clear();
    return 0;
  }
  void MarkReadPosition() override { ++marks; }

  bool running = true;
  int ahead = 6;
  int32_t words = 0, error = 0;
  int read_rc = 0;
  std::vector<uint8_t> piece;
  int reads = 0, marks = 0;

 private:
  const tarvel::Acquisition& acq_;
};

// A 12 x 12 plate on the first lines, ending in lit data (the next line
// starts at pixel 0).
std::vector<uint8_t> PlatePiece() {
  Scene scene(256, 12);
  scene.Put(10, 0, 12, 12, std::vector<uint16_t>(144, 1000));
  std::vector<uint8_t> s = Encode(scene);
  s.resize(s.size() - 4);
  PutEol(s, 0);
  return s;
}
// One more line with nothing lit: a read ending in lit data (no empty line).
std::vector<uint8_t> LinePiece() {
  std::vector<uint8_t> s;
  PutEol(s, 0);
  return s;
}
std::vector<uint8_t> EmptyLinePiece() {
  std::vector<uint8_t> s;
  PutEol(s, 255);
  return s;
}

class StreamPoll : public ::testing::Test {
 protected:
  void SetUp() override {
    acq.SetSettings(SmallMode(), 0);
    ASSERT_TRUE(acq.OpenTempFile(dir / "Tarvel.tmp"));
    ASSERT_TRUE(acq.SetImageFolder(dir.path()));
    acq.LastNumber();
    acq.Activate();
  }
  tarvel::PollResult Poll(std::vector<uint8_t> piece) {
    scanner.piece = std::move(piece);
    tarvel::PollResult r;
    EXPECT_EQ(poller.Poll(&r), 0);
    return r;
  }
  TempFolder dir;
  LogCapture log;
  tarvel::Acquisition acq{LogTo(log)};
  ScriptedScanner scanner{acq};
  tarvel::StreamPoller poller{acq, scanner, &log};
};

TEST_F(StreamPoll, Every52ndLitReadFlushesFinishedPlatesAndTheCountRestarts) {
  // A flush with end before the plate restarts the count as well.
  for (int i = 0; i < 30; ++i) Poll(LinePiece());
  EXPECT_EQ(poller.CollectingReads(), 30);
  EXPECT_TRUE(Poll(EmptyLinePiece()).flushed);
  EXPECT_EQ(poller.CollectingReads(), 0);

  Poll(PlatePiece());
  for (int i = 2; i <= 51; ++i) Poll(LinePiece());
  EXPECT_EQ(acq.WrittenNumber(), 0);
  EXPECT_EQ(poller.CollectingReads(), 51);
  tarvel::PollResult r = Poll(LinePiece());
  EXPECT_FALSE(r.flushed);
  EXPECT_EQ(acq.WrittenNumber(), 1);
  EXPECT_EQ(poller.CollectingReads(), 0);
  EXPECT_EQ(scanner.marks, 1);  // only the flush with end marks
  EXPECT_EQ(Count(log.Text(), "   Image data are being collected\n"), 2);
}

TEST_F(StreamPoll, EmptyLinesOrAStoppedTransportAfterDataFlushAllAndReset) {
  struct Case {
    const char* what;
    bool stop;  // else a read reporting an empty line
    const char* line;
  };
  const Case cases[] = {
      {"empty line", false, "   Parsing data after 1 empty lines.\nFlushing 1 ranges from the buffer\n"},
      {"stopped", true, "   Parsing data after transport stopped.\nFlushing 1 ranges from the buffer\n"},
  };
  int images = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    acq.Activate();  // a new pass: the plate starts at pixel 0 of line 0
    poller.Restart();
    const int marks = scanner.marks;
    EXPECT_TRUE(Poll(PlatePiece()).read);
    EXPECT_TRUE(poller.DataCollected());
    tarvel::PollResult r;
    if (c.stop) {
      scanner.running = false;
      r = Poll({});
      EXPECT_FALSE(r.read);
    } else {
      r = Poll(EmptyLinePiece());
    }
    EXPECT_TRUE(r.flushed);
    EXPECT_EQ(acq.WrittenNumber(), ++images);
    EXPECT_EQ(scanner.marks, marks + 1);
    EXPECT_FALSE(poller.DataCollected());
    EXPECT_EQ(poller.CollectingReads(), 0);
    EXPECT_EQ(acq.Runs().BlockCount(), 0);
    EXPECT_NE(log.Text().find(c.line), std::string::npos) << log.Text();
    // Nothing collected: a second stop or empty line does nothing.
    EXPECT_FALSE((c.stop ? Poll({}) : Poll(EmptyLinePiece())).flushed);
    EXPECT_EQ(scanner.marks, marks + 1);
    scanner.running = true;
  }
}

TEST_F(StreamPoll, AReadIsMadeWhenTheScannerIsAheadOrDataWaitAfterTheStop) {
  struct Case {
    bool running;
    int ahead;
    int32_t words;
    bool read;
  };
  const Case cases[] = {{true, 5, 100, false}, {true, 6, 0, true}, {false, 0, 0, false}, {false, 0, 1, true}};
  for (const Case& c : cases) {
    scanner.running = c.running;
    scanner.ahead = c.ahead;
    scanner.words = c.words;
    const int reads = scanner.reads;
    EXPECT_EQ(Poll(LinePiece()).read, c.read) << c.running << " " << c.ahead << " " << c.words;
    EXPECT_EQ(scanner.reads > reads, c.read);
  }
  // Stopped with data still waiting after a running transport.
  scanner.running = true;
  scanner.ahead = 6;
  Poll(PlatePiece());
  scanner.running = false;
  scanner.words = 7;
  Poll(LinePiece());
  EXPECT_NE(log.Text().find("   Transport stopped but still transmitting data (7).\n"), std::string::npos);
}

TEST_F(StreamPoll, DeviceErrorsAreReturnedAndReadErrorsLogged) {
  scanner.error = -17;
  tarvel::PollResult r;
  EXPECT_EQ(poller.Poll(&r), -17);
  EXPECT_EQ(scanner.reads, 0);
  scanner.error = 0;
  scanner.read_rc = -200;
  EXPECT_EQ(poller.Poll(&r), -200);
  EXPECT_EQ(poller.ReadStep(&r), -200);
  EXPECT_EQ(Count(log.Text(), "ERROR -200: Checksum error or too many retrys\n"), 2);
}

// The recovery's read: the same flushes, without the poll's own log lines.
TEST_F(StreamPoll, ReadStepFlushesLikeThePollWithoutItsLogLines) {
  tarvel::PollResult r;
  scanner.piece = PlatePiece();
  ASSERT_EQ(poller.ReadStep(&r), 0);
  EXPECT_EQ(poller.CollectingReads(), 1);
  scanner.piece = EmptyLinePiece();
  ASSERT_EQ(poller.ReadStep(&r), 0);
  EXPECT_TRUE(r.flushed);
  EXPECT_EQ(acq.WrittenNumber(), 1);
  EXPECT_EQ(scanner.marks, 1);
  EXPECT_EQ(log.Text().find("   Parsing data"), std::string::npos);
  EXPECT_EQ(log.Text().find("   Image data are being collected"), std::string::npos);
}

}  // namespace
