#pragma once
#include <cstddef>
#include <cstdint>

#include "driver/result_codes.h"

// The USB path's library status codes (`KPU_STATUS_` family), their text,
// the texts of the USB driver's own statuses and the mapping of driver
// statuses to library codes.
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

}  // namespace tarvel::usb
