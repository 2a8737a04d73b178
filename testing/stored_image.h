#pragma once
// Reads a stored image file as the driver writes it: u16 width, u16 height
// (little-endian), then the rows of 16-bit pixels.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace testsupport {

struct StoredImage {
  int width = 0, height = 0;
  std::vector<uint16_t> pixels;
};

// An empty image when the file is missing or shorter than its header.
inline StoredImage ReadStoredImage(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(f), {}};
  StoredImage d;
  if (bytes.size() < 4) return d;
  auto u16 = [&](size_t at) { return static_cast<uint16_t>(uint8_t(bytes[at]) | (uint8_t(bytes[at + 1]) << 8)); };
  d.width = u16(0);
  d.height = u16(2);
  for (size_t at = 4; at + 1 < bytes.size(); at += 2) d.pixels.push_back(u16(at));
  return d;
}

}  // namespace testsupport
