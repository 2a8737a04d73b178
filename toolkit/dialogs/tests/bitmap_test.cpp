// CMWBitmap: loads from resources of every depth, files and other bitmaps,
// with the palette and the kernel bitmap it owns.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>

#include "toolkit/dialogs/bitmap/mw_bitmap.h"
#include "toolkit/outside/system/dib.h"
#include "toolkit/outside/system/standin_control.h"

using mwdlg::CMWBitmap;
using mwsys::BuildDib;

namespace {

uint32_t Pattern(int32_t x, int32_t y) { return uint32_t(x * 3 + y * 5); }

// The value of pixel x of a top-down row at a depth of at most 8 bits.
uint32_t PixelAt(const uint8_t* row, int bits, int x) {
  switch (bits) {
    case 1: return row[x / 8] >> (7 - x % 8) & 1;
    case 4: return row[x / 2] >> (x % 2 ? 0 : 4) & 15;
    default: return row[x];
  }
}

struct Fixture : testing::Test {
  void SetUp() override {
    bitmaps = mwsys::Counter("mwkernel.bitmaps");
    palettes = mwsys::LivePalettes();
  }
  void TearDown() override {
    mwsys::UnregisterModule(module);
    mwsys::ClearFailing();
    EXPECT_EQ(mwsys::Counter("mwkernel.bitmaps"), bitmaps);
    EXPECT_EQ(mwsys::LivePalettes(), palettes);
    EXPECT_EQ(mwsys::OpenDeviceContexts(), 0);
  }
  // Registers the resources; ids count from 1.
  void Module(std::vector<std::vector<uint8_t>> dibs) {
    data = std::move(dibs);
    for (size_t i = 0; i < data.size(); ++i) {
      table.push_back({mwsys::kResourceBitmap, int32_t(i + 1), data[i].data(), data[i].size()});
    }
    module = mwsys::RegisterModule("fixture", table.data(), table.size());
  }
  std::vector<std::vector<uint8_t>> data;
  std::vector<mwsys::ResourceEntry> table;
  mwsys::Module module = nullptr;
  int bitmaps = 0, palettes = 0;
};

}  // namespace

TEST_F(Fixture, RuntimeClassCreatesByName) {
  // The library registers the class at load (see the unload test); here the core alone.
  ASSERT_TRUE(mwsys::RegisterClass(&CMWBitmap::kClass));
  EXPECT_FALSE(mwsys::RegisterClass(&CMWBitmap::kClass));
  const mwsys::RuntimeClass* cls = mwsys::FindClass("CMWBitmap");
  ASSERT_NE(cls, nullptr);
  EXPECT_EQ(cls->schema, 1u);
  mwsys::Object* o = mwsys::CreateObject("CMWBitmap");
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->GetRuntimeClass(), &CMWBitmap::kClass);
  EXPECT_TRUE(static_cast<CMWBitmap*>(o)->IsEmpty());
  delete o;
  mwsys::UnregisterClass(&CMWBitmap::kClass);
  EXPECT_EQ(mwsys::CreateObject("CMWBitmap"), nullptr);
}

TEST_F(Fixture, LoadsResourcesOfEveryDepthAndColourTable) {
  struct Case {
    mwsys::DibSpec spec;
    uint32_t colors;
  } cases[] = {
      {{9, 5, 1, 0, {}}, 2}, {{9, 5, 4, 0, {}}, 16}, {{9, 5, 8, 0, {}}, 256}, {{9, 5, 8, 16, {}}, 16},
      {{9, 5, 4, 3, {}}, 3}, {{9, 5, 24, 0, {}}, 0}, {{9, -5, 8, 7, {}}, 7},
  };
  std::vector<std::vector<uint8_t>> dibs;
  for (const Case& c : cases) {
    const uint32_t levels = c.colors ? c.colors : 1u << 24;
    dibs.push_back(BuildDib(c.spec, [&](int32_t x, int32_t y) { return Pattern(x, y) % levels; }));
  }
  Module(dibs);
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    CMWBitmap b;
    ASSERT_EQ(b.LoadFromResource(int32_t(i + 1), module, 128), 1) << i;
    const MwBitmapHandle& h = b.handle();
    EXPECT_EQ(h.colors, int32_t(c.colors)) << i;
    EXPECT_EQ(h.height, 5);
    EXPECT_TRUE(b.file_name().empty());
    EXPECT_EQ(b.palette(), nullptr);  // resources get no palette
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 9; ++x) {
        const uint8_t* row = MK_PixelRow(&h, y);
        const uint32_t want = Pattern(x, y) % (c.colors ? c.colors : 1u << 24);
        const uint32_t got = c.spec.bit_count == 24 ? (row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16)
                                                    : PixelAt(row, c.spec.bit_count, x);
        ASSERT_EQ(got, want) << "case " << i << " at " << x << "," << y;
      }
    }
  }
}

