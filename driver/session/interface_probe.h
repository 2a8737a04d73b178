#pragma once
// Which interface reaches the scanner and which model it is. Both answers
// are cached in the session object once found.
namespace tarvel {

namespace usb {
class UsbDevices;
}
struct Session;

constexpr int kInterfaceNone = 2;

// `Get_InterfaceType`: 0 parallel port, 1 USB, 2 none (not cached: the next
// call probes again). USB is tried first; a USB device it finds gives the
// session its scanner type.
int Get_InterfaceType(Session& s);
// `Get_ScannerType`: the session's type, or, while it is undefined (18), the
// probe's answer (the parallel port gives type 6), logged to the session's
// log as "Scanner Type = %d\n".
int Get_ScannerType(Session& s);

// The session takes the scanner type of the USB device that the last
// interface initialisation of `devices` found; it keeps its own when that
// found none.
void TakeUsbScannerType(Session& s, const usb::UsbDevices& devices);

// Forgets the cached interface and scanner type (library start-up state).
void ResetInterfaceProbe(Session& s);

}  // namespace tarvel
