// The colour engine through the exports: start and stop, what each failure
// leaves loaded, the call sequence, conversions and scalings, pictures and
// colour-name lookups.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "toolkit/common/tests/data_table.h"
#include "toolkit/dialogs/mwdialogs_api.h"
#include "toolkit/dialogs/tests/dialog_test_util.h"

namespace {

using Calls = std::vector<std::string>;

Calls CallsStartingWith(const std::string& prefix) {
  Calls out;
  for (const std::string& c : mwsys::RecordedCalls()) {
    if (c.rfind(prefix, 0) == 0) out.push_back(c);
  }
  return out;
}

int Ready() {
  // one bit per query, 111 to 118 in order
  int (*const queries[])() = {M_DlgIsRGBInitialized,    M_DlgIsCMYInitialized,      M_DlgIsCMYKInitialized,
                              M_DlgIsHSBHueInitialized, M_DlgIsHSBWheelInitialized, M_DlgIsHSBBrightnessInitialized,
                              M_DlgIsHLSInitialized,    M_DlgIsLabInitialized};
  int bits = 0;
  for (int i = 0; i < 8; ++i) bits |= queries[i]() << i;
  return bits;
}
constexpr int kRgb = 1, kCmy = 2, kCmyk = 4, kHue = 8, kWheel = 16, kBrightness = 32, kHls = 64, kLab = 128;

struct Engine : testing::Test {
  void SetUp() override {
    handles = mwsys::Counter("mwcolor.handles");
    bitmaps = mwsys::Counter("mwkernel.bitmaps");
    bad_params = mwsys::Counter("mwcolor.bad_params");
    mwsys::ClearRecordedCalls();
    mwsys::SetRecording(true);
  }
  void TearDown() override {
    if (M_DlgIsDataInitialized()) {
      EXPECT_EQ(M_DlgFree(), 1);
    }
    mwsys::ClearFailing();
    mwsys::ClearScriptedAnswers();
    mwsys::SetRecording(false);
    // nothing outlives the engine
    EXPECT_FALSE(mwsys::IsLoaded("mwcolor.DLL"));
    EXPECT_FALSE(mwsys::IsLoaded("mwdialogres.DLL"));
    EXPECT_EQ(mwsys::Counter("mwcolor.handles"), handles);
    EXPECT_EQ(mwsys::Counter("mwkernel.bitmaps"), bitmaps);
    EXPECT_EQ(mwsys::Counter("mwcolor.bad_params"), bad_params);
  }
  int handles = 0, bitmaps = 0, bad_params = 0;
};

}  // namespace

TEST_F(Engine, StartsOnceAndStopsOnce) {
  EXPECT_EQ(M_DlgFree(), -1001);
  EXPECT_EQ(Ready(), 0);
  ASSERT_EQ(M_DlgInit(), 1);
  EXPECT_EQ(M_DlgIsDataInitialized(), 1);
  EXPECT_EQ(Ready(), 0xFF);
  EXPECT_TRUE(mwsys::IsLoaded("mwcolor.DLL"));
  EXPECT_FALSE(mwsys::IsLoaded("mwdialogres.DLL"));  // held only while starting
  EXPECT_EQ(mwsys::Counter("mwcolor.handles"), handles + 10);
  EXPECT_EQ(mwsys::Counter("mwkernel.bitmaps"), bitmaps + 10);
  mwsys::ClearRecordedCalls();
  EXPECT_EQ(M_DlgInit(), -1000);
  EXPECT_TRUE(mwsys::RecordedCalls().empty());
  EXPECT_EQ(Ready(), 0xFF);
  EXPECT_EQ(M_DlgFree(), 1);
  EXPECT_EQ(M_DlgIsDataInitialized(), 0);
  EXPECT_EQ(Ready(), 0);
  EXPECT_EQ(M_DlgFree(), -1001);
}

