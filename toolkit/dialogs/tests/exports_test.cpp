// The texts, callback slot, cursor, ranges and colour-name lookups of
// libmwdialogs.so through its exports.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "toolkit/dialogs/mwdialogs_api.h"

namespace {

std::string Text(uint32_t index) {
  int32_t n = -1;
  EXPECT_EQ(M_DlgGetStringLen2(index, &n), 1);
  std::string s(n + 1, '\x7f');
  EXPECT_EQ(M_DlgGetString2(index, s.data()), 1);
  s.pop_back();
  return s;
}

}  // namespace

TEST(DialogTexts, DefaultsAtLoad) {
  const std::pair<uint32_t, const char*> given[] = {{0, "OK"},
                                                    {1, "Cancel"},
                                                    {2, "&Help"},
                                                    {15, "HSB-Hue Based"},
                                                    {16, "HSB-Wheel Based"},
                                                    {17, "HSB-Brightness Based"},
                                                    {18, "RGB-3D Additive"},
                                                    {19, "CMY-3D Subtractive"},
                                                    {20, "CMYK-3D Subtractive"},
                                                    {21, "LAB- Device Independent"},
                                                    {26, "RGB"},
                                                    {27, "HSB"},
                                                    {28, "HLS"},
                                                    {29, "CMY"},
                                                    {30, "CMYK"},
                                                    {31, "Lab"},
                                                    {137, "Error"},
                                                    {138, "Wait..."},
                                                    {372, "Erorr"},
                                                    {1169, "Calculating Images In Folder..."},
                                                    {1170, "Processing Folder"},
                                                    {1171, "Counting Images"},
                                                    // the first text of each group
                                                    {3, "Before"},
                                                    {32, "Canvas Resize"},
                                                    {49, "Picturize"},
                                                    {72, "Browse for directory"},
                                                    {80, "Customize Palette"},
                                                    {136, "PNG Web Tuner"},
                                                    {256, "fennic Formats Association"},
                                                    {264, "HTML Map Creator"},
                                                    {311, "New"},
                                                    {330, "Combine Image"},
                                                    {368, "Underlay Effect"},
                                                    {453, "Convert to Colored Gray"},
                                                    {565, "Remap Intensity"},
                                                    {640, "Wind Effect"},
                                                    {829, "Item:"},
                                                    {870, "File Conversion"},
                                                    {1001, "Stitch"}};
  for (auto [index, text] : given) EXPECT_EQ(Text(index), text) << index;
  int32_t n = 0;
  EXPECT_EQ(M_DlgGetStringLen2(1, &n), 1);
  EXPECT_EQ(n, 6);
  for (uint32_t i = 0; i < kDlgTextCount; ++i) EXPECT_FALSE(Text(i).empty()) << i;
}

TEST(DialogTexts, BoundsAndNullPointers) {
  int32_t n = 77;
  char buf[8] = "keep";
  for (uint32_t bad : {1172u, 0xFFFFFFFFu, 0x80000000u}) {
    EXPECT_EQ(M_DlgGetStringLen2(bad, &n), -13) << bad;
    EXPECT_EQ(M_DlgSetString2(bad, "x"), -13) << bad;
    EXPECT_EQ(M_DlgGetString2(bad, buf), -13) << bad;
  }
  EXPECT_EQ(n, 77);
  EXPECT_STREQ(buf, "keep");
  EXPECT_EQ(M_DlgGetStringLen2(0, nullptr), -13);
  EXPECT_EQ(M_DlgSetString2(0, nullptr), -13);
  EXPECT_EQ(M_DlgGetString2(0, nullptr), -13);
  EXPECT_EQ(Text(0), "OK");
}

