#include "driver/device/register_operations.h"

namespace tarvel {

int ReadScanStatusRegisters(ScannerTransport& t, ScanStatus* status) {
  status->flags = t.Reg_Read8(248);
  status->plate_sensors = static_cast<uint8_t>(t.Reg_Read8(164) & 0x0F);
  status->slot_outputs = t.Reg_Read8(144);
  status->further = t.Reg_Read8(52);
  uint32_t high = t.Reg_Read8(18);
  uint32_t middle = t.Reg_Read8(17);
  uint32_t low = t.Reg_Read8(16);
  status->line_counter = static_cast<int32_t>(low + (middle << 8) + (high << 16));
  status->words_waiting = static_cast<int32_t>(t.Reg_Read32(51));
  status->error = 0;
  return 0;
}

uint32_t ReadLineCounterRegisters(ScannerTransport& t) {
  uint32_t low = t.Reg_Read8(16);
  uint32_t middle = t.Reg_Read8(17);
  uint32_t high = t.Reg_Read8(18);
  t.Reg_Read8(17);
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
  for (uint8_t v : ClockWordEdges(word)) t.Reg_Write8(130, v);
}

} // namespace tarvel
