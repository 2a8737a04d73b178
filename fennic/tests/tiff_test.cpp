// TIFF: the written layout against libtiff's tiffdump, tifffile and PIL;
// hand-built directories for the reader's rules.
#include "fennic/tests/test_util.h"

using namespace fennic_test;

namespace {

// A little-endian TIFF built entry by entry; data goes after the directory.
struct TiffBuilder {
  struct E {
    uint16_t tag, type;
    uint32_t count, value;
  };
  std::vector<E> entries;
  Bytes data;
  Bytes head = {'I', 'I', 42, 0};
  TiffBuilder& add(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
    entries.push_back({tag, type, count, value});
    return *this;
  }
  uint32_t data_at() const { return uint32_t(8 + 2 + 12 * entries.size() + 4 + data.size()); }
  // Appends bytes to the data area (call after every entry is added); returns their offset.
  uint32_t put(const Bytes& b) {
    uint32_t at = data_at();
    data.insert(data.end(), b.begin(), b.end());
    return at;
  }
  Bytes build() const {
    Bytes b = head;
    put32(b, 8);
    put16(b, uint32_t(entries.size()));
    for (const E& e : entries) {
      put16(b, e.tag);
      put16(b, e.type);
      put32(b, e.count);
      put32(b, e.value);
    }
    put32(b, 0);
    b.insert(b.end(), data.begin(), data.end());
    return b;
  }
};

// A 16-bit grey TIFF without the private block: W x H pixels in one strip.
Bytes plain16(uint32_t w, uint32_t h, const std::vector<uint16_t>& px, uint32_t photometric = 1) {
  TiffBuilder t;
  t.add(256, 3, 1, w).add(257, 3, 1, h).add(258, 3, 1, 16).add(259, 3, 1, 1).add(262, 3, 1, photometric);
  t.add(273, 4, 1, 0).add(279, 4, 1, w * h * 2);
  Bytes b;
  append(b, px);
  t.entries[5].value = t.put(b);
  return t.build();
}

ScanInfo read_info(const std::string& path, uint32_t& type, int* rc = nullptr) {
  Named f(path, type);
  ScanInfo s{};
  int r = _GetScanInfo(f.get(), &s);
  if (rc) *rc = r;
  type = f->type;
  return s;
}

}  // namespace

TEST(Tiff, WrittenLayoutByteByByte) {
  TempFolder dir;
  std::vector<uint16_t> px = pattern(5 * 3);
  ScanInfo s = scan_info(100, 50, 5, 3);
  ImageData d{1, 5, 3, px.data()};
  Named f(dir / "a", 4);
  ASSERT_EQ(_Write(f.get(), &s, &d), 0);
  EXPECT_EQ(f->type, 9u);
  Bytes b = read_bytes(dir / "a.tif");
  ASSERT_EQ(b.size(), 220u + 30);
  EXPECT_EQ(get32(b, 0), 0x002A4949u);
  EXPECT_EQ(get32(b, 4), 8u);
  EXPECT_EQ(get16(b, 8), 12u);
  const uint32_t want[12][4] = {{256, 4, 1, 5},   {257, 4, 1, 3},   {258, 3, 1, 16}, {259, 3, 1, 1},
                                {262, 3, 1, 1},   {273, 4, 1, 220}, {278, 4, 1, 3},  {279, 4, 1, 30},
                                {282, 5, 1, 158}, {283, 5, 1, 166}, {296, 3, 1, 3},  {55385, 4, 1, 174}};
  for (int i = 0; i < 12; ++i) {
    const size_t at = 10 + 12 * i;
    EXPECT_EQ(get16(b, at), want[i][0]);
    EXPECT_EQ(get16(b, at + 2), want[i][1]);
    EXPECT_EQ(get32(b, at + 4), want[i][2]);
    EXPECT_EQ(get32(b, at + 8), want[i][3]) << want[i][0];
  }
  EXPECT_EQ(get32(b, 154), 0u);
  EXPECT_EQ(get32(b, 158), 11811u);
  EXPECT_EQ(get32(b, 162), 100u);
  EXPECT_EQ(get32(b, 166), 11812u);
  EXPECT_EQ(get32(b, 170), 100u);
  EXPECT_EQ(get32(b, 174), 9u);
  EXPECT_EQ(std::memcmp(b.data() + 178, &s, 42), 0);
  EXPECT_EQ(std::memcmp(b.data() + 220, px.data(), 30), 0);
}

