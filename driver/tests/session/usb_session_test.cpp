// The whole session over USB: the images equal the plates and, byte for
// byte, the images of the same plates over the parallel port; a scanner
// unplugged in the middle of a scan.
#include "driver/api/library.h"
#include "driver/tests/session/session_fixture.h"
#include "driver/tests/session/process_resources.h"

#include <cstring>
#include <fstream>

#include "driver/device/scanner_transport.h"
#include "driver/device/usb/setup_api.h"
#include "driver/device/usb/usb_discovery.h"
#include "driver/session/interface_probe.h"
#include "driver/session/session.h"
#include "platform/sync.h"

using namespace sessiontest;
using enum platform::usb::VendorRequest;

namespace {

class UsbSession : public SessionTest {
 protected:
  // One session through the plates; the bytes of every image file, in order.
  std::vector<std::string> Session() {
    std::vector<std::string> files;
    EXPECT_EQ(Open_Scanner(1), 0) << Log();
    EXPECT_EQ(Aktivate_Scanner(), 0) << Log();
    std::vector<std::string> names = PollPlatesThrough();
    EXPECT_EQ(Deaktivate_Scanner(), 0);
    for (const std::string& n : names) files.push_back(platform::ReadWholeFile(n).value_or(""));
    EXPECT_EQ(Close_Scanner(), 0);
    return files;
  }
};

TEST_F(UsbSession, ImagesEqualThePlatesAndTheParallelPortsImages) {
  WriteIni();
  const sim::PlateImage a = sim::TestPatternPlate(200, 300, 4000, 30000);
  const sim::PlateImage b = sim::GradientPlate(160, 240, 2000, 40000);
  scenario.plates = {PlateAt(0, 100, 500, a), PlateAt(2, 150, 3000, b)};

  Attach();
  std::vector<std::string> epp = Session();
  sim::DetachParallelPort();
  tarvel::ResetInterfaceProbe(tarvel::Library().session);
  for (const std::string& f : {Images() + "/KP000001.QEW", Images() + "/KP000002.QEW"}) platform::DeleteFile(f);

  scenario.interface = "USB";
  scenario.guid = usbtest::kGuidType6;
  AttachUsb();
  const int threads = platform::LiveThreads();
  std::vector<std::string> over_usb = Session();
  EXPECT_NE(Log().find("Using USB interface\n"), std::string::npos);
  EXPECT_EQ(platform::LiveThreads(), threads);
  ASSERT_EQ(over_usb.size(), 2u) << Log();
  ASSERT_EQ(epp.size(), 2u);
  const sim::PlateImage* want[] = {&a, &b};
  for (size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(over_usb[i] == epp[i]);
    ASSERT_GE(over_usb[i].size(), 4u);
    EXPECT_EQ(over_usb[i].size(), 4 + 2 * want[i]->pixels.size());
    EXPECT_EQ(std::memcmp(over_usb[i].data() + 4, want[i]->pixels.data(), 2 * want[i]->pixels.size()), 0);
  }
  EXPECT_EQ(usb->LoadedDesign(), "standard USB");
}

// A scanner the application opened itself through the low-level exports:
// the open uses that device, its plate comes out exact, and the device is
// still the application's, open and answering, after the close.
TEST_F(UsbSession, TheOpenUsesTheDeviceTheApplicationOpened) {
  WriteIni();
  const sim::PlateImage plate = sim::GradientPlate(160, 240, 2000, 40000);
  scenario.plates = {PlateAt(0, 100, 500, plate)};
  scenario.interface = "USB";
  scenario.guid = usbtest::kGuidType6;
  AttachUsb();
  ASSERT_EQ(TarvelInit_Interface(), 0);
  TarvelGetLastTarvelError(1);
  std::vector<std::string> files = Session();
  ASSERT_EQ(files.size(), 1u) << Log();
  ASSERT_EQ(files[0].size(), 4 + 2 * plate.pixels.size());
  EXPECT_EQ(std::memcmp(files[0].data() + 4, plate.pixels.data(), 2 * plate.pixels.size()), 0);
  EXPECT_EQ(tarvel::Library().usb_devices.OpenCount(), 1);
  TarvelRegRead(248);
  EXPECT_EQ(TarvelGetLastTarvelError(1), 0);  // the application's device still answers
  EXPECT_EQ(TarvelFree_Interface(), 0);
  EXPECT_EQ(tarvel::Library().usb_devices.OpenCount(), 0);
}

// A session made over a USB device state of its own opens and closes the
// scanner through that state; the library's devices and session stay as
// they were.
TEST_F(UsbSession, ASessionOfItsOwnWorksOnTheDevicesItWasMadeWith) {
  WriteIni();
  AttachOver(true);
  tarvel::usb::SetupApiLibrary setup_api;
  tarvel::usb::UsbDevices devices(setup_api);
  tarvel::Session own(devices);
  ASSERT_EQ(tarvel::Session_Open(own, 1), 0);
  EXPECT_EQ(tarvel::Get_InterfaceType(own), tarvel::kInterfaceUsb);
  EXPECT_EQ(devices.OpenCount(), 1);
  EXPECT_EQ(devices.ScannerType(), 6);
  EXPECT_EQ(tarvel::Library().usb_devices.OpenCount(), 0);
  EXPECT_EQ(tarvel::Library().usb_devices.ScannerType(), tarvel::kScannerTypeUndefined);
  EXPECT_FALSE(tarvel::Library().session.IsOpen());
  EXPECT_FALSE(tarvel::Library().session.log.IsOpen());
  EXPECT_EQ(tarvel::Session_Close(own), 0);
  EXPECT_EQ(devices.OpenCount(), 0);
  EXPECT_NE(Log().find("Using USB interface\n"), std::string::npos);
}

// Polled without pause, as the consoles poll, each plate comes out a few
// polls after it has passed: the reader's next transfer is not held back by
// the poll's own control requests. The lag is counted in polls, from the
// poll after which the scanner's line count shows the plate passed.
TEST_F(UsbSession, EachPlateComesOutSoonAfterItPassesWhilePolledWithoutPause) {
  WriteIni();
  constexpr int kPlates = 6;
  constexpr uint32_t kSpacingMs = 3000;
  constexpr int kHeight = 300;
  constexpr int kPollMs = 20;
  for (int i = 0; i < kPlates; ++i)
    scenario.plates.push_back(PlateAt(0, 100 + kSpacingMs * i, 600, sim::NoisePlate(160, kHeight, 1000, 40000, 3 + i)));
  scenario.interface = "USB";
  scenario.guid = usbtest::kGuidType6;
  AttachUsb();
  scanner->SetTracing(false);
  ASSERT_EQ(Open_Scanner(1), 0) << Log();
  ASSERT_EQ(Aktivate_Scanner(), 0) << Log();
  std::vector<int> passed_at(kPlates, -1);  // the poll after which each plate had passed
  std::vector<int> out_at;  // the poll that handed each image out
  constexpr int kPolls = (kSpacingMs * kPlates + 10000) / kPollMs;
  for (int poll = 0; out_at.size() < kPlates && poll < kPolls; ++poll) {
    const int status = Get_Status();
    ASSERT_GE(status, 0) << Log();
    for (int pending = status & 0xFF; pending > 0; --pending) {
      char name[256];
      ASSERT_GT(Get_ImageName(name), 0);
      out_at.push_back(poll);
    }
    const uint32_t line = scanner->LineCounter();
    for (int i = 0; i < kPlates; ++i)
      if (passed_at[i] < 0 && line >= 100 + kSpacingMs * i + kHeight) passed_at[i] = poll;
    platform::Sleep(kPollMs);
  }
  ASSERT_EQ(out_at.size(), size_t{kPlates}) << Log();
  for (int i = 0; i < kPlates; ++i) {
    SCOPED_TRACE(i);
    ASSERT_GE(passed_at[i], 0);
    EXPECT_LE(out_at[i] - passed_at[i], 4) << "about " << out_at[i] - passed_at[i] << " polls late";
  }
  EXPECT_EQ(Deaktivate_Scanner(), 0);
}

TEST_F(UsbSession, WithBothInterfacesTheProbeAnswersUsb) {
  scenario.interface = "USB,EPP";
  scenario.guid = usbtest::kGuidType6;
  scanner = std::make_shared<sim::Scanner>(scenario);
  port = sim::AttachParallelPort(scanner);
  usb = sim::AttachUsb(scanner);
  EXPECT_EQ(tarvel::Get_InterfaceType(tarvel::Library().session), tarvel::kInterfaceUsb);
  EXPECT_EQ(tarvel::Get_ScannerType(tarvel::Library().session), 6);
}

// A scanner swapped while the library stays loaded: the open goes by the
// type the session knew, and the device it connects gives the type from then
// on.
TEST_F(UsbSession, TheDeviceTheOpenConnectsGivesTheScannerTypeFromThenOn) {
  WriteIni();
  scenario.fpga_configured = true;
  AttachOver(true);
  tarvel::Session& s = tarvel::Library().session;
  s.interface_kind = tarvel::kInterfaceUsb;
  s.scanner_type = 13;  // what the earlier scanner gave
  char name[256];
  EXPECT_EQ(Get_Paramname(name, 2), 0);
  EXPECT_STREQ(name, "Erase");  // type 13 names the erase mode
  ASSERT_EQ(Open_Scanner(1), 0) << Log();
  EXPECT_NE(Log().find("   Scanner Type 13 '"), std::string::npos) << Log();
  EXPECT_EQ(Get_Paramname(name, 2), 0);
  EXPECT_STREQ(name, "Ceph 50");
  EXPECT_EQ(s.scanner_type, 6);
  EXPECT_EQ(Close_Scanner(), 0);
}

// A type-6 scanner ignores `Firmware`: its design is the built-in one, and
// a configured FPGA is kept at every open (`HalteFPGA` 1).
TEST_F(UsbSession, ADesignFileOfAnotherScannerTypeNeitherLoadsNorForcesAReload) {
  WriteIni(std::string(kIni) + "[Scanner]\nFirmware=" + bin() + "/design.hex\n");
  std::ofstream(bin() + "/design.hex") << ":00000001FF\n";
  scenario.fpga_configured = true;
  scenario.interface = "USB";
  scenario.guid = usbtest::kGuidType6;
  AttachUsb();
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    usb->ClearRequests();
    ASSERT_EQ(Open_Scanner(1), 0) << Log();
    const std::string log = Log();
    EXPECT_EQ(log.find("design.hex"), std::string::npos) << log;
    EXPECT_EQ(log.find("Xilinx reconfigured"), std::string::npos) << log;
    for (const sim::VendorAccess& r : usb->Requests()) EXPECT_NE(r.request, kReqFpgaPiece) << "an FPGA download";
    EXPECT_EQ(Close_Scanner(), 0);
  }
}

