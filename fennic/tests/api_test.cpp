// Whole-file exports: version, sentences, detection, argument checks in
// their order, default extensions, type rewriting and region rules.
#include <fcntl.h>
#include <sys/stat.h>

#include <functional>

#include "fennic/tests/test_util.h"
#include "testing/file_size_limit.h"

using namespace fennic_test;

TEST(Api, VersionAndSentences) {
  EXPECT_EQ(_Version(), 0x04020003u);
  const char* expected[] = {
      "The task was successfully completed.",
      "One of the parameters was inappropriate.",
      "No file name was provided.",
      "The indicated subregion is not actually within the image.",
      "The sampling is not appropriate for the operation.",
      "There was no image data.",
      "The file could not be found or opened.",
      "The file specified can not be created or written to.",
      "There was an error moving around the file.",
      "There was an error trying to read from the file.",
      "There was an error trying to write to the file.",
      "There was not enough memory to created temporary buffers.",
      "The file type selected is not appropriate for the operation.",
      "From the header, the file is not in the Bitmap format.",
      "This type of Bitmap image is not presently supported.",
      "From the header, the file is not in the TIFF format.",
      "This type of TIFF image is not presently supported.",
      "From the header, the file is not in the Brellan Proprietary format.",
      "This type of Brellan Proprietary image format is not presently supported.",
  };
  for (int code = 0; code <= 18; ++code) EXPECT_STREQ(_ErrorMessage(code), expected[code]) << code;
  EXPECT_EQ(_ErrorMessage(-1), nullptr);
  EXPECT_EQ(_ErrorMessage(19), nullptr);
}

TEST(Api, DetectionByFirstFourBytes) {
  TempFolder dir;
  struct Case {
    Bytes bytes;
    int rc;
    uint32_t type;
  } cases[] = {
      {{'I', 'I', '*'}, 9, 0},
      {{'I', 'I', '*', 0}, 0, 4},
      {{'B', 'M', 0, 0, 9}, 0, 2},
      {{'Q', 'E', 'W', 0}, 0, 6},
      {{'Q', 'E', 'W', 1}, 0, 8},
      {{'Q', 'E', 'W', 2}, 0, 10},
      {{'Q', 'E', 'W', 3}, 0, 11},
      {{'Q', 'E', 'X', 2}, 0, 11},
      {{'M', 'M', 0, '*'}, 0, 11},
      {{4, 0, 3, 0, 1, 2}, 0, 11},
      {{}, 9, 0},
  };
  for (const Case& c : cases) {
    write_bytes(dir / "f", c.bytes);
    Named f(dir / "f", 7);
    EXPECT_EQ(_GetFileInfo(f.get()), c.rc);
    EXPECT_EQ(f->type, c.type);
  }
}

// Only regular files are opened: a directory or a FIFO gives 6 at once.
TEST(Api, OpensOnlyRegularFiles) {
  TempFolder dir;
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  for (const std::string& name : {dir.path(), dir / "fifo", dir / "missing"}) {
    Named f(name, 10);
    EXPECT_EQ(_GetFileInfo(f.get()), 6) << name;
    f->type = 10;
    ScanInfo s;
    EXPECT_EQ(_GetScanInfo(f.get(), &s), 6) << name;
  }
}

TEST(Api, NullArgumentsComeFirst) {
  ScanInfo s = scan_info(0, 0, 2, 2);
  uint16_t px[4] = {};
  ImageData d{1, 2, 2, px};
  FileInfo none{10, nullptr};
  EXPECT_EQ(_GetFileInfo(nullptr), 1);
  none.type = 6;
  EXPECT_EQ(_GetFileInfo(&none), 2);
  EXPECT_EQ(none.type, 0u);  // reset before the name is looked at
  EXPECT_EQ(_GetScanInfo(nullptr, &s), 1);
  EXPECT_EQ(_GetScanInfo(&none, nullptr), 1);
  EXPECT_EQ(_GetScanInfo(&none, &s), 2);
  EXPECT_EQ(_ReadImage(&none, &s, nullptr), 1);
  EXPECT_EQ(_ReadImage(&none, nullptr, &d), 1);
  EXPECT_EQ(_ReadImage(&none, &s, &d), 2);
  EXPECT_EQ(_Write(&none, &s, nullptr), 1);
  EXPECT_EQ(_Write(&none, &s, &d), 2);
  EXPECT_EQ(_WriteRegion(&none, 0, 0, 1, 1, nullptr, &d), 1);
  EXPECT_EQ(_WriteRegion(&none, 0, 0, 1, 1, &s, &d), 2);
  EXPECT_EQ(_CopyRegion(nullptr, "x", 0, 0, 1, 1), 1);
  EXPECT_EQ(_CopyRegion(&none, nullptr, 0, 0, 1, 1), 1);
  EXPECT_EQ(_CopyRegion(&none, "x", 0, 0, 1, 1), 2);
}

