#pragma once
#include <cstdint>
#include <vector>

#include "simulator/model/high_voltage.h"
#include "simulator/model/memory_ring.h"
#include "simulator/model/register_file.h"
#include "simulator/model/transport.h"
#include "simulator/scenario.h"

// The scan engine: samples a line under the geometry in the registers (light,
// high voltage, the plates under the scan line) and writes it to the memory
// as the scan-data stream; also the test line, the transfer-test words, the
// old data a scenario leaves in memory, and the converter sum of register 228.
namespace sim {

class ScanEngine {
 public:
  ScanEngine(const Scenario& scenario, const RegisterFile& registers, const HighVoltage& hv, const Transport& transport,
             MemoryRing& memory);

  // One scanned line into the stream.
  void ScanLine();
  // Register 196 := 1: the memory is emptied; the first such write arms the
  // capture, the next one writes the current line whole (every pair, no
  // threshold), left open like a scanned line.
  void TriggerTestLine();
  void DisarmTestLine() { test_line_armed_ = false; }
  // Register 5 := 1: `transfer_test_words` counting words at the write pointer.
  void WriteTransferTestWords();
  // The stream of an earlier session, as the scenario describes it.
  void LoadOldData(const OldData& old);
  // The stream starts afresh: position 0, no line open.
  void Restart();

  // Register 228: the converter sum, latched by each read of 248.
  void LatchSampleSum();
  uint16_t SampleSum() const { return sample_latch_; }

 private:
  // The converter sum without a plate (dark and ambient, minus the offset).
  int64_t BaseLevel() const;
  // The current line's converter sums under the programmed geometry (every
  // pixel, before the threshold) into line_values_.
  void MeasureLine();
  // Sends one scanned line of pixel values: the previous line's end marker
  // (with this line's first lit pixel), skips and sample pairs of the lit
  // pairs (value above the threshold).
  void EncodeLine(const std::vector<uint16_t>& values, int pixels, uint16_t threshold);

  const Scenario& scenario_;
  const RegisterFile& registers_;
  const HighVoltage& hv_;
  const Transport& transport_;
  MemoryRing& memory_;
  bool line_open_ = false;  // a line's data sent, its end marker not yet
  bool open_line_full_ = false;  // that line was lit across every pair
  int position_ = 0;  // pixel index the stream stands at
  std::vector<uint16_t> line_values_;
  uint32_t transfer_word_ = 0;  // next word of the transfer-test count
  bool test_line_armed_ = false;  // register 196 was set to 1 once
  uint16_t sample_latch_ = 0;
};

}  // namespace sim
