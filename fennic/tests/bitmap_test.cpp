// Bitmaps: written bytes, other programs reading them in both row orders,
// the two ways of reading, header checks and region copies.
#include "fennic/tests/test_util.h"

using namespace fennic_test;

namespace {

// A 24-bit bitmap with the given rows (stride bytes each, in storage order).
Bytes bitmap(int32_t w, int32_t h, const Bytes& rows, uint16_t bpp = 24, uint32_t compression = 0) {
  Bytes b = {'B', 'M'};
  put32(b, uint32_t(54 + rows.size()));
  put32(b, 0);
  put32(b, 54);
  put32(b, 40);
  put32(b, uint32_t(w));
  put32(b, uint32_t(h));
  put16(b, 1);
  put16(b, bpp);
  put32(b, compression);
  put32(b, uint32_t(rows.size()));
  put32(b, 2835);
  put32(b, 2836);
  put32(b, 0);
  put32(b, 0);
  b.insert(b.end(), rows.begin(), rows.end());
  return b;
}

}  // namespace

TEST(Bitmap, WriterBytes) {
  TempFolder dir;
  std::vector<uint16_t> px = {0x0102, 0x0304, 0x0506, 0x0708, 0x090A, 0x0B0C};
  for (uint8_t flip : {0, 1}) {
    ScanInfo s = scan_info(0, 0, 3, 2);
    s.flipVertical = flip;
    ImageData d{1, 3, 2, px.data()};
    Named f(dir / "b.bmp", 2);
    ASSERT_EQ(_Write(f.get(), &s, &d), 0);
    EXPECT_EQ(f->type, 3u);
    Bytes rows = {0x02, 0x01, 0, 0x04, 0x03, 0, 0x06, 0x05, 0, 0, 0, 0,
                  0x08, 0x07, 0, 0x0A, 0x09, 0, 0x0C, 0x0B, 0, 0, 0, 0};
    Bytes want = bitmap(3, flip ? 2 : -2, rows);
    Bytes b = read_bytes(dir / "b.bmp");
    ASSERT_EQ(b.size(), 78u);
    EXPECT_EQ(get32(b, 2), 78u);
    EXPECT_EQ(int32_t(get32(b, 22)), flip ? 2 : -2);
    EXPECT_EQ(get32(b, 34), 24u);
    EXPECT_EQ(get32(b, 38), 11811u);
    EXPECT_EQ(get32(b, 42), 11812u);
    // Everything else as the reference layout (whose pels per metre differ).
    std::copy(b.begin() + 38, b.begin() + 46, want.begin() + 38);
    EXPECT_EQ(b, want);
    // Reading keeps the storage order and the flip.
    ScanInfo got;
    f->type = 3;
    ASSERT_EQ(_GetScanInfo(f.get(), &got), 0);
    EXPECT_EQ(got.flipVertical, flip);
    EXPECT_EQ(got.height, 2u);
    EXPECT_EQ(got.source, 2u);
    std::vector<uint16_t> back;
    ASSERT_EQ(read_image(f.get(), got, 1, back), 0);
    EXPECT_EQ(back, px);
  }
  // A region: 2 x 2 rows of stride 8.
  std::vector<uint16_t> big = pattern(4 * 3);
  ScanInfo s = scan_info(0, 0, 4, 3);
  ImageData d{1, 4, 3, big.data()};
  Named r(dir / "r", 3);
  ASSERT_EQ(_WriteRegion(r.get(), 1, 1, 2, 2, &s, &d), 0);
  Bytes b = read_bytes(dir / "r.bmp");
  ASSERT_EQ(b.size(), 70u);
  EXPECT_EQ(get32(b, 2), 70u);
  EXPECT_EQ(int32_t(get32(b, 22)), -2);
  EXPECT_EQ(get32(b, 34), 16u);
  EXPECT_EQ(get16(b, 54), big[5]);
  EXPECT_EQ(get16(b, 57), big[6]);
  EXPECT_EQ(get16(b, 62), big[9]);
}

