// The USB transport of a session's device object: its operations over the
// low-level USB layer, the clock block against the parallel port's writes,
// the status record, and a scanner unplugged while the reader runs.
#include "usb_fixture.h"

#include <functional>

#include "driver/device/register_operations.h"
#include "driver/device/usb/usb_scanner_transport.h"
#include "driver/tests/device/owned_registers.h"

namespace {

using namespace usbtest;
using enum platform::usb::VendorRequest;

class UsbDevice : public UsbTest {
 protected:
  void Connect() {
    Plug();
    dev = std::make_unique<devtest::OwnedRegisters>(std::make_unique<tarvel::UsbScannerTransport>(devices));
    dev->Transport().Dev_Open();
    ASSERT_EQ(dev->Transport().Dev_Connect(), 0);
    usb->ClearRequests();
    scanner->ClearTrace();
  }
  void TearDown() override {
    if (dev) dev->Transport().Dev_Disconnect();
    dev.reset();
    UsbTest::TearDown();
  }
  std::unique_ptr<devtest::OwnedRegisters> dev;
};

TEST_F(UsbDevice, IsTheUsbKindAndConnectsThroughTheInterfaceInitialisation) {
  Connect();
  EXPECT_EQ(dev->Transport().InterfaceKind(), tarvel::kInterfaceUsb);
  EXPECT_TRUE(dev->Transport().Dev_OffersUsbRequests());
  EXPECT_TRUE(dev->Transport().Dev_ReadsAhead());
  EXPECT_TRUE(dev->Transport().Dev_IsReady());
  EXPECT_EQ(dev->Transport().Dev_ConfigureFpga(1), 0);
  EXPECT_EQ(dev->Transport().Dev_Disconnect(), 0);
  EXPECT_FALSE(dev->Transport().Dev_IsReady());
}

TEST_F(UsbDevice, RegisterWritesGiveZeroOnSuccessAndAnErrorWithoutADevice) {
  Connect();
  EXPECT_EQ(dev->Transport().Reg_Write8(176, 1), 0);
  EXPECT_EQ(dev->Transport().Reg_Write16(176, 1), 0);
  EXPECT_EQ(dev->Transport().Reg_Write32(176, 1), 0);
  dev->Transport().Dev_Disconnect();
  EXPECT_EQ(dev->Transport().Reg_Write8(176, 1), tarvel::kErrNoAnswer);
  EXPECT_EQ(dev->Transport().Reg_Write32(176, 1), tarvel::kErrNoAnswer);
}

TEST_F(UsbDevice, TheClockBlockEqualsTheParallelPortsWrites) {
  Connect();
  const uint16_t word = 0x1A5B & 0x1FFF;
  dev->Transport().Dev_WriteClockWord(word);
  auto block = RequestsOf(kReqRegWrite);
  ASSERT_EQ(block.size(), 1u);
  EXPECT_EQ(block[0].length, 44u);
  EXPECT_EQ(block[0].index, 130);
  std::vector<uint32_t> writes;
  for (const auto& a : scanner->TraceOf(130, true)) writes.push_back(a.value);
  auto edges = tarvel::ClockWordEdges(word);
  EXPECT_EQ(writes, std::vector<uint32_t>(edges.begin(), edges.end()));
  EXPECT_EQ(scanner->ClockWord(), word);
  EXPECT_EQ(edges[0], 0);
  EXPECT_EQ(edges[40], 4);
  EXPECT_EQ(edges[43], 0);
}

TEST_F(UsbDevice, StatusRecordCountsWordsInTheScannerAndOnTheHost) {
  Connect();
  scanner->AppendMemory({1, 2, 3});
  dev->Transport().Dev_ReadLineCounter();  // a request: the words move into the transfer in flight
  ScanStatus st{};
  st.error = 99;
  EXPECT_EQ(dev->Dev_GetScanStatus(&st), 0);
  EXPECT_EQ(st.error, 0);
  EXPECT_EQ(st.words_waiting, 3);  // register 51 plus what the reader holds
  uint8_t buf[64];
  uint32_t n = 0, total = 0;
  ASSERT_TRUE(WaitUntil([&] {
    dev->Transport().Dev_ReadBlock(buf, sizeof buf, &n);
    total += n;
    return total == 12;
  }));
  dev->Dev_GetScanStatus(&st);
  EXPECT_EQ(st.words_waiting, 0);
}

TEST_F(UsbDevice, APromReadThatFailsOnceSucceeds) {
  scenario.faults.fail_requests[kReqPromRead] = 1;
  Connect();
  uint8_t serial[8] = {};
  EXPECT_EQ(dev->Transport().I2c_Read(serial, 0xA8, 0, 7), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(serial), 7), scenario.serial.substr(0, 7));
  EXPECT_EQ(RequestsOf(kReqPromRead).size(), 2u);
}

