// The scanner's vendor requests as the simulator sees them: registers,
// I2C memories in pieces of 512, the FPGA download and its design choice,
// and the failures (stall, short reply, time-out) with the codes they leave.
#include "usb_fixture.h"

#include <fstream>

#include "driver/config/session_log.h"
#include "driver/device/usb/usb_fpga.h"
#include "driver/tarvel_api.h"
#include "platform/files.h"

namespace {

using namespace usbtest;
using enum platform::usb::VendorRequest;
namespace ll = tarvel::usb;

class Transport : public UsbTest {
 protected:
  Transport() : UsbTest(OverTheLibrary{}) {}
};

TEST_F(Transport, RegisterAccessIsRequestsSevenAndEightOnTheRegisterFile) {
  Open();
  EXPECT_EQ(TarvelRegWrite(4, 0x101), 1);
  EXPECT_EQ(TarvelRegWriteShort(192, 0x1234), 1);
  EXPECT_EQ(TarvelRegWriteLong(8, 0), 1);
  EXPECT_EQ(TarvelRegRead(4), 1);
  EXPECT_EQ(TarvelRegReadShort(192), 0x1234);
  EXPECT_EQ(TarvelRegReadShortInc(192), 0x1234);
  std::vector<sim::RegisterAccess> trace = scanner->Trace();
  ASSERT_EQ(trace.size(), 6u);
  EXPECT_TRUE(trace[0].write);
  EXPECT_EQ(trace[0].reg, 4);
  EXPECT_EQ(trace[0].width, 8);
  EXPECT_EQ(trace[0].value, 1u);  // the low byte
  EXPECT_EQ(trace[1].reg, 192);
  EXPECT_EQ(trace[1].width, 16);
  EXPECT_EQ(trace[2].width, 32);
  EXPECT_FALSE(trace[3].write);
  auto req = usb->Requests();
  ASSERT_EQ(req.size(), 6u);
  EXPECT_EQ(req[0].request, kReqRegWrite);
  EXPECT_FALSE(req[0].in);
  EXPECT_EQ(req[0].index, 4);
  EXPECT_EQ(req[0].length, 1u);
  EXPECT_EQ(req[4].request, kReqRegRead);
  EXPECT_EQ(req[4].value, 0);
  EXPECT_EQ(req[5].value, 1);  // auto-increment form
  EXPECT_EQ(req[5].length, 2u);
}

TEST_F(Transport, AnI2cReadOf1200BytesGoesInThreePieces) {
  std::vector<uint8_t> prom(65536);
  for (size_t i = 0; i < prom.size(); ++i) prom[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
  scenario.data_proms[0xAA] = prom;
  Open();
  std::vector<uint8_t> got(1200);
  uint32_t n = 1200;
  EXPECT_EQ(device->PromRead(0xAA, 0x100, got.data(), &n), 0);
  EXPECT_EQ(n, 1200u);
  EXPECT_TRUE(std::equal(got.begin(), got.end(), prom.begin() + 0x100));
  auto pieces = RequestsOf(kReqPromRead);
  ASSERT_EQ(pieces.size(), 3u);
  const uint32_t lengths[3] = {512, 512, 176};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(pieces[i].length, lengths[i]);
    EXPECT_EQ(pieces[i].index, 0x100 + 512 * i);
    EXPECT_EQ(pieces[i].value, (10 << 8) | 0xAA);  // class code 10 for 0xAA
  }
}

TEST_F(Transport, PromWritesReachTheDataAndIdentificationProms) {
  Open();
  std::vector<uint8_t> data(600, 0x5A);
  int32_t n = 600;
  EXPECT_EQ(TarvelI2C_LargePROMwr(0xA2, 10, data.data(), &n), 0);
  EXPECT_EQ(n, 600);
  std::vector<uint8_t> a2 = scanner->PromBytes(0xA2);
  EXPECT_EQ(a2[10], 0x5A);
  EXPECT_EQ(a2[609], 0x5A);
  EXPECT_EQ(a2[610], 0xFF);
  EXPECT_EQ(RequestsOf(kReqPromWrite)[0].value, (9 << 8) | 0xA2);
  uint8_t serial[4] = {'U', 'S', 'B', 0};
  EXPECT_EQ(TarvelI2C_PROM_write(serial, 0xA8, 0, 3), 0);
  uint8_t back[4] = {};
  EXPECT_EQ(TarvelI2C_PROM_read(back, 0xA8, 0, 3), 0);
  EXPECT_STREQ(reinterpret_cast<char*>(back), "USB");
  EXPECT_EQ(RequestsOf(kReqPromRead)[0].value, (6 << 8) | 0xA8);
}

TEST_F(Transport, ConverterTemperatureAndPolygonRequests) {
  scenario.laser_temp = 31.5;
  Open();
  EXPECT_EQ(TarvelI2C_DACout(0x90, 200), 0);
  EXPECT_EQ(scanner->DacCode(), 200);
  EXPECT_EQ(TarvelI2C_ADCread(0x90, 2), 171);  // +5 V supply
  EXPECT_EQ(TarvelI2C_TEMPinit(0x92, 0x5000), 0);
  EXPECT_EQ(scanner->TempLimit(), 0x5000);
  EXPECT_EQ(scanner->TempHysteresis(), 0x4D00);
  EXPECT_EQ(TarvelI2C_TEMPread(0x92), 0x1F80);  // 31.5 degrees, 8.8
  EXPECT_EQ(TarvelPentamotor_init(0x321), 0);
  EXPECT_EQ(usb->PolygonValue(), 0x321);
  EXPECT_EQ(TarvelAnz_ScanLine(), 0u);
}

TEST_F(Transport, AStalledRequestStoresTheScannersCodeAheadOfTheTransportStatus) {
  scenario.faults.fail_requests[kReqRegRead] = 1;
  scenario.faults.stall_code = -503;
  Open();
  EXPECT_EQ(TarvelRegRead(248), 0);
  EXPECT_EQ(TarvelGetLastTarvelError(1), -503);
  EXPECT_EQ(TarvelRegRead(248), 0);  // the next one succeeds
  EXPECT_EQ(TarvelGetLastTarvelError(1), 0);
  EXPECT_TRUE(RequestsOf(kReqRegRead)[0].stalled);
  EXPECT_EQ(RequestsOf(kReqDeviceError).size(), 1u);  // the device error was fetched
}

TEST_F(Transport, FailureCodesOfTheTransport) {
  struct Case {
    const char* what;
    int request;
    int kind;  // 0 stall, 1 short reply, 2 time-out
    int32_t returned, stored;
  } cases[] = {
      {"stall", kReqFpgaStatus, 0, -323, -510},
      {"short", kReqFpgaStatus, 1, -326, -326},
      {"timeout", kReqFpgaStatus, 2, -322, -322},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    scenario.faults = {};
    if (c.kind == 0) scenario.faults.fail_requests[c.request] = 1;
    if (c.kind == 1) scenario.faults.short_requests[c.request] = 1;
    if (c.kind == 2) scenario.faults.timeout_requests[c.request] = 1;
    Open();
    uint8_t status[4];
    EXPECT_EQ(device->FpgaStatus(status), c.returned);
    EXPECT_EQ(TarvelGetLastTarvelError(1), c.stored);
    EXPECT_EQ(device->FpgaStatus(status), 0);
    EXPECT_EQ(TarvelFree_Interface(), 0);
    sim::DetachUsb();
  }
}

TEST_F(Transport, ScanStatusReturnsZeroAndShowsAFailureInTheRecord) {
  scenario.faults.short_requests[kReqScanStatus] = 1;
  Open();
  ScanStatus st{};
  EXPECT_EQ(TarvelGetScanStatus(&st), 0);
  EXPECT_EQ(st.error, -326);
  TarvelGetLastTarvelError(1);
  EXPECT_EQ(TarvelGetScanStatus(&st), 0);
  EXPECT_EQ(st.error, 0);
}

TEST_F(Transport, FpgaDesignsGoInPiecesOf512EndingWithTheShortPiece) {
  Open();
  ASSERT_EQ(TarvelInit_Firmware(0), 0);
  std::vector<uint32_t> pieces = usb->FpgaPieceSizes();
  ASSERT_EQ(pieces.size(), 81u);
  EXPECT_EQ(pieces[79], 512u);
  EXPECT_EQ(pieces[80], 397u);
  auto req = RequestsOf(kReqFpgaPiece);
  EXPECT_EQ(req.back().value, 80);
  EXPECT_TRUE(scanner->FpgaConfigured());

  // exactly 1024 bytes: two pieces and a zero-length one with value 2
  usb->ClearRequests();
  std::vector<uint8_t> design(1024, 1);
  EXPECT_EQ(device->SendFpgaDesign(design.data(), design.size()), 0);
  req = RequestsOf(kReqFpgaPiece);
  ASSERT_EQ(req.size(), 3u);
  EXPECT_EQ(req[2].value, 2);
  EXPECT_EQ(req[2].length, 0u);
}

TEST_F(Transport, TheBuiltInDesignIsChosenByScannerType) {
  struct Case {
    const char* guid;  // a probe whose scanner type picks the design
    const char* design;
  } cases[] = {
      {"{1A6B8D07-DF2E-4A05-86DD-AA12B90E7A44}", "Built-in Eraser"},  // type 2
      {"{1A6B8D08-DF2E-4A05-86DD-AA12B90E7A44}", "Built-in Eraser"},  // 11
      {"{F9C09906-CE55-4048-B537-DEF9B9D36A64}", "compact USB"},  // 12
      {"{F9C09900-CE55-4048-B537-DEF9B9D36A64}", "wide USB"},  // 3
      {"{F9C09905-CE55-4048-B537-DEF9B9D36A64}", "wide USB"},  // 17
      {"{1A6B8D00-DF2E-4A05-86DD-AA12B90E7A44}", "standard USB"},  // 0
      {"{CE4C3C83-0E68-4DEA-BB17-B446114CD6FD}", "standard USB"},  // 18
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.guid);
    scenario.guid = c.guid;
    Open();
    EXPECT_EQ(TarvelInit_Firmware(0), 0);
    EXPECT_EQ(usb->LoadedDesign(), c.design);
    EXPECT_EQ(TarvelFree_Interface(), 0);
    sim::DetachUsb();
  }
}

