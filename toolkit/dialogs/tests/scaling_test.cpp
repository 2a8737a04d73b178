// Scaling, component ranges, the facade's checks and the text slots.
#include <gtest/gtest.h>

#include <cstring>

#include "toolkit/common/text_table.h"
#include "toolkit/dialogs/colour/color_facade.h"
#include "toolkit/dialogs/colour/entry_points.h"
#include "toolkit/dialogs/colour/scaling.h"

using namespace mwdlg;

TEST(Scaling, RoundsHalvesAwayFromZeroAndKeepsTheLowByte) {
  struct Case {
    int32_t value;
    int64_t num, den;
    int byte;
  } cases[] = {
      {12, 255, 360, 9},
      {36, 255, 360, 26},
      {-12, 255, 360, 247},
      {50, 255, 100, 128},
      {-10, 255, 100, 230},
      {101, 255, 100, 2},
      {2147483647, 255, 360, 170},
      {360, 255, 360, 255},
      {0, 255, 360, 0},
      {-2147483647 - 1, 255, 100, 154},
  };
  for (const Case& c : cases) EXPECT_EQ(ScaleToByte(c.value, c.num, c.den), c.byte) << c.value;
  EXPECT_EQ(ScaleRounded(128, 360, 255), 181);
  EXPECT_EQ(ScaleRounded(128, 100, 255), 50);
  EXPECT_EQ(ScaleRounded(255, 360, 255), 360);
  EXPECT_EQ(ScaleRounded(-1, 1, 2), -1);
  EXPECT_EQ(ScaleRounded(1, 1, 2), 1);
  EXPECT_EQ(ScaleRounded(-2147483647 - 1, 255, 100), -5476083302);
}

TEST(ColorFacade, RefusesABadRecordAndReportsMissingConversions) {
  ClrEntryNames names;  // set up by the library at load
  DlgColorFacade facade;
  DlgInitParams no_flag{16, 0, 0xFF, 0};
  EXPECT_EQ(facade.Init(nullptr), -13);
  EXPECT_EQ(facade.Init(&no_flag), -13);
  EXPECT_FALSE(facade.data_initialized());
  DlgInitParams rgb_only{16, 1, kMaskRgb, 0};
  ASSERT_EQ(facade.Init(&rgb_only), 1);
  EXPECT_TRUE(facade.IsReady(Ready::kRgb));
  EXPECT_FALSE(facade.IsReady(Ready::kLab));
  DlgColorTriple t{};
  DlgColorLab lab{};
  DlgColorCMYK cmyk{};
  EXPECT_EQ(facade.RgbToLab(&t, &lab), -1003);  // no Lab pair made
  EXPECT_EQ(facade.CmykToRgb(&cmyk, &t), -1003);
  EXPECT_EQ(facade.RgbToHsb(&t, &t), 1);  // the HSB pair is always made
  EXPECT_EQ(facade.Init(&rgb_only), -1000);
  EXPECT_EQ(facade.Free(), 1);
  EXPECT_EQ(facade.Free(), -1001);
}

namespace {
char* NoMemory(size_t) { return nullptr; }
}  // namespace

TEST(TextSlots, WithoutMemoryTheOldTextStays) {
  const char* defaults[] = {"one", "two"};
  mwtext::TextTable table(defaults, 2);
  mwtext::SetTextAllocator(NoMemory);
  EXPECT_EQ(table.Set(0, "replacement"), -1);
  EXPECT_EQ(table.Set(1, ""), 1);  // emptying needs no memory
  mwtext::SetTextAllocator(nullptr);
  char buf[16];
  ASSERT_EQ(table.Get(0, buf), 1);
  EXPECT_STREQ(buf, "one");
  int32_t n = -1;
  ASSERT_EQ(table.Length(1, &n), 1);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(table.Set(0, "three"), 1);
  ASSERT_EQ(table.Get(0, buf), 1);
  EXPECT_STREQ(buf, "three");
}
