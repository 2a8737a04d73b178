#include "driver/session/interface_probe.h"

#include "driver/config/scanner_type.h"
#include "driver/config/session_log.h"
#include "driver/device/scanner_device.h"
#include "driver/device/usb/low_level.h"
#include "platform/kernel_device.h"

namespace tarvel {
namespace {

constexpr uint32_t kShareReadWrite = 3;
constexpr int kParallelPortScannerType = 6;

int g_interface = kInterfaceNone;

// The USB interface of the scanner: initialised and freed again when it
// answers (the discovery sets the scanner type).
bool UsbInterfaceAnswers() {
  if (usb::Init_Interface() != 0) return false;
  usb::Free_Interface();
  return true;
}

bool ParallelPortAnswers() {
  platform::DeviceHandle h = platform::OpenDevice(kParallelPortDeviceName, 0, kShareReadWrite);
  if (h == platform::kInvalidDeviceHandle) return false;
  platform::CloseDevice(h);
  return true;
}

constexpr const char* kTypeNames[19] = {
    "Vornix Type 0",    "Vornix Type 1",  "Vornix Type 2",       "Vornix Type 3",       "Vornix Type 4",
    "Vornix Intraoral", "Vornix EPP",     "Vornix Type 7",       "Vornix Type 8",       "Vornix Type 9",
    "Vornix Type 10",   "Vornix Type 11", "Vornix Intraoral 12", "Vornix Intraoral 13", "Vornix Intraoral 14",
    "Vornix Type 15",   "Vornix Type 16", "Vornix Type 17",      "Undefined",
};

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
  if (Get_InterfaceType() == kInterfaceParallel) SetScannerType(kParallelPortScannerType);
  if (SessionLogOpen()) LogPrintf("Scanner Type = %d\n", ScannerType());
  return ScannerType();
}

const char* ScannerTypeName(int type) {
  return type >= 0 && type <= kScannerTypeUndefined ? kTypeNames[type] : kTypeNames[kScannerTypeUndefined];
}

void ResetInterfaceProbe() {
  g_interface = kInterfaceNone;
  SetScannerType(kScannerTypeUndefined);
}

}  // namespace tarvel