TEST_F(Fixture, RefusesResourcesThatDoNotHoldTheirRows) {
  auto whole = BuildDib({8, 4, 8, 16, {}}, Pattern);
  auto cut = whole;
  cut.pop_back();
  // a colour table shorter than biClrUsed says
  auto short_table = BuildDib({8, 4, 8, 200, 16u}, [](int32_t, int32_t) { return 0u; });
  Module({whole, cut, short_table});
  CMWBitmap b;
  ASSERT_EQ(b.LoadFromResource(1, module, 128), 1);
  EXPECT_EQ(b.LoadFromResource(2, module, 128), 0);
  EXPECT_TRUE(b.IsEmpty());  // the earlier picture was freed first
  EXPECT_EQ(b.LoadFromResource(3, module, 128), 0);
  EXPECT_EQ(b.LoadFromResource(4, module, 128), 0);
  EXPECT_EQ(b.LoadFromResource(1, nullptr, 128), 0);  // the library's own module has no bitmaps
}

TEST_F(Fixture, KernelSettingHoldsOnlyForTheCreation) {
  Module({BuildDib({4, 4, 24, 0, {}}, Pattern)});
  MK_SetSetting(5);
  CMWBitmap b;
  ASSERT_EQ(b.LoadFromResource(1, module, 128), 1);
  EXPECT_EQ(b.handle().setting, 128);
  int32_t now = 0;
  MK_GetSetting(&now);
  EXPECT_EQ(now, 5);
  MK_SetSetting(0);
  mwsys::SetFailing("mwkernel.110");
  EXPECT_EQ(b.LoadFromResource(1, module, 128), 0);
  EXPECT_TRUE(b.IsEmpty());
}

TEST_F(Fixture, AdjustCallsTheDisplayOnlyForAValue) {
  Module({BuildDib({4, 4, 8, 0, {}}, Pattern)});
  CMWBitmap b;
  EXPECT_EQ(b.Adjust(3, 1), 0);
  ASSERT_EQ(b.LoadAndAdjust(1, module, 128, -1, 0), 1);
  mwsys::ClearRecordedCalls();
  mwsys::SetRecording(true);
  EXPECT_EQ(b.Adjust(-1, 0), 1);
  EXPECT_TRUE(mwsys::RecordedCalls().empty());
  EXPECT_EQ(b.Adjust(40, 2), 1);
  mwsys::SetRecording(false);
  EXPECT_EQ(mwsys::RecordedCalls(), (std::vector<std::string>{"mwdisplay.113", "mwkernel.123", "mwdisplay.119"}));
  EXPECT_EQ(b.handle().option, 2);
  EXPECT_EQ(b.handle().brightness, 40);
  EXPECT_EQ(b.LoadAndAdjust(9, module, 128, 40, 0), 0);
  EXPECT_TRUE(b.IsEmpty());
}

