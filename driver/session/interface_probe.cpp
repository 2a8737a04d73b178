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
// answers (the discovery sets the scanner type).
bool UsbInterfaceAnswers(Session& s) {
  usb::UsbDevices& devices = usb::TheUsbDevices();
  if (usb::Init_Interface(devices, s.log) != 0) return false;
  usb::Free_Interface(devices);
  return true;
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
  if (ScannerType() != kScannerTypeUndefined) return ScannerType();
  if (Get_InterfaceType(s) == kInterfaceParallel) SetScannerType(kScannerTypeParallelPort);
  Logf(s.log, "Scanner Type = %d\n", ScannerType());
  return ScannerType();
}

void ResetInterfaceProbe(Session& s) {
  s.interface_kind = kInterfaceNone;
  SetScannerType(kScannerTypeUndefined);
}

}  // namespace tarvel