TEST_F(Engine, MakesAndFreesThePairsInOrder) {
  ASSERT_EQ(M_DlgInit(), 1);
  EXPECT_EQ(
      CallsStartingWith("mwcolor.M_ClrInit"),
      (Calls{"mwcolor.M_ClrInit(2,0)", "mwcolor.M_ClrInit(0,2)", "mwcolor.M_ClrInit(6,0)", "mwcolor.M_ClrInit(0,6)",
             "mwcolor.M_ClrInit(0,4)", "mwcolor.M_ClrInit(4,0)", "mwcolor.M_ClrInit(0,7)", "mwcolor.M_ClrInit(7,0)",
             "mwcolor.M_ClrInit(0,3)", "mwcolor.M_ClrInit(3,0)"}));
  // pictures: saved setting, set to 128 for the creation, restored
  const Calls kernel = CallsStartingWith("mwkernel.");
  EXPECT_EQ(std::count(kernel.begin(), kernel.end(), "mwkernel.110"), 10);
  EXPECT_EQ(std::count(kernel.begin(), kernel.end(), "mwkernel.296"), 20);
  mwsys::ClearRecordedCalls();
  ASSERT_EQ(M_DlgFree(), 1);
  EXPECT_EQ(
      CallsStartingWith("mwcolor.M_ClrFree"),
      (Calls{"mwcolor.M_ClrFree(2,0)", "mwcolor.M_ClrFree(0,2)", "mwcolor.M_ClrFree(6,0)", "mwcolor.M_ClrFree(0,6)",
             "mwcolor.M_ClrFree(4,0)", "mwcolor.M_ClrFree(0,4)", "mwcolor.M_ClrFree(7,0)", "mwcolor.M_ClrFree(0,7)",
             "mwcolor.M_ClrFree(3,0)", "mwcolor.M_ClrFree(0,3)"}));
}

TEST_F(Engine, MissingLibrariesLeaveNothingHeld) {
  struct Case {
    std::vector<std::string> files;
    int result;
  } cases[] = {
      {{"libmwdialogres.so"}, -1004},  // no colour library
      {{"mwcolor-without-free/libmwcolor.so", "libmwdialogres.so"}, -1004},  // no M_ClrFree
      {{"libmwcolor.so"}, -1005},  // no resource library
  };
  for (const Case& c : cases) {
    mwtest::LibraryFolder folder(c.files);
    EXPECT_EQ(M_DlgInit(), c.result) << c.files[0];
    EXPECT_EQ(M_DlgIsDataInitialized(), 0);
    EXPECT_EQ(Ready(), 0);
    EXPECT_FALSE(mwsys::IsLoaded("mwcolor.DLL"));
    EXPECT_FALSE(mwsys::IsLoaded("mwdialogres.DLL"));
    EXPECT_EQ(M_DlgFree(), -1001);
  }
  ASSERT_EQ(M_DlgInit(), 1);
}

TEST_F(Engine, AFailedPairReleasesEveryHandleAndAFreshStartWorks) {
  mwsys::SetFailing("mwcolor.M_ClrInit(7,0)");  // Lab to RGB left 0
  EXPECT_EQ(M_DlgInit(), -1004);
  EXPECT_EQ(M_DlgIsDataInitialized(), 0);
  // the RGB to Lab handle made just before is freed with the others
  EXPECT_EQ(
      CallsStartingWith("mwcolor.M_ClrFree"),
      (Calls{"mwcolor.M_ClrFree(2,0)", "mwcolor.M_ClrFree(0,2)", "mwcolor.M_ClrFree(6,0)", "mwcolor.M_ClrFree(0,6)",
             "mwcolor.M_ClrFree(4,0)", "mwcolor.M_ClrFree(0,4)", "mwcolor.M_ClrFree(0,7)"}));
  EXPECT_EQ(mwsys::Counter("mwcolor.handles"), handles);
  EXPECT_EQ(mwsys::Counter("mwkernel.bitmaps"), bitmaps);
  EXPECT_FALSE(mwsys::IsLoaded("mwcolor.DLL"));
  mwsys::ClearFailing();
  ASSERT_EQ(M_DlgInit(), 1);
  EXPECT_EQ(Ready(), 0xFF);
}