TEST(Bitmap, OtherProgramsReadBothRowOrders) {
  REQUIRE_ORACLE(have_python_oracles() && have_tool("/usr/bin/convert"), "PIL, ImageMagick");
  TempFolder dir;
  std::vector<uint16_t> px = pattern(5 * 3);
  for (uint8_t flip : {0, 1}) {
    ScanInfo s = scan_info(0, 0, 5, 3);
    s.flipVertical = flip;
    ImageData d{1, 5, 3, px.data()};
    Named f(dir / "o.bmp", 3);
    ASSERT_EQ(_Write(f.get(), &s, &d), 0);
    // Memory row r is shown as row r (top-down) or, bottom-up, as row H-1-r.
    std::string want;
    for (int row = 0; row < 3; ++row) {
      int r = flip ? 2 - row : row;
      for (int x = 0; x < 5; ++x) {
        uint16_t v = px[r * 5 + x];
        want += std::to_string(0) + "," + std::to_string(v >> 8) + "," + std::to_string(v & 0xFF) + " ";
      }
    }
    std::string out;
    ASSERT_EQ(python("from PIL import Image\nim = Image.open('" + dir / "o.bmp" +
                         "').convert('RGB')\n"
                         "print(''.join('%d,%d,%d ' % im.getpixel((x, y)) for y in range(3) for x in range(5)))\n",
                     &out),
              0)
        << out;
    EXPECT_EQ(out, want + "\n") << int(flip);
    ASSERT_EQ(run("/usr/bin/convert " + dir / "o.bmp" + " -depth 8 rgb:" + dir / "o.rgb", &out), 0) << out;
    Bytes rgb = read_bytes(dir / "o.rgb");
    std::string im;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3)
      im += std::to_string(rgb[i]) + "," + std::to_string(rgb[i + 1]) + "," + std::to_string(rgb[i + 2]) + " ";
    EXPECT_EQ(im, want) << int(flip);
  }
}

TEST(Bitmap, PixelValuesOfBothTypes) {
  TempFolder dir;
  // Width 5: stride 16. White, red, blue, and two breadboard pixels.
  Bytes rows = {255, 255, 255, 0, 0, 255, 255, 0, 0, 0x34, 0x12, 0x99, 0, 0, 0, 7, 7, 7};
  rows.resize(16, 0xEE);
  write_bytes(dir / "p.bmp", bitmap(5, 1, rows));
  Named f(dir / "p.bmp", 2);
  std::vector<uint16_t> out;
  ASSERT_EQ(read_image(f.get(), scan_info(0, 0, 5, 1), 1, out), 0);
  EXPECT_EQ(out, (std::vector<uint16_t>{25500, 7650, 2805, 0x34 * 11 + 0x12 * 59 + 0x99 * 30, 0}));
  f->type = 3;
  ASSERT_EQ(read_image(f.get(), scan_info(0, 0, 5, 1), 1, out), 0);
  EXPECT_EQ(out, (std::vector<uint16_t>{0xFFFF, 0, 0x00FF, 4660, 0}));
  EXPECT_EQ(read_image(f.get(), scan_info(1, 0, 5, 1), 1, out), 3);
  EXPECT_EQ(read_image(f.get(), scan_info(0, 0, 5, 2), 1, out), 3);
  ScanInfo s;
  ASSERT_EQ(_GetScanInfo(f.get(), &s), 0);
  EXPECT_EQ(s.flipVertical, 1);
  EXPECT_EQ(s.resolutionX, 2835u);
  EXPECT_EQ(s.resolutionY, 2836u);
  // A last row without its padding still reads.
  rows.resize(15);
  write_bytes(dir / "q.bmp", bitmap(5, -1, rows));
  Named q(dir / "q.bmp", 3);
  ASSERT_EQ(read_image(q.get(), scan_info(0, 0, 5, 1), 1, out), 0);
  EXPECT_EQ(out[3], 4660);
  ASSERT_EQ(_GetScanInfo(q.get(), &s), 0);
  EXPECT_EQ(s.flipVertical, 0);
  EXPECT_EQ(s.height, 1u);
}

