// Raw 16-bit files.
#include "fennic/tests/test_util.h"

using namespace fennic_test;

TEST(Raw, ScanInfoAndRectangles) {
  TempFolder dir;
  write_bytes(dir / "f", {1, 0});
  Named shortf(dir / "f", 1);
  ScanInfo s;
  EXPECT_EQ(_GetScanInfo(shortf.get(), &s), 9);

  std::vector<uint16_t> px = {10, 11, 12, 20, 21, 22};
  write_bytes(dir / "g", raw_file(3, 2, px));
  Named f(dir / "g", 1);
  std::memset(&s, 0xAA, sizeof s);
  ASSERT_EQ(_GetScanInfo(f.get(), &s), 0);
  EXPECT_EQ(s.source, 8u);
  EXPECT_EQ(s.width, 3u);
  EXPECT_EQ(s.height, 2u);
  EXPECT_EQ(s.originX | s.originY | s.resolutionX | s.resolutionY | uint32_t(s.orientation), 0u);
  EXPECT_EQ(s.flipHorizontal | s.flipVertical, 0);
  EXPECT_NE(s.timestamp.high, 0u);

  std::vector<uint16_t> out;
  ASSERT_EQ(read_image(f.get(), scan_info(1, 0, 2, 2), 1, out), 0);
  EXPECT_EQ(out, (std::vector<uint16_t>{11, 12, 21, 22}));  // offsets 6, 8, 12, 14
  EXPECT_EQ(read_image(f.get(), scan_info(2, 0, 2, 2), 1, out), 3);
  EXPECT_EQ(read_image(f.get(), scan_info(0, 1, 3, 2), 1, out), 3);
}

TEST(Raw, CopyReproducesTheFile) {
  TempFolder dir;
  Bytes file = raw_file(7, 5, pattern(35));
  write_bytes(dir / "a.raw", file);
  Named src(dir / "a.raw", 1);
  ASSERT_EQ(_CopyRegion(src.get(), (dir / "b").c_str(), 0, 0, 6, 4), 0);
  EXPECT_EQ(read_bytes(dir / "b.raw"), file);
  EXPECT_EQ(_CopyRegion(src.get(), (dir / "c").c_str(), 0, 0, 7, 4), 3);
  EXPECT_EQ(_CopyRegion(src.get(), (dir / "c").c_str(), 0, 0, 6, 5), 3);
  ASSERT_EQ(_CopyRegion(src.get(), (dir / "d").c_str(), 6, 1, 6, 4), 0);
  Bytes d = read_bytes(dir / "d.raw");
  ASSERT_EQ(d.size(), 4u + 4 * 2);
  EXPECT_EQ(get16(d, 0), 1);
  EXPECT_EQ(get16(d, 2), 4);
  for (int y = 0; y < 4; ++y) EXPECT_EQ(get16(d, 4 + 2 * y), get16(file, 4 + ((y + 1) * 7 + 6) * 2));
}

TEST(Raw, WrittenFileReadsInNumpy) {
  REQUIRE_ORACLE(have_python_oracles(), "numpy");
  TempFolder dir;
  std::vector<uint16_t> px = pattern(9 * 4);
  ScanInfo s = scan_info(0, 0, 9, 4);
  ImageData d{1, 9, 4, px.data()};
  Named f(dir / "img", 1);
  ASSERT_EQ(_Write(f.get(), &s, &d), 0);
  ASSERT_EQ(_WriteRegion(f.get(), 2, 1, 5, 3, &s, &d), 0);  // replaces img.raw
  std::string out;
  ASSERT_EQ(python("import numpy as np\n"
                   "b = np.fromfile('" +
                       dir / "img.raw" +
                       "', dtype='<u2')\n"
                       "w, h = int(b[0]), int(b[1])\n"
                       "print(w, h, ' '.join(str(v) for v in b[2:].reshape(h, w).ravel()))\n",
                   &out),
            0)
      << out;
  std::string want = "4 3";
  for (int y = 1; y <= 3; ++y)
    for (int x = 2; x <= 5; ++x) {
      want += ' ';
      want += std::to_string(px[y * 9 + x]);
    }
  EXPECT_EQ(out, want + "\n");
}