TEST(Tiff, WrittenFilePassesTheOracles) {
  REQUIRE_ORACLE(have_tool("/usr/bin/tiffdump") && have_python_oracles(), "tiffdump, tifffile, PIL");
  TempFolder dir;
  std::vector<uint16_t> px = pattern(7 * 4);
  ScanInfo s = scan_info(0, 0, 7, 4);
  ImageData d{1, 7, 4, px.data()};
  Named f(dir / "a.tif", 9);
  ASSERT_EQ(_Write(f.get(), &s, &d), 0);
  std::string dump;
  ASSERT_EQ(run("/usr/bin/tiffdump " + dir / "a.tif", &dump), 0);
  const char* lines[] = {"ImageWidth (256) LONG (4) 1<7>",           "ImageLength (257) LONG (4) 1<4>",
                         "BitsPerSample (258) SHORT (3) 1<16>",      "Compression (259) SHORT (3) 1<1>",
                         "Photometric (262) SHORT (3) 1<1>",         "StripOffsets (273) LONG (4) 1<220>",
                         "RowsPerStrip (278) LONG (4) 1<4>",         "StripByteCounts (279) LONG (4) 1<56>",
                         "XResolution (282) RATIONAL (5) 1<118.11>", "YResolution (283) RATIONAL (5) 1<118.12>",
                         "ResolutionUnit (296) SHORT (3) 1<3>",      "55385 (0xd859) LONG (4) 1<174>"};
  size_t entries = 0;
  for (size_t at = 0; (at = dump.find(" 1<", at)) != std::string::npos; ++at) ++entries;
  for (const char* l : lines) EXPECT_NE(dump.find(l), std::string::npos) << l << "\n" << dump;
  EXPECT_NE(dump.find("Directory 0: offset 8 (0x8) next 0 (0)"), std::string::npos) << dump;
  EXPECT_EQ(entries, 12u) << dump;

  std::string out;
  ASSERT_EQ(python("import tifffile\nfrom PIL import Image\n"
                   "p = tifffile.TiffFile('" +
                       dir / "a.tif" +
                       "').pages[0]\n"
                       "print(' '.join(map(str, p.asarray().ravel())))\n"
                       "print(p.tags[55385].value, p.tags['XResolution'].value, p.tags['YResolution'].value)\n"
                       "im = Image.open('" +
                       dir / "a.tif" +
                       "')\n"
                       "print(im.mode, im.size, round(im.info['dpi'][0], 4), im.getpixel((6, 3)))\n",
                   &out),
            0)
      << out;
  std::string pixels;
  for (uint16_t v : px) {
    if (!pixels.empty()) pixels += ' ';
    pixels += std::to_string(v);
  }
  EXPECT_EQ(out, pixels + "\n174 (11811, 100) (11812, 100)\nI;16 (7, 4) 299.9994 " + std::to_string(px.back()) + "\n");
}

TEST(Tiff, RoundTripKeepsTheRecord) {
  TempFolder dir;
  std::vector<uint16_t> px = pattern(6 * 5);
  ScanInfo s = scan_info(100, 50, 6, 5);
  s.source = kSourceHpScannerV0;
  ImageData d{1, 6, 5, px.data()};
  Named f(dir / "r.tif", 9);
  ASSERT_EQ(_Write(f.get(), &s, &d), 0);
  ASSERT_EQ(_GetFileInfo(f.get()), 0);
  EXPECT_EQ(f->type, 4u);
  uint32_t type = 4;
  ScanInfo got = read_info(f.name, type);
  EXPECT_EQ(type, 9u);
  ScanInfo want = s;
  want.source = 5;
  want.originX = uint32_t(100 * 0.0254L * 11811 / 300);
  want.originY = uint32_t(50 * 0.0254L * 11812 / 300);
  EXPECT_EQ(std::memcmp(&got, &want, 42), 0);
  // The file's origin is the converted one.
  std::vector<uint16_t> back;
  f->type = 9;
  ScanInfo r = got;
  ASSERT_EQ(read_image(f.get(), r, 1, back), 0);
  EXPECT_EQ(back, px);
}

