// The bit-banged I2C master against the simulated bus and its devices.
#include <cmath>

#include "driver/tests/device/sim_fixture.h"

using devtest::SimDeviceTest;

namespace {

class I2c : public SimDeviceTest {
 protected:
  void SetUp() override {
    SimDeviceTest::SetUp();
    scenario.serial = "VX1234567";
    scenario.data_prom_type = 1;
    scenario.pmt_words = {{3, 850}};
    Start();
  }
  int TransactionsTo(uint8_t address) const {
    int n = 0;
    for (const auto& t : scanner->I2cTransactions()) n += (t.address & 0xFE) == address;
    return n;
  }
  // The last write to register 128 left both lines released (a STOP).
  bool BusStopped() const {
    auto w = WritesTo(128);
    return !w.empty() && w.back() == 0x82;
  }
};

TEST_F(I2c, IdentificationPromRoundTrip) {
  uint8_t id[256] = {};
  ASSERT_EQ(device->Transport().I2c_Read(id, 0xA8, 0, 255), 0);
  EXPECT_STREQ(reinterpret_cast<char*>(id), "VX1234567");
  EXPECT_EQ(id[31], 1);
  // The PMT word of mode m at 4 (m + 50) modulo 256: mode 3 at 212.
  EXPECT_EQ(id[212] | (id[213] << 8), 850);
  // A part of it, from a byte address on.
  uint8_t part[4] = {};
  ASSERT_EQ(device->Transport().I2c_Read(part, 0xA8, 2, 5), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(part), 4), "1234");
  // Every data byte acknowledged, then one more clocked without acknowledge.
  auto t = scanner->I2cTransactions();
  ASSERT_EQ(t.size(), 4u);
  EXPECT_EQ(t[2].written, std::vector<uint8_t>{2});
  EXPECT_EQ(t[3].address, 0xA9);
  EXPECT_EQ(t[3].read.size(), 5u);
  EXPECT_TRUE(BusStopped());
}

TEST_F(I2c, WriteAcrossTheTopOfTheAddressRangeEnds) {
  const uint8_t data[6] = {1, 2, 3, 4, 5, 6};
  ASSERT_EQ(device->Transport().I2c_Write(data, 0xA8, 250, 255), 0);
  std::vector<uint8_t> prom = scanner->IdProm();
  EXPECT_EQ(std::vector<uint8_t>(prom.begin() + 250, prom.end()), std::vector<uint8_t>(data, data + 6));
  EXPECT_EQ(TransactionsTo(0xA8), 6) << "one transaction per byte";
  EXPECT_EQ(WritesTo(129), (std::vector<uint32_t>{10, 0}));
  EXPECT_TRUE(BusStopped());
  uint8_t back[6] = {};
  ASSERT_EQ(device->Transport().I2c_Read(back, 0xA8, 250, 255), 0);
  EXPECT_EQ(std::vector<uint8_t>(back, back + 6), std::vector<uint8_t>(data, data + 6));
}

TEST_F(I2c, BusyPromIsPolledUntilItAnswers) {
  scanner->SetIdPromWriteCycleMs(3);
  const uint8_t data[3] = {0x11, 0x22, 0x33};
  ASSERT_EQ(device->Transport().I2c_Write(data, 0xA8, 40, 42), 0);
  std::vector<uint8_t> prom = scanner->IdProm();
  EXPECT_EQ(prom[40], 0x11);
  EXPECT_EQ(prom[41], 0x22);
  EXPECT_EQ(prom[42], 0x33);
  int refused = 0;
  for (const auto& t : scanner->I2cTransactions()) refused += !t.acknowledged;
  EXPECT_GT(refused, 0) << "the device was busy after each byte";
  EXPECT_LT(refused, 3 * 21);
}

TEST_F(I2c, DeviceThatNeverAnswers) {
  scanner->SetI2cAbsent(0xA8, true);
  const uint8_t data[6] = {};
  uint64_t before = platform::NowMs();
  EXPECT_EQ(device->Transport().I2c_Write(data, 0xA8, 250, 255), -1007);
  // The first address gets its first selection and 22 repetitions, 1 ms apart.
  EXPECT_EQ(TransactionsTo(0xA8), 23);
  EXPECT_GE(platform::NowMs() - before, 22u);
  EXPECT_EQ(WritesTo(129), (std::vector<uint32_t>{10, 0}));
  EXPECT_TRUE(BusStopped()) << "the failure exit stops the bus too";

  uint8_t buffer[4] = {9, 9, 9, 9};
  EXPECT_EQ(device->Transport().I2c_Read(buffer, 0xA8, 0, 3), -1007);
  EXPECT_EQ(buffer[0], 0xFF) << "an absent device reads as released lines";
  EXPECT_TRUE(BusStopped());
  scanner->SetI2cAbsent(0x90, true);
  EXPECT_EQ(device->Transport().I2c_WriteDac(0x90, 100), -1007);
}

