#pragma once
// The file layer of the library: descriptors opened and closed per call,
// reads and writes looped until complete, checked 64-bit offsets, and a
// per-thread fault plan through which tests fail the k-th seek, read, write
// or allocation.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "fennic/fennic_api.h"

namespace fennic {

// Each counter names the zero-based index of the operation of its kind that
// fails from now on in this thread; -1 fails none. Counters run down as the
// operations happen, so a plan is used up by one failure.
struct FaultPlan {
  int64_t seek = -1;
  int64_t read = -1;
  int64_t write = -1;
  int64_t alloc = -1;
};
FaultPlan& fault_plan();

// True when the fault plan fails this operation (and counts it).
bool inject(int64_t& counter);

class File {
 public:
  File() = default;
  explicit File(int fd) : fd_(fd) {}
  ~File() { close(); }
  File(File&& other) noexcept : fd_(other.release()) {}
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens an existing regular file for reading: kFennicOk or kFennicOpenFailed.
  static int open_read(const char* name, File& out);
  // Creates (or truncates) a file for writing: kFennicOk or
  // kFennicCreateFailed. Directories, FIFOs
  // and sockets are refused.
  static int create(const char* name, File& out);

  bool is_open() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void close();

  // Reads up to len bytes, looping over short reads until len bytes or the
  // end of the file; returns the count, or -1 on an error.
  int64_t read_some(void* dst, size_t len);
  // Reads exactly len bytes.
  bool read(void* dst, size_t len) { return read_some(dst, len) == static_cast<int64_t>(len); }
  // Writes all len bytes.
  bool write(const void* src, size_t len);
  // Reads exactly len bytes from an absolute offset without moving the
  // position: kFennicOk, kFennicSeekFailed (an offset beyond the range of
  // offsets) or kFennicReadFailed.
  int read_at(uint64_t offset, void* dst, size_t len);
  // Moves to an absolute offset.
  bool seek(uint64_t offset);
  // Moves forward from the current position.
  bool skip(uint64_t delta);

  // Size of the file now (0 when unknown).
  uint64_t size() const;
  // Creation time of the file (its modification time where the file system
  // keeps none), as a Windows FILETIME.
  FileTime creation_time() const;
  // True when `name` is this file (the same device and inode).
  bool is_same_file(const char* name) const;
  // Removes `name` from its folder when it still names this regular file
  // itself (not a link to it); the descriptor stays open.
  void remove_name(const char* name) const;

 private:
  int fd_ = -1;
};

// A file an operation creates: made once the operation knows that it will
// write, and removed again unless the operation succeeds, so that a failed
// write or copy leaves no partial file behind.
class NewFile {
 public:
  explicit NewFile(std::string name) : name_(std::move(name)) {}
  ~NewFile() {
    if (created_ && !kept_) file_.remove_name(name_.c_str());
  }
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;

  // Creates (or truncates) the file: kFennicOk or kFennicCreateFailed.
  int create() {
    const int rc = File::create(name_.c_str(), file_);
    created_ = rc == 0;
    return rc;
  }
  File& file() { return file_; }
  // The operation's result: the file is kept when it is 0.
  int finish(int rc) {
    kept_ = rc == 0;
    return rc;
  }

 private:
  std::string name_;
  File file_;
  bool created_ = false, kept_ = false;
};

// A temporary buffer whose allocation the fault plan can fail.
template <class T>
class Buffer {
 public:
  bool allocate(uint64_t count, bool zero = false) {
    data_.reset();
    if (inject(fault_plan().alloc)) return false;
    if (count > SIZE_MAX / sizeof(T)) return false;
    T* p = new (std::nothrow) T[count ? count : 1];
    if (!p) return false;
    if (zero) std::memset(static_cast<void*>(p), 0, (count ? count : 1) * sizeof(T));
    data_.reset(p);
    return true;
  }
  T* data() { return data_.get(); }
  const T* data() const { return data_.get(); }
  T& operator[](size_t i) { return data_[i]; }
  const T& operator[](size_t i) const { return data_[i]; }

 private:
  std::unique_ptr<T[]> data_;
};

// Little-endian fields.
inline uint16_t get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
inline void put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void put32(uint8_t* p, uint32_t v) {
  put16(p, v);
  put16(p + 2, v >> 16);
}

// Checked 64-bit arithmetic: false when the result does not fit.
inline bool mul64(uint64_t a, uint64_t b, uint64_t& out) { return !__builtin_mul_overflow(a, b, &out); }
inline bool add64(uint64_t a, uint64_t b, uint64_t& out) { return !__builtin_add_overflow(a, b, &out); }

}  // namespace fennic
