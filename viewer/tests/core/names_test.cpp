#include "viewer/core/names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace viewer {
namespace {

TEST(NameTables, EveryCodeHasItsName) {
  const std::vector<std::string> types = {"No File",
                                          "Raw Data",
                                          "Bitmap",
                                          "QEW Breadboard",
                                          "8-bit TIFF",
                                          "16-bit TIFF, v0",
                                          "Brellan Proprietary, v0",
                                          "16-bit TIFF, v1",
                                          "Brellan Proprietary, v1",
                                          "16-bit TIFF",
                                          "Brellan Proprietary",
                                          "Unknown"};
  for (uint32_t i = 0; i < types.size(); ++i) EXPECT_EQ(FileTypeName(i), types[i]) << i;

  const std::vector<std::string> sources = {"No Data",        "Computer Generated", "fennic",
                                            "QEW Breadboard", "HP Scanner, v0",     "HP Scanner",
                                            "QEW Prototype",  "Brellan Prototype",  "Unknown"};
  for (uint32_t i = 0; i < sources.size(); ++i) EXPECT_EQ(SourceName(i), sources[i]) << i;

  const std::vector<std::string> orientations = {"North", "East", "South", "West"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(OrientationName(i), orientations[i]);

  const std::vector<std::string> mappings = {"Positive", "Psuedocolored Positive", "Negative", "Psuedocolored Negative",
                                             "Custom"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(MappingName(i), mappings[i]);

  EXPECT_STREQ(OrganisationName(0), "Horizontal from the top left corner");
  EXPECT_STREQ(OrganisationName(3), "Horizontal from the bottom right corner");
  EXPECT_STREQ(OrganisationName(5), "Vertical from the top right corner");
  EXPECT_STREQ(OrganisationName(7), "Vertical from the bottom right corner");

  const std::vector<std::string> units = {"None", "Inch", "Metric", "Millimeter", "Centimeter"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(UnitName(i), units[i]);
}

TEST(NameTables, CodesOutsideATableGiveItsFallback) {
  EXPECT_STREQ(FileTypeName(12), "Unknown");
  EXPECT_STREQ(FileTypeName(0xFFFFFFFF), "Unknown");
  EXPECT_STREQ(SourceName(9), "Unknown");
  EXPECT_STREQ(SourceName(0x80000000), "Unknown");
  EXPECT_STREQ(OrientationName(4), "North");
  EXPECT_STREQ(OrientationName(-1), "North");
  EXPECT_STREQ(MappingName(200), "Custom");
  EXPECT_STREQ(OrganisationName(8), "Horizontal from the top left corner");
  EXPECT_STREQ(UnitName(255), "None");
}

TEST(TextFormats, FixedForms) {
  EXPECT_EQ(RangeText(100 | (4095u << 16)), "100 through 4095");
  EXPECT_EQ(RangeText(0xFFFF0000u), "0 through 65535");
  EXPECT_EQ(PointText(4294967295u, 7), "4294967295, 7");
  EXPECT_EQ(SignedPointText(-3, 12), "-3, 12");
  EXPECT_EQ(RectText(0, 12, 640, 480), "640 by 480 rectangle at 0, 12");
  EXPECT_EQ(RectText(-5, -6, 1, 2), "1 by 2 rectangle at -5, -6");
  EXPECT_EQ(VersionText(0x04020003), "4.02.3");
  EXPECT_EQ(VersionText(0x04010000), "4.01.0");
  EXPECT_EQ(VersionText(0x05AB1234), "5.AB.4660");
}

TEST(TextFormats, SizeTextRoundsUpToKilobytes) {
  const struct {
    uint64_t bytes;
    const char* text;
  } cases[] = {
      {0, "0 Bytes"},
      {1023, "1023 Bytes"},
      {1024, "1 KBytes"},
      {1025, "2 KBytes"},
      {2048, "2 KBytes"},
      // 8000 x 10000 x 2 and beyond 32 bits
      {160000000, "156250 KBytes"},
      {5000000000ull, "4882813 KBytes"},
      {0xFFFFFFFFFFFFFFFFull, "18014398509481984 KBytes"},
  };
  for (const auto& c : cases) EXPECT_EQ(SizeText(c.bytes), c.text) << c.bytes;
}

TEST(IntegerHelpers, ClampAndOrder) {
  EXPECT_EQ(Clamp(0, -5, 10), 0);
  EXPECT_EQ(Clamp(0, 15, 10), 10);
  EXPECT_EQ(Clamp(0, 7, 10), 7);
  // lo > hi: lo below lo, hi otherwise
  EXPECT_EQ(Clamp(10, 5, 0), 10);
  EXPECT_EQ(Clamp(10, 20, 0), 0);
  EXPECT_EQ(Clamp(10, 10, 0), 0);

  int32_t a = 5, b = 2;
  OrderPair(a, b);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 5);
  uint16_t lo = 65535, hi = 0;
  OrderWordPair(lo, hi);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 65535);

  Rect r{1, 2, 3, 4};
  SwapRectAxes(r);
  EXPECT_EQ(r, (Rect{2, 1, 4, 3}));
  Point p{7, 9};
  SwapPair(p);
  EXPECT_EQ(p, (Point{9, 7}));
  EXPECT_EQ(Min(-1, 1), -1);
}

}  // namespace
}  // namespace viewer
