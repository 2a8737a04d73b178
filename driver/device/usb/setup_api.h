#pragma once
#include <string>

#include "platform/device_setup.h"
#include "platform/system_library.h"

// `SetupApiLibrary`: the device-setup library bound at run time on first use
// and released by its owner (the `UsbDevices` over it releases it at its
// end) or when it is destroyed.
namespace tarvel::usb {

class SetupApiLibrary {
 public:
  SetupApiLibrary() = default;
  ~SetupApiLibrary() { Release(); }
  SetupApiLibrary(const SetupApiLibrary&) = delete;
  SetupApiLibrary& operator=(const SetupApiLibrary&) = delete;
  bool Bind();
  void Release();
  bool Bound() const { return module_ != nullptr; }
  // The present devices exposing the interface class, or null.
  platform::DeviceInfoHandle ClassDevices(const platform::Guid& guid);
  void Destroy(platform::DeviceInfoHandle set);

  platform::GetClassDevsFn get_class_devs = nullptr;
  platform::DestroyDeviceInfoListFn destroy_list = nullptr;
  platform::EnumDeviceInterfacesFn enum_interfaces = nullptr;
  platform::GetDeviceInterfaceDetailFn interface_detail = nullptr;

 private:
  platform::SystemLibrary* module_ = nullptr;
};

// The device path of set member `index` for `guid` (the lookup part of a
// device open), looked up through `api`, which made `set`: 0 or a driver status (0xE0001104 no such member, 0xE0001105
// null set or GUID, 0xE0001106 library not bound, 0xE0001000, 0xE0000100).
uint32_t DevicePathOf(SetupApiLibrary& api, platform::DeviceInfoHandle set, const platform::Guid* guid, int index,
                      std::string* path);

}  // namespace tarvel::usb
