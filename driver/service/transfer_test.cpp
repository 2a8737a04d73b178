#include "driver/service/transfer_test.h"

#include <vector>

#include "driver/config/log_sink.h"
#include "driver/service/data_in_transit.h"
#include "platform/clock.h"
#include "platform/scanner_register_map.h"

namespace tarvel {

namespace reg = platform::reg;

namespace {

// Reads in a row that return no bytes before a streamed test gives up when
// the scanner and the host hold no data (many more while data are on their
// way).
constexpr int kEmptyReadLimit = 100;

// A transport that reads ahead: the scanner sends its test data as a
// stream, read until the total arrived.
int Streamed(ScannerRegisters& d, std::vector<uint8_t>& buffer, uint16_t count, TransferCounts* counts, LogSink& log) {
  const int64_t wanted = static_cast<int64_t>(buffer.size()) * count;
  int result = 0;
  int empty = 0;
  d.Transport().Reg_Write8(reg::kActivate, 1);
  while (counts->bytes < wanted) {
    uint32_t got = 0;
    result = d.Transport().Dev_ReadBlock(buffer.data(), static_cast<uint32_t>(buffer.size()), &got);
    counts->bytes += got;
    if (result != 0) break;
    if (got != 0) {
      empty = 0;
      continue;
    }
    if (++empty >= (ScanDataInTransit(d) ? kInTransitReadLimit : kEmptyReadLimit)) {
      Logf(log, "Transfer test ended: no data after %i reads, %lld of %lld bytes read\n", empty,
           static_cast<long long>(counts->bytes), static_cast<long long>(wanted));
      break;
    }
    platform::Sleep(kInTransitWaitMs);
  }
  d.Transport().Reg_Write8(reg::kActivate, 0);
  return result;
}

// Each block read takes the data at the read pointer: it is moved back
// a block before each read.
int ReRead(ScannerRegisters& d, std::vector<uint8_t>& buffer, uint16_t count, TransferCounts* counts) {
  int result = 0;
  for (uint16_t i = 0; i < count; ++i) {
    d.Mem_SetReadPointer(d.Mem_ReadPointer() - static_cast<uint32_t>(buffer.size() / 4));
    uint32_t got = 0;
    result = d.Transport().Dev_ReadBlock(buffer.data(), static_cast<uint32_t>(buffer.size()), &got);
    counts->bytes += got;
    if (result != 0) break;
  }
  return result;
}

}  // namespace

int Service_TransferTest(ScannerRegisters& d, uint16_t block, uint16_t count, uint16_t retries, TransferCounts* counts,
                         LogSink& log) {
  *counts = TransferCounts{};
  // The test's retries and errors are its own: the session's retry count
  // comes back afterwards and its error total goes on counting.
  const int session_retries = d.Transport().RetryCount();
  const int session_errors = d.Transport().TransferErrors();
  d.Transport().SetRetryCount(retries);
  d.Transport().SetTransferErrors(0);
  d.Mem_DiscardData();  // the stop pulse, and nothing earlier left on the host
  d.Transport().Reg_Write8(reg::kRun, 1);
  std::vector<uint8_t> buffer(block);
  const int result =
      d.Transport().Dev_ReadsAhead() ? Streamed(d, buffer, count, counts, log) : ReRead(d, buffer, count, counts);
  d.Transport().Reg_Write8(reg::kRun, 0);
  d.Mem_DiscardData();  // the test data not read are left for no one
  counts->errors = d.Transport().TransferErrors();
  d.Transport().SetRetryCount(session_retries);
  d.Transport().SetTransferErrors(session_errors + counts->errors);
  return result;
}

}  // namespace tarvel
