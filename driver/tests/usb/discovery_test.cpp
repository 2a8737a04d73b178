// Discovery over the 22 interface GUIDs: the scanner type each gives, the
// probe order, the open-device list, and a discovery library that cannot be
// bound.
#include "usb_fixture.h"

#include "driver/config/scanner_type.h"
#include "platform/guid.h"

namespace {

using namespace usbtest;
using tarvel::usb::Init_Interface;

class Discovery : public UsbTest {};

TEST_F(Discovery, EveryGuidGivesItsScannerType) {
  const tarvel::usb::ProbeEntry* probe = tarvel::usb::ProbeTable();
  const int expected[22] = {12, 13, 5, 14, 6, 6, 6, 6, 15, 16, 7, 11, 10, 9, 8, 17, 0, 3, 1, 2, 4, 18};
  for (int i = 0; i < tarvel::usb::kProbeCount; ++i) {
    SCOPED_TRACE(i + 1);
    scenario.guid = platform::GuidText(probe[i].guid);
    tarvel::SetScannerType(tarvel::kScannerTypeUndefined);
    Plug();
    ASSERT_EQ(Init_Interface(), 0);
    EXPECT_EQ(tarvel::ScannerType(), expected[i]);
    EXPECT_EQ(tarvel::usb::OpenDeviceCount(), 1);
    EXPECT_EQ(tarvel::usb::Free_Interface(), 0);
    sim::DetachUsb();
  }
  EXPECT_EQ(platform::GuidText(probe[0].guid), "{F9C09906-CE55-4048-B537-DEF9B9D36A64}");
  EXPECT_EQ(platform::GuidText(probe[21].guid), "{CE4C3C83-0E68-4DEA-BB17-B446114CD6FD}");
}

TEST_F(Discovery, TheEarlierProbeWinsWhenTwoInterfacesShow) {
  scenario.guid = "{1A6B8D00-DF2E-4A05-86DD-AA12B90E7A44}, {1A6B8D01-DF2E-4A05-86DD-AA12B90E7A44}";
  Plug();
  ASSERT_EQ(Init_Interface(), 0);
  EXPECT_EQ(tarvel::ScannerType(), 5);  // probe 3, not probe 17
}

TEST_F(Discovery, NothingAttachedGivesNoDevicesAndLeavesTheTypeUndefined) {
  EXPECT_EQ(Init_Interface(), -305);
  EXPECT_EQ(tarvel::ScannerType(), 18);
  EXPECT_EQ(tarvel::usb::OpenDeviceCount(), 0);
  EXPECT_EQ(tarvel::usb::GetLastTarvelError(1), -305);
}

TEST_F(Discovery, AnUnboundDiscoveryLibraryGivesNotInitialized) {
  Plug();
  tarvel::usb::ReleaseDiscovery();  // as after a fresh load
  platform::SetSystemLibraryMissing("setupapi.dll", true);
  EXPECT_EQ(Init_Interface(), -304);
  EXPECT_EQ(tarvel::usb::OpenDeviceCount(), 0);
  platform::SetSystemLibraryMissing("setupapi.dll", false);
  EXPECT_EQ(Init_Interface(), 0);
}

TEST_F(Discovery, ASecondInitialisationClosesTheOpenDeviceWithOpenDevicesPresent) {
  Open();
  EXPECT_EQ(Init_Interface(), -318);
  EXPECT_EQ(tarvel::usb::OpenDeviceCount(), 0);
  EXPECT_EQ(tarvel::usb::RegRead(248), 0);
  EXPECT_EQ(tarvel::usb::GetLastTarvelError(1), -318);
}

TEST_F(Discovery, ADriverOfAnotherApiVersionIsClosedAgain) {
  scenario.usb_api_version = 0x0100;
  Plug();
  EXPECT_EQ(Init_Interface(), -324);  // 0xE000101C mapped
  EXPECT_EQ(tarvel::usb::OpenDeviceCount(), 0);
  EXPECT_EQ(tarvel::ScannerType(), 6);  // set also when the open fails
}

TEST_F(Discovery, OpenConfiguresTheDeviceAndStartsTheReaderAtAboveNormalPriority) {
  Open();
  EXPECT_TRUE(usb->Configured());
  EXPECT_TRUE(device->Reader().Running());
  EXPECT_TRUE(WaitUntil([&] { return device->Reader().RunningPriority() == platform::kThreadPriorityAboveNormal; }));
  EXPECT_EQ(tarvel::usb::GetUsbTimeout(), 1000u);
  EXPECT_EQ(tarvel::usb::Free_Interface(), 0);
  EXPECT_FALSE(usb->Configured());
  EXPECT_EQ(tarvel::usb::RegRead(248), 0);
  EXPECT_EQ(tarvel::usb::GetLastTarvelError(1), -302);
}

// The transfer sizing table (asked: 10 buffers of 32768 bytes).
TEST(TransferSizing, FollowsTheTable) {
  struct Case {
    unsigned major, minor;
    const char* sp;
    bool flag;
    uint32_t count, size;
  } cases[] = {
      {5, 1, "Service Pack 3", true, 1, 16384},
      {6, 1, "", false, 1, 32768},
      {5, 0, "Service Pack 5", true, 8, 32768},
      {5, 0, "Service Pack 4", true, 1, 16384},
      {4, 0, "Service Pack 6", false, 8, 32768},
      {5, 0, "SPx12", true, 8, 32768},
      {5, 0, "x5", true, 8, 32768},
      {5, 0, "", true, 1, 16384},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sp);
    tarvel::usb::TransferSizing t = tarvel::usb::ChooseTransfers(c.major, c.minor, c.sp, c.flag, 10, 32768);
    EXPECT_EQ(t.count, c.count);
    EXPECT_EQ(t.size, c.size);
  }
  EXPECT_EQ(tarvel::usb::ChooseTransfers(4, 0, "", false, 4, 4096).count, 4u);
}

TEST_F(Discovery, OpenSizesTheReaderByTheSystemAndTheDriverFlag) {
  platform::SetOsVersion({5, 0, "Service Pack 4"});
  scenario.usb_driver_flags = 1u << 20;
  Open();
  EXPECT_EQ(device->Reader().BufferCount(), 1u);
  EXPECT_EQ(device->Reader().BufferSize(), 16384u);
}

}  // namespace