TEST(Api, ScanInfoNeedsAReadableType) {
  TempFolder dir;
  write_bytes(dir / "f.qew", qew_file(2, scan_info(0, 0, 1, 1), {7}));
  for (uint32_t type : {0u, 11u, 12u, 0xFFFFFFFFu}) {
    Named f(dir / "f.qew", type);
    ScanInfo s;
    EXPECT_EQ(_GetScanInfo(f.get(), &s), 12) << type;
    uint16_t px[1];
    ImageData d{1, 1, 1, px};
    ScanInfo r = scan_info(0, 0, 1, 1);
    EXPECT_EQ(_ReadImage(f.get(), &r, &d), 12) << type;
    Named missing(dir / "none.qew", type);
    EXPECT_EQ(_GetScanInfo(missing.get(), &s), 6);
    EXPECT_EQ(_ReadImage(missing.get(), &r, &d), 6);
  }
}

TEST(Api, ReadImageChecksSamplingBeforeTheFile) {
  TempFolder dir;
  std::vector<uint16_t> px(1001 * 2);
  for (size_t i = 0; i < px.size(); ++i) px[i] = uint16_t(i % 1001);
  write_bytes(dir / "f.raw", raw_file(1001, 2, px));
  Named f(dir / "f.raw", 1);
  Named missing(dir / "none", 1);
  ScanInfo r = scan_info(0, 0, 1001, 2);
  std::vector<uint16_t> out(501);
  struct Case {
    uint32_t n, w, h;
    bool pixels;
    int rc;
  } cases[] = {{2, 500, 1, true, 0}, {2, 501, 1, true, 4},  {2, 500, 2, true, 4},
               {0, 0, 0, true, 4},   {1, 1001, 3, true, 4}, {2, 500, 1, false, 5}};
  for (const Case& c : cases) {
    ImageData d{c.n, c.w, c.h, c.pixels ? out.data() : nullptr};
    EXPECT_EQ(_ReadImage(missing.get(), &r, &d), c.rc == 0 ? 6 : c.rc) << c.n << " " << c.w;
    EXPECT_EQ(_ReadImage(f.get(), &r, &d), c.rc);
  }
  // Columns 0-999 are read, the last one is ignored.
  ImageData d{2, 500, 1, out.data()};
  ASSERT_EQ(_ReadImage(f.get(), &r, &d), 0);
  EXPECT_EQ(out[0], (0 + 1 + 0 + 1) / 4);
  EXPECT_EQ(out[499], (998 + 999) * 2 / 4);
}

