// `Retry` on the parallel port: the block-read attempts of a session's polls
// and the transmission errors the close logs, counted over the whole
// session (also those of a transfer test, whose own retries stay its own).
#include "driver/tests/service/service_fixture.h"

using namespace sessiontest;

namespace {

class Retry : public SessionTest {
 protected:
  // Open on the parallel port, words waiting with every read corrupted:
  // the attempts one poll makes before it gives up with -200.
  int AttemptsOfAFailingPoll() {
    scanner->AppendMemory({0x00010002, 0x00030004, 0x00050006});
    scanner->SetBadChecksumReads(-1);
    scanner->ClearTrace();
    EXPECT_EQ(Get_Status(), -200);
    scanner->SetBadChecksumReads(0);
    return static_cast<int>(scanner->TraceOf(0).size());  // data-port reads
  }
};

TEST_F(Retry, EachPollMakesTheConfiguredAttemptsAndTheCloseLogsThemAll) {
  const struct {
    const char* interface_section;
    int attempts;
  } cases[] = {
      {"", 100},  // the default
      {"[Interface]\nRetry=7\n", 7},
      {"[Interface]\nRetry=0\n", 1},  // at least one
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.attempts);
    StartAfresh();
    WriteIni(std::string(c.interface_section) + kIni);
    Attach();
    ASSERT_EQ(Open_Scanner(1), 0) << Log();
    EXPECT_EQ(AttemptsOfAFailingPoll(), c.attempts);
    EXPECT_EQ(AttemptsOfAFailingPoll(), c.attempts);
    EXPECT_EQ(Close_Scanner(), 0);
    EXPECT_NE(Log().find("Total of " + std::to_string(2 * c.attempts) + " transmission errors\n"), std::string::npos)
        << Log();
  }
}

TEST_F(Retry, ATransferTestCountsIntoTheSessionButKeepsItsRetriesToItself) {
  scenario.fpga_configured = true;
  WriteIni(std::string("[Interface]\nRetry=7\n") + kIni);
  Attach();
  ASSERT_EQ(Open_Scanner(1), 0) << Log();
  scanner->SetBadChecksumReads(-1);
  const servicetest::Answer a =
      servicetest::Call(0x100B, servicetest::Join({servicetest::U16(64), servicetest::U16(1), servicetest::U16(2)}), 8);
  EXPECT_EQ(a.result, -200);
  EXPECT_EQ(servicetest::GetU32(a.out, 4), 2u);
  EXPECT_EQ(AttemptsOfAFailingPoll(), 7);
  EXPECT_EQ(Close_Scanner(), 0);
  EXPECT_NE(Log().find("Total of 9 transmission errors\n"), std::string::npos) << Log();
}

TEST_F(Retry, PlatesScannedThroughBadReadsComeOutWholeAndTheErrorsAreLogged) {
  scenario.fpga_configured = true;
  const sim::PlateImage plate = sim::GradientPlate(120, 160, 3000, 30000);
  scenario.plates = {PlateAt(0, 100, 600, plate)};
  WriteIni(std::string("[Interface]\nRetry=5\n") + kIni);
  Attach();
  ASSERT_EQ(Open_Scanner(1), 0) << Log();
  ASSERT_EQ(Aktivate_Scanner(), 0);
  scanner->SetBadChecksumReads(3);
  const std::vector<std::string> names = PollPlatesThrough();
  ASSERT_EQ(names.size(), 1u) << Log();
  const StoredImage image = ReadStoredImage(names[0]);
  EXPECT_EQ(image.pixels, plate.pixels);
  EXPECT_EQ(Close_Scanner(), 0);
  EXPECT_NE(Log().find("Total of 3 transmission errors\n"), std::string::npos) << Log();
}

}  // namespace