TEST_F(Engine, MissingPicturesOnlyLowerTheirReadyFlags) {
  struct Case {
    std::string failing;
    int ready;
  };
  // A missing resource of either row lowers the flag of the model that needs its index.
  const auto flags = mwtest::ReadDataTable("dialogs/tests/data/ready_flags.tsv", 4);
  std::vector<Case> cases;
  for (const mwtest::DataRow& p : mwtest::ReadDataTable("dialogs/tests/data/dialog_pictures.tsv", 4)) {
    int lowered = 0;
    for (size_t bit = 0; bit < flags.size(); ++bit) {
      if (flags[bit].number(2) == p.number(1)) lowered |= 1 << bit;
    }
    cases.push_back({"mwsys.FindResource(mwdialogres," + p.text(3) + ")", 0xFF & ~lowered});
  }
  ASSERT_EQ(cases.size(), 10u);
  cases.push_back({"mwkernel.110", kHue | kHls | kLab});
  for (const Case& c : cases) {
    mwsys::SetFailing(c.failing);
    ASSERT_EQ(M_DlgInit(), 1) << c.failing;
    EXPECT_EQ(Ready(), c.ready) << c.failing;
    mwsys::ClearRecordedCalls();
    ASSERT_EQ(M_DlgFree(), 1);
    // handles of a model left unready are freed too
    EXPECT_EQ(CallsStartingWith("mwcolor.M_ClrFree").size(), 10u) << c.failing;
    EXPECT_EQ(mwsys::Counter("mwcolor.handles"), handles);
    mwsys::ClearFailing();
  }
}

TEST_F(Engine, ConversionsRefuseBeforeStart) {
  DlgColorTriple t{};
  DlgColorCMYK k{};
  DlgColorLab l{};
  EXPECT_EQ(M_DlgConvertColorRGBToHSB(&t, &t), -1001);
  EXPECT_EQ(M_DlgConvertColorRGBToCMYK(&t, &k), -1001);
  EXPECT_EQ(M_DlgConvertColorLabToRGB(&l, &t), -1001);
  EXPECT_EQ(M_DlgConvertColorRGBToHSB(nullptr, &t), -13);
  EXPECT_EQ(M_DlgConvertColorHSBToRGB(&t, nullptr), -13);
  EXPECT_EQ(M_DlgConvertColorCMYKToRGB(nullptr, &t), -13);
  EXPECT_EQ(M_DlgConvertColorRGBToLab(&t, nullptr), -13);
  ASSERT_EQ(M_DlgInit(), 1);
  EXPECT_EQ(M_DlgConvertColorRGBToHLS(nullptr, &t), -13);
}

TEST_F(Engine, ConvertsKnownColours) {
  ASSERT_EQ(M_DlgInit(), 1);
  using Fn = int (*)(const DlgColorTriple*, DlgColorTriple*);
  struct Case {
    Fn fn;
    DlgColorTriple in;
    DlgColorTriple out;
  } cases[] = {
      {M_DlgConvertColorRGBToHSB, {7, 255, 0, 0}, {-1, 0, 100, 100}},
      {M_DlgConvertColorRGBToHSB, {7, 0, 0, 255}, {-1, 240, 100, 100}},
      {M_DlgConvertColorRGBToHLS, {7, 255, 0, 0}, {-1, 0, 50, 100}},
      {M_DlgConvertColorRGBToHLS, {7, 128, 128, 128}, {-1, 0, 50, 0}},
      {M_DlgConvertColorRGBToCMY, {7, 255, 0, 16}, {-1, 0, 255, 239}},
      {M_DlgConvertColorHSBToRGB, {7, 0, 100, 100}, {-1, 255, 0, 0}},
      {M_DlgConvertColorHSBToRGB, {7, 120, 100, 50}, {-1, 0, 128, 0}},
      {M_DlgConvertColorHLSToRGB, {7, 240, 50, 100}, {-1, 1, 1, 255}},  // L 50 is the byte 128, above half
      {M_DlgConvertColorCMYToRGB, {7, 0, 255, 239}, {-1, 255, 0, 16}},
  };
  for (const Case& c : cases) {
    DlgColorTriple t{-1, 0, 0, 0};
    ASSERT_EQ(c.fn(&c.in, &t), 1);
    EXPECT_EQ(t.first, -1);  // never written
    EXPECT_EQ(t.c0, c.out.c0) << c.in.c0 << "," << c.in.c1 << "," << c.in.c2;
    EXPECT_EQ(t.c1, c.out.c1) << c.in.c0 << "," << c.in.c1 << "," << c.in.c2;
    EXPECT_EQ(t.c2, c.out.c2) << c.in.c0 << "," << c.in.c1 << "," << c.in.c2;
  }
  DlgColorTriple red{0, 255, 0, 0}, rgb{-1, 0, 0, 0};
  DlgColorCMYK cmyk{-1, 0, 0, 0, 0};
  ASSERT_EQ(M_DlgConvertColorRGBToCMYK(&red, &cmyk), 1);
  EXPECT_EQ(cmyk.first, -1);
  EXPECT_EQ(cmyk.c, 0);
  EXPECT_EQ(cmyk.m, 100);
  EXPECT_EQ(cmyk.y, 100);
  EXPECT_EQ(cmyk.k, 0);
  DlgColorCMYK half{0, 0, 0, 0, 50};
  ASSERT_EQ(M_DlgConvertColorCMYKToRGB(&half, &rgb), 1);
  EXPECT_EQ(rgb.c0, 127);
  EXPECT_EQ(rgb.c2, 127);
  DlgColorLab lab{-1, 0, 0, 0};
  ASSERT_EQ(M_DlgConvertColorRGBToLab(&red, &lab), 1);
  EXPECT_EQ(lab.first, -1);
  EXPECT_EQ(lab.l, 53);  // L 53.24, a 80.09, b 67.20
  EXPECT_EQ(lab.a, 80);
  EXPECT_EQ(lab.b, 67);
  ASSERT_EQ(M_DlgConvertColorLabToRGB(&lab, &rgb), 1);
  EXPECT_NEAR(rgb.c0, 255, 2);
  EXPECT_NEAR(rgb.c1, 0, 12);
  EXPECT_NEAR(rgb.c2, 0, 12);
}

