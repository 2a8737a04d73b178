// Every seek, read, write and allocation of every operation fails in turn
// through a faulting I/O given to the operation: each gives its code, no
// descriptor stays open (leaks are the sanitizer's) and no partial file stays
// behind.
#include <functional>

#include "fennic/operations.h"
#include "fennic/tests/fault_io.h"
#include "fennic/tests/test_util.h"

using namespace fennic_test;

namespace {

struct Op {
  std::string name;
  std::function<int()> run;
  std::string output = {};  // the file it makes, if any
};

int stream_read(const std::string& name, fennic::Io& io) {
  Named f(name, 0);
  FennicHandle h;
  ScanInfo s;
  int rc = fennic::start_read(&h, f.get(), &s, io);
  std::vector<uint16_t> line(s.width + 1);
  for (uint32_t y = 0; rc == 0 && y < s.height; ++y) rc = fennic::read_line(&h, &s, line.data(), io);
  if (h != FENNIC_INVALID_HANDLE) _EndRead(&h);
  return rc;
}

int stream_write(const std::string& name, const ScanInfo& s, const std::vector<uint16_t>& px, fennic::Io& io) {
  Named f(name, 0);
  FennicHandle h;
  int rc = fennic::start_write(&h, f.get(), &s, io);
  for (uint32_t y = 0; rc == 0 && y < s.height; ++y) rc = fennic::write_line(&h, &s, px.data() + y * s.width, io);
  if (h != FENNIC_INVALID_HANDLE) _EndWrite(&h);
  return rc;
}

}  // namespace

TEST(Faults, EveryFailureGivesItsCode) {
  TempFolder dir;
  FaultingIo io;
  const uint32_t W = 9, H = 6;
  std::vector<uint16_t> px = pattern(W * H);
  ScanInfo s = scan_info(10, 20, W, H);
  ImageData d{1, W, H, px.data()};
  std::vector<std::unique_ptr<Named>> files;
  for (uint32_t type : {1u, 3u, 9u, 10u}) {
    files.push_back(std::make_unique<Named>(dir / ("src" + std::to_string(type)), type));
    ASSERT_EQ(_Write(files.back()->get(), &s, &d), 0);
  }
  // A TIFF without the private block, with rationals, and one of several strips.
  {
    Bytes t = {'I', 'I', 42, 0, 8, 0, 0, 0, 6, 0};
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
      put16(t, tag), put16(t, type), put32(t, count), put32(t, value);
    };
    const uint32_t data = 8 + 2 + 6 * 12 + 4;
    entry(256, 3, 1, W);
    entry(257, 3, 1, H);
    entry(258, 3, 1, 16);
    entry(273, 4, 2, data + 16);
    entry(279, 3, 2, (W * H) | (W * H) << 16);
    entry(282, 5, 1, data + 8);
    put32(t, 0);
    put32(t, data + 16 + 8), put32(t, data + 16 + 8 + W * H);  // strip offsets
    put32(t, 300), put32(t, 1);
    put32(t, 0), put32(t, 0);
    append(t, px);
    write_bytes(dir / "strips.tif", t);
  }
  const uint32_t types[] = {1, 3, 9, 10};
  Named strips(dir / "strips.tif", 9);
  const ScanInfo local = scan_info(0, 0, W, H);
  std::vector<uint16_t> out(W * H);
  auto read = [&](FileInfo* f, const ScanInfo& r, uint32_t n, uint32_t w) {
    ImageData img{n, w / n, r.height / n, out.data()};
    ScanInfo rect = r;
    rect.width = w;
    return fennic::read_image(f, &rect, &img, io);
  };
  std::vector<Op> ops;
  ops.push_back({"detect", [&] {
                   Named f(dir / "src10.qew");
                   return fennic::get_file_info(f.get(), io);
                 }});
  const char* names[] = {"src1.raw", "src3.bmp", "src9.tif", "src10.qew"};
  const ScanInfo rects[] = {local, local, s, s};
  for (int i = 0; i < 4; ++i) {
    ops.push_back({std::string("scan ") + names[i], [&, i] {
                     ScanInfo got;
                     Named g(dir / names[i], types[i]);
                     return fennic::get_scan_info(g.get(), &got, io);
                   }});
    for (uint32_t n : {1u, 2u})
      for (uint32_t w : {W, W - 2})
        ops.push_back(
            {std::string("read ") + names[i] + " N=" + std::to_string(n) + " w=" + std::to_string(w), [&, i, n, w] {
               Named g(dir / names[i], types[i]);
               return read(g.get(), rects[i], n, w);
             }});
    ops.push_back({std::string("copy ") + names[i],
                   [&, i] {
                     Named g(dir / names[i], types[i]);
                     const ScanInfo& r = rects[i];
                     return fennic::copy_region(g.get(), (dir / "copy").c_str(), r.originX + 1, r.originY + 1,
                                                r.originX + W - 1, r.originY + H - 2, io);
                   },
                   dir / ("copy" + std::string(std::strchr(names[i], '.')))});
  }
  for (int i = 0; i < 4; ++i) {
    const uint32_t type = types[i];
    const std::string out = dir / ("out" + std::string(std::strchr(names[i], '.')));
    ops.push_back({"write " + std::to_string(type),
                   [&, type] {
                     Named f(dir / "out", type);
                     return fennic::write_image(f.get(), &s, &d, io);
                   },
                   out});
    ops.push_back({"region " + std::to_string(type),
                   [&, type] {
                     Named f(dir / "out", type);
                     return fennic::write_region(f.get(), 11, 21, 17, 24, &s, &d, io);
                   },
                   out});
  }
  ops.push_back({"scan strips", [&] {
                   ScanInfo got;
                   Named f(dir / "strips.tif", 4);
                   return fennic::get_scan_info(f.get(), &got, io);
                 }});
  for (uint32_t n : {1u, 2u})
    ops.push_back({"read strips N=" + std::to_string(n), [&, n] { return read(strips.get(), local, n, W - 1); }});
  ops.push_back({"copy strips",
                 [&] { return fennic::copy_region(strips.get(), (dir / "copy.tif").c_str(), 1, 1, 3, 4, io); },
                 dir / "copy.tif"});
  ops.push_back({"stream read", [&] { return stream_read(dir / "src10.qew", io); }});
  ops.push_back({"stream write", [&] { return stream_write(dir / "lines.qew", s, px, io); }});

  struct Kind {
    int64_t FaultPlan::*counter;
    int code;
    int fired = 0;
  } kinds[] = {{&FaultPlan::seek, 8}, {&FaultPlan::read, 9}, {&FaultPlan::write, 10}, {&FaultPlan::alloc, 11}};
  const int fds = OpenDescriptors();
  for (const Op& op : ops) {
    ASSERT_EQ(op.run(), 0) << op.name;
    const Bytes complete = op.output.empty() ? Bytes() : read_bytes(op.output);
    const std::set<std::string> before = folder_names(dir.path());
    for (Kind& kind : kinds) {
      for (int64_t k = 0;; ++k) {
        io.plan = {};
        io.plan.*kind.counter = k;
        const int rc = op.run();
        const bool fired = io.plan.*kind.counter < 0;
        io.plan = {};
        ASSERT_EQ(OpenDescriptors(), fds) << op.name << " fault " << kind.code << " at " << k;
        if (!fired) {
          ASSERT_EQ(rc, 0) << op.name;
          break;
        }
        ++kind.fired;
        ASSERT_EQ(rc, kind.code) << op.name << " at " << k;
        // A failed write or copy leaves the earlier complete file byte for
        // byte, and nothing of its own beside it.
        if (!op.output.empty()) {
          ASSERT_TRUE(exists(op.output) && read_bytes(op.output) == complete) << op.name << " at " << k;
          ASSERT_EQ(folder_names(dir.path()), before) << op.name << " at " << k;
        }
      }
    }
  }
  for (const Kind& kind : kinds) EXPECT_GT(kind.fired, 0) << kind.code;
}

