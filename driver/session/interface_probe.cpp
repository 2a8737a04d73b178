#include "driver/session/interface_probe.h"

#include "driver/config/scanner_type.h"
#include "driver/config/session_log.h"
#include "driver/device/scanner_device.h"
#include "driver/device/usb/low_level.h"
#include "platform/kernel_device.h"

namespace tarvel {
namespace {

int g_interface = kInterfaceNone;

// The USB interface of the scanner: initialised and freed again when it
// answers (the discovery sets the scanner type).
bool UsbInterfaceAnswers() {
  if (usb::Init_Interface() != 0) return false;
  usb::Free_Interface();
  return true;
}

bool ParallelPortAnswers() {
  platform::DeviceHandle h = platform::OpenDevice(kParallelPortDeviceName, 0, platform::kShareReadWrite);
  if (h == platform::kInvalidDeviceHandle) return false;
  platform::CloseDevice(h);
  return true;
}

}  // namespace

int Get_InterfaceType() {
  if (g_interface == kInterfaceParallel || g_interface == kInterfaceUsb) return g_interface;
  if (UsbInterfaceAnswers())
    g_interface = kInterfaceUsb;
  else if (ParallelPortAnswers())
    g_interface = kInterfaceParallel;
  else
    g_interface = kInterfaceNone;
  return g_interface;
}

int Get_ScannerType() {
  if (ScannerType() != kScannerTypeUndefined) return ScannerType();
  if (Get_InterfaceType() == kInterfaceParallel) SetScannerType(kScannerTypeParallelPort);
  if (SessionLogOpen()) LogPrintf("Scanner Type = %d\n", ScannerType());
  return ScannerType();
}

void ResetInterfaceProbe() {
  g_interface = kInterfaceNone;
  SetScannerType(kScannerTypeUndefined);
}

}  // namespace tarvel
