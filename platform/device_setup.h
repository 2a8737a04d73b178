#pragma once
#include <cstdint>

#include "platform/guid.h"

// The device-setup library ("setupapi.dll"): its four entry points for
// listing device interfaces by class GUID, reached only through
// LoadSystemLibrary/GetSystemProc (system_library.h), so binding can fail.
// The list comes from the registered USB backends.
namespace platform {

struct DeviceInfoSet;
using DeviceInfoHandle = DeviceInfoSet*;
constexpr uintptr_t kInvalidDeviceInfoHandle = ~uintptr_t{0};

constexpr uint32_t kDigcfPresent = 0x02;
constexpr uint32_t kDigcfDeviceInterface = 0x10;
constexpr uint32_t kErrorNoMoreItems = 259;

// Interface data record (size field 28 on the 32-bit system).
struct DeviceInterfaceData {
  uint32_t size = 28;
  Guid interface_class;
  uint32_t flags = 0;
  uintptr_t reserved = 0;  // member index
};

// Detail record: u32 size field (5 as the 32-bit system expects), then the
// NUL-terminated device path.
constexpr uint32_t kDetailSizeField = 5;
constexpr uint32_t kDetailPathOffset = 4;

using GetClassDevsFn = DeviceInfoHandle (*)(const Guid* guid, const char* enumerator, void* parent, uint32_t flags);
using DestroyDeviceInfoListFn = int (*)(DeviceInfoHandle set);
using EnumDeviceInterfacesFn = int (*)(DeviceInfoHandle set, void* info, const Guid* guid, uint32_t index,
                                       DeviceInterfaceData* data);
// Fills `detail` (size bytes, its first u32 = kDetailSizeField); with a
// null or too small detail fails with error 122 and the needed size.
using GetDeviceInterfaceDetailFn = int (*)(DeviceInfoHandle set, DeviceInterfaceData* data, void* detail, uint32_t size,
                                           uint32_t* required, void* info);

constexpr const char* kDeviceSetupLibrary = "setupapi.dll";

}  // namespace platform