TEST_F(Transport, CheckFirstKeepsALoadedDesign) {
  Open();
  EXPECT_EQ(TarvelInit_Firmware(1), 0);
  EXPECT_TRUE(RequestsOf(kReqFpgaPiece).empty());
  EXPECT_EQ(RequestsOf(kReqFpgaStatus).size(), 1u);
}

TEST_F(Transport, AnUnreadableDesignFileFailsItsStepAndTheBuiltInDesignFollows) {
  scenario.guid = "{1A6B8D00-DF2E-4A05-86DD-AA12B90E7A44}";  // type 0: `Firmware` counts
  WriteIni("[Scanner]\nFirmware=" + bin() + "/missing.hex\n");
  std::string log = bin() + "/session.log";
  ASSERT_TRUE(tarvel::Library().session.log.OpenAt(log));
  Open();
  EXPECT_EQ(TarvelInit_Firmware(1), 0);
  tarvel::Library().session.log.Close();
  std::string text = platform::ReadWholeFile(log).value_or("");
  EXPECT_NE(text.find("FAILURE: Unable to configure Xilinx using file: " + bin() + "/missing.hex\n"),
            std::string::npos);
  EXPECT_NE(text.find("Xilinx reconfigured using standard USB design\n"), std::string::npos);
  EXPECT_EQ(usb->LoadedDesign(), "standard USB");
  EXPECT_EQ(usb->FpgaPieceSizes().size(), 81u);  // no zero-length design was sent
}