TEST(Tiff, ResolutionFromRationals) {
  TempFolder dir;
  struct Case {
    uint32_t num, den, unit;
    bool has_unit;
    uint32_t want;
  } cases[] = {{300, 1, 2, true, 11811},
               {118, 1, 3, true, 11800},
               {300, 1, 0, false, 11811},
               {5, 0, 2, true, 0},
               {0xFFFFFFFF, 1, 3, true, 0xFFFFFFFF},
               {72, 1, 1, true, 7200}};
  for (const Case& c : cases) {
    TiffBuilder t;
    t.add(256, 4, 1, 1).add(257, 4, 1, 1).add(258, 3, 1, 16).add(282, 5, 1, 0).add(283, 5, 1, 0);
    if (c.has_unit) t.add(296, 3, 1, c.unit);
    Bytes r;
    put32(r, c.num);
    put32(r, c.den);
    t.entries[3].value = t.entries[4].value = t.put(r);
    write_bytes(dir / "r.tif", t.build());
    uint32_t type = 4;
    ScanInfo s = read_info(dir / "r.tif", type);
    EXPECT_EQ(type, 9u);
    EXPECT_EQ(s.source, 2u);
    EXPECT_EQ(s.resolutionX, c.want) << c.num << "/" << c.den << " unit " << c.unit;
    EXPECT_EQ(s.resolutionY, c.want);
  }
}

TEST(Tiff, HeaderAndDirectoryChecks) {
  TempFolder dir;
  std::vector<uint16_t> px = pattern(4);
  struct Case {
    const char* what;
    Bytes file;
    int rc;
  } cases[] = {
      {"not a TIFF", {'I', 'X', 42, 0, 8, 0, 0, 0}, 15},
      {"wrong magic", {'I', 'I', 43, 0, 8, 0, 0, 0}, 15},
      {"big-endian", {'M', 'M', 0, 42, 0, 0, 0, 8}, 16},
      {"short header", {'I', 'I', 42, 0, 8}, 9},
      {"directory beyond the file", {'I', 'I', 42, 0, 200, 0, 0, 0}, 9},
  };
  for (const Case& c : cases) {
    write_bytes(dir / "t.tif", c.file);
    uint32_t type = 4;
    int rc;
    read_info(dir / "t.tif", type, &rc);
    EXPECT_EQ(rc, c.rc) << c.what;
    Named f(dir / "t.tif", 9);
    std::vector<uint16_t> out;
    EXPECT_EQ(read_image(f.get(), scan_info(0, 0, 0, 0), 1, out), c.rc) << c.what;
    EXPECT_EQ(_CopyRegion(f.get(), (dir / "copy.tif").c_str(), 0, 0, 0, 0), c.rc) << c.what;
  }
  // Compression 5 and a private block of an unknown type.
  Bytes lzw = plain16(2, 2, px);
  lzw[10 + 3 * 12 + 8] = 5;
  write_bytes(dir / "lzw.tif", lzw);
  uint32_t type = 4;
  int rc;
  read_info(dir / "lzw.tif", type, &rc);
  EXPECT_EQ(rc, 16);
  for (uint32_t kind : {3u, 10u, 0u}) {
    TiffBuilder t;
    t.add(256, 4, 1, 2).add(257, 4, 1, 2).add(258, 3, 1, 16).add(273, 4, 1, 0).add(55385, 4, 1, 0);
    Bytes block;
    put32(block, kind);
    block.resize(4 + 42);
    t.entries[4].value = t.put(block);
    t.entries[3].value = t.put(Bytes(8));
    write_bytes(dir / "k.tif", t.build());
    type = 4;
    read_info(dir / "k.tif", type, &rc);
    EXPECT_EQ(rc, 16) << kind;
    EXPECT_EQ(type, 9u);  // from BitsPerSample; the block's type is not taken
  }
  // A known block type is taken before the record after it is read.
  TiffBuilder t;
  t.add(256, 4, 1, 2).add(257, 4, 1, 2).add(258, 3, 1, 16).add(55385, 4, 1, 0);
  Bytes block;
  put32(block, 7);
  block.resize(4 + 20);
  t.entries[3].value = t.put(block);
  write_bytes(dir / "short.tif", t.build());
  type = 4;
  read_info(dir / "short.tif", type, &rc);
  EXPECT_EQ(rc, 9);
  EXPECT_EQ(type, 7u);
}

