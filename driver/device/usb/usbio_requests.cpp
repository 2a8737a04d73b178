// The standard requests and driver queries of a device or pipe: each builds
// the driver's input record and decodes its reply.
#include <cstring>

#include "driver/device/usb/usbio_device.h"
#include "platform/little_endian.h"
#include "platform/usb_driver.h"

namespace tarvel::usb {
namespace {

namespace io = platform::usb;

void DescriptorRecord(uint8_t record[8], uint32_t recipient, uint8_t type, uint8_t index, uint16_t language) {
  platform::StoreLe(record, recipient, 4);
  record[4] = type;
  record[5] = index;
  platform::StoreLe(record + 6, language, 2);
}

void FeatureRecord(uint8_t record[8], uint32_t recipient, uint16_t selector, uint16_t index) {
  platform::StoreLe(record, recipient, 4);
  platform::StoreLe(record + 4, selector, 2);
  platform::StoreLe(record + 6, index, 2);
}

}  // namespace

uint32_t UsbIoDevice::RequestExactly(uint32_t code, const void* in, uint32_t in_len, void* out, uint32_t out_len) {
  uint32_t got = 0;
  uint32_t status = Request(code, in, in_len, out, out_len, &got);
  if (status == 0 && got != out_len) return io::kStatusShortTransfer;
  return status;
}

uint32_t UsbIoDevice::GetDescriptor(void* buffer, uint32_t* length, uint32_t recipient, uint8_t type, uint8_t index,
                                    uint16_t language) {
  if (buffer == nullptr || length == nullptr) return io::kStatusBadArgument;
  uint8_t record[io::kDescriptorRecordSize];
  DescriptorRecord(record, recipient, type, index, language);
  uint32_t got = 0;
  uint32_t status = Request(io::kIoGetDescriptor, record, sizeof record, buffer, *length, &got);
  *length = status == 0 ? got : 0;
  return status;
}

uint32_t UsbIoDevice::GetDeviceDescriptor(uint8_t descriptor[kDeviceDescriptorSize]) {
  uint32_t length = kDeviceDescriptorSize;
  uint32_t status = GetDescriptor(descriptor, &length, kToDevice, io::kDescriptorDevice, 0, 0);
  return status == 0 && length != kDeviceDescriptorSize ? io::kStatusShortTransfer : status;
}

uint32_t UsbIoDevice::GetConfigurationDescriptor(void* buffer, uint32_t* length, uint8_t index) {
  return GetDescriptor(buffer, length, kToDevice, io::kDescriptorConfiguration, index, 0);
}

uint32_t UsbIoDevice::GetStringDescriptor(void* buffer, uint32_t* length, uint8_t index, uint16_t language) {
  return GetDescriptor(buffer, length, kToDevice, io::kDescriptorString, index, language);
}

uint32_t UsbIoDevice::SetDescriptor(const void* data, uint32_t length, uint32_t recipient, uint8_t type, uint8_t index,
                                    uint16_t language) {
  if (data == nullptr && length != 0) return io::kStatusBadArgument;
  uint8_t record[io::kDescriptorRecordSize];
  DescriptorRecord(record, recipient, type, index, language);
  // the descriptor travels in the output buffer, as the data of a request to the device do
  return Request(io::kIoSetDescriptor, record, sizeof record, const_cast<void*>(data), length);
}

uint32_t UsbIoDevice::SetFeature(uint32_t recipient, uint16_t selector, uint16_t index) {
  uint8_t record[io::kFeatureRecordSize];
  FeatureRecord(record, recipient, selector, index);
  return Request(io::kIoSetFeature, record, sizeof record, nullptr, 0);
}

uint32_t UsbIoDevice::ClearFeature(uint32_t recipient, uint16_t selector, uint16_t index) {
  uint8_t record[io::kFeatureRecordSize];
  FeatureRecord(record, recipient, selector, index);
  return Request(io::kIoClearFeature, record, sizeof record, nullptr, 0);
}

uint32_t UsbIoDevice::GetStatus(uint32_t recipient, uint16_t index, uint16_t* status_bits) {
  if (status_bits == nullptr) return io::kStatusBadArgument;
  uint8_t record[io::kStatusRecordSize], reply[2] = {};
  platform::StoreLe(record, recipient, 4);
  platform::StoreLe(record + 4, index, 2);
  uint32_t status = RequestExactly(io::kIoGetStatus, record, sizeof record, reply, sizeof reply);
  *status_bits = status == 0 ? static_cast<uint16_t>(platform::LoadLe(reply, 2)) : 0;
  return status;
}

uint32_t UsbIoDevice::GetConfiguration(uint8_t* value) {
  if (value == nullptr) return io::kStatusBadArgument;
  uint8_t reply = 0;
  uint32_t status = RequestExactly(io::kIoGetConfiguration, nullptr, 0, &reply, 1);
  *value = status == 0 ? reply : 0;
  return status;
}

uint32_t UsbIoDevice::GetInterface(uint16_t interface, uint8_t* alternate) {
  if (alternate == nullptr) return io::kStatusBadArgument;
  uint8_t record[2], reply = 0;
  platform::StoreLe(record, interface, 2);
  uint32_t status = RequestExactly(io::kIoGetInterface, record, sizeof record, &reply, 1);
  *alternate = status == 0 ? reply : 0;
  return status;
}

uint32_t UsbIoDevice::StoreConfigurationDescriptor(const uint8_t* descriptor) {
  if (descriptor == nullptr) return io::kStatusBadArgument;
  return Request(io::kIoStoreConfigDescriptor, descriptor, platform::LoadLe(descriptor + 2, 2), nullptr, 0);
}

uint32_t UsbIoDevice::SetInterface(uint16_t interface, uint16_t alternate, uint32_t max_transfer) {
  uint8_t record[io::kInterfaceSelectionSize];
  platform::StoreLe(record, interface, 2);
  platform::StoreLe(record + 2, alternate, 2);
  platform::StoreLe(record + 4, max_transfer, 4);
  return Request(io::kIoSetInterface, record, sizeof record, nullptr, 0);
}

uint32_t UsbIoDevice::GetConfigurationInfo(UsbConfigurationInfo* info) {
  if (info == nullptr) return io::kStatusBadArgument;
  uint8_t record[io::kConfigurationInfoSize] = {};
  uint32_t status = RequestExactly(io::kIoConfigurationInfo, nullptr, 0, record, sizeof record);
  DecodeConfigurationInfo(record, status == 0 ? sizeof record : 0, info);
  return status;
}

uint32_t UsbIoDevice::RequestWord(uint32_t code, uint32_t* value) {
  if (value == nullptr) return io::kStatusBadArgument;
  uint8_t reply[4] = {};
  uint32_t status = RequestExactly(code, nullptr, 0, reply, sizeof reply);
  *value = status == 0 ? platform::LoadLe(reply, 4) : 0;
  return status;
}

uint32_t UsbIoDevice::SendWord(uint32_t code, uint32_t value) {
  uint8_t record[4];
  platform::StoreLe(record, value, 4);
  return Request(code, record, sizeof record, nullptr, 0);
}

uint32_t UsbIoDevice::ResetDevice() { return Request(io::kIoResetDevice, nullptr, 0, nullptr, 0); }
uint32_t UsbIoDevice::CyclePort() { return Request(io::kIoCyclePort, nullptr, 0, nullptr, 0); }

uint32_t UsbIoDevice::GetCurrentFrameNumber(uint32_t* frame) { return RequestWord(io::kIoFrameNumber, frame); }

uint32_t UsbIoDevice::SetDevicePowerState(uint32_t state) { return SendWord(io::kIoSetPowerState, state); }

uint32_t UsbIoDevice::GetDevicePowerState(uint32_t* state) { return RequestWord(io::kIoGetPowerState, state); }

uint32_t UsbIoDevice::GetBandwidthInfo(UsbBandwidthInfo* info) {
  if (info == nullptr) return io::kStatusBadArgument;
  uint8_t reply[io::kBandwidthInfoSize] = {};
  uint32_t status = RequestExactly(io::kIoBandwidthInfo, nullptr, 0, reply, sizeof reply);
  DecodeBandwidthInfo(reply, status == 0 ? sizeof reply : 0, info);
  return status;
}

uint32_t UsbIoPipe::GetPipeParameters(uint32_t* flags) { return RequestWord(io::kIoGetPipeParameters, flags); }

uint32_t UsbIoPipe::SetPipeParameters(uint32_t flags) { return SendWord(io::kIoSetPipeParameters, flags); }

uint32_t UsbIoPipe::SetupPipeStatistics(uint32_t averaging_ms) {
  uint8_t record[io::kStatisticsSetupSize] = {};
  platform::StoreLe(record, averaging_ms, 4);
  return Request(io::kIoSetupPipeStatistics, record, sizeof record, nullptr, 0);
}

uint32_t UsbIoPipe::QueryPipeStatistics(UsbPipeStatistics* statistics, uint32_t reset_flags) {
  if (statistics == nullptr) return io::kStatusBadArgument;
  uint8_t record[4], reply[io::kStatisticsSize] = {};
  platform::StoreLe(record, reset_flags, 4);
  uint32_t status = RequestExactly(io::kIoQueryPipeStatistics, record, sizeof record, reply, sizeof reply);
  DecodePipeStatistics(reply, status == 0 ? sizeof reply : 0, statistics);
  return status;
}

uint32_t UsbIoPipe::QueryPipeStatisticsAndReset(UsbPipeStatistics* statistics) {
  return QueryPipeStatistics(statistics, io::kResetBytes | io::kResetRequests | io::kResetAverage);
}

uint32_t UsbIoPipe::PipeControlIn(const UsbPipeControl& setup, void* buffer, uint32_t* length) {
  if (length == nullptr || (buffer == nullptr && *length != 0)) return io::kStatusBadArgument;
  uint8_t record[io::kPipeControlSize];
  EncodePipeControl(setup, record);
  uint32_t got = 0;
  uint32_t status = Request(io::kIoPipeControlIn, record, sizeof record, buffer, *length, &got);
  *length = status == 0 ? got : 0;
  return status;
}

uint32_t UsbIoPipe::PipeControlOut(const UsbPipeControl& setup, const void* data, uint32_t* length) {
  if (length == nullptr || (data == nullptr && *length != 0)) return io::kStatusBadArgument;
  uint8_t record[io::kPipeControlSize];
  EncodePipeControl(setup, record);
  uint32_t got = 0;
  uint32_t status = Request(io::kIoPipeControlOut, record, sizeof record, const_cast<void*>(data), *length, &got);
  *length = status == 0 ? got : 0;
  return status;
}

}  // namespace tarvel::usb
