// A service command and then what a technician does next in the same open,
// over both interfaces: a scan session whose images equal the plates, or
// another service command that answers as on a fresh open. Transfer tests
// whose blocks are no whole number of words, the test line and a service
// scan that finds no plate come first.
#include <functional>

#include "driver/tests/service/service_fixture.h"

using namespace servicetest;
using sessiontest::PlateAt;
using sessiontest::ReadStoredImage;

namespace {

constexpr size_t kTestLineWords = 4688;
constexpr int32_t kTestLineBytes = 2 * 2856;

struct Command {
  const char* what;
  std::function<Answer()> run;
};

Answer TransferTest(uint16_t block, uint16_t count) {
  return Call(0x100B, Join({U16(block), U16(count), U16(5)}), 8);
}
Answer TestLine() { return Call(0x100A, U16(600), 2 * kTestLineWords); }

const Command kCommands[] = {
    {"transfer test of one 5-byte block", [] { return TransferTest(5, 1); }},
    {"transfer test of 1-byte blocks", [] { return TransferTest(1, 3); }},
    {"transfer test of 2-byte blocks", [] { return TransferTest(2, 7); }},
    {"transfer test of 3-byte blocks", [] { return TransferTest(3, 2); }},
    {"transfer test of 4097-byte blocks", [] { return TransferTest(4097, 3); }},
    {"test line", TestLine},
    {"service scan without a plate", [] { return Call(0x1000, U32(50000), 4); }},
};

class ServiceThenScan : public ServiceTest {
 protected:
  // Ambient light gives the test line a level (32 x 100 / 2); a scan wants
  // a dark background.
  void OpenOn(bool usb, uint16_t ambient = 0) {
    StartAfresh();
    scenario.ambient = ambient;
    Open(sessiontest::kIni, usb);
  }
};

TEST_F(ServiceThenScan, TheScanAfterAServiceCommandMakesThePlatesImages) {
  const sim::PlateImage a = sim::GradientPlate(150, 200, 3000, 30000);
  const sim::PlateImage b = sim::TestPatternPlate(120, 160, 4000, 25000);
  for (bool usb : {false, true}) {
    for (const Command& c : kCommands) {
      SCOPED_TRACE(std::string(usb ? "USB: " : "parallel port: ") + c.what);
      OpenOn(usb);
      c.run();
      scanner->AddPlate(PlateAt(0, 100, 500, a));
      scanner->AddPlate(PlateAt(2, 150, 3000, b));
      ASSERT_EQ(Aktivate_Scanner(), 0) << Log();
      const std::vector<std::string> names = PollPlatesThrough();
      ASSERT_EQ(names.size(), 2u) << Log();
      EXPECT_EQ(ReadStoredImage(names[0]).pixels, a.pixels);
      EXPECT_EQ(ReadStoredImage(names[1]).pixels, b.pixels);
      // The session's own geometry again: 12 samples a pixel, its threshold.
      EXPECT_EQ(scanner->RegisterByte(208), 11);
      EXPECT_EQ(scanner->RegisterByte(224) | (scanner->RegisterByte(225) << 8), 12 * 100 / 16);
      EXPECT_EQ(Deaktivate_Scanner(), 0);
      EXPECT_EQ(Close_Scanner(), 0);
    }
  }
}

TEST_F(ServiceThenScan, TheNextServiceCommandAnswersAsOnAFreshOpen) {
  for (bool usb : {false, true}) {
    SCOPED_TRACE(usb ? "USB" : "parallel port");
    OpenOn(usb, 100);
    const Answer fresh_line = TestLine();
    const Answer fresh_test = TransferTest(4096, 16);
    ASSERT_EQ(fresh_line.count, kTestLineBytes);
    ASSERT_EQ(GetU32(fresh_test.out, 0), 65536u);
    for (const Command& c : kCommands) {
      SCOPED_TRACE(c.what);
      c.run();
      const Answer line = TestLine();
      EXPECT_EQ(line.result, 0);
      EXPECT_EQ(line.Written(), fresh_line.Written());
      c.run();
      const Answer test = TransferTest(4096, 16);
      EXPECT_EQ(test.result, 0);
      EXPECT_EQ(GetU32(test.out, 0), 65536u);
      EXPECT_EQ(GetU32(test.out, 4), 0u);
    }
    EXPECT_EQ(Close_Scanner(), 0);
  }
}

}  // namespace
