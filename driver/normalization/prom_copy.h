#pragma once
// The normalization copy in the data PROM: a header of 16 little-endian i32
// words (Version, Checksum, ScanStart, ValueCount, ValuePitch, year, month,
// day, hour, minute, second, Mean, 4 reserved), then ValueCount
// little-endian doubles. The 32-bit sum of all words, each double counted as
// two, is 0.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "driver/normalization/normalization_file.h"

namespace tarvel {

constexpr int kDataProm = 0xAA;
// Byte of the identification block holding the data PROM type (1: a copy).
constexpr int kDataPromTypeByte = 31;
constexpr size_t kPromHeaderBytes = 64;
constexpr int32_t kPromVersion = 1;
// Transfers are counted in 16 bits: header and factors stay below this.
constexpr int64_t kPromCopyLimit = 65536;

struct PromHeader {
  int32_t version = 0, checksum = 0, scan_start = 0, value_count = 0, value_pitch = 0;
  int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, mean = 0;
};

PromHeader DecodePromHeader(const uint8_t* bytes);  // 64 bytes
// True when ValueCount x 8 + 64 stays below the limit (and ValueCount > 0).
bool PromCopyFits(int32_t value_count);
// Wrapping 32-bit sum of the little-endian words of `size` bytes (a multiple of 4).
uint32_t PromWordSum(const uint8_t* bytes, size_t size);
// Header with its checksum, then the factors.
std::vector<uint8_t> EncodePromCopy(const NormalizationFile& file);
// The factors stored from `bytes` (count x 8 bytes).
std::vector<double> DecodePromFactors(const uint8_t* bytes, int32_t count);
// The file a copy makes, with the serial number given.
NormalizationFile FileFromPromCopy(const PromHeader& header, std::vector<double> factors, const std::string& serial);

}  // namespace tarvel
