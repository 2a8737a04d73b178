#pragma once
// The one poll of the scan-data stream, for every caller that polls.
//
// A read is made when the transport runs and the scanner's line counter is
// more than 5 lines ahead of the parsed lines, or when data words wait while
// the transport is stopped; while pieces keep coming (and, with the
// transport running, the scanner is still ahead) one poll reads on, for at
// most kPollReadMs. A read ending in lit data counts; every 52nd
// such read (the count was above 50) flushes finished plates and restarts
// the count. A read reporting empty lines after collected data, and a
// stopped transport with no data waiting after collected data, flush all
// plates, reset the stream state and mark the read position (register 55
// written 0).
//
// An overrun (the scanner memory full, so data were dropped, or fewer lines
// parsed than the scanner counted once everything it held is read) loses
// the plates being collected: they are discarded as lost up to the end of
// the pass.
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
  // The scanner memory was full by the time of `status` (data were dropped).
  virtual bool MemoryFull(const ScanStatus& /*status*/) { return false; }
};

// The device object's operations as the poll's device.
class ScannerStreamDevice : public StreamDevice {
 public:
  explicit ScannerStreamDevice(ScannerRegisters& device) : device_(device) {}
  int ReadStatus(ScanStatus* status) override;
  int ReadBlock(uint8_t* buffer, uint32_t capacity, uint32_t* count) override;
  void MarkReadPosition() override;
  bool MemoryFull(const ScanStatus& status) override;
  // Words the scanner memory holds (0: unknown).
  void SetMemoryWords(uint64_t words) { memory_words_ = words; }

 private:
  ScannerRegisters& device_;
  uint64_t memory_words_ = 0;
};

// Lines the scanner must be ahead of the parsed lines before a read while
// the transport runs.
constexpr int64_t kLinesAheadForRead = 5;
// Longest a poll keeps reading while more data come.
constexpr uint64_t kPollReadMs = 10;

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
  // Reads while pieces come, within kPollReadMs; 0 or the read's error.
  int ReadOn(const ScanStatus& status, PollResult* result);
  // Data of this pass were lost: its plates go as lost.
  void Overrun(const char* how);

  NullLogSink null_log_;
  Acquisition& acq_;
  StreamDevice& device_;
  LogSink& log_;
  int collecting_reads_ = 0;
  bool data_collected_ = false;
  bool collecting_logged_ = false;
  bool transport_was_running_ = false;
  uint64_t bytes_read_ = 0;  // by the reads of the current poll
};

}  // namespace tarvel
