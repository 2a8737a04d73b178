#pragma once
#include <cstdint>

#include "platform/usb_driver.h"

// Reading a configuration descriptor for the USB kernel-driver stand-in.
namespace platform::usb {

// A configuration descriptor as the driver may store it: at least its
// 9-byte header, of its own type, its total length the bytes given.
bool ValidConfigDescriptor(const uint8_t* descriptor, uint32_t length);

// The configuration info record (776 bytes, zeroed by the caller) of a
// configuration descriptor: the interfaces of alternate setting 0 and their
// endpoints, each cut to the record's 32 entries; a descriptor that runs
// past `length` ends there.
void DescribeConfiguration(const uint8_t* descriptor, uint32_t length, uint32_t max_transfer, uint8_t* out);

}  // namespace platform::usb