// `Firmware` names a design for scanner types 0 to 4 only: a type-6 scanner
// never tries the file, and checking first keeps the design it has.
TEST_F(Transport, ADesignFileCountsOnlyForScannerTypesZeroToFour) {
  WriteIni("[Scanner]\nFirmware=" + bin() + "/missing.hex\n");
  std::string log = bin() + "/session.log";
  ASSERT_TRUE(tarvel::Library().session.log.OpenAt(log));
  Open();  // type 6
  EXPECT_EQ(TarvelInit_Firmware(1), 0);
  EXPECT_TRUE(RequestsOf(kReqFpgaPiece).empty());
  EXPECT_EQ(RequestsOf(kReqFpgaStatus).size(), 1u);
  EXPECT_EQ(TarvelInit_Firmware(0), 0);
  tarvel::Library().session.log.Close();
  std::string text = platform::ReadWholeFile(log).value_or("");
  EXPECT_EQ(text.find("missing.hex"), std::string::npos) << text;
  EXPECT_EQ(usb->LoadedDesign(), "standard USB");
}

TEST_F(Transport, ARejectedDownloadIsLogged) {
  scenario.faults.fail_requests[kReqFpgaPiece] = -1;
  std::string log = bin() + "/session.log";
  ASSERT_TRUE(tarvel::Library().session.log.OpenAt(log));
  Open();
  EXPECT_EQ(TarvelInit_Firmware(0), -323);
  tarvel::Library().session.log.Close();
  EXPECT_NE(platform::ReadWholeFile(log).value_or("").find("FAILURE: Unable to configure Xilinx\n"), std::string::npos);
}

TEST_F(Transport, FirmwareDownloadSendsTheImageAndStarts) {
  std::string hex = bin() + "/fw.hex";
  std::ofstream(hex) << ":0400100001020304E2\n:02001400AABB8B\n:00000001FF\n";
  Open();
  EXPECT_EQ(ll::Usb_LoadFirmwareHex(*device, hex.c_str(), 0x10, 0x1234), 0);
  auto bytes = usb->FirmwareBytes();
  EXPECT_EQ(bytes[0x10], 1);
  EXPECT_EQ(bytes[0x13], 4);
  EXPECT_EQ(bytes[0x15], 0xBB);
  EXPECT_EQ(bytes.count(0x0F), 0u);  // sent from the first offset
  EXPECT_EQ(usb->FirmwareStart(), 0x1234);
  EXPECT_EQ(ll::Usb_LoadFirmwareHex(*device, (bin() + "/none.hex").c_str(), 0, 0), -400);
}

}  // namespace
