#include "driver/device/usb/usb_bulk_reader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "driver/device/usb/usb_status.h"
#include "platform/clock.h"
#include "platform/usb_driver.h"

namespace tarvel::usb {
namespace {
// How long a flush waits for a cancelled transfer before it says so (it then
// cancels once more and waits on: a buffer in flight is never reused).
constexpr uint32_t kCancelWaitMs = 10000;
}  // namespace

UsbPipeReader::~UsbPipeReader() { Close(); }

uint32_t UsbPipeReader::BackoffMs(int failures) {
  if (failures <= 0) return 0;
  return static_cast<uint32_t>(std::min(failures, 20) * 10);
}

void UsbPipeReader::FillBuffer(ReaderBuffer& buffer, uint8_t value) {
  if (buffer.io.data != nullptr) std::memset(buffer.io.data, value, buffer.io.size);
}

int UsbPipeReader::WaitForAny(platform::Event* const* events, int count, uint32_t ms) {
  if (events == nullptr || count < 1 || count > platform::kMaximumWaitObjects) return KPU_STATUS_INVALID_PARAMETER;
  uint32_t woke = platform::WaitForEvents(events, count, ms == 0 ? platform::kInfinite : ms);
  if (woke == platform::kWaitTimeout) return KPU_STATUS_TIMEOUT;
  if (woke == platform::kWaitFailed) return KPU_STATUS_INVALID_PARAMETER;
  return static_cast<int>(woke - platform::kWaitObject0);
}

int UsbPipeReader::WaitForBufferOr(IoBuffer& buffer, platform::Event* further, uint32_t ms) {
  platform::Event* events[2] = {&buffer.event, further};
  return WaitForAny(events, further != nullptr ? 2 : 1, ms);
}

int UsbPipeReader::Open(SetupApiLibrary& api, int number, uint8_t endpoint, platform::DeviceInfoHandle set,
                        const platform::Guid* guid, LogSink& log) {
  if ((endpoint & 0x80) == 0) return KPU_STATUS_INVALID_PARAMETER;
  log_ = &log;
  try {
    buffer_returned_ = std::make_unique<platform::Event>(false, false);
    data_available_ = std::make_unique<platform::Event>(true, false);
  } catch (const std::bad_alloc&) {
    return KPU_STATUS_NO_RESOURCES;
  }
  uint32_t status = Bind(api, number, endpoint, set, guid);
  if (status != 0) return Map_DriverStatus(status);
  if (!CreatePool()) {
    Unbind();
    return KPU_STATUS_INVALID_PARAMETER;
  }
  open_ = true;
  return KPU_STATUS_SUCCESS;
}

bool UsbPipeReader::CreatePool() {
  auto make = [this](uint8_t* data) {
    auto b = std::make_unique<ReaderBuffer>();
    b->io.data = data;
    b->io.size = size_;
    return b;
  };
  if (!SplitBlock(block_, buffers_, count_, size_, make)) return false;
  std::lock_guard<platform::CriticalSection> guard(free_lock_);
  for (auto& b : buffers_) free_.push_back(b.get());
  return true;
}

void UsbPipeReader::DestroyPool() {
  {
    std::lock_guard<platform::CriticalSection> guard(free_lock_);
    free_.clear();
  }
  {
    std::lock_guard<platform::CriticalSection> guard(completed_lock_);
    completed_.clear();
  }
  buffers_.clear();
  block_.clear();
  block_.shrink_to_fit();
}

int UsbPipeReader::Close() {
  if (Running()) {
    int status = Stop();
    if (status != KPU_STATUS_SUCCESS) return status;
  }
  if (!open_) return KPU_STATUS_SUCCESS;
  uint32_t status = Unbind();
  if (status != 0) return Map_DriverStatus(status);
  DestroyPool();
  count_ = 0;
  size_ = 0;
  open_ = false;
  UsbIoDevice::Close();
  return KPU_STATUS_SUCCESS;
}

int UsbPipeReader::Start() {
  if (!open_) return KPU_STATUS_NOT_CONFIGERED;
  if (Running()) return KPU_STATUS_ALREADY_RUNNING;
  uint32_t status = ResetPipe();
  if (status != 0) return Map_DriverStatus(status);
  SetPriority(platform::kThreadPriorityAboveNormal);
  failures_ = 0;
  rounds_ = 0;
  stop_wake_.Reset();
  if (!Thread_Start()) {
    Close();
    return KPU_STATUS_THREAD_NOT_STARTED;
  }
  return KPU_STATUS_SUCCESS;
}

int UsbPipeReader::Stop() {
  if (!open_) return KPU_STATUS_NOT_CONFIGERED;
  if (!Running()) return KPU_STATUS_NOT_RUNNING;
  RequestStop();  // before the wake-up, so the woken loop sees it
  stop_wake_.Set();
  buffer_returned_->Set();
  Thread_Stop();
  return KPU_STATUS_SUCCESS;
}

ReaderBuffer* UsbPipeReader::TakeFree() {
  std::lock_guard<platform::CriticalSection> guard(free_lock_);
  if (free_.empty()) return nullptr;
  ReaderBuffer* b = free_.back();
  free_.pop_back();
  return b;
}

void UsbPipeReader::ReturnBuffer(ReaderBuffer* buffer) {
  {
    std::lock_guard<platform::CriticalSection> guard(free_lock_);
    free_.push_back(buffer);
  }
  buffer_returned_->Set();
}

void UsbPipeReader::DropFailed(ReaderBuffer* buffer) {
  ++failures_;
  ReturnBuffer(buffer);  // its data are dropped; it is submitted again
}

ReaderBuffer* UsbPipeReader::PopPending() {
  ReaderBuffer* b = pending_.front();
  {
    std::lock_guard<platform::CriticalSection> guard(pending_lock_);
    pending_.pop_front();
  }
  pending_count_ = static_cast<int>(pending_.size());
  return b;
}

void UsbPipeReader::Run() {
  while (!StopRequested()) {
    // Reads that failed in a row (an unplugged device) wait before the next
    // submission instead of spinning.
    if (uint32_t backoff = BackoffMs(failures_)) {
      platform::WaitForEvent(stop_wake_, backoff);
      if (StopRequested()) break;
    }
    for (ReaderBuffer* b = TakeFree(); b != nullptr; b = TakeFree()) {
      b->io.request_length = b->io.size;
      b->io.transferred = 0;
      b->io.status = 0;
      b->unread = 0;
      b->next = nullptr;
      Read(b->io);
      std::lock_guard<platform::CriticalSection> guard(pending_lock_);
      pending_.push_back(b);
      pending_count_ = static_cast<int>(pending_.size());
    }
    ++rounds_;
    if (pending_.empty()) {
      platform::WaitForEvent(*buffer_returned_, platform::kInfinite);
      continue;
    }
    ReaderBuffer* oldest = pending_.front();
    uint32_t woke = platform::WaitForEither(oldest->io.event, *buffer_returned_, platform::kInfinite);
    if (woke != platform::kWaitObject0) continue;
    TakeResult(oldest->io);
    if (oldest->io.status == 0) {
      // Moved to the completed list while its lock is held (the pending lock
      // is taken inside it, as in BytesHeld), so an observer never misses
      // its bytes.
      {
        std::lock_guard<platform::CriticalSection> completed(completed_lock_);
        PopPending();
        completed_.push_back(oldest);
      }
      failures_ = 0;
      data_available_->Set();
    } else {
      PopPending();
      DropFailed(oldest);
    }
  }
  Flush();
  std::deque<ReaderBuffer*> done;
  {
    std::lock_guard<platform::CriticalSection> guard(completed_lock_);
    done.swap(completed_);
  }
  for (ReaderBuffer* b : done) ReturnBuffer(b);
}

void UsbPipeReader::Flush() {
  AbortPipe();
  while (!pending_.empty()) {
    ReaderBuffer* b = PopPending();
    if (Wait(b->io, kCancelWaitMs) == platform::usb::kStatusTimeout) {
      Logf(*log_, "USB reader: a cancelled transfer is still pending after %u ms\n", kCancelWaitMs);
      Cancel();
      Wait(b->io, platform::kInfinite);
    }
    ReturnBuffer(b);
  }
}

int UsbPipeReader::Take(void* destination, uint32_t length, uint32_t* out_length, uint32_t ms) {
  if (out_length) *out_length = 0;
  if (destination == nullptr || length == 0) return KPU_STATUS_INVALID_PARAMETER;
  if (!data_available_) return KPU_STATUS_NO_DATA;
  bool empty;
  {
    std::lock_guard<platform::CriticalSection> guard(completed_lock_);
    data_available_->Reset();
    empty = completed_.empty();
  }
  if (empty && platform::WaitForEvent(*data_available_, ms == 0 ? 0 : ms) == platform::kWaitTimeout)
    return ms != 0 ? KPU_STATUS_TIMEOUT : KPU_STATUS_NO_DATA;
  uint32_t n = 0;
  {
    std::lock_guard<platform::CriticalSection> guard(completed_lock_);
    if (completed_.empty()) return KPU_STATUS_NO_DATA;
    ReaderBuffer* b = completed_.front();
    uint32_t available = b->unread;
    const uint8_t* from = b->next;
    if (from == nullptr) {
      available = b->io.transferred;
      from = b->io.data;
    }
    n = std::min(length, available);
    std::memcpy(destination, from, n);
    b->unread = available - n;
    b->next = from + n;
    if (b->unread == 0) {
      completed_.pop_front();
      b->next = nullptr;
      ReturnBuffer(b);
    }
  }
  std::this_thread::yield();
  if (n == 0) return KPU_STATUS_NO_DATA;
  if (out_length) *out_length = n;
  return KPU_STATUS_SUCCESS;
}

bool UsbPipeReader::WaitForData(uint32_t ms) {
  if (!data_available_) return false;
  {
    std::lock_guard<platform::CriticalSection> guard(completed_lock_);
    if (!completed_.empty()) return true;
  }
  return platform::WaitForEvent(*data_available_, ms) == platform::kWaitObject0;
}

uint64_t UsbPipeReader::BytesHeld() {
  uint64_t bytes = 0;
  // Lock order: completed, then pending, as nowhere else both are held.
  std::lock_guard<platform::CriticalSection> completed(completed_lock_);
  for (const ReaderBuffer* b : completed_) bytes += b->next ? b->unread : b->io.transferred;
  std::lock_guard<platform::CriticalSection> pending(pending_lock_);
  for (const ReaderBuffer* b : pending_)
    if (b->io.overlapped.status.load() == 0) bytes += b->io.overlapped.transferred.load();
  return bytes;
}

int UsbPipeReader::FreeBuffers() {
  std::lock_guard<platform::CriticalSection> guard(free_lock_);
  return static_cast<int>(free_.size());
}
int UsbPipeReader::PendingBuffers() { return pending_count_; }
int UsbPipeReader::CompletedBuffers() {
  std::lock_guard<platform::CriticalSection> guard(completed_lock_);
  return static_cast<int>(completed_.size());
}

}  // namespace tarvel::usb