TEST(Tiff, MinIsWhiteStoresTheComplementOfTheMean) {
  TempFolder dir;
  TiffBuilder t;
  t.add(256, 3, 1, 2).add(257, 3, 1, 2).add(258, 3, 1, 8).add(262, 3, 1, 0).add(273, 4, 1, 0).add(279, 4, 1, 4);
  t.entries[4].value = t.put({0, 255, 1, 2});
  write_bytes(dir / "w.tif", t.build());
  Named f(dir / "w.tif", 4);
  std::vector<uint16_t> out;
  ASSERT_EQ(read_image(f.get(), scan_info(0, 0, 2, 2), 1, out), 0);
  EXPECT_EQ(out, (std::vector<uint16_t>{65535, 65280, 65534, 65533}));
  ASSERT_EQ(read_image(f.get(), scan_info(0, 0, 2, 2), 2, out), 0);
  EXPECT_EQ(out, (std::vector<uint16_t>{65535 - 64}));  // (0 + 255 + 1 + 2) / 4 = 64
  EXPECT_EQ(read_image(f.get(), scan_info(1, 0, 2, 1), 1, out), 3);
  EXPECT_EQ(read_image(f.get(), scan_info(0, 1, 1, 2), 1, out), 3);
}

TEST(Tiff, RgbWeights) {
  TempFolder dir;
  TiffBuilder t;
  t.add(256, 3, 1, 1).add(257, 3, 1, 1).add(258, 3, 3, 0).add(262, 3, 1, 2).add(273, 4, 1, 0);
  t.add(277, 3, 1, 3).add(279, 4, 1, 3);
  t.entries[2].value = t.put({8, 0, 8, 0, 8, 0});
  t.entries[4].value = t.put({10, 20, 30});
  write_bytes(dir / "c.tif", t.build());
  Named f(dir / "c.tif", 4);
  ScanInfo s;
  ASSERT_EQ(_GetScanInfo(f.get(), &s), 0);
  EXPECT_EQ(f->type, 4u);
  std::vector<uint16_t> out;
  ASSERT_EQ(read_image(f.get(), scan_info(0, 0, 1, 1), 1, out), 0);
  EXPECT_EQ(out[0], 2190);
}

