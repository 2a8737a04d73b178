#pragma once
// The service scan: motor, laser, high voltage and slot outputs driven
// outside a normal acquisition to find a working PMT voltage on a plate, and
// its block reader.
#include <cstdint>

#include "driver/config/scan_mode.h"
#include "driver/device/scanner_registers.h"

namespace tarvel {

// Reads one block and counts it: sample positions in the block (0 for no
// data), or the block read's nonzero status. lines: line ends; lit: line
// ends whose next start is at least `limit`; sum: all samples added.
int Scan_SampleLines(ScannerRegisters& device, uint16_t limit, int* lines, int* lit, int64_t* sum);

// The PMT voltage found on a plate passed through slot 1 or 2 (0..1196);
// -1009 plate already present, -10000 too much light down to 500 V, -1011
// no plate within `seconds` or no scan lines (transport stopped, a wait
// timed out), -102 a pitch, line rate or samples per pixel that cannot be
// scanned, or a failed block read's status. Stores the stepper period and
// samples per pixel it computed in `mode`.
int Service_Scan(ScannerRegisters& device, ScanMode& mode, int pitch_nm, int seconds, LogSink& log);

}  // namespace tarvel
