#include "driver/normalization/prom_copy.h"

#include <cstring>

#include "platform/little_endian.h"

namespace tarvel {
namespace {

int32_t WordAt(const uint8_t* b, size_t word) {
  return static_cast<int32_t>(platform::LoadLe(b + 4 * word, 4));
}

void PutWord(uint8_t* b, size_t word, uint32_t value) {
  platform::StoreLe(b + 4 * word, value, 4);
}

}  // namespace

PromHeader DecodePromHeader(const uint8_t* bytes) {
  PromHeader h;
  int32_t* fields[] = {&h.version, &h.checksum, &h.scan_start, &h.value_count, &h.value_pitch, &h.year,
                       &h.month,   &h.day,      &h.hour,       &h.minute,      &h.second,      &h.mean};
  for (size_t i = 0; i < std::size(fields); ++i) *fields[i] = WordAt(bytes, i);
  return h;
}

bool PromCopyFits(int32_t value_count) {
  return value_count > 0 && int64_t{value_count} * 8 + int64_t{kPromHeaderBytes} < kPromCopyLimit;
}

uint32_t PromWordSum(const uint8_t* bytes, size_t size) {
  uint32_t sum = 0;
  for (size_t w = 0; w < size / 4; ++w) sum += static_cast<uint32_t>(WordAt(bytes, w));
  return sum;
}

std::vector<uint8_t> EncodePromCopy(const NormalizationFile& file) {
  std::vector<uint8_t> bytes(kPromHeaderBytes + 8 * file.factors.size(), 0);
  const int32_t words[] = {kPromVersion, 0,        file.scan_start, file.value_count, file.value_pitch, file.year,
                           file.month,   file.day, file.hour,       file.minute,      file.second,      file.mean};
  for (size_t i = 0; i < std::size(words); ++i) PutWord(bytes.data(), i, static_cast<uint32_t>(words[i]));
  for (size_t i = 0; i < file.factors.size(); ++i) {
    uint64_t raw = 0;
    std::memcpy(&raw, &file.factors[i], 8);
    PutWord(bytes.data(), 16 + 2 * i, static_cast<uint32_t>(raw));
    PutWord(bytes.data(), 17 + 2 * i, static_cast<uint32_t>(raw >> 32));
  }
  PutWord(bytes.data(), 1, 0u - PromWordSum(bytes.data(), bytes.size()));
  return bytes;
}

std::vector<double> DecodePromFactors(const uint8_t* bytes, int32_t count) {
  std::vector<double> factors(count > 0 ? static_cast<size_t>(count) : 0);
  for (size_t i = 0; i < factors.size(); ++i) {
    const uint64_t raw = uint64_t(static_cast<uint32_t>(WordAt(bytes, 2 * i))) |
                         uint64_t(static_cast<uint32_t>(WordAt(bytes, 2 * i + 1))) << 32;
    std::memcpy(&factors[i], &raw, 8);
  }
  return factors;
}

NormalizationFile FileFromPromCopy(const PromHeader& h, std::vector<double> factors, const std::string& serial) {
  NormalizationFile f;
  f.serial = serial;
  f.scan_start = h.scan_start;
  f.value_count = h.value_count;
  f.value_pitch = h.value_pitch;
  f.day = h.day, f.month = h.month, f.year = h.year;
  f.hour = h.hour, f.minute = h.minute, f.second = h.second;
  f.mean = h.mean;
  f.factors = std::move(factors);
  return f;
}

}  // namespace tarvel