TEST_F(Fixture, CopiesWholeBitmapsAndNormalisedParts) {
  Module({BuildDib({10, 6, 8, 0, {}}, Pattern)});
  CMWBitmap source, copy;
  ASSERT_EQ(source.LoadFromResource(1, module, 128), 1);
  ASSERT_EQ(copy.CopyFromPicture(source, nullptr), 1);
  EXPECT_EQ(copy.handle().width, 10);
  EXPECT_NE(copy.handle().storage, source.handle().storage);
  ASSERT_NE(copy.palette(), nullptr);  // 8 bits: a palette of the colour table
  const MwRect empty{3, 3, 3, 5};
  ASSERT_EQ(copy.CopyFromHandle(&source.handle(), &empty), 1);
  EXPECT_EQ(copy.handle().width, 10);
  const MwRect inverted{7, 5, 2, 1};  // clipped and normalised to 2,1 - 7,5
  ASSERT_EQ(copy.CopyHandle(&source.handle(), &inverted), 1);
  EXPECT_EQ(copy.handle().width, 5);
  EXPECT_EQ(copy.handle().height, 4);
  EXPECT_EQ(MK_PixelRow(&copy.handle(), 0)[0], Pattern(2, 1));
  const MwRect outside{-5, -5, 30, 30};
  ASSERT_EQ(copy.CopyHandle(&source.handle(), &outside), 1);
  EXPECT_EQ(copy.handle().width, 10);

  MwBitmapHandle none{};
  EXPECT_EQ(copy.CopyHandle(&none, nullptr), 0);
  EXPECT_EQ(copy.CopyHandle(nullptr, nullptr), 0);
  EXPECT_FALSE(copy.IsEmpty());  // refused before anything was freed
  mwsys::SetFailing("mwkernel.112");
  EXPECT_EQ(copy.CopyFromPicture(&source, nullptr), 0);
  EXPECT_TRUE(copy.IsEmpty());
}

TEST_F(Fixture, CopyingOntoItselfChangesNothing) {
  Module({BuildDib({6, 6, 8, 0, {}}, Pattern)});
  CMWBitmap b;
  ASSERT_EQ(b.LoadFromResource(1, module, 128), 1);
  const MwBitmapHandle before = b.handle();
  const int live = mwsys::Counter("mwkernel.bitmaps");
  EXPECT_EQ(b.CopyFromPicture(b, nullptr), 1);
  const MwRect part{1, 1, 3, 3};
  EXPECT_EQ(b.CopyHandle(&b.handle(), &part), 1);
  EXPECT_EQ(std::memcmp(&before, &b.handle(), sizeof before), 0);
  EXPECT_EQ(mwsys::Counter("mwkernel.bitmaps"), live);
  EXPECT_EQ(MK_PixelRow(&b.handle(), 5)[5], Pattern(5, 5));
}

TEST_F(Fixture, LoadsFilesWithTheirNameAndPalette) {
  auto dib = BuildDib({5, 3, 4, 0, {}}, [](int32_t x, int32_t) { return uint32_t(x); });
  std::vector<uint8_t> file = {'B', 'M'};
  file.resize(14, 0);
  file.insert(file.end(), dib.begin(), dib.end());
  const std::string path = testing::TempDir() + "cmwbitmap_test.bmp";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
  {
    CMWBitmap b;
    ASSERT_EQ(b.LoadFromFile(path.c_str(), 0), 1);
    EXPECT_EQ(b.file_name(), path);
    ASSERT_NE(b.palette(), nullptr);
    std::vector<uint32_t> entries;
    ASSERT_TRUE(mwsys::PaletteEntries(b.palette()->handle(), &entries));
    EXPECT_EQ(entries.size(), 16u);
    EXPECT_EQ(MK_PixelRow(&b.handle(), 2)[2] >> 4, 4);
    EXPECT_EQ(b.LoadFromFile("/nonexistent/picture.bmp", 0), 0);
    EXPECT_TRUE(b.file_name().empty());
    EXPECT_TRUE(b.IsEmpty());
    ASSERT_EQ(b.LoadFromFile(path.c_str(), 0), 1);
    mwsys::SetFailing("mwfile.101");
    EXPECT_EQ(b.LoadFromFile(path.c_str(), 0), 0);
    EXPECT_TRUE(b.file_name().empty());
    mwsys::ClearFailing();
    ASSERT_EQ(b.LoadFromFile(path.c_str(), 0), 1);
  }  // the destructor frees bitmap and palette
  std::remove(path.c_str());
}