// Sums of N x N blocks stay exact beyond N = 256, and N = 65536 is no zero divisor.
TEST(Faults, LargeSamplingFactors) {
  TempFolder dir;
  const uint16_t side = 600;
  std::vector<uint16_t> px(size_t(side) * side, 65535);
  px[0] = 0;
  write_bytes(dir / "big.raw", raw_file(side, side, px));
  Named f(dir / "big.raw", 1);
  std::vector<uint16_t> out;
  ASSERT_EQ(read_image(f.get(), scan_info(0, 0, side, side), 300, out), 0);
  EXPECT_EQ(out, (std::vector<uint16_t>{65534, 65535, 65535, 65535}));  // 65535 - 65535/90000, truncated
  ASSERT_EQ(read_image(f.get(), scan_info(0, 0, side, side), 599, out), 0);
  EXPECT_EQ(out, (std::vector<uint16_t>{65534}));
  ASSERT_EQ(read_image(f.get(), scan_info(0, 0, side, side), 65536, out), 0);  // nothing to read
  EXPECT_TRUE(out.empty());
}

// A faulting I/O fails only the operations and handles it is given: the
// exports, and a handle given no I/O, stay on plain I/O in the same thread.
TEST(Faults, IoBelongsToWhatItIsGiven) {
  TempFolder dir;
  const uint32_t W = 4, H = 3;
  std::vector<uint16_t> px = pattern(W * H);
  ScanInfo s = scan_info(0, 0, W, H);
  ImageData d{1, W, H, px.data()};
  FaultingIo io;
  io.plan.write = 0;
  Named out(dir / "out.qew", 10);
  EXPECT_EQ(_Write(out.get(), &s, &d), 0);
  EXPECT_EQ(io.plan.write, 0) << "the export wrote through plain I/O";
  EXPECT_EQ(fennic::write_image(out.get(), &s, &d, io), 10);
  EXPECT_EQ(io.plan.write, -1);

  io.plan.read = 0;
  fennic::File plain, faulting(io);
  ASSERT_EQ(fennic::File::open_read(out->fileName, plain), 0);
  ASSERT_EQ(fennic::File::open_read(out->fileName, faulting), 0);
  uint8_t magic[4];
  EXPECT_TRUE(plain.read(magic, 4));
  EXPECT_EQ(io.plan.read, 0);
  EXPECT_FALSE(faulting.read(magic, 4));
  fennic::File moved(std::move(faulting));
  io.plan.read = 0;
  EXPECT_FALSE(moved.read(magic, 4)) << "a moved handle keeps its I/O";
  EXPECT_EQ(_GetFileInfo(out.get()), 0);
}
