#include "driver/acquisition/stream_poll.h"

#include "driver/device/scanner_registers.h"
#include "platform/clock.h"

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

// The memory keeps one word free: one word short of its size it drops what
// comes. Words a reader took ahead to the host since the last read count as
// still there: they left the memory only after it filled.
bool ScannerStreamDevice::MemoryFull(const ScanStatus& status) {
  return memory_words_ > 1 && static_cast<uint32_t>(status.words_waiting) >= memory_words_ - 1;
}

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
      [this](uint8_t* buffer, uint32_t capacity, uint32_t* got) {
        const int rc = device_.ReadBlock(buffer, capacity, got);
        if (rc == 0) bytes_read_ += *got;
        return rc;
      },
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
  } else if (r->empty_lines > 0) {
    acq_.ClearOverrun();  // no plate was under way: an overrun took none
  }
  return 0;
}

void StreamPoller::Overrun(const char* how) {
  if (!acq_.OverrunMarked()) Logf(log_, "ERROR: Scanner memory overrun (%s): scan data were lost\n", how);
  acq_.MarkOverrun();
}

int StreamPoller::ReadOn(const ScanStatus& status, PollResult* r) {
  if (device_.MemoryFull(status)) Overrun("memory full");
  bytes_read_ = 0;
  const uint64_t until = platform::NowMs() + kPollReadMs;
  for (;;) {
    const int last_empty_lines = r->empty_lines;
    if (const int rc = ReadPiece(r, true); rc != 0) return rc;
    if (r->empty_lines < 0) {
      // Nothing more came: the result tells of the last piece that did.
      if (bytes_read_ > 0) r->empty_lines = last_empty_lines;
      break;
    }
    const bool ahead = int64_t{status.line_counter} - acq_.LineCount() > kLinesAheadForRead;
    if (((status.flags & 1) && !ahead) || platform::NowMs() >= until) break;
  }
  // Everything the scanner held at the status record is parsed: each line
  // it counted, but the one still open, has ended in the stream (lines lit
  // from end to end run on without an end and are not counted here). Lines
  // missing were dropped: the data collected are lost, and the count is
  // taken up again from the scanner's.
  const int64_t behind = int64_t{status.line_counter} - 1 - acq_.LineCount();
  if (status.words_waiting > 0 && bytes_read_ >= 4 * uint64_t(uint32_t(status.words_waiting)) &&
      behind > kLinesAheadForRead && !acq_.LinesRanOn()) {
    if (DataCollected()) Overrun("lines missing");
    acq_.TakeUpLineCount(status.line_counter - 1);
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
    rc = ReadOn(status, r);
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
