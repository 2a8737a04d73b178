// Discovery over the 22 interface GUIDs: the scanner type each gives, the
// probe order, the open-device list, and a discovery library that cannot be
// bound.
#include "usb_fixture.h"

#include "driver/config/scanner_type.h"
#include "driver/device/usb/usb_scanner_transport.h"
#include "driver/session/interface_probe.h"
#include "driver/session/session.h"
#include "driver/result_codes.h"
#include "platform/guid.h"

namespace {

using namespace usbtest;
using tarvel::usb::Init_Interface;

class Discovery : public UsbTest {};

// The 22 interface GUIDs in probe order and the scanner type each gives,
// written out here rather than taken from the probe table.
TEST_F(Discovery, EveryGuidGivesItsScannerType) {
  const struct {
    const char* guid;
    int type;
  } table[22] = {
      {"{F9C09906-CE55-4048-B537-DEF9B9D36A64}", 12}, {"{F9C09907-CE55-4048-B537-DEF9B9D36A64}", 13},
      {"{1A6B8D01-DF2E-4A05-86DD-AA12B90E7A44}", 5},  {"{F9C09901-CE55-4048-B537-DEF9B9D36A64}", 14},
      {"{1A6B8D02-DF2E-4A05-86DD-AA12B90E7A44}", 6},  {"{1A6B8D03-DF2E-4A05-86DD-AA12B90E7A44}", 6},
      {"{1A6B8D05-DF2E-4A05-86DD-AA12B90E7A44}", 6},  {"{1A6B8D06-DF2E-4A05-86DD-AA12B90E7A44}", 6},
      {"{F9C09902-CE55-4048-B537-DEF9B9D36A64}", 15}, {"{F9C09903-CE55-4048-B537-DEF9B9D36A64}", 16},
      {"{1A6B8D0A-DF2E-4A05-86DD-AA12B90E7A44}", 7},  {"{1A6B8D08-DF2E-4A05-86DD-AA12B90E7A44}", 11},
      {"{1A6B8D0B-DF2E-4A05-86DD-AA12B90E7A44}", 10}, {"{1A6B8D09-DF2E-4A05-86DD-AA12B90E7A44}", 9},
      {"{1A6B8D0C-DF2E-4A05-86DD-AA12B90E7A44}", 8},  {"{F9C09905-CE55-4048-B537-DEF9B9D36A64}", 17},
      {"{1A6B8D00-DF2E-4A05-86DD-AA12B90E7A44}", 0},  {"{F9C09900-CE55-4048-B537-DEF9B9D36A64}", 3},
      {"{1A6B8D04-DF2E-4A05-86DD-AA12B90E7A44}", 1},  {"{1A6B8D07-DF2E-4A05-86DD-AA12B90E7A44}", 2},
      {"{F9C09904-CE55-4048-B537-DEF9B9D36A64}", 4},  {"{CE4C3C83-0E68-4DEA-BB17-B446114CD6FD}", 18},
  };
  ASSERT_EQ(tarvel::usb::kProbeCount, 22);
  for (int i = 0; i < 22; ++i) {
    SCOPED_TRACE(table[i].guid);
    EXPECT_EQ(platform::GuidText(tarvel::usb::ProbeTable()[i].guid), table[i].guid) << "probe " << i + 1;
    scenario.guid = table[i].guid;
    devices.SetScannerType(tarvel::kScannerTypeUndefined);
    Plug();
    ASSERT_EQ(Init_Interface(devices, no_log), 0);
    EXPECT_EQ(devices.ScannerType(), table[i].type);
    EXPECT_EQ(devices.OpenCount(), 1);
    EXPECT_EQ(tarvel::usb::Free_Interface(devices), 0);
    sim::DetachUsb();
  }
}

TEST_F(Discovery, TheEarlierProbeWinsWhenTwoInterfacesShow) {
  scenario.guid = "{1A6B8D00-DF2E-4A05-86DD-AA12B90E7A44}, {1A6B8D01-DF2E-4A05-86DD-AA12B90E7A44}";
  Plug();
  ASSERT_EQ(Init_Interface(devices, no_log), 0);
  EXPECT_EQ(devices.ScannerType(), 5);  // probe 3, not probe 17
}

TEST_F(Discovery, NothingAttachedGivesNoDevicesAndLeavesTheTypeUndefined) {
  EXPECT_EQ(Init_Interface(devices, no_log), -305);
  EXPECT_EQ(devices.ScannerType(), 18);
  EXPECT_EQ(devices.OpenCount(), 0);
  EXPECT_EQ(tarvel::usb::GetLastTarvelError(devices, 1), -305);
}

TEST_F(Discovery, AnUnboundDiscoveryLibraryGivesNotInitialized) {
  Plug();
  devices.ReleaseDiscovery();  // as after a fresh load
  platform::SetSystemLibraryMissing("setupapi.dll", true);
  EXPECT_EQ(Init_Interface(devices, no_log), -304);
  EXPECT_EQ(devices.OpenCount(), 0);
  platform::SetSystemLibraryMissing("setupapi.dll", false);
  EXPECT_EQ(Init_Interface(devices, no_log), 0);
}

TEST_F(Discovery, ASecondInitialisationClosesTheOpenDeviceWithOpenDevicesPresent) {
  Open();
  EXPECT_EQ(Init_Interface(devices, no_log), -318);
  EXPECT_EQ(devices.OpenCount(), 0);
  EXPECT_EQ(tarvel::usb::RegRead(devices, 248), 0);
  EXPECT_EQ(tarvel::usb::GetLastTarvelError(devices, 1), -318);
}

TEST_F(Discovery, ADriverOfAnotherApiVersionIsClosedAgain) {
  scenario.usb_api_version = 0x0100;
  Plug();
  EXPECT_EQ(Init_Interface(devices, no_log), -324);  // 0xE000101C mapped
  EXPECT_EQ(devices.OpenCount(), 0);
  EXPECT_EQ(devices.ScannerType(), 6);  // set also when the open fails
}

TEST_F(Discovery, OpenConfiguresTheDeviceAndStartsTheReaderAtAboveNormalPriority) {
  Open();
  EXPECT_TRUE(usb->Configured());
  EXPECT_TRUE(device->Reader().Running());
  EXPECT_TRUE(WaitUntil([&] { return device->Reader().RunningPriority() == platform::kThreadPriorityAboveNormal; }));
  EXPECT_EQ(tarvel::usb::GetUsbTimeout(devices), 1000u);
  EXPECT_EQ(tarvel::usb::Free_Interface(devices), 0);
  EXPECT_FALSE(usb->Configured());
  EXPECT_EQ(tarvel::usb::RegRead(devices, 248), 0);
  EXPECT_EQ(tarvel::usb::GetLastTarvelError(devices, 1), -302);
}

// A transport works on the device state it was made over: another state
// neither sees its device nor shares its first-error store.
TEST_F(Discovery, TwoDeviceStatesShareNothing) {
  tarvel::usb::SetupApiLibrary other_api;
  tarvel::usb::UsbDevices other(other_api);
  Plug();
  tarvel::UsbScannerTransport transport(other);
  ASSERT_EQ(transport.Dev_Connect(), 0);
  EXPECT_EQ(other.OpenCount(), 1);
  EXPECT_NE(other.FindCurrent(), nullptr);
  EXPECT_EQ(devices.OpenCount(), 0);
  EXPECT_EQ(tarvel::usb::RegRead(devices, 248), 0);
  EXPECT_EQ(tarvel::usb::GetLastTarvelError(devices, 1), -302);
  EXPECT_TRUE(transport.Dev_IsReady());
  EXPECT_EQ(transport.Reg_Write8(176, 1), 0);
  EXPECT_EQ(tarvel::usb::GetLastTarvelError(other, 0), 0);
  EXPECT_EQ(tarvel::usb::GetLastTarvelError(devices, 0), 0);  // nothing reached the fixture's store
  EXPECT_EQ(transport.Dev_Disconnect(), 0);
  EXPECT_EQ(other.OpenCount(), 0);
  EXPECT_EQ(transport.Reg_Write8(176, 1), tarvel::kErrNoAnswer);
  EXPECT_EQ(tarvel::usb::GetLastTarvelError(other, 1), -302);
  EXPECT_EQ(tarvel::usb::GetLastTarvelError(devices, 1), 0);
}

// A session probes the USB device state it was made with; the library's
// state and session stay as they were.
TEST_F(Discovery, ASessionProbesTheDevicesItWasMadeWith) {
  const int library_type = tarvel::Library().usb_devices.ScannerType();
  const int library_session_type = tarvel::Library().session.scanner_type;
  tarvel::Session session(devices);
  scenario.guid = "{F9C09906-CE55-4048-B537-DEF9B9D36A64}";  // type 12
  Plug();
  EXPECT_EQ(tarvel::Get_InterfaceType(session), tarvel::kInterfaceUsb);
  EXPECT_EQ(tarvel::Get_ScannerType(session), 12);
  EXPECT_EQ(devices.ScannerType(), 12);
  EXPECT_EQ(devices.OpenCount(), 0);  // the probe freed the interface again
  EXPECT_EQ(tarvel::Library().usb_devices.ScannerType(), library_type);
  EXPECT_EQ(tarvel::Library().usb_devices.OpenCount(), 0);
  EXPECT_EQ(tarvel::Library().session.scanner_type, library_session_type);
  tarvel::ResetInterfaceProbe(session);
  EXPECT_EQ(devices.ScannerType(), tarvel::kScannerTypeUndefined);
  EXPECT_EQ(session.scanner_type, tarvel::kScannerTypeUndefined);
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
