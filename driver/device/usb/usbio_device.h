#pragma once
#include <cstdint>
#include <string>

#include "driver/device/usb/io_buffer.h"
#include "driver/device/usb/usbio_records.h"
#include "platform/device_setup.h"
#include "platform/kernel_device.h"
#include "platform/sync.h"
#include "platform/usb_driver.h"

// `UsbIoDevice`: one opened device interface of the USB kernel driver, with
// synchronous control requests serialised by its own lock, and overlapped
// reads and writes on caller buffers. `UsbIoPipe` binds it to one endpoint.
// Results are 0, a Windows error or a driver status (0xE000xxxx,
// platform/usb_driver.h).
namespace tarvel::usb {

constexpr uint16_t kDriverApiVersion = 0x0200;

class SetupApiLibrary;

class UsbIoDevice {
 public:
  UsbIoDevice() = default;
  virtual ~UsbIoDevice() { Close(); }
  UsbIoDevice(const UsbIoDevice&) = delete;
  UsbIoDevice& operator=(const UsbIoDevice&) = delete;

  // With a set (made by `api`): the path of member `number` for `guid`;
  // without: "\\.\USBIO_Device<number>". Checks the driver's API version.
  uint32_t Open(SetupApiLibrary& api, int number, platform::DeviceInfoHandle set, const platform::Guid* guid);
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
  bool Write(IoBuffer& buffer);
  // Synchronous read and write over caller memory: submit, wait, on time-out
  // cancel and wait again; *length becomes the bytes moved.
  uint32_t ReadSync(void* data, uint32_t* length, uint32_t ms);
  uint32_t WriteSync(const void* data, uint32_t* length, uint32_t ms);

  // The driver's 12-byte information record; its first u16 is the API version.
  uint32_t DriverInfo(uint8_t record[platform::usb::kDriverInfoSize]);

  // Standard requests and driver queries (usbio_requests.cpp). A fixed-size
  // reply that comes back short gives 0xE0000900, a null argument
  // 0xE0001105. Descriptors: *length in: room, out: bytes received.
  uint32_t GetDescriptor(void* buffer, uint32_t* length, uint32_t recipient, uint8_t type, uint8_t index,
                         uint16_t language);
  uint32_t GetDeviceDescriptor(uint8_t descriptor[kDeviceDescriptorSize]);
  uint32_t GetConfigurationDescriptor(void* buffer, uint32_t* length, uint8_t index);
  uint32_t GetStringDescriptor(void* buffer, uint32_t* length, uint8_t index, uint16_t language);
  uint32_t SetDescriptor(const void* data, uint32_t length, uint32_t recipient, uint8_t type, uint8_t index,
                         uint16_t language);
  uint32_t SetFeature(uint32_t recipient, uint16_t selector, uint16_t index);
  uint32_t ClearFeature(uint32_t recipient, uint16_t selector, uint16_t index);
  uint32_t GetStatus(uint32_t recipient, uint16_t index, uint16_t* status);
  uint32_t GetConfiguration(uint8_t* value);
  uint32_t GetInterface(uint16_t interface, uint8_t* alternate);
  // The descriptor's length is its own total-length field (bytes 2-3).
  uint32_t StoreConfigurationDescriptor(const uint8_t* descriptor);
  uint32_t SetInterface(uint16_t interface, uint16_t alternate, uint32_t max_transfer);
  uint32_t GetConfigurationInfo(UsbConfigurationInfo* info);
  uint32_t ResetDevice();
  uint32_t CyclePort();
  uint32_t GetCurrentFrameNumber(uint32_t* frame);
  uint32_t SetDevicePowerState(uint32_t state);  // 0 to 3 for D0 to D3
  uint32_t GetDevicePowerState(uint32_t* state);
  uint32_t GetBandwidthInfo(UsbBandwidthInfo* info);

 protected:
  // A request whose reply must fill `out` exactly.
  uint32_t RequestExactly(uint32_t code, const void* in, uint32_t in_len, void* out, uint32_t out_len);
  // A request answered with one u32, and one sending one.
  uint32_t RequestWord(uint32_t code, uint32_t* value);
  uint32_t SendWord(uint32_t code, uint32_t value);

  platform::DeviceHandle handle_ = platform::kInvalidDeviceHandle;

 private:
  bool Submit(IoBuffer& buffer, bool write);
  uint32_t TransferSync(IoBuffer& buffer, bool write, uint32_t ms);

  platform::Event request_event_{false, false};
  platform::Overlapped request_overlapped_;
  platform::CriticalSection request_lock_;
  std::string path_;
};

class UsbIoPipe : public UsbIoDevice {
 public:
  // Opens the device when not yet open, then binds the handle.
  uint32_t Bind(SetupApiLibrary& api, int number, uint8_t endpoint, platform::DeviceInfoHandle set,
                const platform::Guid* guid);
  uint32_t Unbind();
  uint32_t ResetPipe();
  uint32_t AbortPipe();
  uint8_t Endpoint() const { return endpoint_; }

  // The bound pipe's parameters (bit 16: a short read is no error) and
  // statistics, and control transfers on it (usbio_requests.cpp).
  uint32_t GetPipeParameters(uint32_t* flags);
  uint32_t SetPipeParameters(uint32_t flags);
  uint32_t SetupPipeStatistics(uint32_t averaging_ms);
  uint32_t QueryPipeStatistics(UsbPipeStatistics* statistics, uint32_t reset_flags = 0);
  uint32_t QueryPipeStatisticsAndReset(UsbPipeStatistics* statistics);  // every counter
  uint32_t PipeControlIn(const UsbPipeControl& setup, void* buffer, uint32_t* length);
  uint32_t PipeControlOut(const UsbPipeControl& setup, const void* data, uint32_t* length);

 protected:
  uint8_t endpoint_ = 0;
};

}  // namespace tarvel::usb