TEST_F(Engine, ScalesComponentsToTheLibrarysBytes) {
  ASSERT_EQ(M_DlgInit(), 1);
  struct Case {
    DlgColorTriple hsb;
    const char* bytes;
  } cases[] = {
      {{0, 12, 50, 0}, "9,128,0"},        {{0, 36, -10, 0}, "26,230,0"},       {{0, -12, 101, 0}, "247,2,0"},
      {{0, 2147483647, 0, 0}, "170,0,0"}, {{0, 360, 100, 100}, "255,255,255"}, {{0, -2147483647 - 1, 0, 0}, "85,0,0"},
  };
  for (const Case& c : cases) {
    mwsys::ClearRecordedCalls();
    DlgColorTriple rgb{};
    ASSERT_EQ(M_DlgConvertColorHSBToRGB(&c.hsb, &rgb), 1);
    EXPECT_EQ(CallsStartingWith("mwcolor.M_ClrConvert"),
              Calls{std::string("mwcolor.M_ClrConvert(3,0:") + c.bytes + ")"});
  }
  // RGB components are taken to their low byte unscaled.
  mwsys::ClearRecordedCalls();
  DlgColorTriple wide{0, 256 + 7, -1, 1000}, out{};
  ASSERT_EQ(M_DlgConvertColorRGBToCMY(&wide, &out), 1);
  EXPECT_EQ(CallsStartingWith("mwcolor.M_ClrConvert"), Calls{"mwcolor.M_ClrConvert(0,6:7,255,232)"});
  // Lab lightness is scaled, a and b pass as bytes.
  mwsys::ClearRecordedCalls();
  DlgColorLab lab{0, 50, -128, 127};
  ASSERT_EQ(M_DlgConvertColorLabToRGB(&lab, &out), 1);
  EXPECT_EQ(CallsStartingWith("mwcolor.M_ClrConvert"), Calls{"mwcolor.M_ClrConvert(7,0:128,128,127)"});
}