TEST(Tiff, StripTablesByFieldType) {
  TempFolder dir;
  const Bytes pixels = {1, 2, 3, 4, 5, 6};  // 2 x 3 grey
  struct Case {
    const char* what;
    uint16_t type;
    std::vector<uint32_t> counts;  // strip byte counts; their data follow in order
    int counts_entries;  // count field of 279 (its arrays are always full)
    int rc;
  } cases[] = {
      {"two SHORT strips inline", 3, {4, 2}, 2, 0},        {"three SHORT strips", 3, {2, 2, 2}, 3, 0},
      {"three LONG strips", 4, {2, 2, 2}, 3, 0},           {"empty strip between", 4, {3, 0, 3}, 3, 0},
      {"counts differ from offsets", 4, {2, 2, 2}, 2, 16}, {"strips short of the image", 4, {2, 2, 1}, 3, 9},
  };
  for (const Case& c : cases) {
    TiffBuilder t;
    const uint32_t n = uint32_t(c.counts.size());
    const uint32_t size = c.type == 3 ? 2 : 4;
    t.add(256, 3, 1, 2)
        .add(257, 3, 1, 3)
        .add(258, 3, 1, 8)
        .add(273, c.type, n, 0)
        .add(279, c.type, c.counts_entries, 0);
    // Strip data in reverse order in the file, so that offsets matter.
    std::vector<uint32_t> at(n);
    size_t from = 0;
    std::vector<size_t> starts;
    for (uint32_t i = 0; i < n; ++i) starts.push_back(from), from += c.counts[i];
    for (uint32_t i = n; i-- > 0;)
      at[i] = t.put(Bytes(pixels.begin() + long(std::min(starts[i], pixels.size())),
                          pixels.begin() + long(std::min(starts[i] + c.counts[i], pixels.size()))));
    auto table = [&](const std::vector<uint32_t>& v) {
      Bytes b;
      for (uint32_t x : v) size == 2 ? put16(b, x) : put32(b, x);
      return b;
    };
    if (n * size <= 4) {
      Bytes a = table(at), b = table(c.counts);
      a.resize(4), b.resize(4);
      t.entries[3].value = get32(a, 0);
      t.entries[4].value = get32(b, 0);
    } else {
      t.entries[3].value = t.put(table(at));
      t.entries[4].value = t.put(table(c.counts));
    }
    write_bytes(dir / "s.tif", t.build());
    Named f(dir / "s.tif", 4);
    std::vector<uint16_t> out;
    ASSERT_EQ(read_image(f.get(), scan_info(0, 0, 2, 3), 1, out), c.rc) << c.what;
    if (c.rc == 0) {
      EXPECT_EQ(out, (std::vector<uint16_t>{1, 2, 3, 4, 5, 6})) << c.what;
    }
    ASSERT_EQ(read_image(f.get(), scan_info(0, 1, 2, 2), 2, out), c.rc) << c.what;
    if (c.rc == 0) {
      EXPECT_EQ(out[0], (3 + 4 + 5 + 6) / 4) << c.what;
    }
  }
}

TEST(Tiff, OneStripMustHoldTheImage) {
  TempFolder dir;
  TiffBuilder t;
  t.add(256, 3, 1, 2).add(257, 3, 1, 2).add(258, 3, 1, 8).add(273, 4, 1, 0).add(279, 4, 1, 3);
  t.entries[3].value = t.put({1, 2, 3, 4});
  write_bytes(dir / "o.tif", t.build());
  Named f(dir / "o.tif", 4);
  std::vector<uint16_t> out;
  EXPECT_EQ(read_image(f.get(), scan_info(0, 0, 1, 1), 1, out), 16);
  EXPECT_EQ(read_image(f.get(), scan_info(0, 0, 3, 1), 1, out), 16);
}

TEST(Tiff, RectanglesAndInvertedSixteenBit) {
  TempFolder dir;
  std::vector<uint16_t> px = {0, 1, 2, 3, 4, 5};
  write_bytes(dir / "p.tif", plain16(3, 2, px, 0));
  Named f(dir / "p.tif", 4);
  ScanInfo s;
  ASSERT_EQ(_GetScanInfo(f.get(), &s), 0);
  EXPECT_EQ(f->type, 9u);
  EXPECT_EQ(s.source, 2u);
  EXPECT_EQ(s.originX | s.originY, 0u);
  std::vector<uint16_t> out;
  ASSERT_EQ(read_image(f.get(), scan_info(1, 0, 2, 2), 1, out), 0);
  EXPECT_EQ(out, (std::vector<uint16_t>{65534, 65533, 65531, 65530}));
  EXPECT_EQ(read_image(f.get(), scan_info(2, 0, 2, 2), 1, out), 3);
  EXPECT_EQ(read_image(f.get(), scan_info(0, 1, 3, 2), 1, out), 3);
}

