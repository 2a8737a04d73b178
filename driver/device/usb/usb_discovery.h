#pragma once
#include <cstdint>

#include "platform/guid.h"

// The scanner's device-interface GUIDs in probe order with the scanner type
// each gives, and the list of open USB devices (`CountDevices`,
// `OpenDevice`, `CloseDevice`, `FindDevice`) under its one lock.
namespace tarvel::usb {

class UsbScanner;

struct ProbeEntry {
  platform::Guid guid;
  int scanner_type;
};
constexpr int kProbeCount = 22;
const ProbeEntry* ProbeTable();  // kProbeCount entries

int CountDevices(int* count, const platform::Guid& guid);
int OpenDevice(UsbScanner** handle, const platform::Guid& guid, int start);
int CloseDevice(UsbScanner* handle);
UsbScanner* FindDevice(UsbScanner* handle);
// Takes and at once releases the list lock (waits while a discovery or an
// open is under way).
void PassListLock();

// The current device (opened by the interface initialisation).
UsbScanner* CurrentDevice();
void SetCurrentDevice(UsbScanner* handle);
// What library unload does: destroys the last discovery's set and releases
// the discovery library (bound again by the next discovery).
void ReleaseDiscovery();
// Devices open (for tests).
int OpenDeviceCount();

}  // namespace tarvel::usb
