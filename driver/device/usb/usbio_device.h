#pragma once
#include <cstdint>
#include <string>

#include "driver/device/usb/io_buffer.h"
#include "platform/device_setup.h"
#include "platform/kernel_device.h"
#include "platform/sync.h"

// `UsbIoDevice`: one opened device interface of the USB kernel driver, with
// synchronous control requests serialised by its own lock, and overlapped
// reads and writes on caller buffers. `UsbIoPipe` binds it to one endpoint.
// Results are 0, a Windows error or a driver status (0xE000xxxx).
namespace tarvel::usb {

// Driver statuses of this layer.
constexpr uint32_t kDrvNoMemory = 0xE0000100;
constexpr uint32_t kDrvTimeout = 0xE000100C;
constexpr uint32_t kDrvVersionMismatch = 0xE000101C;
constexpr uint32_t kDrvDeviceNotFound = 0xE0001100;
constexpr uint32_t kDrvNotOpen = 0xE0001102;

constexpr uint16_t kDriverApiVersion = 0x0200;

class UsbIoDevice {
 public:
  UsbIoDevice() = default;
  virtual ~UsbIoDevice() { Close(); }
  UsbIoDevice(const UsbIoDevice&) = delete;
  UsbIoDevice& operator=(const UsbIoDevice&) = delete;

  // With a set: the path of member `number` for `guid`; without:
  // "\\.\USBIO_Device<number>". Checks the driver's API version.
  uint32_t Open(int number, platform::DeviceInfoHandle set, const platform::Guid* guid);
  void Close();
  bool IsOpen() const { return handle_ != platform::kInvalidDeviceHandle; }
  const std::string& Path() const { return path_; }

  uint32_t Request(uint32_t code, const void* in, uint32_t in_len, void* out, uint32_t out_len,
                   uint32_t* returned = nullptr);
  // Overlapped transfers on the buffer's own record; success when completed
  // at once or pending (status kStatusPending).
  bool Read(IoBuffer& buffer);
  // Waits up to `ms` (platform::kInfinite: no limit) for a pending buffer:
  // 0xE000100C on time-out (still pending), else the stored result.
  uint32_t Wait(IoBuffer& buffer, uint32_t ms);
  // The result of a completed (or still pending) transfer without waiting.
  uint32_t TakeResult(IoBuffer& buffer);
  void Cancel();
  // Synchronous read over caller memory: submit, wait, on time-out cancel
  // and wait again; *length becomes the bytes moved.
  uint32_t ReadSync(void* data, uint32_t* length, uint32_t ms);

  // The driver's 12-byte information record; its first u16 is the API version.
  uint32_t DriverInfo(uint8_t record[12]);

 protected:
  platform::DeviceHandle handle_ = platform::kInvalidDeviceHandle;

 private:
  platform::Event request_event_{false, false};
  platform::Overlapped request_overlapped_;
  platform::CriticalSection request_lock_;
  std::string path_;
};

class UsbIoPipe : public UsbIoDevice {
 public:
  // Opens the device when not yet open, then binds the handle.
  uint32_t Bind(int number, uint8_t endpoint, platform::DeviceInfoHandle set, const platform::Guid* guid);
  uint32_t Unbind();
  uint32_t ResetPipe();
  uint32_t AbortPipe();
  uint8_t Endpoint() const { return endpoint_; }

 protected:
  uint8_t endpoint_ = 0;
};

}  // namespace tarvel::usb
