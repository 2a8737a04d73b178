// The USB driver's registry value: read, or the default given and written,
// each outcome with its status, the buffer always terminated.
#include <gtest/gtest.h>

#include <cstring>

#include "../config/config_fixture.h"
#include "driver/device/usb/driver_registry.h"
#include "driver/device/usb/low_level.h"
#include "driver/device/usb/setup_api.h"
#include "driver/device/usb/usb_discovery.h"
#include "platform/registry.h"

namespace {

namespace reg = platform::registry;
using Hive = reg::Hive;
using tarvel::usb::ReadDriverRegistryValue;

class DriverRegistry : public ConfigTest {
 protected:
  tarvel::usb::SetupApiLibrary setup_api;
  tarvel::usb::UsbDevices devices{setup_api};  // the first-error store the lookups fill
};

TEST_F(DriverRegistry, ReadsTheValueOrWritesTheDefault) {
  char text[16];
  EXPECT_EQ(ReadDriverRegistryValue(devices, sizeof text, text, "Path", "dflt"), -402);  // no "Software" key
  EXPECT_EQ(tarvel::usb::GetLastTarvelError(devices, 1), -402);
  ASSERT_TRUE(reg::CreateKey(Hive::LocalMachine, "Software"));

  EXPECT_EQ(ReadDriverRegistryValue(devices, sizeof text, text, "Path", "dflt"),
            -403);  // missing: the default, written
  EXPECT_STREQ(text, "dflt");
  EXPECT_EQ(reg::QueryString(Hive::LocalMachine, "Software\\Kessmar\\TarvelUsb", "Path"), "dflt");
  EXPECT_EQ(ReadDriverRegistryValue(devices, sizeof text, text, "Path", "other"), 0);
  EXPECT_STREQ(text, "dflt");

  ASSERT_TRUE(reg::SetString(Hive::LocalMachine, "Software\\Kessmar\\TarvelUsb", "Long", "0123456789abcdefXYZ"));
  std::memset(text, 'x', sizeof text);
  EXPECT_EQ(ReadDriverRegistryValue(devices, sizeof text, text, "Long", ""), 0);
  EXPECT_STREQ(text, "0123456789abcde");  // cut to the buffer

  EXPECT_EQ(ReadDriverRegistryValue(devices, sizeof text, text, nullptr, "dflt"), -404);  // cannot be written either
  EXPECT_STREQ(text, "dflt");
}

TEST_F(DriverRegistry, NoBufferOrNoRoomIsRefusedUntouched) {
  ASSERT_TRUE(reg::CreateKey(Hive::LocalMachine, "Software"));
  char text[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(ReadDriverRegistryValue(devices, 0, text, "Path", "dflt"), -301);
  EXPECT_EQ(ReadDriverRegistryValue(devices, -5, text, "Path", "dflt"), -301);
  EXPECT_EQ(ReadDriverRegistryValue(devices, 4, nullptr, "Path", "dflt"), -301);
  EXPECT_EQ(std::string(text, 4), "abcd");
  EXPECT_EQ(tarvel::usb::GetLastTarvelError(devices, 1), -301);
  EXPECT_EQ(ReadDriverRegistryValue(devices, 1, text, "Path", "dflt"), -403);
  EXPECT_EQ(text[0], 0);
}

}  // namespace
