// Room light above the threshold: every line is lit across the whole scan
// line, the stream is one endless run and no plate can be told apart. The
// session says so once per activation, and nothing is handed out.
#include "driver/tests/session/session_fixture.h"

using namespace sessiontest;

namespace {

constexpr const char* kWarning = "WARNING: The whole scan line is lit; check Threshold and the room light\n";

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

class LitBackground : public SessionTest {};

TEST_F(LitBackground, IsReportedOncePerActivationAndMakesNoImage) {
  scenario.fpga_configured = true;
  scenario.ambient = 50;  // 12 samples of 50 a pixel, far above the threshold
  scenario.plates = {PlateAt(0, 100, 800, sim::FlatPlate(200, 300, 20000))};
  WriteIni();
  Attach();
  ASSERT_EQ(Open_Scanner(1), 0) << Log();
  for (int activation = 1; activation <= 2; ++activation) {
    SCOPED_TRACE(activation);
    ASSERT_EQ(Aktivate_Scanner(), 0);
    const std::vector<std::string> names = PollUntil([](int) { return false; }, 3000);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(Deaktivate_Scanner(), 0);
    EXPECT_EQ(Count(Log(), kWarning), size_t(activation)) << Log();
  }
  EXPECT_EQ(Close_Scanner(), 0);
}

TEST_F(LitBackground, ADarkRoomSaysNothing) {
  scenario.fpga_configured = true;
  scenario.plates = {PlateAt(0, 100, 800, sim::FlatPlate(200, 300, 20000))};
  WriteIni();
  Attach();
  ASSERT_EQ(Open_Scanner(1), 0) << Log();
  ASSERT_EQ(Aktivate_Scanner(), 0);
  EXPECT_EQ(PollPlatesThrough().size(), 1u);
  EXPECT_EQ(Close_Scanner(), 0);
  EXPECT_EQ(Log().find(kWarning), std::string::npos) << Log();
}

}  // namespace
