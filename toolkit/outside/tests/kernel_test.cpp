// The kernel, display and file stand-ins: bitmaps own copies of their pixels.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>

#include "toolkit/outside/display/mwdisplay.h"
#include "toolkit/outside/file/mwfile.h"
#include "toolkit/outside/kernel/mwkernel.h"
#include "toolkit/outside/system/standin_control.h"

using mwsys::BuildDib;

namespace {
const auto* Header(const std::vector<uint8_t>& dib) {
  return reinterpret_cast<const mwsys::BitmapInfoHeader*>(dib.data());
}
const uint8_t* Bits(const std::vector<uint8_t>& dib) {
  return dib.data() + mwsys::CheckDib(dib.data(), dib.size())->pixel_offset;
}
// The value of pixel x of a top-down row at any depth (bytes little-endian).
uint32_t PixelAt(const uint8_t* row, int bits, int x) {
  if (bits < 8) return row[x * bits / 8] >> (8 - bits - x * bits % 8) & ((1u << bits) - 1);
  uint32_t v = 0;
  for (int b = bits / 8 - 1; b >= 0; --b) v = v << 8 | row[x * (bits / 8) + b];
  return v;
}
}  // namespace

TEST(Kernel, CopiesPartsOfEveryDepth) {
  for (uint16_t bits : {1, 4, 8, 16, 24, 32}) {
    const uint32_t mask = bits == 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    auto pattern = [&](int32_t x, int32_t y) { return uint32_t(x * 5 + y * 3 + x * y * 0x010101) & mask; };
    const std::vector<uint8_t> dib = BuildDib({13, 5, bits, 0, {}}, pattern);
    MwBitmapHandle whole{}, part{};
    ASSERT_EQ(MK_CreateFromDib(&whole, Header(dib), Bits(dib)), 1) << bits;
    // parts starting inside a byte and ending inside another
    for (auto [left, top, width, height] : {std::array{3, 1, 7, 3}, std::array{0, 0, 13, 5}, std::array{12, 4, 1, 1}}) {
      ASSERT_EQ(MK_CopyRect(&part, &whole, left, top, width, height), 1) << bits << " bits at " << left;
      EXPECT_EQ(part.width, width);
      EXPECT_EQ(part.height, height);
      EXPECT_EQ(part.bit_count, bits);
      EXPECT_EQ(part.colors, whole.colors);
      for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
          ASSERT_EQ(PixelAt(MK_PixelRow(&part, y), bits, x), pattern(left + x, top + y))
              << bits << " bits, part at " << left << "," << top << ": " << x << "," << y;
        }
      }
    }
    EXPECT_EQ(MK_CopyRect(&part, &whole, 7, 0, 7, 1), 0) << bits;  // one column beyond the right edge
    MK_FreeBitmap(&part);
    MK_FreeBitmap(&whole);
  }
}

TEST(Kernel, CreatesFromDibWithItsOwnCopy) {
  const int live = mwsys::Counter("mwkernel.bitmaps");
  std::vector<uint8_t> dib = BuildDib({6, 4, 8, 16, {}}, [](int32_t x, int32_t y) { return uint32_t(y * 6 + x); });
  MwBitmapHandle h{};
  ASSERT_EQ(MK_CreateFromDib(&h, Header(dib), Bits(dib)), 1);
  dib.assign(dib.size(), 0xEE);  // the resource goes away
  EXPECT_EQ(h.flags & kMwBitmapAllocated, kMwBitmapAllocated);
  EXPECT_EQ(h.width, 6);
  EXPECT_EQ(h.height, 4);
  EXPECT_EQ(h.colors, 16);
  EXPECT_EQ(MK_PixelRow(&h, 0)[0], 0);  // top row first
  EXPECT_EQ(MK_PixelRow(&h, 3)[5], 23);
  EXPECT_EQ(MK_ColorTable(&h)[15], 0xFFFFFFu);
  EXPECT_EQ(mwsys::Counter("mwkernel.bitmaps"), live + 1);

  MwBitmapHandle part{};
  MwRect r{-3, 1, 4, 10};
  ASSERT_EQ(MK_ClipRect(&h, 0, &r), 1);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.bottom, 4);
  ASSERT_EQ(MK_CopyRect(&part, &h, 1, 1, 3, 2), 1);
  EXPECT_EQ(MK_PixelRow(&part, 1)[0], 2 * 6 + 1);
  EXPECT_EQ(MK_CopyRect(&part, &h, 4, 0, 3, 1), 0);
  EXPECT_EQ(MK_FreeBitmap(&part), 1);
  EXPECT_EQ(MK_FreeBitmap(&h), 1);
  EXPECT_EQ(h.flags, 0u);
  EXPECT_EQ(mwsys::Counter("mwkernel.bitmaps"), live);
}

