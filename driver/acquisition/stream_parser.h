#pragma once
// The scan-data stream parser: units of two little-endian words, sample
// pairs or markers (0xFFFE ends a line, the others skip pixels). Runs of
// samples go to the run store; ended lines are counted and may feed the
// prescan ring.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <utility>

#include "driver/acquisition/prescan_ring.h"
#include "driver/acquisition/run_store.h"

namespace tarvel {

// A unit's first word up to this is a sample; above it a marker, whose
// second word is the pixels it skips (or, ending a line, the next start).
constexpr uint16_t kLargestSampleWord = 0xFFF0;
constexpr uint16_t kLineEndMarker = 0xFFFE;

class StreamParser {
 public:
  StreamParser(RunStore& runs, PrescanRing& prescan) : runs_(runs), prescan_(prescan) {}

  // Last pixel index of a scan line.
  void SetLastPixel(int32_t last_pixel) { last_pixel_ = last_pixel; }
  int32_t LastPixel() const { return last_pixel_; }

  // Parses a piece. A unit cut by the piece's end is carried over to the
  // next piece. empty_lines: the empty-line markers since the last stored run.
  void Parse(const uint8_t* bytes, size_t count, int* empty_lines);

  // The run store was reset: the open run is dropped, but the next sample
  // still lands where the stream says.
  void DropOpenRun();
  // Start of a pass: line count and parse position 0.
  void Restart();

  // Lines ended without their markers reaching the parser (dropped data):
  // the count goes on from `lines`.
  void TakeUpLineCount(int32_t lines) { line_count_ = std::max(line_count_, lines); }
  // End-of-line markers parsed since the last restart.
  int32_t LineCount() const { return line_count_; }
  // Pixel index the next sample lands on.
  int32_t ParseX() const { return run_x_ + 2 * run_pairs_; }
  bool HasOpenRun() const { return run_pairs_ > 0; }
  // A run reached past the last pixel of the line (lit lines that run on
  // without line ends) since the last call; the flag is cleared.
  bool TakePassedLineEnd() { return std::exchange(passed_line_end_, false); }

 private:
  void ParseUnits(const uint8_t* p, size_t units, int* empty_lines);

  RunStore& runs_;
  PrescanRing& prescan_;
  int32_t last_pixel_ = 0;
  int32_t line_count_ = 0;
  // The open run: first pixel and pairs received.
  int32_t run_x_ = 0;
  int32_t run_pairs_ = 0;
  uint8_t carry_[4] = {};
  size_t carry_count_ = 0;
  bool passed_line_end_ = false;
};

}  // namespace tarvel