TEST(Api, WriteAddsDefaultExtensionsAndRewritesType) {
  TempFolder dir;
  std::vector<uint16_t> px = pattern(6);
  ScanInfo s = scan_info(0, 0, 3, 2);
  ImageData d{1, 3, 2, px.data()};
  struct Case {
    uint32_t type;
    const char* name;
    const char* file;
    uint32_t after;
    Bytes magic;
  } cases[] = {
      {2, "a", "a.bmp", 3, {'B', 'M'}},
      {3, "b", "b.bmp", 3, {'B', 'M'}},
      {1, "c", "c.raw", 1, {3, 0, 2, 0}},
      {4, "d", "d.tif", 9, {'I', 'I', 42, 0}},
      {7, "e", "e.tif", 9, {'I', 'I'}},
      {0, "f", "f.qew", 10, {'Q', 'E', 'W', 2}},
      {11, "g", "g.qew", 10, {'Q', 'E', 'W'}},
      {99, "h", "h.qew", 10, {'Q', 'E', 'W'}},
      {10, "i.tif", "i.tif", 10, {'Q', 'E', 'W', 2}},
      {2, "j.x.y", "j.x.y", 3, {'B', 'M'}},
      {1, "k.d/l", "k.d/l.raw", 1, {3, 0}},
  };
  mkdir((dir / "k.d").c_str(), 0700);
  for (const Case& c : cases) {
    Named f(dir / c.name, c.type);
    EXPECT_EQ(_Write(f.get(), &s, &d), 0) << c.name;
    EXPECT_EQ(f->type, c.after) << c.name;
    EXPECT_EQ(f.name, dir / c.name);  // the record's name is not changed
    Bytes b = read_bytes(dir / c.file);
    ASSERT_GE(b.size(), c.magic.size()) << c.file;
    EXPECT_TRUE(std::equal(c.magic.begin(), c.magic.end(), b.begin())) << c.file;
  }
}

TEST(Api, WriteChecks) {
  TempFolder dir;
  std::vector<uint16_t> px = pattern(6);
  ScanInfo s = scan_info(0, 0, 3, 2);
  Named f(dir / "w", 10);
  ImageData sampled{2, 3, 2, px.data()}, empty{1, 3, 2, nullptr}, narrow{1, 2, 2, px.data()};
  EXPECT_EQ(_Write(f.get(), &s, &sampled), 4);
  EXPECT_EQ(_Write(f.get(), &s, &empty), 5);
  // An image whose size disagrees with the record it is written with.
  EXPECT_EQ(_Write(f.get(), &s, &narrow), 1);
  EXPECT_EQ(_WriteRegion(f.get(), 0, 0, 1, 1, &s, &narrow), 1);
  EXPECT_FALSE(exists(dir / "w.qew"));
  EXPECT_EQ(f->type, 10u);
  // Creation failures: a missing folder, a directory.
  Named nowhere(dir / "none/x.qew", 10);
  ImageData d{1, 3, 2, px.data()};
  EXPECT_EQ(_Write(nowhere.get(), &s, &d), 7);
  Named folder(dir.path() + "/.", 10);
  EXPECT_EQ(_Write(folder.get(), &s, &d), 7);
  // A device that takes no bytes.
  if (exists("/dev/full")) {
    ASSERT_EQ(symlink("/dev/full", (dir / "full.dev").c_str()), 0);
    for (uint32_t type : {1u, 3u, 9u, 10u}) {
      Named full(dir / "full.dev", type);
      EXPECT_EQ(_Write(full.get(), &s, &d), 10) << type;
    }
    struct stat st;
    EXPECT_EQ(lstat((dir / "full.dev").c_str(), &st), 0);  // only files of our own are removed
  }
}

TEST(Api, WriteRegionMustLieInTheImage) {
  TempFolder dir;
  std::vector<uint16_t> px = pattern(20 * 10);
  ScanInfo s = scan_info(100, 50, 20, 10);
  ImageData d{1, 20, 10, px.data()};
  Named f(dir / "r.qew", 10);
  struct Case {
    uint32_t x0, y0, x1, y1;
    int rc;
  } cases[] = {{100, 50, 119, 59, 0}, {100, 50, 120, 59, 3}, {99, 50, 110, 59, 3},  {105, 50, 104, 59, 3},
               {100, 49, 110, 59, 3}, {100, 50, 110, 60, 3}, {100, 55, 110, 54, 3}, {119, 59, 119, 59, 0}};
  for (const Case& c : cases) EXPECT_EQ(_WriteRegion(f.get(), c.x0, c.y0, c.x1, c.y1, &s, &d), c.rc) << c.x1;
  ImageData sampled{2, 20, 10, px.data()};
  EXPECT_EQ(_WriteRegion(f.get(), 100, 50, 101, 51, &s, &sampled), 4);
  // Sums from the caller do not wrap.
  ScanInfo far = scan_info(0xFFFFFFF0u, 0, 0x20, 1);
  std::vector<uint16_t> row(0x20);
  ImageData wide{1, 0x20, 1, row.data()};
  EXPECT_EQ(_WriteRegion(f.get(), 0xFFFFFFF0u, 0, 5, 0, &far, &wide), 3);
}