TEST(DialogTexts, SetReplacesEmptiesAndGetWritesOnlyTheText) {
  const std::string old = Text(5);
  EXPECT_EQ(M_DlgSetString2(5, ""), 1);
  int32_t n = -1;
  EXPECT_EQ(M_DlgGetStringLen2(5, &n), 1);
  EXPECT_EQ(n, 0);
  char buf[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(M_DlgGetString2(5, buf), 1);
  EXPECT_EQ(buf[0], '\0');
  EXPECT_EQ(buf[1], 'b');  // length + 1 bytes written, no more

  for (int i = 0; i < 100; ++i) ASSERT_EQ(M_DlgSetString2(5, ("text " + std::to_string(i)).c_str()), 1);
  EXPECT_EQ(Text(5), "text 99");
  char exact[9];
  std::memset(exact, 'z', sizeof exact);
  EXPECT_EQ(M_DlgGetString2(5, exact), 1);
  EXPECT_STREQ(exact, "text 99");
  EXPECT_EQ(exact[8], 'z');
  EXPECT_EQ(M_DlgSetString2(5, old.c_str()), 1);
}

TEST(DialogCallback, SetReturnsThePreviousPointerAtFullWidth) {
  void* first = reinterpret_cast<void*>(uintptr_t{0x7FFF12345678});
  void* second = reinterpret_cast<void*>(uintptr_t{0x00005555AAAA0000});
  EXPECT_EQ(M_DlgSetCallBack(first, 11), nullptr);
  EXPECT_EQ(M_DlgSetCallBack(second, -22), first);
  int32_t user = 0;
  EXPECT_EQ(M_DlgGetCallBack(&user), second);
  EXPECT_EQ(user, -22);
  EXPECT_EQ(M_DlgGetCallBack(nullptr), second);
  EXPECT_EQ(M_DlgSetCallBack(nullptr, 0), second);
}

TEST(DialogCursor, DefaultIsTheSharedResourceCursor) {
  mwsys::Cursor c = nullptr;
  ASSERT_EQ(M_DlgGetCursor(0, &c), 1);
  ASSERT_NE(c, nullptr);
  EXPECT_TRUE(mwsys::IsSharedCursor(c));
  mwsys::CursorInfo info{};
  ASSERT_TRUE(mwsys::GetCursorInfo(c, &info));
  EXPECT_EQ(info.width, 32);
  EXPECT_EQ(info.height, 32);
  EXPECT_EQ(info.bit_count, 1);
  EXPECT_EQ(info.hot_x, 0);
  EXPECT_EQ(info.hot_y, 19);
  mwsys::Cursor again = nullptr;
  ASSERT_EQ(M_DlgGetCursor(0, &again), 1);
  EXPECT_EQ(again, c);
  EXPECT_EQ(M_DlgGetCursor(0, nullptr), 0);
  EXPECT_EQ(M_DlgGetCursor(1, &again), 0);
}

TEST(DialogCursor, HoldsAPrivateCopyUntilReset) {
  mwsys::Cursor shared = nullptr;
  ASSERT_EQ(M_DlgGetCursor(0, &shared), 1);
  mwsys::Cursor mine = mwsys::CopyCursor(shared);
  const int live = mwsys::LiveCursorCopies();
  EXPECT_EQ(M_DlgSetCursor(1, mine), 0);
  EXPECT_EQ(mwsys::LiveCursorCopies(), live);
  ASSERT_EQ(M_DlgSetCursor(0, mine), 1);
  EXPECT_EQ(mwsys::LiveCursorCopies(), live + 1);
  EXPECT_TRUE(mwsys::DestroyCursor(mine));  // the held copy survives its source

  mwsys::Cursor a = nullptr, b = nullptr;
  ASSERT_EQ(M_DlgGetCursor(0, &a), 1);
  ASSERT_EQ(M_DlgGetCursor(0, &b), 1);
  EXPECT_NE(a, b);
  EXPECT_FALSE(mwsys::IsSharedCursor(a));
  mwsys::CursorInfo info{};
  ASSERT_TRUE(mwsys::GetCursorInfo(a, &info));
  EXPECT_EQ(info.hot_y, 19);
  mwsys::DestroyCursor(a);
  mwsys::DestroyCursor(b);

  const int held = mwsys::LiveCursorCopies();
  ASSERT_EQ(M_DlgSetCursor(0, nullptr), 1);
  EXPECT_EQ(mwsys::LiveCursorCopies(), held - 1);
  ASSERT_EQ(M_DlgGetCursor(0, &a), 1);
  EXPECT_EQ(a, shared);
}

TEST(DialogColorRange, BoundsByIndex) {
  const std::pair<int32_t, int> cases[] = {{0, 255},   {1, 0},    {4, 255}, {5, 0},    {6, 360},   {7, 0},
                                           {8, 100},   {22, 100}, {23, 0},  {24, 127}, {25, -128}, {26, 127},
                                           {27, -128}, {28, -1},  {-1, -1}, {-5, -1},  {29, -13},  {1000, -13}};
  for (auto [index, bound] : cases) EXPECT_EQ(M_DlgGetColorRange(index), bound) << index;
}
