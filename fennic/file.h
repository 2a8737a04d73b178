#pragma once
// The file layer of the library: descriptors opened and closed per call,
// reads and writes looped until complete, checked 64-bit offsets. Every
// read, write and seek goes through the I/O of its file handle, and every
// buffer allocation through the I/O its buffer was given: plain I/O unless
// the operation was given another (a test's, such as one that fails the
// k-th operation).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <utility>

#include "fennic/fennic_api.h"

namespace fennic {

// The I/O operations on a descriptor, and the memory of temporary buffers.
class Io {
 public:
  virtual ~Io() = default;
  // Reads up to len bytes from the position, looping over short reads until
  // len bytes or the end of the file; the count, or -1 on an error.
  virtual int64_t read(int fd, void* dst, size_t len) = 0;
  // Reads exactly len bytes from an absolute offset without moving the
  // position: kFennicOk, kFennicSeekFailed or kFennicReadFailed.
  virtual int read_at(int fd, uint64_t offset, void* dst, size_t len) = 0;
  // Writes all len bytes.
  virtual bool write(int fd, const void* src, size_t len) = 0;
  // Moves to an absolute offset, or forward from the position.
  virtual bool seek(int fd, uint64_t offset) = 0;
  virtual bool skip(int fd, uint64_t delta) = 0;
  // Storage of `bytes` bytes (released with ::operator delete), or nullptr.
  virtual void* allocate(size_t bytes) = 0;
};

// The system's I/O.
class PlainIo : public Io {
 public:
  int64_t read(int fd, void* dst, size_t len) override;
  int read_at(int fd, uint64_t offset, void* dst, size_t len) override;
  bool write(int fd, const void* src, size_t len) override;
  bool seek(int fd, uint64_t offset) override;
  bool skip(int fd, uint64_t delta) override;
  void* allocate(size_t bytes) override;
};

// The system's I/O, shared by every handle that was given no other.
Io& plain_io();

// A descriptor and the I/O its reads, writes and seeks go through.
class File {
 public:
  explicit File(Io& io = plain_io()) : io_(&io) {}
  File(int fd, Io& io) : fd_(fd), io_(&io) {}
  ~File() { close(); }
  File(File&& other) noexcept : fd_(other.release()), io_(other.io_) {}
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens an existing regular file for reading into `out`, which keeps its
  // I/O: kFennicOk or kFennicOpenFailed.
  static int open_read(const char* name, File& out);
  // Creates (or truncates) a file for writing into `out`, which keeps its
  // I/O: kFennicOk or kFennicCreateFailed. Directories, FIFOs and sockets
  // are refused.
  static int create(const char* name, File& out);

  bool is_open() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  Io& io() const { return *io_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void close();

  // Reads up to len bytes, looping over short reads until len bytes or the
  // end of the file; returns the count, or -1 on an error.
  int64_t read_some(void* dst, size_t len) { return io_->read(fd_, dst, len); }
  // Reads exactly len bytes.
  bool read(void* dst, size_t len) { return read_some(dst, len) == static_cast<int64_t>(len); }
  // Writes all len bytes.
  bool write(const void* src, size_t len) { return io_->write(fd_, src, len); }
  // Reads exactly len bytes from an absolute offset without moving the
  // position: kFennicOk, kFennicSeekFailed (an offset beyond the range of
  // offsets) or kFennicReadFailed.
  int read_at(uint64_t offset, void* dst, size_t len) { return io_->read_at(fd_, offset, dst, len); }
  // Moves to an absolute offset.
  bool seek(uint64_t offset) { return io_->seek(fd_, offset); }
  // Moves forward from the current position.
  bool skip(uint64_t delta) { return io_->skip(fd_, delta); }

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
  Io* io_;
};

// A file an operation creates: made once the operation knows that it will
// write. A regular file is written under a new name beside the target
// (through a symbolic link, beside the file it names) and renamed over the
// target only when the operation succeeds, so a failed write or copy leaves
// the file that was there byte for byte and no partial file behind. A
// device takes the bytes in place. The file is written through `io`.
class NewFile {
 public:
  NewFile(std::string name, Io& io) : name_(std::move(name)), file_(io) {}
  // Removes the file written unless the operation succeeded.
  ~NewFile();
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;

  // Creates the file: kFennicOk or kFennicCreateFailed. Folders, FIFOs and
  // sockets are refused.
  int create();
  File& file() { return file_; }
  // The operation's result. On 0 the file is flushed to the disk and takes
  // the target's name (its failures give kFennicWriteFailed or
  // kFennicCreateFailed); otherwise it is removed.
  int finish(int rc);

 private:
  std::string name_;
  // The target the file replaces and the name it is written under; empty
  // while writing in place.
  std::string target_, written_;
  File file_;
  bool created_ = false, kept_ = false;
};

// A temporary buffer of trivial elements, its storage from the I/O it is
// given (that of the file it serves).
template <class T>
class Buffer {
  static_assert(std::is_trivially_default_constructible_v<T> && std::is_trivially_destructible_v<T>);

 public:
  explicit Buffer(Io& io) : io_(&io) {}
  bool allocate(uint64_t count, bool zero = false) {
    data_.reset();
    if (count > SIZE_MAX / sizeof(T)) return false;
    const size_t bytes = (count ? count : 1) * sizeof(T);
    T* p = static_cast<T*>(io_->allocate(bytes));
    if (!p) return false;
    if (zero) std::memset(static_cast<void*>(p), 0, bytes);
    data_.reset(p);
    return true;
  }
  T* data() { return data_.get(); }
  const T* data() const { return data_.get(); }
  T& operator[](size_t i) { return data_.get()[i]; }
  const T& operator[](size_t i) const { return data_.get()[i]; }

 private:
  struct Release {
    void operator()(T* p) const { ::operator delete(static_cast<void*>(p)); }
  };
  Io* io_;
  std::unique_ptr<T, Release> data_;
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