TEST_F(I2c, MissingAcknowledgeOfADataByteIsReported) {
  // The temperature sensor refuses pointer values above 3.
  const uint8_t data[1] = {0};
  EXPECT_EQ(device->Transport().I2c_Write(data, 0x92, 7, 7), -1007);
  EXPECT_EQ(WritesTo(129), std::vector<uint32_t>{0});
  EXPECT_TRUE(BusStopped());
}

TEST_F(I2c, ReadWithFirstAboveLastStillClocksTheDroppedByte) {
  uint8_t buffer[2] = {0xEE, 0xEE};
  EXPECT_EQ(device->Transport().I2c_Read(buffer, 0xA8, 5, 4), 0);
  EXPECT_EQ(buffer[0], 0xEE);
  auto t = scanner->I2cTransactions();
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[1].read.size(), 1u);
}

TEST_F(I2c, AdcDropsTheStaleConversion) {
  // 1000 V set and on: channel 0 reads 1000 / 4.883 = 205 counts (HV not
  // reached at once is not modelled: it follows the DAC while on).
  ASSERT_EQ(device->Scan_SetPmtVoltage(1000), 0);
  device->Scan_SetHighVoltage(1);
  uint8_t supply = device->Transport().I2c_ReadAdc(0x90, 1);
  EXPECT_EQ(supply, 169);  // +3.3 V at 19.53 mV per count
  scanner->ClearI2cTransactions();
  uint8_t hv = device->Transport().I2c_ReadAdc(0x90, 0);
  EXPECT_EQ(hv, static_cast<uint8_t>(std::lround(204 / 0.2047921359819783 / 4.883)));
  auto t = scanner->I2cTransactions();
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0].written, std::vector<uint8_t>{0x40});
  ASSERT_EQ(t[1].read.size(), 2u);
  EXPECT_EQ(t[1].read[0], 169) << "the first byte is the previous conversion";
  EXPECT_EQ(device->Transport().I2c_ReadAdc(0x90, 2), 171);
  EXPECT_EQ(device->Transport().I2c_ReadAdc(0x90, 3), 188);
  scanner->ClearTrace();
  EXPECT_EQ(device->Transport().I2c_ReadAdc(0x90, 4), 0);
  EXPECT_EQ(device->Transport().I2c_ReadAdc(0x90, -1), 0);
  EXPECT_TRUE(scanner->Trace().empty()) << "channels outside 0-3 touch no register";
}

TEST_F(I2c, HighVoltageDecaysAfterSwitchOff) {
  ASSERT_EQ(device->Scan_SetPmtVoltage(1000), 0);
  device->Scan_SetHighVoltage(1);
  device->Transport().I2c_ReadAdc(0x90, 0);
  EXPECT_GT(device->Transport().I2c_ReadAdc(0x90, 0), 180);
  device->Scan_SetHighVoltage(0);
  platform::Sleep(200);  // 2000 V/s: 400 V less
  int counts = device->Transport().I2c_ReadAdc(0x90, 0);
  EXPECT_NEAR(counts * 4.883, 995 - 400, 15);
  platform::Sleep(1000);
  EXPECT_EQ(device->Transport().I2c_ReadAdc(0x90, 0), 0);
}

TEST_F(I2c, TemperatureSensor) {
  scanner->SetLaserTemperature(-12.5);
  EXPECT_EQ(device->Transport().I2c_ReadTemp(0x92), static_cast<int16_t>(-12.5 * 256));
  uint64_t before = platform::NowMs();
  device->Transport().I2c_InitTemp(0x92, 50 * 256);
  EXPECT_GE(platform::NowMs() - before, 150u);
  EXPECT_EQ(scanner->TempLimit(), 50 * 256);
  EXPECT_EQ(scanner->TempHysteresis(), 47 * 256);
  EXPECT_EQ(scanner->TempConfiguration(), 0);
  // The limits read back through the pointer registers.
  uint8_t limit[2] = {};
  ASSERT_EQ(device->Transport().I2c_Read(limit, 0x92, 3, 4), 0);
  EXPECT_EQ(limit[0], 50);
  EXPECT_EQ(limit[1], 0);
}

TEST_F(I2c, SerialPresenceDetectBytes) {
  uint8_t spd[128] = {};
  ASSERT_EQ(device->Transport().I2c_Read(spd, 0xA0, 0, 127), 0);
  EXPECT_EQ(spd[2], 4);
  EXPECT_EQ(spd[3], 11);
  EXPECT_EQ(spd[4], 9);
  EXPECT_EQ(spd[5], 1);
  EXPECT_EQ(spd[6], 64);
  EXPECT_EQ(spd[17], 4);
}

}  // namespace
