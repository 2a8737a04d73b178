#include "driver/session/interface_probe.h"

#include "driver/config/log_sink.h"
#include "driver/config/scanner_type.h"
#include "driver/device/epp_port.h"
#include "driver/device/usb/low_level.h"
#include "driver/device/usb/usb_discovery.h"
#include "driver/session/session.h"
#include "platform/kernel_device.h"

namespace tarvel {
namespace {

// The USB interface of the scanner: initialised and freed again when it
// answers. A device found gives its type, also when it could not be opened.
// A device the application holds open answers as it is, and stays open.
bool UsbInterfaceAnswers(Session& s) {
  usb::UsbDevices& devices = s.usb_devices;
  if (devices.FindCurrent() != nullptr) {
    TakeUsbScannerType(s, devices);
    return true;
  }
  const bool answers = usb::Init_Interface(devices, s.log) == 0;
  TakeUsbScannerType(s, devices);
  if (answers) usb::Free_Interface(devices);
  return answers;
}

bool ParallelPortAnswers() {
  platform::DeviceHandle h = platform::OpenDevice(kParallelPortDeviceName, 0, platform::kShareReadWrite);
  if (h == platform::kInvalidDeviceHandle) return false;
  platform::CloseDevice(h);
  return true;
}

}  // namespace

int Get_InterfaceType(Session& s) {
  if (s.interface_kind == kInterfaceParallel || s.interface_kind == kInterfaceUsb) return s.interface_kind;
  if (UsbInterfaceAnswers(s))
    s.interface_kind = kInterfaceUsb;
  else if (ParallelPortAnswers())
    s.interface_kind = kInterfaceParallel;
  else
    s.interface_kind = kInterfaceNone;
  return s.interface_kind;
}

int Get_ScannerType(Session& s) {
  // A scanner the application opened through the low-level exports counts
  // as found.
  if (s.scanner_type == kScannerTypeUndefined) TakeUsbScannerType(s, s.usb_devices);
  if (s.scanner_type != kScannerTypeUndefined) return s.scanner_type;
  if (Get_InterfaceType(s) == kInterfaceParallel) s.scanner_type = kScannerTypeParallelPort;
  Logf(s.log, "Scanner Type = %d\n", s.scanner_type);
  return s.scanner_type;
}

void TakeUsbScannerType(Session& s, const usb::UsbDevices& devices) {
  if (devices.ScannerType() != kScannerTypeUndefined) s.scanner_type = devices.ScannerType();
}

void ResetInterfaceProbe(Session& s) {
  s.interface_kind = kInterfaceNone;
  s.scanner_type = kScannerTypeUndefined;
  s.usb_devices.SetScannerType(kScannerTypeUndefined);
}

}  // namespace tarvel
