#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "platform/kernel_device.h"
#include "platform/sync.h"

// One overlapped transfer (`IoBuffer`) and a pool of them sharing one data
// block (`IoBufferPool`, offered for other pipes; the scan-data reader keeps
// its own pool).
namespace tarvel::usb {

constexpr uint32_t kStatusPending = platform::kErrorIoPending;

struct IoBuffer {
  IoBuffer();
  IoBuffer(void* data, uint32_t size);  // over caller memory, not owned
  explicit IoBuffer(uint32_t size);  // its own zeroed allocation
  ~IoBuffer();
  IoBuffer(const IoBuffer&) = delete;
  IoBuffer& operator=(const IoBuffer&) = delete;

  uint32_t request_length = 0;
  uint32_t transferred = 0;
  uint32_t status = 0;  // 0, a Windows error or a driver status; kStatusPending while under way
  IoBuffer* next = nullptr;
  uint8_t* data = nullptr;
  uint32_t size = 0;
  platform::Event event{false, false};  // auto reset
  platform::Overlapped overlapped;
  bool owns_data = false;
};

// Splits one zeroed block of `count` x `size` bytes among `count` buffers,
// `make(data)` making the one over each piece. False when there are buffers
// already, count or size is 0, or memory runs out (both left empty).
template <typename Buffer, typename Make>
bool SplitBlock(std::vector<uint8_t>& block, std::vector<std::unique_ptr<Buffer>>& buffers, uint32_t count,
                uint32_t size, Make make) {
  if (!buffers.empty() || count == 0 || size == 0) return false;
  try {
    block.assign(static_cast<size_t>(count) * size, 0);
    for (uint32_t i = 0; i < count; ++i) buffers.push_back(make(block.data() + static_cast<size_t>(i) * size));
  } catch (const std::bad_alloc&) {
    buffers.clear();
    block.clear();
    return false;
  }
  return true;
}

class IoBufferPool {
 public:
  ~IoBufferPool() { Destroy(); }
  // `count` buffers of `size` bytes over one zeroed block; false when the
  // pool exists or count or size is 0.
  bool Create(uint32_t count, uint32_t size);
  void Destroy();
  IoBuffer* Get();  // null when none is free
  void Put(IoBuffer* buffer);
  int32_t FreeCount() const { return free_count_; }

 private:
  std::vector<std::unique_ptr<IoBuffer>> buffers_;
  std::vector<uint8_t> block_;
  IoBuffer* head_ = nullptr;
  platform::CriticalSection lock_;
  std::atomic<int32_t> free_count_{0};
};

}  // namespace tarvel::usb
