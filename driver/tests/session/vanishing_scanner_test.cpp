// A scanner that stops answering in the middle of a plate, on the parallel
// port and over USB: every poll fails from then on, the plate cut short is
// dropped with an error in the log, the image finished before stays, the
// service commands fail and the close completes.
#include "driver/tests/service/service_fixture.h"

using namespace sessiontest;

namespace {

class VanishingScanner : public SessionTest {
 protected:
  // Data are being collected since the last flush of every range.
  bool Collecting() const {
    const std::string log = Log();
    const size_t collecting = log.rfind("   Image data are being collected\n"), flushed = log.rfind("Flushing ");
    return collecting != std::string::npos && (flushed == std::string::npos || collecting > flushed);
  }
};

TEST_F(VanishingScanner, APlateCutShortIsDroppedAndTheFinishedImageStays) {
  const sim::PlateImage first = sim::GradientPlate(120, 150, 3000, 30000);
  const struct {
    bool usb;
    int code;  // of every poll after the loss
  } cases[] = {{false, -1001}, {true, -323}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.usb ? "USB" : "parallel port");
    StartAfresh();
    scenario.plates = {PlateAt(0, 100, 500, first), PlateAt(1, 600, 2500, sim::FlatPlate(600, 1500, 20000))};
    WriteIni();
    if (c.usb) {
      scenario.interface = "USB";
      scenario.guid = usbtest::kGuidType6;
      AttachUsb();
    } else {
      Attach();
    }
    ASSERT_EQ(Open_Scanner(1), 0) << Log();
    ASSERT_EQ(Aktivate_Scanner(), 0);

    // The first image handed out, then the scanner gone while the second
    // plate is being collected.
    std::vector<std::string> names;
    for (int i = 0; i < 20000; ++i) {
      const int status = Get_Status();
      ASSERT_GE(status, 0) << Log();
      char name[256];
      if ((status & 0xFF) && Get_ImageName(name) > 0) names.push_back(name);
      if (names.size() == 1 && (status & (1 << 27)) && scanner->LineCounter() > 900 && Collecting()) break;
      platform::Sleep(5);
    }
    ASSERT_EQ(names.size(), 1u) << Log();
    if (c.usb)
      usb->Unplug();
    else
      port->Unplug();
    for (int i = 0; i < 50; ++i) {
      EXPECT_EQ(Get_Status(), c.code);
      platform::Sleep(5);
    }
    // A register read of the scanner gone is no answer, not zeros.
    const servicetest::Answer read = servicetest::Call(0x1004, {51}, 4);
    EXPECT_EQ(read.result, c.code);
    EXPECT_EQ(read.count, 0);
    char name[256] = "x";
    EXPECT_EQ(Get_ImageName(name), 0);
    EXPECT_EQ(Deaktivate_Scanner(), 0);
    EXPECT_EQ(Close_Scanner(), 0);

    const std::string log = Log();
    EXPECT_NE(log.find("ERROR: Image data of an unfinished plate dropped\n"), std::string::npos) << log;
    const std::string loss = "ERROR " + std::to_string(c.code) + ": Scanner does not answer\n";
    EXPECT_EQ(log.find(loss), log.rfind(loss)) << "logged once";
    EXPECT_NE(log.find(loss), std::string::npos) << log;
    EXPECT_EQ(ReadStoredImage(names[0]).pixels, first.pixels);
    EXPECT_FALSE(platform::FileExists(Images() + "/KP000002.QEW"));
    EXPECT_FALSE(platform::FileExists(TempFile()));
    EXPECT_EQ(Get_Status(), -4);
  }
}

// A scanner that stops answering at some point of `Open_Scanner` fails the
// open (register reads of a scanner gone give 0, which nothing else shows),
// and the session stays closed.
TEST_F(VanishingScanner, AScannerGoneDuringTheOpenFailsIt) {
  for (bool over_usb : {false, true}) {
    SCOPED_TRACE(over_usb ? "USB" : "parallel port");
    StartAfresh();
    WriteIni();
    AttachOver(over_usb);
    ASSERT_EQ(Open_Scanner(1), 0) << Log();
    const int total = over_usb ? static_cast<int>(usb->Requests().size()) : port->TotalRequests();
    ASSERT_EQ(Close_Scanner(), 0);
    for (int percent : {60, 90, 97, 99}) {
      SCOPED_TRACE(percent);
      StartAfresh();
      WriteIni();
      scenario.faults.unplug_after = total * percent / 100;
      AttachOver(over_usb);
      const int r = Open_Scanner(1);
      EXPECT_LT(r, 0) << Log();
      EXPECT_NE(r, -10001);
      EXPECT_NE(Log().find("Scanner does not answer\n"), std::string::npos) << Log();
      EXPECT_EQ(Aktivate_Scanner(), -4);
      EXPECT_FALSE(platform::FileExists(TempFile()));
    }
  }
}

}  // namespace
