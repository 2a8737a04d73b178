#pragma once
// Helpers for the library's tests: a scratch folder, file bytes, the
// external oracles and descriptor counts.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "fennic/fennic_api.h"
#include "testing/open_descriptors.h"
#include "testing/oracle.h"
#include "testing/temp_folder.h"

namespace fennic_test {

using Bytes = std::vector<uint8_t>;

using testsupport::TempFolder;

inline void write_bytes(const std::string& path, const Bytes& b) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

inline Bytes read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline bool exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// The names in a folder.
inline std::set<std::string> folder_names(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

inline void put16(Bytes& b, uint32_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
inline void put32(Bytes& b, uint32_t v) {
  put16(b, v);
  put16(b, v >> 16);
}
inline uint16_t get16(const Bytes& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }
inline uint32_t get32(const Bytes& b, size_t at) { return get16(b, at) | uint32_t(get16(b, at + 2)) << 16; }
inline void append(Bytes& b, const void* p, size_t n) {
  if (n == 0) return;
  const size_t at = b.size();
  b.resize(at + n);
  std::memcpy(b.data() + at, p, n);
}
inline void append(Bytes& b, const std::vector<uint16_t>& px) { append(b, px.data(), px.size() * 2); }

// A QEW file of version 0, 1 or 2 with the given record and pixels.
inline Bytes qew_file(int version, const ScanInfo& info, const std::vector<uint16_t>& px) {
  Bytes b = {'Q', 'E', 'W', uint8_t(version)};
  append(b, &info, version == 2 ? 42 : 36);
  if (version == 1)
    for (int i = 0; i < 16; ++i) b.push_back(uint8_t(0xA0 + i));
  append(b, px);
  return b;
}

inline Bytes raw_file(uint16_t w, uint16_t h, const std::vector<uint16_t>& px) {
  Bytes b;
  put16(b, w);
  put16(b, h);
  append(b, px);
  return b;
}

inline ScanInfo scan_info(uint32_t x, uint32_t y, uint32_t w, uint32_t h) {
  ScanInfo s{};
  s.source = kSourceHpScanner;
  s.timestamp = {0x89ABCDEF, 0x01D12345};
  s.originX = x;
  s.originY = y;
  s.width = w;
  s.height = h;
  s.resolutionX = 11811;
  s.resolutionY = 11812;
  s.orientation = 2;
  s.flipHorizontal = 1;
  s.flipVertical = 0;
  return s;
}

// Deterministic pixel values.
inline std::vector<uint16_t> pattern(size_t n, uint32_t seed = 1) {
  std::vector<uint16_t> v(n);
  uint32_t s = seed * 2654435761u + 1;
  for (auto& x : v) {
    s = s * 1664525u + 1013904223u;
    x = uint16_t(s >> 16);
  }
  return v;
}

// Runs a command; returns its exit status and puts its output and errors in
// `out`.
inline int run(const std::string& cmd, std::string* out = nullptr) {
  return testsupport::RunCommand(cmd + " 2>&1", out);
}

// Runs a Python script with the oracles' interpreter; output and errors in
// `out`.
inline int python(const std::string& script, std::string* out = nullptr) {
  return testsupport::RunPython(script, "", out, true);
}

inline bool have_python_oracles() {
  static const bool ok = testsupport::PythonHas("numpy, PIL, tifffile");
  return ok;
}
inline bool have_tool(const std::string& path) { return access(path.c_str(), X_OK) == 0; }

using testsupport::OpenDescriptors;

// The file record of a name.
struct Named {
  explicit Named(std::string n, uint32_t t = 0) : name(std::move(n)) { info.type = t, info.fileName = name.c_str(); }
  Named(const Named&) = delete;
  std::string name;
  FileInfo info{};
  FileInfo* operator->() { return &info; }
  FileInfo* get() { return &info; }
};

// Reads the whole rectangle with sampling n; returns the code.
inline int read_image(FileInfo* f, const ScanInfo& rect, uint32_t n, std::vector<uint16_t>& out) {
  out.assign(size_t(rect.width / n) * (rect.height / n) + 1, 0xBEEF);
  ImageData d{n, rect.width / n, rect.height / n, out.data()};
  int rc = _ReadImage(f, &rect, &d);
  EXPECT_EQ(out.back(), 0xBEEF) << "written past the image";
  out.pop_back();
  return rc;
}

}  // namespace fennic_test
