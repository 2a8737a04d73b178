#include "driver/device/fpga_file.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "platform/ascii.h"
#include "platform/files.h"

namespace tarvel {
namespace {

// The next byte written as two hexadecimal digits, passing over every other
// character; false at the end of the file.
bool NextByte(std::FILE* f, uint8_t* byte) {
  int digits = 0, value = 0;
  for (int c; (c = std::fgetc(f)) != EOF;) {
    int d = platform::HexDigit(static_cast<char>(c));
    if (d < 0) continue;
    value = value * 16 + d;
    if (++digits == 2) {
      *byte = static_cast<uint8_t>(value);
      return true;
    }
  }
  return false;
}

}  // namespace

std::vector<uint8_t> Load_File(const std::string& path) {
  std::FILE* f = platform::OpenFile(path, "r");
  if (f == nullptr) return {};
  std::vector<uint8_t> out;
  try {
    std::vector<uint8_t> record;
    for (bool ended = false; !ended;) {
      uint8_t count = 0, address_high = 0, address_low = 0, type = 0;
      if (!NextByte(f, &count) || !NextByte(f, &address_high) || !NextByte(f, &address_low) || !NextByte(f, &type))
        break;
      record.resize(count);
      bool complete = true;
      for (uint8_t& b : record) complete = complete && NextByte(f, &b);
      uint8_t checksum = 0;
      if (!complete || !NextByte(f, &checksum)) break;  // cut short by the end of the file
      unsigned sum = count + address_high + address_low + type + checksum;
      for (uint8_t b : record) sum += b;
      if ((sum & 0xFF) != 0) {
        std::fclose(f);
        return {};
      }
      if (type == 0) out.insert(out.end(), record.begin(), record.end());
      ended = type == 1;
    }
    out.insert(out.end(), 20, 0);
  } catch (const std::bad_alloc&) {
    std::fclose(f);
    return {};
  }
  std::fclose(f);
  return out;
}

// Our design format: "VXFPGA01", u32 payload length, u32 sum of the payload
// bytes, then the payload (a fixed pseudo-random sequence).
std::vector<uint8_t> MakeFpgaDesign(const char* label, uint32_t seed) {
  std::vector<uint8_t> d(kBuiltInFpgaDesignSize, 0);
  std::memcpy(d.data(), "VXFPGA01", 8);
  uint32_t length = static_cast<uint32_t>(d.size() - 16), sum = 0, state = seed;
  size_t i = 16;
  if (label != nullptr) {
    for (size_t n = std::strlen(label); n > 0 && i < d.size(); --n) d[i++] = static_cast<uint8_t>(*label++);
    if (i < d.size()) d[i++] = 0;
  }
  for (; i < d.size(); ++i) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    d[i] = static_cast<uint8_t>(state >> 24);
  }
  for (size_t k = 16; k < d.size(); ++k) sum += d[k];
  std::memcpy(d.data() + 8, &length, 4);
  std::memcpy(d.data() + 12, &sum, 4);
  return d;
}

const std::vector<uint8_t>& BuiltInFpgaDesign() {
  static const std::vector<uint8_t> design = MakeFpgaDesign(nullptr, 0x2545F491u);
  return design;
}

}  // namespace tarvel
