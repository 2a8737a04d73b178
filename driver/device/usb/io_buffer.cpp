#include "driver/device/usb/io_buffer.h"

#include <new>

namespace tarvel::usb {

IoBuffer::IoBuffer() { overlapped.event = &event; }

IoBuffer::IoBuffer(void* d, uint32_t s) : data(static_cast<uint8_t*>(d)), size(s) { overlapped.event = &event; }

IoBuffer::IoBuffer(uint32_t s) : data(new (std::nothrow) uint8_t[s]()), size(data ? s : 0), owns_data(data != nullptr) {
  overlapped.event = &event;
}

IoBuffer::~IoBuffer() {
  if (owns_data) delete[] data;
}

bool IoBufferPool::Create(uint32_t count, uint32_t size) {
  if (!SplitBlock(block_, buffers_, count, size,
                  [size](uint8_t* data) { return std::make_unique<IoBuffer>(data, size); }))
    return false;
  for (auto& b : buffers_) Put(b.get());
  return true;
}

void IoBufferPool::Destroy() {
  std::lock_guard<platform::CriticalSection> guard(lock_);
  head_ = nullptr;
  free_count_ = 0;
  buffers_.clear();
  block_.clear();
  block_.shrink_to_fit();
}

IoBuffer* IoBufferPool::Get() {
  std::lock_guard<platform::CriticalSection> guard(lock_);
  IoBuffer* b = head_;
  if (b) {
    head_ = b->next;
    b->next = nullptr;
    platform::InterlockedDecrement(free_count_);
  }
  return b;
}

void IoBufferPool::Put(IoBuffer* buffer) {
  if (buffer == nullptr) return;
  std::lock_guard<platform::CriticalSection> guard(lock_);
  buffer->next = head_;
  head_ = buffer;
  platform::InterlockedIncrement(free_count_);
}

}  // namespace tarvel::usb