TEST_F(Engine, ScalesTheLibrarysBytesToComponents) {
  ASSERT_EQ(M_DlgInit(), 1);
  DlgColorTriple rgb{0, 1, 2, 3}, t{};
  mwsys::SetScriptedAnswer("mwcolor.M_ClrConvert(0,3)", {128, 128, 255});
  ASSERT_EQ(M_DlgConvertColorRGBToHSB(&rgb, &t), 1);
  EXPECT_EQ(t.c0, 181);
  EXPECT_EQ(t.c1, 50);
  EXPECT_EQ(t.c2, 100);
  mwsys::SetScriptedAnswer("mwcolor.M_ClrConvert(0,4)", {255, 1, 2});
  ASSERT_EQ(M_DlgConvertColorRGBToHLS(&rgb, &t), 1);
  EXPECT_EQ(t.c0, 360);
  EXPECT_EQ(t.c1, 0);  // 0.39 rounds down
  EXPECT_EQ(t.c2, 1);  // 0.78 rounds up
  mwsys::SetScriptedAnswer("mwcolor.M_ClrConvert(0,7)", {255, 0x80, 0x7F});
  DlgColorLab lab{};
  ASSERT_EQ(M_DlgConvertColorRGBToLab(&rgb, &lab), 1);
  EXPECT_EQ(lab.l, 100);
  EXPECT_EQ(lab.a, -128);
  EXPECT_EQ(lab.b, 127);
  mwsys::SetScriptedAnswer("mwcolor.M_ClrConvert(0,2)", {0, 64, 191, 255});
  DlgColorCMYK k{};
  ASSERT_EQ(M_DlgConvertColorRGBToCMYK(&rgb, &k), 1);
  EXPECT_EQ(k.c, 0);
  EXPECT_EQ(k.m, 25);
  EXPECT_EQ(k.y, 75);
  EXPECT_EQ(k.k, 100);
}

TEST_F(Engine, PicturesAreCopiedIntoEmptyHandles) {
  MwBitmapHandle before{};
  EXPECT_EQ(M_DlgGetColorDlgBitmap(&before, 0), 1);  // empty before the start
  EXPECT_EQ(before.flags, 0u);
  ASSERT_EQ(M_DlgInit(), 1);
  using Fn = int (*)(MwBitmapHandle*, uint32_t);
  for (Fn fn : {M_DlgGetColorDlgBitmap, M_DlgGetCustomizePalDlgBitmap}) {
    for (uint32_t i = 0; i < 5; ++i) {
      MwBitmapHandle h{};
      ASSERT_EQ(fn(&h, i), 1) << i;
      EXPECT_EQ(h.flags & kMwBitmapAllocated, kMwBitmapAllocated) << i;
      MwBitmapHandle held = h;
      EXPECT_EQ(fn(&h, i), 0);  // already holds a bitmap
      EXPECT_EQ(std::memcmp(&h, &held, sizeof h), 0);
      MK_FreeBitmap(&h);
    }
    MwBitmapHandle h{};
    EXPECT_EQ(fn(&h, 5), 0);
    EXPECT_EQ(fn(&h, 0xFFFFFFFFu), 0);
    EXPECT_EQ(h.flags, 0u);
    EXPECT_EQ(fn(nullptr, 0), 0);
  }
  // the RGB picture of the colour dialog is resource 105: 32 x 24, 8 bits, 64 colours
  MwBitmapHandle rgb{};
  ASSERT_EQ(M_DlgGetColorDlgBitmap(&rgb, 4), 1);
  EXPECT_EQ(rgb.width, 32);
  EXPECT_EQ(rgb.height, 24);
  EXPECT_EQ(rgb.bit_count, 8);
  EXPECT_EQ(rgb.colors, 64);
  EXPECT_EQ(rgb.setting, 128);
  EXPECT_EQ(MK_PixelRow(&rgb, 1)[2], (2 * 7 + 1 * 13 + 105) % 64);
  MK_FreeBitmap(&rgb);
}

TEST_F(Engine, ColourNamesOnlyWhileStarted) {
  char buf[32] = "unchanged";
  EXPECT_EQ(M_DlgGetColorNameLen(0), -1);
  EXPECT_EQ(M_DlgGetColorName(0, buf), 1);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(M_DlgGetColorName(0, nullptr), -13);
  ASSERT_EQ(M_DlgInit(), 1);
  struct Case {
    uint32_t value;
    const char* name;
  } cases[] = {
      {0x000000, "Black"},  // not the later "Gray0"
      {0x8B0000, "Blue4"},  // "Dark Blue" has the same value
      {0xD4FF7F, "Aquamarine"},  // before "Aquamarine1"
      {0xFFF8F0, "Alice Blue"}, {0x3C14DC, "Crimson"}, {0x32CD9A, "Olive Drab3"},  // "Yellow Green" has the same value
      {0x01000000, ""},  // a nonzero top byte matches nothing
      {0xFF000000, ""},         {0x010203, ""},
  };
  for (const Case& c : cases) {
    const int len = M_DlgGetColorNameLen(c.value);
    EXPECT_EQ(len, *c.name ? int(std::strlen(c.name)) + 1 : -1) << std::hex << c.value;
    std::memset(buf, 'x', sizeof buf);
    ASSERT_EQ(M_DlgGetColorName(c.value, buf), 1);
    EXPECT_STREQ(buf, c.name);
  }
  EXPECT_EQ(M_DlgGetColorNameLen(0), 6);
  EXPECT_EQ(M_DlgGetColorName(0, nullptr), -13);
}

