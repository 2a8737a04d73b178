#include "driver/device/usb/usb_status.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "driver/config/c_buffer.h"
#include "platform/usb_driver.h"

namespace tarvel::usb {

namespace io = platform::usb;
namespace {

// 47 rows; the no-resources row stands twice.
const StatusName kStatusTable[] = {
    {0, "KPU_STATUS_SUCCESS"},
    {-300, "KPU_STATUS_ERROR"},
    {-301, "KPU_STATUS_INVALID_PARAMETER"},
    {-302, "KPU_STATUS_INVALID_HANDLE"},
    {-303, "KPU_STATUS_ALREADY_INITIALIZED"},
    {-304, "KPU_STATUS_NOT_INITIALIZED"},
    {-305, "KPU_STATUS_NO_DEVICES"},
    {-306, "KPU_STATUS_NO_DATA"},
    {-307, "KPU_STATUS_IN_USE"},
    {-308, "KPU_STATUS_DEVICE_NOT_PRESENT"},
    {-309, "KPU_STATUS_TIMEOUT"},
    {-310, "KPU_STATUS_TRANSFER_ERROR"},
    {-311, "KPU_STATUS_REJECTED"},
    {-312, "KPU_STATUS_VERSION_MISMATCH"},
    {-313, "KPU_STATUS_THREAD_NOT_STARTED"},
    {-314, "KPU_STATUS_NOT_CONFIGERED"},
    {-315, "KPU_STATUS_ALREADY_RUNNING"},
    {-316, "KPU_STATUS_NOT_RUNNING"},
    {-317, "KPU_STATUS_INITIALIZATION_ERROR"},
    {-318, "KPU_STATUS_OPEN_DEVICES_PRESENT"},
    {-319, "KPU_STATUS_INVALID_INDEX"},
    {-320, "KPU_STATUS_NO_RESOURCES"},
    {-320, "KPU_STATUS_NO_RESOURCES"},
    {-321, "KPU_STATUS_INSUFFICIENT_BUFFER"},
    {-322, "KPU_STATUS_USBIO_TIMEOUT"},
    {-323, "KPU_STATUS_USBIO_ERROR"},
    {-324, "KPU_STATUS_USBIO_VERSION_MISMATCH"},
    {-325, "KPU_STATUS_USBIO_DEV_NOT_FOUND"},
    {-400, "KPU_STATUS_FILE_OPEN"},
    {-402, "KPU_STATUS_REG_OPEN"},
    {-403, "KPU_STATUS_READ"},
    {-404, "KPU_STATUS_WRITE"},
    {-326, "KPU_STATUS_USB_LEN_ERROR"},
    {-406, "KPU_STATUS_IHEX_ERROR"},
    {-987, "KPU_STATUS_UNEXPECTED"},
    {-998, "KPU_STATUS_FUNCTION_NOT_COMPLETED"},
    {-999, "KPU_STATUS_FUNCTION_NOT_IMPLEMENTED"},
    {-500, "KPU_STATUS_I2C_BUS_ERR"},
    {-501, "KPU_STATUS_I2C_START"},
    {-502, "KPU_STATUS_I2C_WRITE"},
    {-503, "KPU_STATUS_I2C_READ"},
    {-504, "KPU_STATUS_I2C_PROM_ADR"},
    {-506, "KPU_STATUS_I2C_PROM_PROG"},
    {-507, "KPU_STATUS_I2C_PROM_READ"},
    {-508, "KPU_STATUS_USB_REQ_PARAM"},
    {-509, "KPU_STATUS_USB_REQ_LEN"},
    {-510, "KPU_STATUS_USB_REQ_EXECUTE"},
};

struct DriverText {
  uint32_t status;
  const char* text;
};

const DriverText kDriverTexts[] = {
    {0x00000000, "No error."},
    {0xE0000001, "HC Error: Wrong CRC."},
    {0xE0000002, "HC Error: Wrong bit stuffing."},
    {0xE0000003, "HC Error: Data toggle mismatch."},
    {0xE0000004, "HC Error: stall PID."},
    {0xE0000005, "HC Error: Device not responding."},
    {0xE0000006, "HC Error: PID check failed."},
    {0xE0000007, "HC Error: Unexpected PID."},
    {0xE0000008, "HC Error: Data Overrun."},
    {0xE0000009, "HC Error: Data Underrun."},
    {0xE000000A, "HC Error: Reserved1."},
    {0xE000000B, "HC Error: Reserved2."},
    {0xE000000C, "HC Error: Buffer Overrun."},
    {0xE000000D, "HC Error: Buffer Underrun."},
    {0xE000000F, "HC Error: Not accessed."},
    {0xE0000010, "HC Error: FIFO error."},
    {0xE0000011, "HC Error: XACT error."},
    {0xE0000012, "HC Error: Babble detected."},
    {0xE0000013, "HC Error: Data buffer error."},
    {0xE0000030, "USBD Error: Endpoint halted."},
    {0xE0000100, "USBD Error: No system memory."},
    {0xE0000200, "USBD Error: Invalid URB function."},
    {0xE0000300, "USBD Error: Invalid parameter."},
    {0xE0000400, "USBD Error: Busy."},
    {0xE0000500, "USBD Error: Request failed."},
    {0xE0000600, "USBD Error: Invalid pipe handle."},
    {0xE0000700, "USBD Error: No bandwidth available."},
    {0xE0000800, "USBD Error: Internal HC error."},
    {0xE0000900, "USBD Error: Short transfer."},
    {0xE0000A00, "USBD Error: Bad start frame."},
    {0xE0000B00, "USBD Error: Isochronous request failed."},
    {0xE0000C00, "USBD Error: Frame control owned."},
    {0xE0000D00, "USBD Error: Frame control not owned."},
    {0xE0000E00, "USBD Error: Not supported."},
    {0xE0000F00, "USBD Error: Invalid configuration descriptor."},
    {0xE8001000, "USBD Error: Insufficient resources."},
    {0xE0002000, "USBD Error: Set configuration failed."},
    {0xE0003000, "USBD Error: Buffer too small."},
    {0xE0004000, "USBD Error: Interface not found."},
    {0xE0005000, "USBD Error: Invalid pipe flags."},
    {0xE0006000, "USBD Error: Timeout."},
    {0xE0007000, "USBD Error: Device gone."},
    {0xE0008000, "USBD Error: Status not mapped."},
    {0xE0010000, "USBD Error: cancelled."},
    {0xE0020000, "USBD Error: ISO not accessed by hardware."},
    {0xE0030000, "USBD Error: ISO TD error."},
    {0xE0040000, "USBD Error: ISO NA late USB port."},
    {0xE0050000, "USBD Error: ISO not accessed, submitted too late."},
    {0xE0001000, "Operation failed."},
    {0xE0001001, "Input buffer too small."},
    {0xE0001002, "Output buffer too small."},
    {0xE0001003, "Out of memory."},
    {0xE0001004, "There are pending requests."},
    {0xE0001005, "USB device is already configured."},
    {0xE0001006, "USB device is not configured."},
    {0xE0001007, "There are open pipes."},
    {0xE0001008, "Either handle or pipe is already bound."},
    {0xE0001009, "Handle is not bound to a pipe."},
    {0xE000100A, "Device is removed."},
    {0xE000100B, "Control code is not supported."},
    {0xE000100C, "The request has been timed out."},
    {0xE000100D, "Invalid recipient."},
    {0xE000100E, "Invalid pipe type or invalid request type."},
    {0xE000100F, "Invalid I/O control code."},
    {0xE0001010, "Invalid direction of read/write operation."},
    {0xE0001011, "Too much ISO packets."},
    {0xE0001012, "Request pool empty."},
    {0xE0001013, "Pipe not found."},
    {0xE0001014, "Invalid ISO packet."},
    {0xE0001015, "Out of address space. Not enough system resources."},
    {0xE0001016, "Interface not found."},
    {0xE0001017, "Invalid device state (stopped or power down)."},
    {0xE0001018, "Invalid parameter."},
    {0xE000101A, "Power state not allowed. Set to D0 first."},
    {0xE000101B, "Device powered down."},
    {0xE000101C, "API Version does not match."},
    {0xE000101D, "Set configuration failed."},
    {0xE0001100, "Device not found."},
    {0xE0001102, "Device not open."},
    {0xE0001104, "No such device instance."},
    {0xE0001105, "An invalid parameter was passed."},
};

}  // namespace

const StatusName* StatusTable(size_t* rows) {
  *rows = sizeof kStatusTable / sizeof kStatusTable[0];
  return kStatusTable;
}

int Get_ErrorText(char* buffer, int32_t length, int32_t code) {
  if (buffer == nullptr || length < 80) return KPU_STATUS_ERROR;
  const char* name = "* unknown error *";
  bool found = false;
  for (const StatusName& row : kStatusTable)
    if (row.code == code) {
      name = row.name;
      found = true;
      break;
    }
  int n = found
              ? std::snprintf(buffer, static_cast<size_t>(length), "Error code %d: ", code)
              : std::snprintf(buffer, static_cast<size_t>(length), "Error code 0x%08X: ", static_cast<uint32_t>(code));
  const size_t used = std::min(static_cast<size_t>(n), static_cast<size_t>(length) - 1);
  CopyToBuffer(name, buffer + used, static_cast<size_t>(length) - used);
  buffer[length - 1] = '\0';
  return KPU_STATUS_SUCCESS;
}

const char* DriverStatusText(uint32_t status) {
  for (const DriverText& row : kDriverTexts)
    if (row.status == status) return row.text;
  return nullptr;
}

char* UsbIoErrorText(char* buffer, uint32_t length, uint32_t status) {
  if (buffer == nullptr || length == 0) return buffer;
  const char* text = DriverStatusText(status);
  std::snprintf(buffer, length, "Error code 0x%08X: %s", status, text ? text : "Windows system error code.");
  buffer[length - 1] = '\0';
  return buffer;
}

int32_t Map_DriverStatus(uint32_t status) {
  switch (status) {
    case 0: return KPU_STATUS_SUCCESS;
    case io::kStatusTimeout:
    case io::kStatusBusTimeout: return KPU_STATUS_USBIO_TIMEOUT;
    case io::kStatusVersionMismatch: return KPU_STATUS_USBIO_VERSION_MISMATCH;
    case io::kStatusDeviceNotFound: return KPU_STATUS_USBIO_DEV_NOT_FOUND;
    default: return KPU_STATUS_USBIO_ERROR;
  }
}

}  // namespace tarvel::usb
