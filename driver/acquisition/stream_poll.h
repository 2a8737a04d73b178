#pragma once
// The one poll of the scan-data stream, for every caller that polls.
//
// A read is made when the transport runs and the scanner's line counter is
// more than 5 lines ahead of the parsed lines, or when data words wait while
// the transport is stopped. A read ending in lit data counts; every 52nd
// such read (the count was above 50) flushes finished plates and restarts
// the count. A read reporting empty lines after collected data, and a
// stopped transport with no data waiting after collected data, flush all
// plates, reset the stream state and mark the read position (register 55
// written 0).
#include <cstdint>

#include "driver/acquisition/acquisition.h"
#include "driver/config/log_sink.h"
#include "driver/config/tarvel_records.h"

namespace tarvel {

class ScannerRegisters;

// What the poll needs of the scanner.
class StreamDevice {
 public:
  virtual ~StreamDevice() = default;
  // The 16-byte status record; 0 or the device's error.
  virtual int ReadStatus(ScanStatus* status) = 0;
  // Up to `capacity` bytes of scan data; 0 or the device's error.
  virtual int ReadBlock(uint8_t* buffer, uint32_t capacity, uint32_t* count) = 0;
  // Marks the current read position of the scanner memory.
  virtual void MarkReadPosition() = 0;
};

// The device object's operations as the poll's device.
class ScannerStreamDevice : public StreamDevice {
 public:
  explicit ScannerStreamDevice(ScannerRegisters& device) : device_(device) {}
  int ReadStatus(ScanStatus* status) override;
  int ReadBlock(uint8_t* buffer, uint32_t capacity, uint32_t* count) override;
  void MarkReadPosition() override;

 private:
  ScannerRegisters& device_;
};

// Lines the scanner must be ahead of the parsed lines before a read while
// the transport runs.
constexpr int64_t kLinesAheadForRead = 5;

// What one poll did.
struct PollResult {
  ScanStatus status{};  // the status record (Poll only)
  int64_t lines_ahead = 0;  // the line counter less the lines parsed before the read
  bool read = false;  // a piece was read
  int empty_lines = 0;  // of that read: -1 no bytes, else the empty lines
  bool flushed = false;  // all plates were flushed with end
};

class StreamPoller {
 public:
  StreamPoller(Acquisition& acquisition, StreamDevice& device, LogSink* log = nullptr)
      : acq_(acquisition), device_(device), log_(log ? *log : null_log_) {}

  // One poll: the status record, a read when one is due, the flushes. 0,
  // the status record's error or the read's error (logged).
  int Poll(PollResult* result);
  // The same poll on a status record the caller has already read.
  int PollStatus(const ScanStatus& status, PollResult* result);
  // One read and its flushes, without the status record (the recovery of
  // old scanner memory reads while data words wait). 0 or the read's error
  // (logged).
  int ReadStep(PollResult* result);
  // Flush with end, stream reset, read position marked, counts cleared.
  void FlushWithEnd();
  // Counts and flags cleared (start of a pass).
  void Restart();

  // Reads ending in lit data since the last flush.
  int CollectingReads() const { return collecting_reads_; }
  // Scan data arrived since the last flush with end: a read ended in lit
  // data, or samples were stored.
  bool DataCollected() const { return data_collected_ || acq_.HasData(); }

 private:
  int ReadPiece(PollResult* result, bool announce);

  NullLogSink null_log_;
  Acquisition& acq_;
  StreamDevice& device_;
  LogSink& log_;
  int collecting_reads_ = 0;
  bool data_collected_ = false;
  bool collecting_logged_ = false;
  bool transport_was_running_ = false;
};

}  // namespace tarvel
