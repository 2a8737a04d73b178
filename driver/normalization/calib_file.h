#pragma once
// Making a normalization file from a flat-field image of the connected
// scanner: the factor of each scan-line position brings its column's mean
// to the 10th percentile of the measured area.
#include <cstdint>
#include <string>
#include <vector>

#include "driver/normalization/scanner_line.h"

namespace tarvel {

// The measured area of an image: rows height/4 .. height/4 + height/2 - 1,
// columns width/20 .. width/20 + 9 width/10 - 1.
struct MeasuredArea {
  int first_row = 0, rows = 0;
  int first_column = 0, columns = 0;
};
MeasuredArea MeasuredAreaOf(int width, int height);

// What one pass over the measured area gives.
struct FlatFieldMeasure {
  uint64_t count = 0;  // pixels measured
  uint64_t total = 0;
  uint16_t mean = 0;
  int p10 = 0, p90 = 0;
  std::vector<uint64_t> column_sums;  // one per measured column
};

// The pass, fed with the measured rows in order: a histogram of every
// value, and the sums of the measured columns.
class FlatFieldMeter {
 public:
  explicit FlatFieldMeter(const MeasuredArea& area);
  // `count` whole image rows of `width` pixels.
  void AddRows(const uint16_t* rows, int count, int width);
  FlatFieldMeasure Finish() const;

 private:
  MeasuredArea area_;
  std::vector<uint32_t> histogram_;
  std::vector<uint32_t> sums_;  // a column holds at most 32767 rows of 65535
};

// The pass over an image in memory.
FlatFieldMeasure MeasureFlatField(const uint16_t* pixels, int width, const MeasuredArea& area);

// 0, or -1 (information file or image unreadable, file not created), -8 (no
// memory), -1013 (another scanner), -1014 (too narrow or too short), -1015 (too dark), -1016 (too bright), -1017
// (pitch outside 95000..105000 nm), -1018 (not uniform, or a column without
// signal).
int Make_CalibFile(const std::string& image_name, const ScannerLine& line);

// The normalization file's name beside an image: its last three characters
// replaced by "kor".
std::string CalibFileName(const std::string& image_name);

}  // namespace tarvel
