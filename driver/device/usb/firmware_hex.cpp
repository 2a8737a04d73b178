#include "driver/device/usb/firmware_hex.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "driver/device/usb/usb_status.h"
#include "platform/ascii.h"

namespace tarvel::usb {
namespace {

class LineReader {
 public:
  explicit LineReader(const std::string& text) : text_(text) {}
  bool NextLine() {
    if (pos_ >= text_.size()) return false;
    line_ = pos_;
    size_t nl = text_.find('\n', pos_);
    end_ = nl == std::string::npos ? text_.size() : nl;
    pos_ = nl == std::string::npos ? text_.size() : nl + 1;
    at_ = line_;
    return true;
  }
  char First() const { return at_ < end_ ? text_[line_] : '\0'; }
  void Skip(size_t n) { at_ = std::min(at_ + n, end_); }
  // `digits` hexadecimal digits; false when they are not there.
  bool Hex(int digits, uint32_t* value) {
    *value = 0;
    for (int i = 0; i < digits; ++i) {
      if (at_ >= end_) return false;
      int d = platform::HexDigit(text_[at_++]);
      if (d < 0) return false;
      *value = *value * 16 + static_cast<uint32_t>(d);
    }
    return true;
  }

 private:
  const std::string& text_;
  size_t pos_ = 0, line_ = 0, end_ = 0, at_ = 0;
};

}  // namespace

int ParseFirmwareHex(const std::string& text, FirmwareImage* image) {
  uint32_t lowest = 0x10000, highest = 0;
  bool any = false;
  LineReader extent(text);
  while (extent.NextLine()) {
    extent.Skip(1);
    uint32_t count = 0, address = 0;
    if (!extent.Hex(2, &count)) return KPU_STATUS_IHEX_ERROR;
    if (count == 0) break;
    if (!extent.Hex(4, &address)) return KPU_STATUS_IHEX_ERROR;
    lowest = std::min(lowest, address);
    highest = std::max(highest, address + count);
    any = true;
  }
  if (!any || lowest == highest || highest < lowest) return KPU_STATUS_IHEX_ERROR;
  try {
    image->bytes.resize(highest);
  } catch (const std::bad_alloc&) {
    return KPU_STATUS_INVALID_PARAMETER;
  }
  for (size_t i = 0; i < image->bytes.size(); ++i) image->bytes[i] = (i % 2 == 0) ? 0xFE : 0x80;
  image->lowest = lowest;
  image->end = highest;

  LineReader fill(text);
  while (fill.NextLine()) {
    char first = fill.First();
    if (first != ':') std::printf("Invalid Line Start: %c", first);
    fill.Skip(1);
    uint32_t count = 0, address = 0, type = 0;
    if (!fill.Hex(2, &count)) return KPU_STATUS_IHEX_ERROR;
    if (count == 0) break;
    if (!fill.Hex(4, &address) || !fill.Hex(2, &type)) return KPU_STATUS_IHEX_ERROR;
    if (type != 0) std::printf("Invalid Line type: %c\n", static_cast<char>(type));
    for (uint32_t i = 0; i < count; ++i) {
      uint32_t byte = 0;
      if (!fill.Hex(2, &byte)) return KPU_STATUS_IHEX_ERROR;
      if (address >= image->end) return KPU_STATUS_INVALID_PARAMETER;
      image->bytes[address++] = static_cast<uint8_t>(byte);
    }
  }
  return KPU_STATUS_SUCCESS;
}

int ReadHexRecords(const std::string& text, uint8_t* buffer, uint32_t* length, int type) {
  uint32_t capacity = *length, stored = 0;
  *length = 0;
  LineReader r(text);
  while (r.NextLine()) {
    if (r.First() == '\r' || r.First() == '\0') continue;
    r.Skip(1);
    uint32_t count = 0, address = 0, record_type = 0, checksum = 0;
    if (!r.Hex(2, &count) || !r.Hex(4, &address) || !r.Hex(2, &record_type)) return KPU_STATUS_IHEX_ERROR;
    uint32_t sum = count + (address >> 8) + (address & 0xFF) + record_type;
    if (record_type == 1) {
      *length = stored;
      return KPU_STATUS_SUCCESS;
    }
    for (uint32_t i = 0; i < count; ++i) {
      uint32_t byte = 0;
      if (!r.Hex(2, &byte)) return KPU_STATUS_IHEX_ERROR;
      sum += byte;
      if (static_cast<int>(record_type) == type) {
        if (stored >= capacity) return KPU_STATUS_INVALID_PARAMETER;
        buffer[stored++] = static_cast<uint8_t>(byte);
      }
    }
    if (!r.Hex(2, &checksum)) return KPU_STATUS_IHEX_ERROR;
    if (((sum + checksum) & 0xFF) != 0) return kErrFirmwareChecksum;
  }
  *length = stored;
  return KPU_STATUS_SUCCESS;
}

}  // namespace tarvel::usb