TEST(Bitmap, HeaderChecks) {
  TempFolder dir;
  Bytes ok = bitmap(1, 1, {1, 2, 3, 0});
  struct Case {
    const char* what;
    Bytes file;
    int rc;
  } cases[] = {
      {"BA",
       [&] {
         Bytes b = ok;
         b[1] = 'A';
         return b;
       }(),
       13},
      {"32 bits", bitmap(1, 1, {1, 2, 3, 4}, 32), 14},
      {"RLE", bitmap(1, 1, {1, 2, 3, 0}, 24, 1), 14},
      {"two planes",
       [&] {
         Bytes b = ok;
         b[26] = 2;
         return b;
       }(),
       14},
      {"core header",
       [&] {
         Bytes b = ok;
         b[14] = 12;
         return b;
       }(),
       14},
      {"negative width", bitmap(-1, 1, {1, 2, 3, 0}), 14},
      {"short info header", Bytes(ok.begin(), ok.begin() + 30), 9},
      {"short file header", Bytes(ok.begin(), ok.begin() + 10), 9},
  };
  for (const Case& c : cases) {
    write_bytes(dir / "h.bmp", c.file);
    Named f(dir / "h.bmp", 2);
    ScanInfo s;
    EXPECT_EQ(_GetScanInfo(f.get(), &s), c.rc) << c.what;
    std::vector<uint16_t> out;
    EXPECT_EQ(read_image(f.get(), scan_info(0, 0, 1, 1), 1, out), c.rc) << c.what;
    EXPECT_EQ(_CopyRegion(f.get(), (dir / "c.bmp").c_str(), 0, 0, 0, 0), c.rc) << c.what;
  }
}

TEST(Bitmap, CopyKeepsOrderAndZeroesPadding) {
  TempFolder dir;
  // Width 3 (stride 12, three padding bytes 0xEE), two rows; the last row has no padding.
  Bytes rows = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0xEE, 0xEE, 0xEE, 11, 12, 13, 14, 15, 16, 17, 18, 19};
  for (int32_t h : {2, -2}) {
    write_bytes(dir / "s.bmp", bitmap(3, h, rows));
    Named src(dir / "s.bmp", 3);
    // The last column of the last row: 3 bytes read, one byte of zero padding.
    ASSERT_EQ(_CopyRegion(src.get(), (dir / "c").c_str(), 2, 1, 2, 1), 0);
    Bytes c = read_bytes(dir / "c.bmp");
    ASSERT_EQ(c.size(), 58u);
    EXPECT_EQ(int32_t(get32(c, 22)), h > 0 ? 1 : -1);
    EXPECT_EQ(get32(c, 34), 4u);
    EXPECT_EQ(get32(c, 38), 2835u);
    EXPECT_EQ(get32(c, 42), 2836u);
    EXPECT_EQ(Bytes(c.begin() + 54, c.end()), (Bytes{17, 18, 19, 0}));
    // Two columns of both rows.
    ASSERT_EQ(_CopyRegion(src.get(), (dir / "d").c_str(), 0, 0, 1, 1), 0);
    c = read_bytes(dir / "d.bmp");
    EXPECT_EQ(Bytes(c.begin() + 54, c.end()), (Bytes{1, 2, 3, 4, 5, 6, 0, 0, 11, 12, 13, 14, 15, 16, 0, 0}));
    EXPECT_EQ(_CopyRegion(src.get(), (dir / "e").c_str(), 0, 0, 3, 1), 3);
    EXPECT_EQ(_CopyRegion(src.get(), (dir / "e").c_str(), 0, 0, 2, 2), 3);
  }
}