// Sizes that the format cannot hold are refused before a file is made.
TEST(Api, SizesBeyondTheFormatGive12) {
  TempFolder dir;
  std::vector<uint16_t> px(70000 * 2);
  ScanInfo s = scan_info(0, 0, 70000, 2);
  ImageData d{1, 70000, 2, px.data()};
  Named raw(dir / "wide", 1);
  EXPECT_EQ(_Write(raw.get(), &s, &d), 12);
  EXPECT_EQ(raw->type, 1u);
  EXPECT_EQ(_WriteRegion(raw.get(), 0, 0, 65535, 1, &s, &d), 12);
  EXPECT_FALSE(exists(dir / "wide.raw"));
  EXPECT_EQ(_WriteRegion(raw.get(), 0, 0, 65534, 1, &s, &d), 0);
  EXPECT_EQ(read_bytes(dir / "wide.raw").size(), 4u + 65535 * 2 * 2);
  // A TIFF of more than 4 GiB: checked from the sizes alone, the pixels are not touched.
  ScanInfo huge = scan_info(0, 0, 65536, 32768);
  uint16_t one = 0;
  ImageData big{1, 65536, 32768, &one};
  Named tif(dir / "huge", 9);
  EXPECT_EQ(_Write(tif.get(), &huge, &big), 12);
  Named bmp(dir / "huge", 3);
  EXPECT_EQ(_Write(bmp.get(), &huge, &big), 12);
  EXPECT_FALSE(exists(dir / "huge.tif"));
  EXPECT_FALSE(exists(dir / "huge.bmp"));
}

TEST(Api, CopyRegionFindsTheSourceUnderItsDefaultExtension) {
  TempFolder dir;
  std::vector<uint16_t> px = pattern(4 * 3);
  write_bytes(dir / "src.qew", qew_file(2, scan_info(0, 0, 4, 3), px));
  Named src(dir / "src.tif", 10);
  EXPECT_EQ(_CopyRegion(src.get(), (dir / "dst").c_str(), 1, 1, 2, 2), 0);
  Bytes b = read_bytes(dir / "dst.qew");
  ASSERT_EQ(b.size(), 46u + 8);
  EXPECT_EQ(get16(b, 46), px[5]);
  EXPECT_EQ(src->type, 10u);
  Named missing(dir / "none.tif", 10);
  EXPECT_EQ(_CopyRegion(missing.get(), (dir / "dst2").c_str(), 0, 0, 0, 0), 6);
  EXPECT_EQ(_CopyRegion(src.get(), (dir / "dst2").c_str(), 2, 0, 1, 0), 3);
  EXPECT_EQ(_CopyRegion(src.get(), (dir / "none/dst").c_str(), 0, 0, 0, 0), 7);
}

// Copying onto its own source would truncate it: refused, the source intact.
TEST(Api, CopyRegionOntoItsSourceGives7) {
  TempFolder dir;
  Bytes file = qew_file(2, scan_info(0, 0, 4, 3), pattern(12));
  write_bytes(dir / "a.qew", file);
  Named src(dir / "a.qew", 10);
  EXPECT_EQ(_CopyRegion(src.get(), (dir / "a.qew").c_str(), 0, 0, 1, 1), 7);
  EXPECT_EQ(_CopyRegion(src.get(), (dir / "a").c_str(), 0, 0, 1, 1), 7);  // after the default extension
  ASSERT_EQ(link((dir / "a.qew").c_str(), (dir / "b.qew").c_str()), 0);
  EXPECT_EQ(_CopyRegion(src.get(), (dir / "b.qew").c_str(), 0, 0, 1, 1), 7);
  EXPECT_EQ(read_bytes(dir / "a.qew"), file);
}