TEST(Tiff, WriteRegionAndCopyRecordTheOrigin) {
  TempFolder dir;
  std::vector<uint16_t> px = pattern(20 * 10);
  ScanInfo s = scan_info(100, 50, 20, 10);
  ImageData d{1, 20, 10, px.data()};
  Named src(dir / "src.tif", 9);
  ASSERT_EQ(_Write(src.get(), &s, &d), 0);

  ASSERT_EQ(_CopyRegion(src.get(), (dir / "copy").c_str(), 105, 52, 119, 59), 0);
  Named reg(dir / "reg.tif", 9);
  ASSERT_EQ(_WriteRegion(reg.get(), 105, 52, 119, 59, &s, &d), 0);
  EXPECT_EQ(read_bytes(dir / "copy.tif"), read_bytes(dir / "reg.tif"));
  uint32_t type = 4;
  ScanInfo c = read_info(dir / "copy.tif", type);
  EXPECT_EQ(c.originX, 105u);
  EXPECT_EQ(c.originY, 52u);
  EXPECT_EQ(c.width, 15u);
  EXPECT_EQ(c.height, 8u);
  EXPECT_EQ(c.source, s.source);
  EXPECT_EQ(c.timestamp.low, s.timestamp.low);
  EXPECT_EQ(c.timestamp.high, s.timestamp.high);
  EXPECT_EQ(c.resolutionX, s.resolutionX);
  EXPECT_EQ(c.resolutionY, s.resolutionY);
  Named copy(dir / "copy.tif", 9);
  std::vector<uint16_t> out;
  ASSERT_EQ(read_image(copy.get(), c, 1, out), 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 15; ++x) ASSERT_EQ(out[y * 15 + x], px[(y + 2) * 20 + x + 5]);
  EXPECT_EQ(_CopyRegion(src.get(), (dir / "bad").c_str(), 99, 50, 100, 50), 3);
  EXPECT_EQ(_CopyRegion(src.get(), (dir / "bad").c_str(), 100, 50, 120, 50), 3);
  EXPECT_EQ(_CopyRegion(src.get(), (dir / "bad").c_str(), 100, 50, 100, 60), 3);
}

// Without the private block the copy takes the resolutions from the rationals,
// the source from "fennic" and the photometry from the source.
TEST(Tiff, CopyOfAPlainSixteenBitFile) {
  TempFolder dir;
  TiffBuilder t;
  t.add(256, 3, 1, 3).add(257, 3, 1, 2).add(258, 3, 1, 16).add(262, 3, 1, 0).add(273, 4, 1, 0);
  t.add(282, 5, 1, 0).add(283, 5, 1, 0).add(296, 3, 1, 2);
  Bytes r;
  put32(r, 300), put32(r, 1);
  t.entries[5].value = t.entries[6].value = t.put(r);
  Bytes px;
  append(px, std::vector<uint16_t>{1, 2, 3, 4, 5, 6});
  t.entries[4].value = t.put(px);
  write_bytes(dir / "p.tif", t.build());
  Named src(dir / "p.tif", 9);
  ASSERT_EQ(_CopyRegion(src.get(), (dir / "c.tif").c_str(), 1, 0, 2, 1), 0);
  Bytes b = read_bytes(dir / "c.tif");
  ASSERT_EQ(b.size(), 220u + 8);
  EXPECT_EQ(get32(b, 10 + 4 * 12 + 8), 0u);  // photometric 0 kept
  EXPECT_EQ(get32(b, 158), 11811u);
  EXPECT_EQ(get32(b, 178), 2u);  // source "fennic"
  EXPECT_EQ(get32(b, 178 + 12), 1u);  // origin x
  EXPECT_EQ(get16(b, 220), 2);
  EXPECT_EQ(get16(b, 226), 6);
  // An 8-bit source is not copied as 16-bit values.
  TiffBuilder e;
  e.add(256, 3, 1, 2).add(257, 3, 1, 1).add(258, 3, 1, 8).add(273, 4, 1, 0).add(279, 4, 1, 2);
  e.entries[3].value = e.put({1, 2});
  write_bytes(dir / "e.tif", e.build());
  Named eight(dir / "e.tif", 4);
  EXPECT_EQ(_CopyRegion(eight.get(), (dir / "c8.tif").c_str(), 0, 0, 0, 0), 16);
}
