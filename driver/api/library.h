#pragma once
// The library's state, its one global object: the device-setup binding, the
// USB device state over it, the scan session over that and the log channel
// "KPUDLL", built at load and destroyed at unload in the reverse order. Only
// the exports reach it; the layers below are handed the part they work on.
#include "driver/config/log_channel.h"
#include "driver/device/usb/setup_api.h"
#include "driver/device/usb/usb_discovery.h"
#include "driver/session/session.h"

namespace tarvel {

struct LibraryState {
  usb::SetupApiLibrary setup_api;
  usb::UsbDevices usb_devices{setup_api};
  Session session{usb_devices};
  LogChannel kpudll_log{"KPUDLL"};  // outputs 0, format 0x100: writes nothing
};

LibraryState& Library();

}  // namespace tarvel