// A copy is refused before its destination is made: an existing file of that
// name stays as it was, and no file appears where there was none.
TEST(Api, RefusedCopiesLeaveTheDestinationAlone) {
  TempFolder dir;
  std::vector<uint16_t> px = pattern(4 * 3);
  ScanInfo s = scan_info(0, 0, 4, 3);
  ImageData d{1, 4, 3, px.data()};
  const char* names[] = {"a.raw", "a.bmp", "a.tif", "a.qew"};
  const uint32_t types[] = {1, 3, 9, 10};
  write_bytes(dir / "junk", {'J', 'U', 'N', 'K', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  write_bytes(dir / "short", {'J', 'U'});
  const Bytes kept = {'k', 'e', 'p', 't'};
  for (int i = 0; i < 4; ++i) {
    Named src(dir / names[i], types[i]);
    ASSERT_EQ(_Write(src.get(), &s, &d), 0);
    // A raw file has no header to refuse, only one too short to hold its size.
    Named junk(dir / (types[i] == 1 ? "short" : "junk"), types[i]);
    struct Case {
      FileInfo* from;
      uint32_t x1;
      int rc;
    } cases[] = {{src.get(), 4, 3}, {junk.get(), 0, types[i] == 1 ? 9 : types[i] == 3 ? 13 : types[i] == 9 ? 15 : 17}};
    for (const Case& c : cases) {
      write_bytes(dir / "dst.out", kept);
      EXPECT_EQ(_CopyRegion(c.from, (dir / "dst.out").c_str(), 0, 0, c.x1, 0), c.rc) << names[i];
      EXPECT_EQ(read_bytes(dir / "dst.out"), kept) << names[i];
      EXPECT_EQ(_CopyRegion(c.from, (dir / "fresh").c_str(), 0, 0, c.x1, 0), c.rc) << names[i];
      EXPECT_FALSE(exists(dir / ("fresh" + std::string(std::strchr(names[i], '.'))))) << names[i];
    }
  }
}

// Every write replaces an existing file only once it is complete: a write
// that fails (here the file system takes no more than the old file's bytes)
// leaves it byte for byte and nothing beside it; one that succeeds keeps its
// permissions and writes through a symbolic link to the file it names.
TEST(Api, FailedWritesLeaveTheFileTheyWereToReplace) {
  TempFolder dir;
  const uint32_t W = 40, H = 30;
  std::vector<uint16_t> px = pattern(W * H);
  ScanInfo s = scan_info(0, 0, W, H);
  ImageData d{1, W, H, px.data()};
  const Bytes old(100, 0x5A);
  const std::string target = dir / "target.qew";
  Named source(dir / "source.qew", 10);
  ASSERT_EQ(_Write(source.get(), &s, &d), 0);
  const std::vector<std::pair<const char*, std::function<int32_t()>>> writes = {
      {"write", [&] { Named f(target, 10); return _Write(f.get(), &s, &d); }},
      {"write region", [&] { Named f(target, 10); return _WriteRegion(f.get(), 1, 1, W - 1, H - 1, &s, &d); }},
      {"copy region", [&] { return _CopyRegion(source.get(), target.c_str(), 1, 1, W - 1, H - 1); }},
  };
  for (const auto& [name, write] : writes) {
    write_bytes(target, old);
    {
      testsupport::FileSizeLimit full(old.size());
      EXPECT_EQ(write(), kFennicWriteFailed) << name;
    }
    EXPECT_EQ(read_bytes(target), old) << name;
    EXPECT_EQ(folder_names(dir.path()), (std::set<std::string>{"source.qew", "target.qew"})) << name;

    chmod(target.c_str(), 0640);
    ASSERT_EQ(write(), 0) << name;
    EXPECT_GT(read_bytes(target).size(), old.size()) << name;
    struct stat st;
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u) << name;
  }
  const std::string link = dir / "link.qew";
  ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
  write_bytes(target, old);
  Named through(link, 10);
  ASSERT_EQ(_Write(through.get(), &s, &d), 0);
  struct stat st;
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_NE(read_bytes(target), old);
}
