#include "driver/device/usb/setup_api.h"

#include <cstring>
#include <new>
#include <vector>

#include "platform/kernel_device.h"
#include "platform/usb_driver.h"

namespace tarvel::usb {

bool SetupApiLibrary::Bind() {
  if (module_) return true;
  module_ = platform::LoadSystemLibrary(platform::kDeviceSetupLibrary);
  if (!module_) return false;
  get_class_devs = reinterpret_cast<platform::GetClassDevsFn>(platform::GetSystemProc(module_, "SetupDiGetClassDevsA"));
  destroy_list = reinterpret_cast<platform::DestroyDeviceInfoListFn>(
      platform::GetSystemProc(module_, "SetupDiDestroyDeviceInfoList"));
  enum_interfaces = reinterpret_cast<platform::EnumDeviceInterfacesFn>(
      platform::GetSystemProc(module_, "SetupDiEnumDeviceInterfaces"));
  interface_detail = reinterpret_cast<platform::GetDeviceInterfaceDetailFn>(
      platform::GetSystemProc(module_, "SetupDiGetDeviceInterfaceDetailA"));
  if (!get_class_devs || !destroy_list || !enum_interfaces || !interface_detail) {
    Release();
    return false;
  }
  return true;
}

void SetupApiLibrary::Release() {
  if (module_) platform::FreeSystemLibrary(module_);
  module_ = nullptr;
  get_class_devs = nullptr;
  destroy_list = nullptr;
  enum_interfaces = nullptr;
  interface_detail = nullptr;
}

platform::DeviceInfoHandle SetupApiLibrary::ClassDevices(const platform::Guid& guid) {
  if (!Bind()) return nullptr;
  platform::DeviceInfoHandle set =
      get_class_devs(&guid, nullptr, nullptr, platform::kDigcfPresent | platform::kDigcfDeviceInterface);
  if (reinterpret_cast<uintptr_t>(set) == platform::kInvalidDeviceInfoHandle) return nullptr;
  return set;
}

void SetupApiLibrary::Destroy(platform::DeviceInfoHandle set) {
  if (set && Bound()) destroy_list(set);
}

uint32_t DevicePathOf(SetupApiLibrary& api, platform::DeviceInfoHandle set, const platform::Guid* guid, int index,
                      std::string* path) {
  if (set == nullptr || guid == nullptr) return platform::usb::kStatusBadArgument;
  if (!api.Bind()) return platform::usb::kStatusNoSetupLibrary;
  path->clear();
  platform::DeviceInterfaceData data;
  if (!api.enum_interfaces(set, nullptr, guid, static_cast<uint32_t>(index), &data)) {
    uint32_t error = platform::GetLastError();
    return error == platform::kErrorNoMoreItems ? platform::usb::kStatusNoSuchInstance : error;
  }
  uint32_t required = 0;
  api.interface_detail(set, &data, nullptr, 0, &required, nullptr);
  if (required == 0) return platform::usb::kStatusFailed;
  std::vector<char> detail;
  try {
    detail.assign(required, 0);
  } catch (const std::bad_alloc&) {
    return platform::usb::kStatusNoMemory;
  }
  uint32_t field = platform::kDetailSizeField;
  std::memcpy(detail.data(), &field, 4);
  if (!api.interface_detail(set, &data, detail.data(), required, nullptr, nullptr)) return platform::GetLastError();
  detail.back() = '\0';
  *path = detail.data() + platform::kDetailPathOffset;
  return 0;
}

}  // namespace tarvel::usb
