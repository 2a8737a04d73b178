// Plates left in the scanner memory by an earlier session come back exact
// at the next open, over the parallel port and over USB, however much of
// them the USB reader has already taken to the host.
#include "driver/tests/session/session_fixture.h"

using namespace sessiontest;

namespace {

class OldData : public SessionTest {
 protected:
  void LeaveInMemory(std::vector<sim::Plate> plates) {
    std::string ini = kIni;
    ini.insert(ini.find("[Scanner]\n") + 10, "CheckFIFO=1\n");
    WriteIni(ini);
    sim::OldData old;
    old.start = kStart;
    old.pixels = 6320;
    old.threshold = 100;
    old.plates = std::move(plates);
    scenario.old_data = old;
  }
  // The images `first`, `first + 1`, ... equal `want`, pixel for pixel.
  void ExpectImages(int first, const std::vector<const sim::PlateImage*>& want) {
    for (size_t i = 0; i < want.size(); ++i) {
      const std::string name = Images() + "/KP" + std::string(5, '0') + std::to_string(first + i) + ".QEW";
      SCOPED_TRACE(name);
      StoredImage got = ReadStoredImage(name);
      EXPECT_EQ(got.width, want[i]->width);
      EXPECT_EQ(got.height, want[i]->height);
      EXPECT_TRUE(got.pixels == want[i]->pixels);
    }
  }
};

TEST_F(OldData, EveryOldPlateComesBackExactOverBothInterfaces) {
  for (bool over_usb : {false, true}) {
    SCOPED_TRACE(over_usb ? "USB" : "parallel port");
    StartAfresh();
    const sim::PlateImage a = sim::NoisePlate(600, 400, 3000, 20000, 7);
    const sim::PlateImage b = sim::GradientPlate(300, 200, 5000, 25000);
    LeaveInMemory({PlateAt(0, 5, 300, a), PlateAt(1, 200, 2000, b)});
    AttachOver(over_usb);
    EXPECT_EQ(Open_Scanner(1), -1012) << Log();
    const std::string log = Log();
    EXPECT_NE(log.find("Trying to recover images from scanner memory\n"), std::string::npos) << log;
    EXPECT_NE(log.find("2 Images succesfully recoverd from scanner memory\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("ERROR %"), std::string::npos);
    ExpectImages(1, {&a, &b});
    EXPECT_EQ(scanner->WordsWaiting(), 0u);

    // Nothing is left: the next open is a plain one and finds no old data.
    EXPECT_EQ(Open_Scanner(1), 0) << Log();
    EXPECT_EQ(Log().find("old data found", log.size()), std::string::npos) << Log();
    EXPECT_EQ(Close_Scanner(), 0);
  }
}

// A longer memory: the reader's pool is refilled many times over during
// the recovery; plates one after another in the same slot stay apart.
TEST_F(OldData, ManyPlatesOneAfterAnotherOverUsb) {
  std::vector<sim::PlateImage> plates;
  std::vector<sim::Plate> placed;
  for (int i = 0; i < 5; ++i) {
    plates.push_back(sim::NoisePlate(800, 300, 2000, 30000, 11 + i));
    placed.push_back(PlateAt(i % 2, 5 + 400 * i, 400 + 1500 * (i % 2), plates.back()));
  }
  LeaveInMemory(placed);
  scenario.fpga_configured = true;
  AttachOver(true);
  EXPECT_EQ(Open_Scanner(1), -1012) << Log();
  EXPECT_NE(Log().find("5 Images succesfully recoverd from scanner memory\n"), std::string::npos) << Log();
  std::vector<const sim::PlateImage*> want;
  for (const sim::PlateImage& p : plates) want.push_back(&p);
  ExpectImages(1, want);
  EXPECT_EQ(Open_Scanner(1), 0) << Log();
}

}  // namespace
