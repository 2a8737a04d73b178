#pragma once
// The data-transfer test: blocks read from the scanner memory, counting the
// bytes that arrive and the block reads that had to be repeated.
#include <cstdint>

#include "driver/config/log_sink.h"
#include "driver/device/scanner_registers.h"

namespace tarvel {

struct TransferCounts {
  int64_t bytes = 0;  // bytes read
  int32_t errors = 0;  // transmission errors (failed block-read attempts)
};

// Reads up to `count` blocks of `block` bytes with `retries` attempts per
// block: over USB the test data the scanner sends while register 5 is 1
// (ending after a run of reads that return nothing); over the parallel port
// the same memory block again and again, the read pointer moved back before
// each. The result is that of the last read; reading stops at the first
// failing one.
int Service_TransferTest(ScannerRegisters& device, uint16_t block, uint16_t count, uint16_t retries,
                         TransferCounts* counts, LogSink& log);

}  // namespace tarvel
