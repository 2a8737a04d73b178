#pragma once
#include <cstddef>
#include <cstdint>

// The USB path's library status codes (`KPU_STATUS_` family), their text,
// the texts of the USB driver's own statuses, the first-error store and the
// mapping of driver statuses to library codes.
namespace tarvel::usb {

enum : int32_t {
  kSuccess = 0,
  kError = -300,
  kInvalidParameter = -301,
  kInvalidHandle = -302,
  kNotInitialized = -304,
  kNoDevices = -305,
  kNoData = -306,
  kInUse = -307,
  kTimeout = -309,
  kTransferError = -310,
  kThreadNotStarted = -313,
  kNotConfigured = -314,
  kAlreadyRunning = -315,
  kNotRunning = -316,
  kOpenDevicesPresent = -318,
  kNoResources = -320,
  kUsbioTimeout = -322,
  kUsbioError = -323,
  kUsbioVersionMismatch = -324,
  kUsbioDeviceNotFound = -325,
  kUsbLengthError = -326,
  kFileOpen = -400,
  kRegOpen = -402,
  kRegRead = -403,
  kRegWrite = -404,
  kIhexError = -406,
  kIhexChecksum = -407,
};

// The status table: code and name, in table order.
struct StatusName {
  int32_t code;
  const char* name;
};
const StatusName* StatusTable(size_t* rows);

// `Get_ErrorText`: "Error code %d: <name>" or "Error code 0x%08X: * unknown
// error *", cut to the buffer whose last byte is NUL; -300 for a null
// buffer or a length below 80, else 0.
int Get_ErrorText(char* buffer, int32_t length, int32_t code);

// The driver's status texts, and `UsbIoErrorText`: "Error code 0x%08X: %s"
// within `length` (last byte NUL); nothing for a null buffer or length 0.
const char* DriverStatusText(uint32_t status);  // null: no row
char* UsbIoErrorText(char* buffer, uint32_t length, uint32_t status);

// `Map_DriverStatus`.
int32_t Map_DriverStatus(uint32_t status);

// The library-wide first-error store: `Keep_FirstError` fills it when it
// is empty and returns the status unchanged; `Take_LastError` returns it
// and empties it when the low byte of `clear` is nonzero.
int32_t Keep_FirstError(int32_t status);
int32_t Take_LastError(int32_t clear);

} // namespace tarvel::usb
