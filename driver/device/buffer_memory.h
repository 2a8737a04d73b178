#pragma once
#include <cstdint>

#include "driver/device/scanner_registers.h"

namespace tarvel {

// Decodes serial-presence-detect bytes 0-127 into a memory description: 0,
// or kErrUnknownBuffer for a memory that is not SDRAM (byte 2 = 4) with a
// width of 64 or 72 bits and a known organisation. Size and code are stored
// in every case.
int DecodeSpd(const uint8_t* spd, MemoryDescription* memory);

// `Mem_DetectBuffer`: reads the module's EEPROM (I2C 0xA0, bytes 0-127)
// twice, the first read's outcome ignored; kErrBufferUnreadable when the
// second read fails, else DecodeSpd's result.
int Mem_DetectBuffer(ScannerRegisters& device, MemoryDescription* memory);

}  // namespace tarvel
