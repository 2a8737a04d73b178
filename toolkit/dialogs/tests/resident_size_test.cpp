// A program that only converts colours keeps nothing per call: the
// stand-ins behind libmwdialogs.so record calls only when a test asks.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "toolkit/dialogs/mwdialogs_api.h"
#include "toolkit/outside/system/standin_control.h"

namespace {

long ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

}  // namespace

TEST(ResidentSize, StaysFlatOverAMillionConversions) {
  ASSERT_FALSE(mwsys::Recording());  // nothing set by a test
  ASSERT_EQ(M_DlgInit(), 1);
  DlgColorTriple rgb{0, 10, 20, 30}, hsb{};
  for (int i = 0; i < 10000; ++i) ASSERT_EQ(M_DlgConvertColorRGBToHSB(&rgb, &hsb), 1);
  const size_t calls = mwsys::RecordedCalls().size();
  const long before = ResidentBytes();
  for (int i = 0; i < 1000000; ++i) {
    rgb.c0 = i & 0xFF;
    if (M_DlgConvertColorRGBToHSB(&rgb, &hsb) != 1) FAIL() << "conversion " << i;
  }
  const long grown = ResidentBytes() - before;
  EXPECT_LT(grown, 4L << 20) << grown << " bytes more";  // recording would take about 80 MB
  EXPECT_EQ(mwsys::RecordedCalls().size(), calls);
  EXPECT_EQ(M_DlgFree(), 1);
}
