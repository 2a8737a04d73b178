#pragma once
// Scan data on their way to a block read: over USB a read can come back
// empty while words still sit in the scanner memory or on the host, not yet
// handed out by the reader. The service reads then wait and read again.
#include <cstdint>

#include "driver/device/scanner_registers.h"

namespace tarvel {

// Empty reads in a row, kInTransitWaitMs apart, after which a service read
// stops waiting for data still on their way.
constexpr int kInTransitReadLimit = 10000;
constexpr uint32_t kInTransitWaitMs = 1;

// Words waiting in the scanner memory or held on the host.
bool ScanDataInTransit(ScannerRegisters& device);

}  // namespace tarvel
