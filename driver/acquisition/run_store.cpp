#include "driver/acquisition/run_store.h"

#include <unistd.h>

#include <cerrno>

#include "driver/config/paths.h"
#include "platform/files.h"

namespace tarvel {

namespace {
const char kBlockOverflow[] = "CRITICAL ERROR: Internal Blockbuffer overflow\n   This my be caused by too much light\n";
}  // namespace

RunStore::RunStore(LogSink& log) : log_(log), blocks_(kMaxBlocks) {
  pending_.reserve(kMaxPendingRuns);
  pending_blocks_.reserve(kMaxPendingRuns);
}

RunStore::~RunStore() { CloseTempFile(); }

bool RunStore::OpenTempFile(const std::string& path) {
  CloseTempFile();
  wfile_ = OpenWithFolders(path, "wb");
  if (!wfile_) return false;
  rfile_ = platform::OpenFile(path, "rb");
  if (!rfile_) {
    std::fclose(wfile_);
    wfile_ = nullptr;
    return false;
  }
  write_offset_ = 0;
  pending_.clear();
  pending_blocks_.clear();
  return true;
}

void RunStore::CloseTempFile() {
  WritePending();
  if (wfile_) std::fclose(wfile_);
  if (rfile_) std::fclose(rfile_);
  wfile_ = rfile_ = nullptr;
}

bool RunStore::ClaimOverflowReport() {
  if (overflow_logged_) return false;
  overflow_logged_ = true;
  return true;
}

void RunStore::Reset() {
  // The open run's block too: it may already be marked lost.
  for (int i = 0; i <= block_count_ && i < kMaxBlocks; ++i) blocks_[i] = ScanBlock{};
  block_count_ = 0;
  last_collect_ = 0;
  overflow_logged_ = false;
  write_failed_logged_ = false;
  write_error_ = 0;
  pending_.clear();
  pending_blocks_.clear();
  // Nothing of earlier plates stays in the file, and a full disk gets its
  // space back. A file that cannot be cut keeps its bytes: only runs that
  // were stored are read back anyway.
  if (wfile_) {
    [[maybe_unused]] const bool cut = ::ftruncate(fileno(wfile_), 0) == 0;
  }
  if (wfile_) std::fseek(wfile_, 0, SEEK_SET);
  if (rfile_) std::fseek(rfile_, 0, SEEK_SET);
  write_offset_ = 0;
  run_line_ = 0;
  run_offset_ = -1;
}

void RunStore::Store(const uint8_t* words, size_t count, int32_t line) {
  run_line_ = line;
  if (block_count_ >= kMaxBlocks) {
    if (ClaimOverflowReport()) {
      WritePending();
      log_.Write(kBlockOverflow);
      log_.Flush();
    }
    return;
  }
  if (run_offset_ < 0) run_offset_ = write_offset_;
  if (count == 0) return;
  const size_t bytes = count * 2;
  if (!wfile_) {
    write_offset_ += static_cast<int64_t>(bytes);
    WriteFailed(block_count_, 0);
    return;
  }
  // Runs are gathered and written together, straight from the piece.
  if (pending_.empty()) pending_offset_ = write_offset_;
  pending_.push_back(iovec{const_cast<uint8_t*>(words), bytes});
  pending_blocks_.push_back(block_count_);
  write_offset_ += static_cast<int64_t>(bytes);
  if (pending_.size() >= kMaxPendingRuns) WritePending();
}

void RunStore::Append(const uint8_t* words, size_t count, int32_t line, int32_t x_from, int32_t x_to) {
  const bool full = block_count_ >= kMaxBlocks;
  Store(words, count, line);
  if (full) return;
  ScanBlock& b = blocks_[block_count_];
  b.line = line;
  b.x_from = x_from;
  b.x_to = x_to;
  b.file_offset = run_offset_;
  ++block_count_;
}

void RunStore::WriteFailed(int block, int error) {
  blocks_[block].lost = true;
  if (write_error_ == 0) write_error_ = error;
  if (write_failed_logged_) return;
  write_failed_logged_ = true;
  Logf(log_, "ERROR: File write error for Block[%i]\n", block);
}

// Every run keeps its own place in the file, even when an earlier one is lost.
void RunStore::WritePending() {
  if (pending_.empty()) return;
  size_t i = 0;
  int64_t at = pending_offset_;
  while (i < pending_.size()) {
    errno = 0;
    int64_t n = platform::WriteFileAt(wfile_, pending_.data() + i, static_cast<int>(pending_.size() - i), at);
    if (n <= 0) {
      // This run is lost; the next one goes to its own offset.
      WriteFailed(pending_blocks_[i], n < 0 ? errno : ENOSPC);
      at += static_cast<int64_t>(pending_[i].iov_len);
      ++i;
      continue;
    }
    at += n;
    for (size_t done = static_cast<size_t>(n); done > 0;) {
      if (done >= pending_[i].iov_len) {
        done -= pending_[i].iov_len;
        ++i;
      } else {
        pending_[i].iov_base = static_cast<uint8_t*>(pending_[i].iov_base) + done;
        pending_[i].iov_len -= done;
        done = 0;
      }
    }
  }
  pending_.clear();
  pending_blocks_.clear();
}

bool RunStore::ReadBack(int64_t offset, uint16_t* dest, size_t count) {
  errno = 0;
  if (!rfile_ || offset < 0) return false;
  auto* out = reinterpret_cast<uint8_t*>(dest);
  size_t want = count * 2, done = 0;
  while (done < want) {
    int64_t n = platform::ReadFileAt(rfile_, out + done, want - done, offset + static_cast<int64_t>(done));
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace tarvel
