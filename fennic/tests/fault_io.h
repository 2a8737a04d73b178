#pragma once
// An I/O that fails the k-th seek, read, write or allocation as its plan
// says, and is plain I/O otherwise; given to a file handle or to an
// operation, which runs its files and buffers on it.
#include <cstdint>

#include "fennic/fennic_api.h"
#include "fennic/file.h"

namespace fennic_test {

// Each counter names the zero-based index of the operation of its kind that
// fails from now on; -1 fails none. Counters run down as the operations
// happen, so a plan is used up by one failure.
struct FaultPlan {
  int64_t seek = -1;
  int64_t read = -1;
  int64_t write = -1;
  int64_t alloc = -1;
};

class FaultingIo : public fennic::PlainIo {
 public:
  FaultingIo() = default;
  FaultingIo(const FaultingIo&) = delete;
  FaultingIo& operator=(const FaultingIo&) = delete;

  FaultPlan plan;

  int64_t read(int fd, void* dst, size_t len) override { return fails(plan.read) ? -1 : PlainIo::read(fd, dst, len); }
  int read_at(int fd, uint64_t offset, void* dst, size_t len) override {
    if (fails(plan.seek)) return kFennicSeekFailed;
    if (fails(plan.read)) return kFennicReadFailed;
    return PlainIo::read_at(fd, offset, dst, len);
  }
  bool write(int fd, const void* src, size_t len) override {
    return !fails(plan.write) && PlainIo::write(fd, src, len);
  }
  bool seek(int fd, uint64_t offset) override { return !fails(plan.seek) && PlainIo::seek(fd, offset); }
  bool skip(int fd, uint64_t delta) override { return !fails(plan.seek) && PlainIo::skip(fd, delta); }
  void* allocate(size_t bytes) override { return fails(plan.alloc) ? nullptr : PlainIo::allocate(bytes); }

 private:
  // True when the plan fails this operation (and counts it).
  static bool fails(int64_t& counter) {
    if (counter < 0) return false;
    return counter-- == 0;
  }
};

}  // namespace fennic_test
