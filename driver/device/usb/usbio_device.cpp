#include "driver/device/usb/usbio_device.h"

#include <cstdio>

#include "driver/device/usb/setup_api.h"
#include "platform/little_endian.h"
#include "platform/usb_driver.h"

namespace tarvel::usb {

namespace io = platform::usb;

uint32_t UsbIoDevice::Open(SetupApiLibrary& api, int number, platform::DeviceInfoHandle set,
                           const platform::Guid* guid) {
  if (IsOpen()) return 0;
  std::string path;
  if (set != nullptr) {
    uint32_t status = DevicePathOf(api, set, guid, number, &path);
    if (status != 0) return status;
  } else {
    char name[40];
    std::snprintf(name, sizeof name, "\\\\.\\USBIO_Device%d", number);
    path = name;
  }
  handle_ = platform::OpenDevice(path, 0xC0000000u, platform::kShareReadWrite);
  if (handle_ == platform::kInvalidDeviceHandle) return io::kStatusDeviceNotFound;
  path_ = path;
  request_overlapped_.event = &request_event_;
  uint8_t info[platform::usb::kDriverInfoSize] = {};
  uint32_t status = DriverInfo(info);
  if (status != 0) {
    Close();
    return status;
  }
  if (platform::LoadLe(info, 2) != kDriverApiVersion) {
    Close();
    return io::kStatusVersionMismatch;
  }
  return 0;
}

void UsbIoDevice::Close() {
  if (IsOpen()) platform::CloseDevice(handle_);
  handle_ = platform::kInvalidDeviceHandle;
  path_.clear();
}

uint32_t UsbIoDevice::Request(uint32_t code, const void* in, uint32_t in_len, void* out, uint32_t out_len,
                              uint32_t* returned) {
  if (!IsOpen()) return io::kStatusNotOpen;
  std::lock_guard<platform::CriticalSection> guard(request_lock_);
  uint32_t got = 0;
  uint32_t status = 0;
  if (!platform::DeviceIoControlOverlapped(handle_, code, in, in_len, out, out_len, &got, &request_overlapped_)) {
    status = platform::GetLastError();
    if (status == platform::kErrorIoPending)
      status = platform::GetOverlappedResult(handle_, &request_overlapped_, &got, true) ? 0 : platform::GetLastError();
  }
  if (returned) *returned = got;
  return status;
}

uint32_t UsbIoDevice::DriverInfo(uint8_t record[platform::usb::kDriverInfoSize]) {
  return Request(platform::usb::kIoDriverInfo, nullptr, 0, record, platform::usb::kDriverInfoSize);
}

bool UsbIoDevice::Submit(IoBuffer& buffer, bool write) {
  uint32_t got = 0;
  bool done = write ? platform::WriteFile(handle_, buffer.data, buffer.request_length, &got, &buffer.overlapped)
                    : platform::ReadFile(handle_, buffer.data, buffer.request_length, &got, &buffer.overlapped);
  if (done) {
    buffer.status = 0;
    buffer.transferred = got;
    return true;
  }
  buffer.status = platform::GetLastError();
  return buffer.status == kStatusPending;
}

bool UsbIoDevice::Read(IoBuffer& buffer) { return Submit(buffer, false); }
bool UsbIoDevice::Write(IoBuffer& buffer) { return Submit(buffer, true); }

uint32_t UsbIoDevice::TakeResult(IoBuffer& buffer) {
  uint32_t got = 0;
  buffer.status =
      platform::GetOverlappedResult(handle_, &buffer.overlapped, &got, false) ? 0 : platform::GetLastError();
  if (buffer.status == platform::kErrorIoIncomplete) buffer.status = kStatusPending;
  buffer.transferred = got;
  return buffer.status;
}

uint32_t UsbIoDevice::Wait(IoBuffer& buffer, uint32_t ms) {
  if (buffer.status != kStatusPending) return buffer.status;
  // Only the record's status says it is complete (TakeResult then settles
  // it with the completion); the event just ends the wait.
  while (buffer.overlapped.status.load() == kStatusPending)
    if (platform::WaitForEvent(buffer.event, ms) == platform::kWaitTimeout) return io::kStatusTimeout;
  return TakeResult(buffer);
}

void UsbIoDevice::Cancel() {
  if (IsOpen()) platform::CancelIo(handle_);
}

uint32_t UsbIoDevice::TransferSync(IoBuffer& buffer, bool write, uint32_t ms) {
  buffer.request_length = buffer.size;
  Submit(buffer, write);
  uint32_t status = Wait(buffer, ms);
  if (status == io::kStatusTimeout) {
    Cancel();
    status = Wait(buffer, platform::kInfinite);
  }
  return status;
}

uint32_t UsbIoDevice::ReadSync(void* data, uint32_t* length, uint32_t ms) {
  IoBuffer buffer(data, *length);
  uint32_t status = TransferSync(buffer, false, ms);
  *length = buffer.transferred;
  return status;
}

uint32_t UsbIoDevice::WriteSync(const void* data, uint32_t* length, uint32_t ms) {
  IoBuffer buffer(const_cast<void*>(data), *length);
  uint32_t status = TransferSync(buffer, true, ms);
  *length = buffer.transferred;
  return status;
}

uint32_t UsbIoPipe::Bind(SetupApiLibrary& api, int number, uint8_t endpoint, platform::DeviceInfoHandle set,
                         const platform::Guid* guid) {
  uint32_t status = Open(api, number, set, guid);
  if (status != 0) return status;
  status = Request(platform::usb::kIoBindPipe, &endpoint, 1, nullptr, 0);
  if (status == 0) endpoint_ = endpoint;
  return status;
}

uint32_t UsbIoPipe::Unbind() { return Request(platform::usb::kIoUnbindPipe, nullptr, 0, nullptr, 0); }
uint32_t UsbIoPipe::ResetPipe() { return Request(platform::usb::kIoResetPipe, nullptr, 0, nullptr, 0); }
uint32_t UsbIoPipe::AbortPipe() { return Request(platform::usb::kIoAbortPipe, nullptr, 0, nullptr, 0); }

}  // namespace tarvel::usb
