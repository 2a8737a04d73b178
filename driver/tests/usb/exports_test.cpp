// The low-level exports under their ELF names: the codes each returns
// without a device, the status table's texts, the version and error-store
// exports.
#include "usb_fixture.h"

#include <cstring>
#include <functional>

#include "driver/device/usb/usb_status.h"
#include "driver/session/interface_probe.h"
#include "driver/tarvel_api.h"

namespace {

using namespace usbtest;

class Exports : public UsbTest {
 protected:
  Exports() : UsbTest(OverTheLibrary{}) {}
};

TEST_F(Exports, WithoutADeviceEachReturnsItsFailureValueAndStoresInvalidHandle) {
  uint8_t buf[8] = {};
  int32_t count = 5, length = 4;
  ScanStatus status{};
  struct Case {
    const char* name;
    std::function<int64_t()> call;
    int64_t result;
    bool stored;
  } cases[] = {
      {"_Init_Firmware", [] { return TarvelInit_Firmware(0); }, -302, true},
      {"_GetFGPAStatus", [&] { return TarvelGetFGPAStatus(buf); }, -302, true},
      {"_RegRead", [] { return TarvelRegRead(248); }, 0, true},
      {"_RegReadShort", [] { return TarvelRegReadShort(228); }, 0, true},
      {"_RegReadShortInc", [] { return TarvelRegReadShortInc(192); }, 0, true},
      {"_RegReadLong", [] { return TarvelRegReadLong(51); }, 0, true},
      {"_RegReadLongInc", [] { return TarvelRegReadLongInc(51); }, 0, true},
      {"_RegWrite", [] { return TarvelRegWrite(4, 1); }, 0, true},
      {"_RegWriteShort", [] { return TarvelRegWriteShort(192, 1); }, 0, true},
      {"_RegWriteShortInc", [] { return TarvelRegWriteShortInc(192, 1); }, 0, true},
      {"_RegWriteLong", [] { return TarvelRegWriteLong(8, 1); }, 0, true},
      {"_RegWriteLongInc", [] { return TarvelRegWriteLongInc(8, 1); }, 0, true},
      {"_RegWriteBlock", [&] { return TarvelRegWriteBlock(130, buf, 4); }, 0, true},
      {"_ReadBlock", [&] { return TarvelReadBlock(buf, 8, &count); }, -302, true},
      {"_ClearReadBlock", [] { return TarvelClearReadBlock(); }, -302, true},
      {"_I2C_PROM_read", [&] { return TarvelI2C_PROM_read(buf, 0xA8, 0, 3); }, -302, true},
      {"_I2C_PROM_write", [&] { return TarvelI2C_PROM_write(buf, 0xA8, 0, 3); }, -302, true},
      {"_I2C_LargePROMrd", [&] { return TarvelI2C_LargePROMrd(0xAA, 0, buf, &length); }, -302, true},
      {"_I2C_LargePROMwr", [&] { return TarvelI2C_LargePROMwr(0xAA, 0, buf, &length); }, -302, true},
      {"_I2C_DACout", [] { return TarvelI2C_DACout(0x90, 10); }, -302, true},
      {"_I2C_ADCread", [] { return TarvelI2C_ADCread(0x90, 0); }, 0, true},
      {"_I2C_TEMPinit", [] { return TarvelI2C_TEMPinit(0x92, 0x5000); }, -302, true},
      {"_I2C_TEMPread", [] { return TarvelI2C_TEMPread(0x92); }, -32768, true},
      {"_Anz_ScanLine", [] { return TarvelAnz_ScanLine(); }, 0x8000000, true},
      {"_Pentamotor_init", [] { return TarvelPentamotor_init(3); }, -302, true},
      {"_GetScanStatus", [&] { return TarvelGetScanStatus(&status); }, -302, true},
      {"_GetUsbTimeout", [] { return TarvelGetUsbTimeout(); }, 0, false},
      {"_SetUsbTimeout", [] { return TarvelSetUsbTimeout(5000); }, -302, false},
      {"_Free_Interface", [] { return TarvelFree_Interface(); }, 0, true},
      {"_SetTraceMask", [] { return TarvelSetTraceMask(7); }, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TarvelGetLastTarvelError(1);
    EXPECT_EQ(c.call(), c.result);
    EXPECT_EQ(TarvelGetLastTarvelError(1), c.stored ? -302 : 0);
  }
  EXPECT_EQ(count, 0);
}

TEST_F(Exports, ParameterChecksComeBeforeTheRequest) {
  Open();
  uint8_t buf[16];
  int32_t zero = 0;
  EXPECT_EQ(TarvelI2C_PROM_read(buf, 0xA8, 0x10, 0x0F), -301);
  EXPECT_EQ(TarvelI2C_LargePROMrd(0xAA, 0, buf, &zero), -301);
  EXPECT_EQ(TarvelGetFGPAStatus(nullptr), -301);
  EXPECT_EQ(TarvelGetScanStatus(nullptr), -301);
  EXPECT_TRUE(usb->Requests().empty());
  EXPECT_EQ(TarvelGetLastTarvelError(1), -301);
  EXPECT_EQ(TarvelGetLastTarvelError(1), 0);  // emptied by the first call
}

// A control transfer's length is a 16-bit field: a longer block is refused
// before anything is sent; 65535 bytes still go.
TEST_F(Exports, ABlockWriteLongerThanASetupPacketCanSayIsRefused) {
  Open();
  std::vector<uint8_t> block(65536, 0);
  EXPECT_EQ(TarvelRegWriteBlock(255, block.data(), 65536), 0);
  EXPECT_TRUE(usb->Requests().empty());
  EXPECT_EQ(TarvelGetLastTarvelError(1), -301);
  EXPECT_EQ(TarvelRegWriteBlock(255, block.data(), 65535), 1);
  ASSERT_EQ(usb->Requests().size(), 1u);
  EXPECT_EQ(usb->Requests()[0].length, 65535u);
  EXPECT_EQ(TarvelGetLastTarvelError(1), 0);
}

TEST_F(Exports, TheStoreKeepsTheFirstStatusUntilItIsTaken) {
  EXPECT_EQ(TarvelRegRead(1), 0);  // -302
  EXPECT_EQ(TarvelGetScanStatus(nullptr), -301);
  EXPECT_EQ(TarvelGetLastTarvelError(0), -302);
  EXPECT_EQ(TarvelGetLastTarvelError(0x100), -302);  // only the low byte clears
  EXPECT_EQ(TarvelGetLastTarvelError(1), -302);
  EXPECT_EQ(TarvelGetLastTarvelError(1), 0);
}

TEST(StatusText, EveryRowAndTheUnknownCode) {
  size_t rows = 0;
  const tarvel::usb::StatusName* table = tarvel::usb::StatusTable(&rows);
  ASSERT_EQ(rows, 47u);
  char buf[128];
  for (size_t i = 0; i < rows; ++i) {
    SCOPED_TRACE(table[i].name);
    ASSERT_EQ(TarvelGetTarvelErrorText(table[i].code, buf, sizeof buf), 0);
    EXPECT_EQ(std::string(buf), "Error code " + std::to_string(table[i].code) + ": " + table[i].name);
  }
  EXPECT_STREQ(table[0].name, "KPU_STATUS_SUCCESS");
  ASSERT_EQ(TarvelGetTarvelErrorText(-305, buf, 80), 0);
  EXPECT_STREQ(buf, "Error code -305: KPU_STATUS_NO_DEVICES");
  ASSERT_EQ(TarvelGetTarvelErrorText(5, buf, 80), 0);
  EXPECT_STREQ(buf, "Error code 0x00000005: * unknown error *");
  for (int code : {-401, -405, -505, -407}) {
    TarvelGetTarvelErrorText(code, buf, 80);
    EXPECT_NE(std::strstr(buf, "* unknown error *"), nullptr) << code;
  }
}

TEST(StatusText, ASmallBufferIsRefusedAndTheTextIsCutToTheBuffer) {
  char buf[100];
  std::memset(buf, 'x', sizeof buf);
  TarvelGetLastTarvelError(1);
  EXPECT_EQ(TarvelGetTarvelErrorText(-305, buf, 79), -301);
  EXPECT_EQ(buf[0], 'x');
  EXPECT_EQ(TarvelGetLastTarvelError(1), -301);
  EXPECT_EQ(TarvelGetTarvelErrorText(-305, nullptr, 80), -301);
  // The internal text function cuts long names: 80 bytes, the last NUL.
  ASSERT_EQ(tarvel::usb::Get_ErrorText(buf, 80, -334), 0);
  EXPECT_EQ(buf[79], '\0');
  ASSERT_EQ(tarvel::usb::Get_ErrorText(buf, 80, -317), 0);
  EXPECT_STREQ(buf, "Error code -317: KPU_STATUS_INITIALIZATION_ERROR");
  EXPECT_EQ(tarvel::usb::Get_ErrorText(buf, 79, 0), -300);
}

TEST(DriverStatusText, FormatsKnownAndUnknownStatuses) {
  char buf[80];
  EXPECT_STREQ(tarvel::usb::UsbIoErrorText(buf, sizeof buf, 0xE000100C),
               "Error code 0xE000100C: The request has been timed out.");
  EXPECT_STREQ(tarvel::usb::UsbIoErrorText(buf, sizeof buf, 0xE8001000),
               "Error code 0xE8001000: USBD Error: Insufficient resources.");
  EXPECT_STREQ(tarvel::usb::UsbIoErrorText(buf, sizeof buf, 5), "Error code 0x00000005: Windows system error code.");
  EXPECT_STREQ(tarvel::usb::UsbIoErrorText(buf, 12, 0), "Error code ");
  EXPECT_EQ(tarvel::usb::UsbIoErrorText(nullptr, 10, 0), nullptr);
}

TEST_F(Exports, VersionReportsBothApiVersionsAndSkipsNullPointers) {
  int16_t first = -1, second = -1, lib = -1, drv = -1;
  EXPECT_EQ(TarvelGetTarvelVersion(&first, &second, &lib, &drv), -302);
  EXPECT_EQ(lib, 0x0104);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(drv, 0);
  scenario.firmware_major = 3;
  scenario.firmware_minor = 21;
  Open();
  EXPECT_EQ(TarvelGetTarvelVersion(&first, &second, &lib, &drv), 0);
  EXPECT_EQ(first, 3);
  EXPECT_EQ(second, 21);
  EXPECT_EQ(drv, 0x0200);
  EXPECT_EQ(TarvelGetTarvelVersion(nullptr, &second, nullptr, nullptr), 0);
  EXPECT_EQ(TarvelGetTarvelVersion(nullptr, nullptr, nullptr, nullptr), 0);
}

TEST_F(Exports, TimeOutIsSetOnTheDriverAndReadBack) {
  Open();
  EXPECT_EQ(TarvelSetUsbTimeout(5000), 0);
  EXPECT_EQ(TarvelGetUsbTimeout(), 5000u);
}

TEST_F(Exports, ReadBlockWithNothingWaitingIsZeroWithCountZero) {
  Open();
  uint8_t buf[64];
  int32_t count = 7;
  EXPECT_EQ(TarvelReadBlock(buf, sizeof buf, &count), 0);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(TarvelGetLastTarvelError(1), -306);
}

// The scan modes of a scanner the application opened itself count for that
// scanner: no probe runs, so its device stays open.
TEST_F(Exports, ScanModeQueriesUseTheScannerTheApplicationOpened) {
  WriteIni("[Param_#1]\nParamName=A\nImgTypes=Intra\n[Param_#2]\nParamName=B\nImgTypes=Erase\n");
  Plug();
  ASSERT_EQ(TarvelInit_Interface(), 0);
  TarvelGetLastTarvelError(1);  // what the probes of absent interfaces stored
  EXPECT_EQ(Get_Paramcount(), 1);  // a type-6 scanner offers no erase mode
  char name[256] = {};
  EXPECT_EQ(Get_Paramname(name, 1), 0);
  EXPECT_STREQ(name, "A");
  EXPECT_EQ(devices.OpenCount(), 1);
  TarvelRegRead(248);
  EXPECT_EQ(TarvelGetLastTarvelError(1), 0);  // the device still answers
  tarvel::ResetInterfaceProbe(tarvel::Library().session);
}

}  // namespace