TEST_F(Engine, EveryPictureIsItsResource) {
  ASSERT_EQ(M_DlgInit(), 1);
  mwsys::Module resources = mwsys::LoadLibrary("mwdialogres.DLL");
  ASSERT_NE(resources, nullptr);
  using Fn = int (*)(MwBitmapHandle*, uint32_t);
  const Fn rows[] = {M_DlgGetColorDlgBitmap, M_DlgGetCustomizePalDlgBitmap};
  for (const mwtest::DataRow& p : mwtest::ReadDataTable("dialogs/tests/data/dialog_pictures.tsv", 4)) {
    const std::string what = "row " + p.text(0) + " index " + p.text(1) + " (" + p.text(2) + ")";
    const mwsys::ResourceEntry* r = mwsys::FindResource(resources, mwsys::kResourceBitmap, p.number(3));
    ASSERT_NE(r, nullptr) << what;
    const auto layout = mwsys::CheckDib(r->data, r->size);
    ASSERT_TRUE(layout) << what;
    MwBitmapHandle expected{}, got{};
    ASSERT_EQ(MK_CreateFromDib(&expected, static_cast<const mwsys::BitmapInfoHeader*>(r->data),
                               static_cast<const uint8_t*>(r->data) + layout->pixel_offset),
              1);
    ASSERT_EQ(rows[p.number(0)](&got, static_cast<uint32_t>(p.number(1))), 1) << what;
    EXPECT_EQ(got.width, expected.width) << what;
    EXPECT_EQ(got.height, expected.height) << what;
    EXPECT_EQ(got.bit_count, expected.bit_count) << what;
    EXPECT_EQ(got.colors, expected.colors) << what;
    EXPECT_EQ(got.setting, 128) << what;
    if (got.height == expected.height && got.row_stride == expected.row_stride) {
      for (int32_t y = 0; y < got.height; ++y) {
        EXPECT_EQ(std::memcmp(MK_PixelRow(&got, y), MK_PixelRow(&expected, y), got.row_stride), 0) << what << " y " << y;
      }
    }
    if (got.colors == expected.colors && got.colors > 0) {
      EXPECT_EQ(std::memcmp(MK_ColorTable(&got), MK_ColorTable(&expected), 4 * size_t(got.colors)), 0) << what;
    }
    MK_FreeBitmap(&got);
    MK_FreeBitmap(&expected);
  }
  mwsys::FreeLibrary(resources);
}

// Every row's value gives the name of the first row holding it.
TEST_F(Engine, EveryColourValueGivesTheFirstRowsName) {
  ASSERT_EQ(M_DlgInit(), 1);
  std::map<uint32_t, std::string> first;
  int shadowed = 0;
  for (const mwtest::DataRow& row : mwtest::ReadDataTable("dialogs/tests/data/color_names.tsv", 5)) {
    const uint32_t value = uint32_t(row.number(2)) | uint32_t(row.number(3)) << 8 | uint32_t(row.number(4)) << 16;
    const auto [it, fresh] = first.emplace(value, row.text(1));
    shadowed += !fresh;
    const std::string& name = it->second;
    EXPECT_EQ(M_DlgGetColorNameLen(value), int(name.size()) + 1) << row.text(1);
    char buf[64];
    std::memset(buf, 'x', sizeof buf);
    ASSERT_EQ(M_DlgGetColorName(value, buf), 1);
    EXPECT_EQ(std::string(buf), name) << "row " << row.text(0) << " " << row.text(1);
  }
  EXPECT_EQ(shadowed, 47);
}
