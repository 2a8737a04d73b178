#pragma once
#include <cstddef>
#include <cstdint>

#include "driver/result_codes.h"

// The USB path's library status codes (`KPU_STATUS_` family), their text,
// the texts of the USB driver's own statuses, the wrappers over the
// first-error store and the mapping of driver statuses to library codes.
namespace tarvel::usb {

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

// The first-error store of `TheUsbDevices()` (usb_discovery.h):
// `Keep_FirstError` fills it when it is empty and returns the status
// unchanged; `Take_LastError` returns it and empties it when the low byte
// of `clear` is nonzero.
int32_t Keep_FirstError(int32_t status);
int32_t Take_LastError(int32_t clear);

}  // namespace tarvel::usb
