#include "driver/device/register_operations.h"

#include "platform/scanner_register_map.h"

namespace tarvel {

namespace reg = platform::reg;

int ReadScanStatusRegisters(ScannerTransport& t, ScanStatus* status) {
  status->flags = t.Reg_Read8(reg::kStatus);
  status->plate_sensors = static_cast<uint8_t>(t.Reg_Read8(reg::kSlots) & 0x0F);
  status->slot_outputs = t.Reg_Read8(reg::kSlotOutputs);
  status->further = t.Reg_Read8(reg::kFurtherStatus);
  uint32_t high = t.Reg_Read8(reg::kLineCounterHigh);
  uint32_t middle = t.Reg_Read8(reg::kLineCounterMiddle);
  uint32_t low = t.Reg_Read8(reg::kLineCounterLow);
  status->line_counter = static_cast<int32_t>(low + (middle << 8) + (high << 16));
  status->words_waiting = static_cast<int32_t>(t.Reg_Read32(reg::kWordsWaiting));
  status->error = 0;
  return 0;
}

uint32_t ReadLineCounterRegisters(ScannerTransport& t) {
  uint32_t low = t.Reg_Read8(reg::kLineCounterLow);
  uint32_t middle = t.Reg_Read8(reg::kLineCounterMiddle);
  uint32_t high = t.Reg_Read8(reg::kLineCounterHigh);
  t.Reg_Read8(reg::kLineCounterMiddle);
  return low + (middle << 8) + (high << 16);
}

// 0; then each of the 13 bits from bit 12 down as data, data with the shift
// clock, data; then the load pulse 4, 6, 4 and 0.
std::array<uint8_t, kClockWordEdges> ClockWordEdges(uint16_t word) {
  std::array<uint8_t, kClockWordEdges> edges{};
  size_t n = 0;
  edges[n++] = 0;
  for (int bit = 12; bit >= 0; --bit) {
    auto d = static_cast<uint8_t>((word >> bit) & 1);
    edges[n++] = d;
    edges[n++] = static_cast<uint8_t>(d + 2);
    edges[n++] = d;
  }
  for (uint8_t v : {4, 6, 4, 0}) edges[n++] = v;
  return edges;
}

void ShiftClockWord(ScannerTransport& t, uint16_t word) {
  for (uint8_t v : ClockWordEdges(word)) t.Reg_Write8(reg::kClockShift, v);
}

}  // namespace tarvel
