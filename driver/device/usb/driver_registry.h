#pragma once
#include <cstdint>

// `ReadDriverRegistryValue`: a string value of the USB driver's registry key
// HKEY_LOCAL_MACHINE "Software\Kessmar\TarvelUsb" (the two lower keys made
// when missing). A value that cannot be read gives the default, which is
// then written: -403 when that write succeeded, -404 when it failed; -402
// when the key cannot be opened; -301 for no buffer or a length below 1;
// else 0. The buffer ends in NUL; the result passes the first-error store of
// `devices`.
namespace tarvel::usb {

class UsbDevices;

int32_t ReadDriverRegistryValue(UsbDevices& devices, int32_t length, char* buffer, const char* name,
                                const char* default_text);

}  // namespace tarvel::usb
