#pragma once
// The test line capture: one scan line of 2856 pixels at 32 samples each,
// taken with the high voltage at a given setting and the laser off.
#include <cstdint>
#include <vector>

#include "driver/config/scan_mode.h"
#include "driver/device/scanner_registers.h"

namespace tarvel {

// The capture buffer, in 16-bit words.
constexpr size_t kTestLineWords = 4688;

// Puts the scanner at rest, sets the high voltage to `volts` (at most 1200,
// else -102 before anything moves), programs the line, triggers the capture
// and reads it (at most 32 block reads). *samples: the words read, markers
// (values above 65519) passed over with the word after them. The result is
// that of the last block read.
int Service_CaptureTestLine(ScannerRegisters& device, const ScanMode& mode, int volts, std::vector<uint16_t>* samples);

// The sample words of `length` bytes of captured data (little-endian 16-bit
// words; an odd last byte is no word): values above 65519 are markers,
// passed over with the word after them.
std::vector<uint16_t> TestLine_Samples(const uint8_t* bytes, size_t length);

}  // namespace tarvel
