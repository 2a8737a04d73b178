#pragma once
// Shared part of the library's fuzz targets. An input is 9 bytes of
// parameters (sampling, then four corner bytes scaled to the image) followed
// by the file's bytes, which are served from a memory file by its
// /proc/self/fd name.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fennic/fennic_api.h"
#include "testing/temp_folder.h"

namespace fennic_fuzz {

struct Input {
  uint32_t n = 1;
  uint8_t corner[8] = {};
  const uint8_t* file = nullptr;
  size_t size = 0;
};

inline Input parse(const uint8_t* data, size_t size) {
  Input in;
  if (size < 9) {
    in.file = data;
    in.size = size;
    return in;
  }
  // Mostly small factors, sometimes large ones.
  in.n = data[0] < 0xF0 ? 1 + data[0] % 9 : 1u << (data[0] - 0xE0);
  for (int i = 0; i < 8; ++i) in.corner[i] = data[1 + i];
  in.file = data + 9;
  in.size = size - 9;
  return in;
}

// The source file in memory, and a scratch folder for copies.
struct Files {
  Files() : destination(folder / "copy.out") {
    fd = memfd_create("fennic-fuzz", 0);
    if (fd < 0) std::abort();
    source = "/proc/self/fd/" + std::to_string(fd);
  }
  void set(const Input& in) {
    if (ftruncate(fd, 0) != 0) std::abort();
    size_t done = 0;
    while (done < in.size) {
      ssize_t k = pwrite(fd, in.file + done, in.size - done, off_t(done));
      if (k <= 0) std::abort();
      done += size_t(k);
    }
  }
  testsupport::TempFolder folder{"fennic-fuzz"};
  int fd;
  std::string source, destination;
};

inline Files& files() {
  static Files f;
  return f;
}

// A coordinate in [origin, origin + extent] from a parameter byte.
inline uint32_t scale(uint8_t b, uint32_t origin, uint32_t extent) {
  return uint32_t(origin + (uint64_t(extent) * b) / 255);
}

// Reads a rectangle at sampling n when its buffer stays small.
inline void read(FileInfo* f, const ScanInfo& r, uint32_t n) {
  const uint64_t w = r.width / n, h = r.height / n;
  if (w * h > (1u << 22)) return;
  std::vector<uint16_t> px(w * h + 1);
  ImageData d{n, uint32_t(w), uint32_t(h), px.data()};
  _ReadImage(f, &r, &d);
}

// Scan info, whole and partial reads and a region copy of the source as `type`.
inline void exercise(uint32_t type, const Input& in) {
  Files& fs = files();
  FileInfo f{type, fs.source.c_str()};
  ScanInfo s{};
  if (_GetScanInfo(&f, &s) == 0) {
    read(&f, s, in.n);
    ScanInfo r = s;
    r.originX = scale(in.corner[0], s.originX, s.width);
    r.originY = scale(in.corner[1], s.originY, s.height);
    r.width = scale(in.corner[2], 0, s.originX + s.width - r.originX);
    r.height = scale(in.corner[3], 0, s.originY + s.height - r.originY);
    read(&f, r, in.n);
    f.type = type;
    uint32_t x0 = scale(in.corner[4], s.originX, s.width), y0 = scale(in.corner[5], s.originY, s.height);
    uint32_t x1 = scale(in.corner[6], x0, s.originX + s.width - x0),
             y1 = scale(in.corner[7], y0, s.originY + s.height - y0);
    if (uint64_t(x1 - x0 + 1) * (y1 - y0 + 1) <= (1u << 22)) _CopyRegion(&f, fs.destination.c_str(), x0, y0, x1, y1);
  }
  // Rectangles the header was not asked about.
  f.type = type;
  ScanInfo r{};
  r.originX = in.corner[0];
  r.originY = in.corner[1];
  r.width = in.corner[2];
  r.height = in.corner[3];
  read(&f, r, in.n);
  _CopyRegion(&f, fs.destination.c_str(), in.corner[4], in.corner[5], in.corner[4] + in.corner[6] % 16,
              in.corner[5] + in.corner[7] % 16);
}

}  // namespace fennic_fuzz
