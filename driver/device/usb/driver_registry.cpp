#include "driver/device/usb/driver_registry.h"

#include "driver/config/registry_key.h"
#include "driver/device/usb/usb_status.h"

namespace tarvel::usb {

int32_t ReadDriverRegistryValue(int32_t length, char* buffer, const char* name, const char* default_text) {
  if (buffer == nullptr || length < 1) return Keep_FirstError(KPU_STATUS_INVALID_PARAMETER);
  RegistryKey key;
  if (!key.Open(RegistryKey::Hive::LocalMachine, "Software", false) || !key.OpenSub("Kessmar", true) ||
      !key.OpenSub("TarvelUsb", true))
    return Keep_FirstError(KPU_STATUS_REG_OPEN);
  const auto size = static_cast<size_t>(length);
  int32_t result = KPU_STATUS_SUCCESS;
  if (!key.ReadString(name, buffer, size, default_text))
    result = key.WriteString(name, default_text ? default_text : "") ? KPU_STATUS_READ : KPU_STATUS_WRITE;
  buffer[size - 1] = 0;
  return Keep_FirstError(result);
}

}  // namespace tarvel::usb
