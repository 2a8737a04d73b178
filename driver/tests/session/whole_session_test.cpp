// A whole session through the exports: open, activate, poll while plates
// pass, fetch every image, deactivate, close.
#include "driver/tests/session/session_fixture.h"

using namespace sessiontest;

namespace {

class WholeSession : public SessionTest {};

TEST_F(WholeSession, PlatesInDifferentSlotsComeBackAsImagesInProductionOrder) {
  WriteIni();
  const sim::PlateImage a = sim::TestPatternPlate(200, 300, 4000, 30000);
  const sim::PlateImage b = sim::GradientPlate(160, 240, 2000, 40000);
  const sim::PlateImage c = sim::NoisePlate(120, 180, 1000, 45000, 7);
  scenario.plates = {PlateAt(0, 100, 500, a), PlateAt(2, 150, 3000, b), PlateAt(1, 900, 1500, c)};
  Attach();

  ASSERT_EQ(Open_Scanner(1), 0) << Log();
  ASSERT_EQ(Aktivate_Scanner(), 0) << Log();
  std::vector<std::string> names = PollPlatesThrough();
  ASSERT_EQ(Deaktivate_Scanner(), 0);
  ASSERT_EQ(names.size(), 3u) << Log();
  const sim::PlateImage* want[] = {&a, &b, &c};
  for (size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(names[i]);
    EXPECT_EQ(names[i], Images() + "/KP00000" + std::to_string(i + 1) + ".QEW");
    StoredImage got = ReadStoredImage(names[i]);
    EXPECT_EQ(got.width, want[i]->width);
    EXPECT_EQ(got.height, want[i]->height);
    EXPECT_TRUE(got.pixels == want[i]->pixels);
  }
  char none[256] = "x";
  EXPECT_EQ(Get_ImageName(none), 0);
  EXPECT_STREQ(none, "");
  EXPECT_EQ(Close_Scanner(), 0);
  ExpectAtRest();
  ExpectGolden(MaskedLog(), "session/golden/whole_session.log");
}

}  // namespace