TEST_F(UsbDevice, LargePromLengthsOutsideTheRangeBecomeZero) {
  Connect();
  uint8_t buf[16];
  uint16_t length = 16;
  EXPECT_EQ(dev->Transport().Dev_LargePromRead(0xAA, 0, buf, &length), 0);
  EXPECT_EQ(length, 16);
  length = 0;
  EXPECT_EQ(dev->Transport().Dev_LargePromRead(0xAA, 0, buf, &length), -301);
  EXPECT_EQ(length, 0);
}

// Nothing waiting is no failure: a block read leaves the first-error store
// as it was, empty or holding an earlier failure. The export over the same
// device still leaves its -306 there.
TEST_F(UsbDevice, ABlockReadThatFindsNoDataLeavesTheStoreAsItWas) {
  Connect();
  tarvel::usb::GetLastTarvelError(devices, 1);
  uint8_t buf[64];
  uint32_t n = 7;
  EXPECT_EQ(dev->Transport().Dev_ReadBlock(buf, sizeof buf, &n), 0);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(tarvel::usb::GetLastTarvelError(devices, 0), 0);
  EXPECT_EQ(tarvel::usb::I2C_PROM_read(devices, buf, 0xA8, 0x10, 0x0F), -301);
  EXPECT_EQ(dev->Transport().Dev_ReadBlock(buf, sizeof buf, &n), 0);
  EXPECT_EQ(tarvel::usb::GetLastTarvelError(devices, 1), -301);
  int32_t count = 7;
  EXPECT_EQ(tarvel::usb::ReadBlock(devices, buf, sizeof buf, &count), 0);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(tarvel::usb::GetLastTarvelError(devices, 1), -306);
  // Data that do come are read.
  scanner->AppendMemory({7, 8});
  uint32_t total = 0;
  ASSERT_TRUE(WaitUntil([&] {
    EXPECT_EQ(dev->Transport().Dev_ReadBlock(buf, sizeof buf, &n), 0);
    total += n;
    return total == 8;
  }));
  EXPECT_EQ(tarvel::usb::GetLastTarvelError(devices, 0), 0);
}

// The session's transport and the low-level operations go through one gate:
// without a device each stores -302 and answers its own failure value.
TEST_F(UsbDevice, WithoutADeviceTheTransportAndTheLowLevelOperationsShareTheGate) {
  Connect();
  dev->Transport().Dev_Disconnect();
  usb->ClearRequests();
  tarvel::usb::GetLastTarvelError(devices, 1);
  tarvel::ScannerTransport& t = dev->Transport();
  uint8_t buf[8] = {};
  uint32_t n = 5;
  uint16_t prom_length = 8;
  const struct {
    const char* what;
    std::function<int64_t()> call;
    int64_t failure;
  } cases[] = {
      {"Reg_Read32", [&] { return int64_t{t.Reg_Read32(51)}; }, 0},
      {"Reg_Write8", [&] { return int64_t{t.Reg_Write8(176, 1)}; }, tarvel::kErrNoAnswer},
      {"Dev_ReadBlock", [&] { return int64_t{t.Dev_ReadBlock(buf, sizeof buf, &n)}; }, -302},
      {"I2c_Read", [&] { return int64_t{t.I2c_Read(buf, 0xA8, 0, 7)}; }, -302},
      {"I2c_ReadTemp", [&] { return int64_t{t.I2c_ReadTemp(0x92)}; }, -32768},
      {"Dev_ReadLineCounter", [&] { return int64_t{t.Dev_ReadLineCounter()}; }, 0x8000000},
      {"Dev_VendorIn", [&] { return int64_t{t.Dev_VendorIn(12, 0, buf, &n)}; }, -302},
      {"Dev_LargePromRead", [&] { return int64_t{t.Dev_LargePromRead(0xAA, 0, buf, &prom_length)}; }, -302},
      {"RegRead", [&] { return int64_t{tarvel::usb::RegRead(devices, 51)}; }, 0},
      {"RegWrite", [&] { return int64_t{tarvel::usb::RegWrite(devices, 176, 1)}; }, 0},
      {"I2C_TEMPread", [&] { return int64_t{tarvel::usb::I2C_TEMPread(devices, 0x92)}; }, -32768},
      {"Anz_ScanLine", [&] { return int64_t{tarvel::usb::Anz_ScanLine(devices)}; }, 0x8000000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.call(), c.failure);
    EXPECT_EQ(tarvel::usb::GetLastTarvelError(devices, 1), -302);
  }
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(usb->Requests().size(), 0u);
  dev.reset();
}

TEST_F(UsbDevice, UnpluggedWhileReadingStatusFailsAndDisconnectCompletes) {
  Connect();
  usb->Unplug();
  ScanStatus st{};
  dev->Dev_GetScanStatus(&st);
  EXPECT_NE(st.error, 0);
  EXPECT_FALSE(dev->Transport().Dev_IsReady());
  uint8_t buf[64];
  uint32_t n = 1;
  dev->Transport().Dev_ReadBlock(buf, sizeof buf, &n);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(dev->Transport().Dev_Disconnect(), 0);
  EXPECT_TRUE(WaitUntil([&] { return platform::LiveThreads() == threads_before_; }));
  dev.reset();
}

}  // namespace