// Every open starts the scan-data reader and opens the device file; every
// close must end and close them again.
TEST_F(UsbSession, OpenAndCloseAHundredTimesLeavesNoThreadOrDescriptorBehind) {
  WriteIni();
  scenario.interface = "USB";
  scenario.guid = usbtest::kGuidType6;
  scenario.fpga_configured = true;
  AttachUsb();
  scanner->SetTracing(false);
  ASSERT_EQ(Open_Scanner(-1), 0) << Log();
  ASSERT_EQ(Close_Scanner(), 0);
  const ProcessResources before;
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(Open_Scanner(-1), 0) << i;
    ASSERT_EQ(Close_Scanner(), 0) << i;
  }
  const ProcessResources after;
  EXPECT_EQ(after.threads, before.threads);
  EXPECT_EQ(after.descriptors, before.descriptors);
  EXPECT_EQ(tarvel::Library().usb_devices.OpenCount(), 0);
}

TEST_F(UsbSession, UnpluggedInTheMiddleOfAScan) {
  WriteIni();
  scenario.interface = "USB";
  scenario.guid = usbtest::kGuidType6;
  scenario.plates = {PlateAt(0, 100, 500, sim::FlatPlate(200, 2000, 20000))};
  AttachUsb();
  const int threads = platform::LiveThreads();
  ASSERT_EQ(Open_Scanner(1), 0) << Log();
  ASSERT_EQ(Aktivate_Scanner(), 0);
  int status = 0;
  bool unplugged = false;
  for (int i = 0; i < 20000 && status >= 0; ++i) {
    status = Get_Status();
    if (!unplugged && (status & (1 << 27))) {  // collecting image data
      usb->Unplug();
      unplugged = true;
    }
    platform::Sleep(5);
  }
  EXPECT_TRUE(unplugged);
  EXPECT_EQ(status, -323);
  EXPECT_EQ(Close_Scanner(), 0);
  EXPECT_EQ(platform::LiveThreads(), threads);
  EXPECT_EQ(tarvel::Library().usb_devices.OpenCount(), 0);
}

}  // namespace
