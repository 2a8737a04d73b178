// Library loading under Windows-style names, resources as tables, cursors.
#include <gtest/gtest.h>

#include <algorithm>

#include "toolkit/outside/system/cursors.h"
#include "toolkit/outside/system/dib.h"
#include "toolkit/outside/system/modules.h"
#include "toolkit/outside/system/standin_control.h"

using namespace mwsys;

TEST(Loader, WindowsNamesMapToSharedObjects) {
  EXPECT_EQ(SharedObjectName("mwcolor.DLL"), "libmwcolor.so");
  EXPECT_EQ(SharedObjectName("MWDialogRes.dll"), "libmwdialogres.so");
  EXPECT_EQ(SharedObjectName("mwkernel"), "libmwkernel.so");
}

TEST(Loader, CountsReferencesAndUnloadsAtTheLast) {
  ASSERT_FALSE(IsLoaded("mwcolor"));
  Module a = LoadLibrary("mwcolor.DLL");
  ASSERT_NE(a, nullptr);
  Module b = LoadLibrary("MWCOLOR.dll");
  EXPECT_EQ(a, b);
  EXPECT_NE(GetProcAddress(a, "M_ClrInit"), nullptr);
  EXPECT_EQ(GetProcAddress(a, "M_ClrMissing"), nullptr);
  EXPECT_TRUE(FreeLibrary(a));
  EXPECT_TRUE(IsLoaded("mwcolor.DLL"));
  EXPECT_TRUE(FreeLibrary(b));
  EXPECT_FALSE(IsLoaded("mwcolor.DLL"));
  EXPECT_FALSE(FreeLibrary(b));
}

TEST(Loader, SearchesOnlyTheFolderSet) {
  const std::string folder = LibraryFolder();
  SetLibraryFolder(folder + "/mwcolor-without-free");
  Module m = LoadLibrary("mwcolor.DLL");
  ASSERT_NE(m, nullptr);
  EXPECT_NE(GetProcAddress(m, "M_ClrInit"), nullptr);
  EXPECT_EQ(GetProcAddress(m, "M_ClrFree"), nullptr);
  EXPECT_EQ(LoadLibrary("mwdialogres.DLL"), nullptr);
  FreeLibrary(m);
  SetLibraryFolder("");
  EXPECT_EQ(LibraryFolder(), folder);
}

TEST(Resources, DialogPicturesAreValidBitmapsOfMixedDepths) {
  Module m = LoadLibrary("mwdialogres.DLL");
  ASSERT_NE(m, nullptr);
  std::vector<int> depths;
  for (int id = 101; id <= 110; ++id) {
    const ResourceEntry* r = FindResource(m, kResourceBitmap, id);
    ASSERT_NE(r, nullptr) << id;
    ASSERT_TRUE(CheckDib(r->data, r->size).has_value()) << id;
    depths.push_back(static_cast<const BitmapInfoHeader*>(r->data)->biBitCount);
  }
  EXPECT_EQ(FindResource(m, kResourceBitmap, 111), nullptr);
  EXPECT_EQ(FindResource(m, kResourceCursor, 101), nullptr);
  for (int bits : {1, 4, 8, 24}) EXPECT_NE(std::count(depths.begin(), depths.end(), bits), 0) << bits;
  SetFailing("mwsys.FindResource(mwdialogres,103)");
  EXPECT_EQ(FindResource(m, kResourceBitmap, 103), nullptr);
  ClearFailing();
  FreeLibrary(m);
}

TEST(Dib, ColourTableAndSizeRules) {
  struct Case {
    uint16_t bits;
    uint32_t used;
    bool valid;
    uint32_t colors;
  } cases[] = {
      {1, 0, true, 2},  {4, 0, true, 16},  {8, 0, true, 256},  {8, 16, true, 16}, {24, 0, true, 0},
      {24, 4, true, 4}, {4, 17, false, 0}, {8, 300, false, 0}, {3, 0, false, 0},  {32, 0, true, 0},
  };
  for (const Case& c : cases) {
    BitmapInfoHeader h{sizeof(BitmapInfoHeader), 5, 3, 1, c.bits, 0, 0, 0, 0, c.used, 0};
    auto l = DescribeDib(h);
    ASSERT_EQ(l.has_value(), c.valid) << c.bits << " bits, " << c.used << " used";
    if (!l) continue;
    EXPECT_EQ(l->colors, c.colors);
    EXPECT_EQ(l->pixel_offset, 40u + 4 * c.colors);
    EXPECT_EQ(l->row_stride % 4, 0u);
    EXPECT_GE(l->row_stride * 8, 5u * c.bits);
  }
}

TEST(Dib, CheckRefusesTruncatedData) {
  std::vector<uint8_t> dib = BuildDib({7, 5, 8, 16, {}}, [](int32_t x, int32_t y) { return uint32_t(x + y); });
  ASSERT_TRUE(CheckDib(dib.data(), dib.size()).has_value());
  EXPECT_FALSE(CheckDib(dib.data(), dib.size() - 1).has_value());
  EXPECT_FALSE(CheckDib(dib.data(), 39).has_value());
  EXPECT_FALSE(CheckDib(nullptr, dib.size()).has_value());
  // A table of 16 entries read as 256 would run past the end.
  std::vector<uint8_t> wrong = BuildDib({7, 5, 8, 0, 16u}, [](int32_t, int32_t) { return 0u; });
  EXPECT_FALSE(CheckDib(wrong.data(), wrong.size()).has_value());
}

namespace {
std::vector<uint8_t> CursorResource(int hot_x, int hot_y) {
  auto dib = BuildDib({32, 64, 1, 0, {}}, [](int32_t x, int32_t y) { return uint32_t((x + y) & 1); });
  return BuildCursorResource(uint16_t(hot_x), uint16_t(hot_y), dib);
}
}  // namespace

TEST(Cursors, SharedLoadsPrivateCopies) {
  auto bytes = CursorResource(3, 7);
  ResourceEntry table[] = {{kResourceCursor, 9, bytes.data(), bytes.size()}};
  Module m = RegisterModule("fixture", table, 1);
  const int live = LiveCursorCopies();
  Cursor shared = LoadSharedCursor(m, 9);
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(LoadSharedCursor(m, 9), shared);
  EXPECT_EQ(LoadSharedCursor(m, 10), nullptr);
  EXPECT_TRUE(IsSharedCursor(shared));
  EXPECT_FALSE(DestroyCursor(shared));
  CursorInfo info{};
  ASSERT_TRUE(GetCursorInfo(shared, &info));
  EXPECT_EQ(info.width, 32);
  EXPECT_EQ(info.height, 32);
  EXPECT_EQ(info.hot_x, 3);
  EXPECT_EQ(info.hot_y, 7);
  EXPECT_EQ(info.bit_count, 1);

  Cursor copy = CopyCursor(shared);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, shared);
  EXPECT_EQ(LiveCursorCopies(), live + 1);
  UnregisterModule(m);  // drops the shared cursor, not the copy
  EXPECT_FALSE(GetCursorInfo(shared, &info));
  ASSERT_TRUE(GetCursorInfo(copy, &info));
  EXPECT_EQ(info.hot_y, 7);
  EXPECT_TRUE(DestroyCursor(copy));
  EXPECT_FALSE(DestroyCursor(copy));
  EXPECT_EQ(LiveCursorCopies(), live);
}
