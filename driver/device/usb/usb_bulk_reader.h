#pragma once
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "driver/config/log_sink.h"
#include "driver/device/usb/io_buffer.h"
#include "driver/device/usb/usbio_device.h"
#include "driver/device/usb/worker_thread.h"

// `UsbPipeReader`: a pipe on an IN endpoint whose own thread keeps every
// free buffer of its pool submitted as an overlapped read and queues the
// completed ones for the consumer (`Take`), one transfer at a time.
// `UsbBulkReader` is the scan-data reader (10 buffers of 32768 bytes unless
// set otherwise before open). Results are library status codes.
namespace tarvel::usb {

struct ReaderBuffer {
  IoBuffer io;
  uint32_t unread = 0;  // bytes not yet handed out
  const uint8_t* next = nullptr;  // next byte to hand out
};

class UsbPipeReader : public UsbIoPipe, private UsbWorkerThread {
 public:
  UsbPipeReader() = default;
  ~UsbPipeReader() override;

  // `log` takes the reader's complaints while it is open.
  int Open(SetupApiLibrary& api, int number, uint8_t endpoint, platform::DeviceInfoHandle set,
           const platform::Guid* guid, LogSink& log);
  int Close();
  int Start();
  int Stop();
  // Copies bytes of the oldest completed transfer: 0 with *out_length, -301
  // for no destination or length, -306 nothing waiting (ms 0) or an empty
  // transfer, -309 nothing within `ms`.
  int Take(void* destination, uint32_t length, uint32_t* out_length, uint32_t ms);
  // Waits up to `ms` for a completed transfer to take; false when none came.
  bool WaitForData(uint32_t ms);

  void SetPool(uint32_t count, uint32_t size) {
    count_ = count;
    size_ = size;
  }
  uint32_t BufferCount() const { return count_; }
  uint32_t BufferSize() const { return size_; }
  bool IsReaderOpen() const { return open_; }
  bool Running() const { return ThreadRunning(); }
  int RunningPriority() const { return ThreadPriority(); }
  // Pool accounting (for tests): buffers free, submitted, completed.
  int FreeBuffers();
  // The thread has submitted every free buffer once since Start (the reads
  // may have failed).
  bool SubmittedOnce() const { return rounds_.load() > 0; }
  int PendingBuffers();
  int CompletedBuffers();
  // Bytes received and not yet handed out: the completed transfers and
  // those the driver completed that the reader thread has not queued yet.
  uint64_t BytesHeld();
  // Back-off before resubmitting after reads that failed in a row (ms).
  static uint32_t BackoffMs(int failures);

  // Small helpers offered beside the reader: fill a buffer's data with one
  // byte; wait for any of `count` events (ms 0: no limit) giving the index
  // of the one that ended the wait, -301 for no list or a bad count, -309 on
  // time-out; the same for a buffer's event (index 0) or one further event.
  static void FillBuffer(ReaderBuffer& buffer, uint8_t value);
  static int WaitForAny(platform::Event* const* events, int count, uint32_t ms);
  static int WaitForBufferOr(IoBuffer& buffer, platform::Event* further, uint32_t ms);

 private:
  void Run() override;
  void Wake() override {}
  bool CreatePool();
  void DestroyPool();
  void ReturnBuffer(ReaderBuffer* buffer);
  ReaderBuffer* TakeFree();
  // A failed read: counted, its buffer back on the free list.
  void DropFailed(ReaderBuffer* buffer);
  // Takes the oldest submitted buffer off the pending list (reader thread).
  ReaderBuffer* PopPending();
  void Flush();

  uint32_t count_ = 10;
  uint32_t size_ = 4096;
  std::vector<std::unique_ptr<ReaderBuffer>> buffers_;
  std::vector<uint8_t> block_;
  std::vector<ReaderBuffer*> free_;  // last returned, first taken
  platform::CriticalSection free_lock_;
  std::deque<ReaderBuffer*> pending_;  // changed by the reader thread only
  platform::CriticalSection pending_lock_;  // for observers of pending_
  std::atomic<int> pending_count_{0};  // pending_.size() for observers
  std::deque<ReaderBuffer*> completed_;  // oldest first
  platform::CriticalSection completed_lock_;
  std::unique_ptr<platform::Event> data_available_;  // manual reset
  std::unique_ptr<platform::Event> buffer_returned_;  // auto reset
  platform::Event stop_wake_{true, false};  // ends a back-off wait
  int failures_ = 0;
  std::atomic<uint32_t> rounds_{0};  // submission rounds since Start
  bool open_ = false;
  LogSink* log_ = nullptr;  // set by Open
};

class UsbBulkReader : public UsbPipeReader {
 public:
  UsbBulkReader() { SetPool(10, 32768); }
};

}  // namespace tarvel::usb