TEST(Kernel, CallsSetFailingFail) {
  std::vector<uint8_t> dib = BuildDib({2, 2, 24, 0, {}}, [](int32_t, int32_t) { return 0x123456u; });
  MwBitmapHandle h{};
  mwsys::SetFailing("mwkernel.110");
  EXPECT_EQ(MK_CreateFromDib(&h, Header(dib), Bits(dib)), 0);
  mwsys::ClearFailing();
  EXPECT_EQ(h.flags, 0u);
  ASSERT_EQ(MK_CreateFromDib(&h, Header(dib), Bits(dib)), 1);
  EXPECT_EQ(MK_PixelRow(&h, 1)[2], 0x12);
  MK_FreeBitmap(&h);
}

TEST(Display, PaletteOnlyForBitmapsWithColourTable) {
  auto grey = BuildDib({2, 2, 4, 0, {}}, [](int32_t, int32_t) { return 1u; });
  auto rgb = BuildDib({2, 2, 24, 0, {}}, [](int32_t, int32_t) { return 1u; });
  MwBitmapHandle a{}, b{};
  ASSERT_EQ(MK_CreateFromDib(&a, Header(grey), Bits(grey)), 1);
  ASSERT_EQ(MK_CreateFromDib(&b, Header(rgb), Bits(rgb)), 1);
  mwsys::DeviceContext dc = mwsys::GetScreenDC();
  mwsys::Palette p = MD_CreatePalette(dc, &a);
  ASSERT_NE(p, nullptr);
  std::vector<uint32_t> entries;
  ASSERT_TRUE(mwsys::PaletteEntries(p, &entries));
  EXPECT_EQ(entries.size(), 16u);
  EXPECT_EQ(MD_CreatePalette(dc, &b), nullptr);
  mwsys::ReleaseDC(dc);
  EXPECT_TRUE(mwsys::DeletePalette(p));
  MK_FreeBitmap(&a);
  MK_FreeBitmap(&b);
}

TEST(File, ReadsBitmapFiles) {
  auto dib = BuildDib({3, 2, 8, 4, {}}, [](int32_t x, int32_t) { return uint32_t(x); });
  std::vector<uint8_t> file = {'B', 'M'};
  file.resize(14, 0);
  file.insert(file.end(), dib.begin(), dib.end());
  const std::string path = testing::TempDir() + "mwfile_test.bmp";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
  uint8_t info[kMwFileInfoSize];
  ASSERT_EQ(MF_GetFileInfo(path.c_str(), info, 0, 0), 1);
  EXPECT_EQ(reinterpret_cast<int32_t*>(info)[2], 8);
  MwBitmapHandle h{};
  ASSERT_EQ(MF_LoadFile(path.c_str(), &h, 0, 4, 0, 0), 1);
  EXPECT_EQ(MK_PixelRow(&h, 0)[2], 2);
  MK_FreeBitmap(&h);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size() - 1);
  EXPECT_EQ(MF_GetFileInfo(path.c_str(), info, 0, 0), 0);
  EXPECT_EQ(MF_LoadFile("/nonexistent.bmp", &h, 0, 4, 0, 0), 0);
  std::remove(path.c_str());
}
