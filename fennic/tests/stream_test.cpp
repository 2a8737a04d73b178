// Line streaming of QEW files.
#include <fcntl.h>

#include "fennic/operations.h"
#include "fennic/tests/fault_io.h"
#include "fennic/tests/test_util.h"

using namespace fennic_test;

TEST(Stream, WriteThenReadRoundTrips) {
  TempFolder dir;
  const int fds = OpenDescriptors();
  ScanInfo s = scan_info(1, 2, 4, 3);
  std::vector<uint16_t> px = pattern(12);
  Named f(dir / "lines", 0);  // no default extension here
  FennicHandle h = nullptr;
  ASSERT_EQ(_StartWrite(&h, f.get(), &s), 0);
  EXPECT_NE(h, FENNIC_INVALID_HANDLE);
  EXPECT_EQ(f->type, 10u);
  for (int y = 0; y < 3; ++y) ASSERT_EQ(_WriteLine(&h, &s, px.data() + 4 * y), 0);
  EXPECT_EQ(_EndWrite(&h), 0);
  EXPECT_EQ(h, FENNIC_INVALID_HANDLE);
  EXPECT_EQ(_EndWrite(&h), 1);
  EXPECT_EQ(_WriteLine(&h, &s, px.data()), 1);
  EXPECT_EQ(read_bytes(dir / "lines").size(), 46u + 24);
  f->type = 0;
  ASSERT_EQ(_GetFileInfo(f.get()), 0);
  EXPECT_EQ(f->type, 10u);

  ScanInfo got;
  f->type = 0;
  ASSERT_EQ(_StartRead(&h, f.get(), &got), 0);
  EXPECT_EQ(f->type, 10u);
  EXPECT_EQ(std::memcmp(&got, &s, sizeof s), 0);
  std::vector<uint16_t> line(4);
  for (int y = 0; y < 3; ++y) {
    ASSERT_EQ(_ReadLine(&h, &got, line.data()), 0);
    EXPECT_TRUE(std::equal(line.begin(), line.end(), px.begin() + 4 * y));
  }
  EXPECT_EQ(_ReadLine(&h, &got, line.data()), 9);  // past the last row
  EXPECT_EQ(_ReadLine(&h, &got, nullptr), 1);
  EXPECT_EQ(_EndRead(&h), 0);
  EXPECT_EQ(_EndRead(&h), 1);
  EXPECT_EQ(_ReadLine(&h, &got, line.data()), 1);
  EXPECT_EQ(OpenDescriptors(), fds);
}

TEST(Stream, ReadsEveryVersionFromItsFirstPixel) {
  TempFolder dir;
  for (int v = 0; v <= 2; ++v) {
    write_bytes(dir / "f", qew_file(v, scan_info(0, 0, 2, 1), {0x1234, 0x5678}));
    Named f(dir / "f", 0);
    FennicHandle h;
    ScanInfo s;
    ASSERT_EQ(_StartRead(&h, f.get(), &s), 0);
    EXPECT_EQ(f->type, v == 0 ? 6u : v == 1 ? 8u : 10u);
    uint16_t line[2];
    EXPECT_EQ(_ReadLine(&h, &s, line), 0);
    EXPECT_EQ(line[0], 0x1234);
    EXPECT_EQ(line[1], 0x5678);
    EXPECT_EQ(_EndRead(&h), 0);
  }
}

// A start that fails after opening leaves the file open for the end call.
TEST(Stream, FailedStartsLeaveTheHandleAsSpecified) {
  TempFolder dir;
  const int fds = OpenDescriptors();
  FennicHandle h = nullptr;
  ScanInfo s;
  Named missing(dir / "none", 0);
  EXPECT_EQ(_StartRead(&h, missing.get(), &s), 6);
  EXPECT_EQ(h, FENNIC_INVALID_HANDLE);
  EXPECT_EQ(_EndRead(&h), 1);

  struct Case {
    Bytes bytes;
    int rc;
  } cases[] = {{{'B', 'M', 0, 0}, 17}, {{'Q', 'E', 'W', 7}, 18}, {{'Q', 'E', 'W', 2, 1}, 9}, {{'Q'}, 9}};
  for (const Case& c : cases) {
    write_bytes(dir / "f", c.bytes);
    Named f(dir / "f", 0);
    EXPECT_EQ(_StartRead(&h, f.get(), &s), c.rc);
    EXPECT_NE(h, FENNIC_INVALID_HANDLE);
    EXPECT_EQ(OpenDescriptors(), fds + 1);
    EXPECT_EQ(_EndRead(&h), 0);
  }
  if (exists("/dev/full")) {
    ASSERT_EQ(symlink("/dev/full", (dir / "full").c_str()), 0);
    Named full(dir / "full", 0);
    ScanInfo w = scan_info(0, 0, 1, 1);
    EXPECT_EQ(_StartWrite(&h, full.get(), &w), 10);
    EXPECT_NE(h, FENNIC_INVALID_HANDLE);
    EXPECT_EQ(_EndWrite(&h), 0);
  }
  // A header that cannot be written: the stream is open for the end call, but
  // no headless file stays behind.
  {
    Named f(dir / "headless.qew", 0);
    ScanInfo w = scan_info(0, 0, 1, 1);
    fennic_test::FaultingIo faulting;
    faulting.plan.write = 0;
    EXPECT_EQ(fennic::start_write(&h, f.get(), &w, faulting), 10);
    EXPECT_NE(h, FENNIC_INVALID_HANDLE);
    EXPECT_EQ(f->type, 10u);
    EXPECT_FALSE(exists(f.name));
    EXPECT_EQ(_EndWrite(&h), 0);
    EXPECT_EQ(h, FENNIC_INVALID_HANDLE);
  }
  Named nowhere(dir / "none/x", 0);
  ScanInfo w = scan_info(0, 0, 1, 1);
  EXPECT_EQ(_StartWrite(&h, nowhere.get(), &w), 7);
  EXPECT_EQ(h, FENNIC_INVALID_HANDLE);
  EXPECT_EQ(OpenDescriptors(), fds);

  FileInfo none{0, nullptr};
  EXPECT_EQ(_StartRead(&h, &none, &s), 2);
  EXPECT_EQ(_StartWrite(&h, &none, &w), 2);
  EXPECT_EQ(_StartRead(nullptr, missing.get(), &s), 1);
  EXPECT_EQ(_StartRead(&h, nullptr, &s), 1);
  EXPECT_EQ(_StartWrite(&h, missing.get(), nullptr), 1);
  EXPECT_EQ(_ReadLine(nullptr, &s, nullptr), 1);
  EXPECT_EQ(_EndRead(nullptr), 1);
  EXPECT_EQ(_EndWrite(nullptr), 1);
}

// A zeroed handle variable names no stream: its calls fail without touching
// the standard input.
TEST(Stream, ZeroHandleIsNoStream) {
  const int flags = fcntl(0, F_GETFD);
  FennicHandle h = nullptr;
  ScanInfo s = scan_info(0, 0, 2, 1);
  uint16_t line[2] = {};
  EXPECT_EQ(_ReadLine(&h, &s, line), 9);
  EXPECT_EQ(_WriteLine(&h, &s, line), 10);
  EXPECT_EQ(_EndRead(&h), 0);
  EXPECT_EQ(h, FENNIC_INVALID_HANDLE);
  EXPECT_EQ(fcntl(0, F_GETFD), flags);
}
