#pragma once
// Device operations composed from single register accesses: the status
// record, the line counter and the clock-word shift sequence.
#include <array>
#include <cstdint>

#include "driver/device/scanner_transport.h"

namespace tarvel {

// Number of register-130 writes that shift one clock word.
constexpr size_t kClockWordEdges = 44;

// Reads 248, 164, 144, 52, 18, 17, 16 and 32-bit 51 into the record; 0.
int ReadScanStatusRegisters(ScannerTransport& transport, ScanStatus* status);
// Registers 16, 17, 18, then 17 again (dropped): the 24-bit line counter.
uint32_t ReadLineCounterRegisters(ScannerTransport& transport);
// The values register 130 takes to shift in the 13-bit word and load it.
std::array<uint8_t, kClockWordEdges> ClockWordEdges(uint16_t word);
// Writes the edges of `word` to register 130 one by one.
void ShiftClockWord(ScannerTransport& transport, uint16_t word);

}  // namespace tarvel
