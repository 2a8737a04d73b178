// QEW versions 0, 1 and 2 from hand-built files; writers and the copier.
#include "fennic/tests/test_util.h"

using namespace fennic_test;

namespace {

bool same(const ScanInfo& a, const ScanInfo& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

TEST(Qew, ScanInfoOfEachVersion) {
  TempFolder dir;
  ScanInfo s = scan_info(3, 4, 2, 1);
  for (int v = 0; v <= 2; ++v) {
    write_bytes(dir / "f", qew_file(v, s, {1, 2}));
    Named f(dir / "f", 6);
    ScanInfo got;
    ASSERT_EQ(_GetScanInfo(f.get(), &got), 0);
    EXPECT_EQ(f->type, v == 0 ? 6u : v == 1 ? 8u : 10u);
    ScanInfo want = s;
    if (v < 2) want.orientation = 0, want.flipHorizontal = 0, want.flipVertical = 0;
    EXPECT_TRUE(same(got, want)) << v;
    // Pixels start at 40, 56 and 46.
    std::vector<uint16_t> px;
    EXPECT_EQ(read_image(f.get(), s, 1, px), 0);
    EXPECT_EQ(px, (std::vector<uint16_t>{1, 2})) << v;
  }
}

TEST(Qew, BadHeaders) {
  TempFolder dir;
  struct Case {
    Bytes bytes;
    int rc;
    uint32_t type;  // after _GetScanInfo, starting from 10
  } cases[] = {
      {{'Q', 'E', 'W', 3, 0, 0}, 18, 10}, {{'Q', 'E', 'x', 0}, 18, 10},     {{'B', 'M', 'W', 2}, 17, 10},
      {{'Q', 'E', 'W'}, 9, 10},           {{'Q', 'E', 'W', 0, 1, 2}, 9, 6}, {{'Q', 'E', 'W', 1}, 9, 8},
  };
  for (const Case& c : cases) {
    write_bytes(dir / "f", c.bytes);
    Named f(dir / "f", 10);
    ScanInfo s;
    EXPECT_EQ(_GetScanInfo(f.get(), &s), c.rc);
    EXPECT_EQ(f->type, c.type);
    std::vector<uint16_t> px;
    f->type = 10;
    EXPECT_EQ(read_image(f.get(), scan_info(0, 0, 1, 1), 1, px), c.rc);
    EXPECT_EQ(_CopyRegion(f.get(), (dir / "out.qew").c_str(), 0, 0, 0, 0), c.rc);
    EXPECT_FALSE(exists(dir / "out.qew"));  // nothing made
  }
}

// Old scanner records: origin in 1/300 inch, converted with 0.0254 in long double.
TEST(Qew, OldScannerOriginIsConverted) {
  TempFolder dir;
  struct Case {
    uint32_t origin, resolution, want;
  } cases[] = {{300, 11811, 299}, {150, 10000, 127}, {0, 11811, 0}, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}};
  for (const Case& c : cases) {
    ScanInfo s = scan_info(c.origin, c.origin, 1, 1);
    s.source = kSourceHpScannerV0;
    s.resolutionX = s.resolutionY = c.resolution;
    write_bytes(dir / "f", qew_file(0, s, {9}));
    Named f(dir / "f", 6);
    ScanInfo got;
    ASSERT_EQ(_GetScanInfo(f.get(), &got), 0);
    EXPECT_EQ(got.source, 5u);
    EXPECT_EQ(got.originX, c.want) << c.origin;
    EXPECT_EQ(got.originY, c.want);
  }
}

TEST(Qew, ReadRectangleMustLieInTheFile) {
  TempFolder dir;
  std::vector<uint16_t> px = pattern(200 * 100);
  write_bytes(dir / "f", qew_file(2, scan_info(100, 50, 200, 100), px));
  Named f(dir / "f", 10);
  struct Case {
    uint32_t x, y, w, h;
    int rc;
  } cases[] = {{100, 50, 200, 100, 0}, {99, 50, 200, 100, 3}, {150, 60, 150, 90, 0}, {150, 60, 151, 90, 3},
               {100, 49, 10, 10, 3},   {100, 60, 10, 91, 3},  {299, 149, 1, 1, 0},   {0xFFFFFFFF, 50, 2, 1, 3}};
  for (const Case& c : cases) {
    std::vector<uint16_t> out;
    ScanInfo r = scan_info(c.x, c.y, c.w, c.h);
    ASSERT_EQ(read_image(f.get(), r, 1, out), c.rc) << c.x << "," << c.y << " " << c.w << "x" << c.h;
    if (c.rc) continue;
    for (uint32_t y = 0; y < c.h; ++y)
      for (uint32_t x = 0; x < c.w; ++x) ASSERT_EQ(out[y * c.w + x], px[(c.y - 50 + y) * 200 + (c.x - 100 + x)]);
  }
}

TEST(Qew, TruncatedPixelsGive9) {
  TempFolder dir;
  Bytes b = qew_file(2, scan_info(0, 0, 4, 4), pattern(16));
  b.resize(b.size() - 1);
  write_bytes(dir / "f", b);
  Named f(dir / "f", 10);
  std::vector<uint16_t> out;
  EXPECT_EQ(read_image(f.get(), scan_info(0, 0, 4, 4), 1, out), 9);
  EXPECT_EQ(read_image(f.get(), scan_info(0, 0, 4, 4), 2, out), 9);
  EXPECT_EQ(read_image(f.get(), scan_info(0, 0, 4, 3), 1, out), 0);
  // A header claiming more than the file holds is not allocated for.
  write_bytes(dir / "g", qew_file(2, scan_info(0, 0, 0xFFFFFFFF, 0xFFFFFFFF), pattern(16)));
  Named g(dir / "g", 10);
  uint16_t one[1];
  ScanInfo r = scan_info(0, 0, 0x10000, 0x10000);
  ImageData d{0x10000, 1, 1, one};
  EXPECT_EQ(_ReadImage(g.get(), &r, &d), 9);
}

TEST(Qew, WritersRecordOriginAndSize) {
  TempFolder dir;
  std::vector<uint16_t> px = pattern(5 * 4);
  ScanInfo s = scan_info(10, 20, 5, 4);
  ImageData d{1, 5, 4, px.data()};
  Named whole(dir / "whole", 0);
  ASSERT_EQ(_Write(whole.get(), &s, &d), 0);
  Bytes b = read_bytes(dir / "whole.qew");
  Bytes want = qew_file(2, s, px);
  EXPECT_EQ(b, want);

  Named region(dir / "region.qew", 6);
  ASSERT_EQ(_WriteRegion(region.get(), 11, 21, 13, 23, &s, &d), 0);
  EXPECT_EQ(region->type, 10u);
  ScanInfo rs = s;
  rs.originX = 11, rs.originY = 21, rs.width = 3, rs.height = 3;
  std::vector<uint16_t> sub;
  for (int y = 1; y <= 3; ++y)
    for (int x = 1; x <= 3; ++x) sub.push_back(px[y * 5 + x]);
  EXPECT_EQ(read_bytes(dir / "region.qew"), qew_file(2, rs, sub));
}

TEST(Qew, CopyKeepsTheRecordAndWritesVersion2) {
  TempFolder dir;
  ScanInfo s = scan_info(100, 50, 6, 5);
  std::vector<uint16_t> px = pattern(30);
  write_bytes(dir / "v0.qew", qew_file(0, s, px));
  write_bytes(dir / "v1.qew", qew_file(1, s, px));
  for (const char* name : {"v0.qew", "v1.qew"}) {
    Named src(dir / name, 6);
    // One column at the file's last column.
    ASSERT_EQ(_CopyRegion(src.get(), (dir / "col.qew").c_str(), 105, 50, 105, 54), 0);
    EXPECT_EQ(_CopyRegion(src.get(), (dir / "bad.qew").c_str(), 105, 50, 106, 54), 3);
    EXPECT_EQ(_CopyRegion(src.get(), (dir / "bad.qew").c_str(), 99, 50, 100, 54), 3);
    EXPECT_EQ(_CopyRegion(src.get(), (dir / "bad.qew").c_str(), 100, 50, 100, 55), 3);
    ScanInfo want = s;
    want.orientation = 0, want.flipHorizontal = 0, want.flipVertical = 0;
    want.originX = 105, want.width = 1;
    std::vector<uint16_t> col;
    for (int y = 0; y < 5; ++y) col.push_back(px[y * 6 + 5]);
    EXPECT_EQ(read_bytes(dir / "col.qew"), qew_file(2, want, col)) << name;
  }
}
