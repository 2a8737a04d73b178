#include "driver/acquisition/stream_poll.h"

#include "driver/device/scanner_registers.h"

namespace tarvel {

namespace {
// Lit reads after which finished plates are flushed: every 52nd read.
constexpr int kReadsBeforeFlush = 50;
}  // namespace

int ScannerStreamDevice::ReadStatus(ScanStatus* status) { return device_.Dev_GetScanStatus(status); }

int ScannerStreamDevice::ReadBlock(uint8_t* buffer, uint32_t capacity, uint32_t* count) {
  return device_.Transport().Dev_ReadBlock(buffer, capacity, count);
}

void ScannerStreamDevice::MarkReadPosition() { device_.Mem_SetMark(); }

void StreamPoller::Restart() {
  collecting_reads_ = 0;
  data_collected_ = false;
  collecting_logged_ = false;
  transport_was_running_ = false;
}

void StreamPoller::FlushWithEnd() {
  acq_.FlushRanges(true);
  acq_.Reset();
  device_.MarkReadPosition();
  collecting_reads_ = 0;
  data_collected_ = false;
  collecting_logged_ = false;
}

int StreamPoller::ReadPiece(PollResult* r, bool announce) {
  r->read = true;
  const int rc = acq_.ReadAndParse(
      [this](uint8_t* buffer, uint32_t capacity, uint32_t* got) { return device_.ReadBlock(buffer, capacity, got); },
      &r->empty_lines);
  if (rc != 0) {
    Logf(log_, "ERROR %i: Checksum error or too many retrys\n", rc);
    return rc;
  }
  if (r->empty_lines == 0) {
    if (collecting_reads_++ > kReadsBeforeFlush) {
      acq_.FlushRanges(false);
      collecting_reads_ = 0;
    }
    if (announce && !collecting_logged_) Logf(log_, "   Image data are being collected\n");
    collecting_logged_ = true;
    data_collected_ = true;
  } else if (r->empty_lines > 0 && DataCollected()) {
    if (announce) Logf(log_, "   Parsing data after %i empty lines.\n", r->empty_lines);
    FlushWithEnd();
    r->flushed = true;
  }
  return 0;
}

int StreamPoller::ReadStep(PollResult* r) {
  *r = PollResult{};
  return ReadPiece(r, false);
}

int StreamPoller::Poll(PollResult* r) {
  ScanStatus status{};
  int rc = device_.ReadStatus(&status);
  if (rc == 0) rc = status.error;
  if (rc != 0) {
    *r = PollResult{};
    r->status = status;
    return rc;
  }
  return PollStatus(status, r);
}

int StreamPoller::PollStatus(const ScanStatus& status, PollResult* r) {
  *r = PollResult{};
  r->status = status;
  int rc = 0;
  const bool running = r->status.flags & 1;
  r->lines_ahead = int64_t{r->status.line_counter} - acq_.LineCount();
  if ((running && r->lines_ahead > kLinesAheadForRead) || (!running && r->status.words_waiting != 0)) {
    rc = ReadPiece(r, true);
    if (rc != 0) return rc;
  }
  if (running) {
    transport_was_running_ = true;
    return 0;
  }
  if (!r->read && DataCollected()) {
    Logf(log_, "   Parsing data after transport stopped.\n");
    FlushWithEnd();
    r->flushed = true;
  }
  if (transport_was_running_) {
    if (DataCollected())
      Logf(log_, "   Transport stopped but still transmitting data (%u).\n",
           static_cast<uint32_t>(r->status.words_waiting));
    transport_was_running_ = false;
  }
  return 0;
}

}  // namespace tarvel
