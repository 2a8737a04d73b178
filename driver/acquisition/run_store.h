#pragma once
// The stored runs of lit samples: the temporary data file (one handle for
// appending, one for reading back) and the block table, one block a run.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <sys/uio.h>

#include "driver/acquisition/acquisition_settings.h"
#include "driver/config/log_sink.h"

namespace tarvel {

// One stored run of samples.
struct ScanBlock {
  int32_t line = 0;  // scan line (line counter when received)
  int32_t x_from = 0;  // pixel index of the first sample
  int32_t x_to = 0;  // pixel index of the last sample
  int64_t file_offset = -1;  // byte offset in the temporary file, -1 unused
  bool lost = false;  // not all of its samples reached the file
};

class RunStore {
 public:
  explicit RunStore(LogSink& log);
  ~RunStore();
  RunStore(const RunStore&) = delete;
  RunStore& operator=(const RunStore&) = delete;

  // False (nothing left open) when either handle cannot be opened.
  bool OpenTempFile(const std::string& path);
  void CloseTempFile();
  bool TempFileOpen() const { return wfile_ != nullptr; }

  // Appends words to the open run (the block at BlockCount); the run takes
  // its place in the file when it has none yet. `words` must stay valid
  // until WritePending.
  void Store(const uint8_t* words, size_t count, int32_t line);
  // Stores the last words of the open run and closes it as a block.
  void Append(const uint8_t* words, size_t count, int32_t line, int32_t x_from, int32_t x_to);
  // The next words begin a new run.
  void EndRun() { run_offset_ = -1; }
  // The line of the open run.
  int32_t OpenLine() const { return run_line_; }
  void SetOpenLine(int32_t line) { run_line_ = line; }
  // Writes the gathered runs to the file; a run that cannot be written
  // whole is marked lost.
  void WritePending();
  // Reads `count` words at a file offset; false (errno set, 0 at the end of
  // the file) when not all could be read.
  bool ReadBack(int64_t offset, uint16_t* dest, size_t count);
  // The system error of the first run lost since the reset (0: none, or
  // the temporary file is not open).
  int WriteError() const { return write_error_; }

  int BlockCount() const { return block_count_; }
  const ScanBlock& Block(int i) const { return blocks_[i]; }
  const ScanBlock* Blocks() const { return blocks_.data(); }
  // Blocks before this index are in ranges.
  int LastCollect() const { return last_collect_; }
  void MarkCollected() { last_collect_ = block_count_; }
  // True once until the next reset: a full table (of blocks or of ranges)
  // is reported once.
  bool ClaimOverflowReport();

  // Empties the table and the file; runs not yet written are dropped.
  void Reset();

 private:
  void WriteFailed(int block, int error);

  LogSink& log_;
  std::FILE* wfile_ = nullptr;
  std::FILE* rfile_ = nullptr;
  int64_t write_offset_ = 0;
  // Runs not yet in the file, from pending_offset_ on.
  static constexpr size_t kMaxPendingRuns = 512;
  std::vector<iovec> pending_;
  std::vector<int> pending_blocks_;
  int64_t pending_offset_ = 0;
  bool write_failed_logged_ = false;
  int write_error_ = 0;

  std::vector<ScanBlock> blocks_;
  int block_count_ = 0;
  int last_collect_ = 0;
  bool overflow_logged_ = false;
  int32_t run_line_ = 0;
  int64_t run_offset_ = -1;
};

}  // namespace tarvel
