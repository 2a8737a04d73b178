#include "driver/device/usb/driver_registry.h"

#include "driver/config/registry_key.h"
#include "driver/device/usb/usb_discovery.h"
#include "driver/result_codes.h"

namespace tarvel::usb {

int32_t ReadDriverRegistryValue(UsbDevices& devices, int32_t length, char* buffer, const char* name,
                                const char* default_text) {
  if (buffer == nullptr || length < 1) return devices.KeepFirstError(KPU_STATUS_INVALID_PARAMETER);
  RegistryKey key;
  if (!key.Open(RegistryKey::Hive::LocalMachine, "Software", false) || !key.OpenSub("Kessmar", true) ||
      !key.OpenSub("TarvelUsb", true))
    return devices.KeepFirstError(KPU_STATUS_REG_OPEN);
  const auto size = static_cast<size_t>(length);
  int32_t result = KPU_STATUS_SUCCESS;
  if (!key.ReadString(name, buffer, size, default_text))
    result = key.WriteString(name, default_text ? default_text : "") ? KPU_STATUS_READ : KPU_STATUS_WRITE;
  buffer[size - 1] = 0;
  return devices.KeepFirstError(result);
}

}  // namespace tarvel::usb
