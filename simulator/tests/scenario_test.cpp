// Scenario files, activation through the platform, the parallel-port front
// end's faults, and bus-level details of the I2C devices.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/clock.h"
#include "platform/kernel_device.h"
#include "platform/scanner_register_map.h"
#include "platform/usb_backend.h"
#include "simulator/attach.h"
#include "testing/scoped_env.h"
#include "testing/temp_folder.h"

using testsupport::ScopedEnv;
using testsupport::TempFolder;
using namespace platform::parport;

namespace {

class ScenarioFile : public ::testing::Test {
 protected:
  std::string Write(const std::string& text, const std::string& name = "scenario.ini") {
    std::string path = tmp_ / name;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    return path;
  }
  TempFolder tmp_;
};

TEST_F(ScenarioFile, EverySection) {
  // A raw plate: u16 width 3, u16 height 2, rows.
  {
    std::ofstream raw(tmp_ / "plate.raw", std::ios::binary);
    const uint16_t data[] = {3, 2, 10, 20, 30, 40, 50, 60};
    raw.write(reinterpret_cast<const char*>(data), sizeof data);
  }
  std::string path = Write(
      "[Scanner]\nInterface=EPP\nSerial=VX0042\nDataPromType=1\nPmtVoltages=3:850, 14:1000\n"
      "FpgaConfigured=1\nLinePeriodUs=500\nLeadLines=7\nStopLines=9\nStatus52=0x18\n"
      "[Memory]\nRows=12\nColumns=10\nModuleBanks=2\nDeviceBanks=4\nWidth=72\nType=4\n"
      "[Light]\nDark=12\nAmbient=40\nNominalHv=900.5\n"
      "[HighVoltage]\nDecayVoltsPerSecond=0\nInitial=300\n"
      "[Temperature]\nLaser=-3.25\n"
      "[Plate1]\nSlot=2\nAt=150\nPosition=1200\nImage=plate.raw\n"
      "[Plate2]\nGenerator=gradient\nWidth=10\nHeight=4\nFrom=100\nTo=1000\n"
      "[Plate3]\nGenerator=noise\nWidth=5\nHeight=5\nLow=10\nHigh=20\nSeed=7\n"
      "[OldData]\nPixels=500\nStart=50\nThreshold=300\nReadOffset=4\n"
      "[OldPlate1]\nGenerator=flat\nValue=700\nWidth=4\nHeight=2\nPosition=60\nAt=1\n"
      "[Faults]\nI2cAbsent=0x92, 0xA2\nI2cNackFirst=0xA0*2\nBadChecksumReads=-1\n"
      "FailRequests=0x222000*2, "
      "0x222024\nShortRequests=0x222038*3\nUnplugAfter=500\nFpgaReject=1\nIdPromWriteCycleMs=4\n");
  std::string error;
  std::optional<sim::Scenario> s = sim::LoadScenarioFile(path, &error);
  ASSERT_TRUE(s) << error;
  EXPECT_EQ(s->serial, "VX0042");
  EXPECT_EQ(s->data_prom_type, 1);
  EXPECT_EQ(s->pmt_words, (std::map<int, uint16_t>{{3, 850}, {14, 1000}}));
  EXPECT_TRUE(s->fpga_configured);
  EXPECT_EQ(s->line_period_us, 500u);
  EXPECT_EQ(s->lead_lines, 7);
  EXPECT_EQ(s->stop_lines, 9);
  EXPECT_EQ(s->status52, 0x18);
  EXPECT_EQ(s->memory.rows, 12);
  EXPECT_EQ(s->memory.columns, 10);
  EXPECT_EQ(s->memory.module_banks, 2);
  EXPECT_EQ(s->memory.width, 72);
  EXPECT_EQ(s->dark, 12);
  EXPECT_EQ(s->ambient, 40);
  EXPECT_DOUBLE_EQ(s->nominal_hv, 900.5);
  EXPECT_EQ(s->hv_decay_volts_per_s, 0);
  EXPECT_EQ(s->hv_initial, 300);
  EXPECT_EQ(s->laser_temp, -3.25);
  ASSERT_EQ(s->plates.size(), 3u);
  EXPECT_EQ(s->plates[0].slot, 2);
  EXPECT_EQ(s->plates[0].at_ms, 150u);
  EXPECT_EQ(s->plates[0].position, 1200);
  EXPECT_EQ(s->plates[0].image.pixels, (std::vector<uint16_t>{10, 20, 30, 40, 50, 60}));
  EXPECT_EQ(s->plates[1].image.At(0, 3), 100);
  EXPECT_EQ(s->plates[1].image.At(9, 3), 1000);
  for (uint16_t v : s->plates[2].image.pixels) {
    EXPECT_GE(v, 10);
    EXPECT_LE(v, 20);
  }
  EXPECT_EQ(s->plates[2].image.pixels, sim::NoisePlate(5, 5, 10, 20, 7).pixels) << "repeatable for a seed";
  ASSERT_TRUE(s->old_data);
  EXPECT_EQ(s->old_data->pixels, 500);
  EXPECT_EQ(s->old_data->read_offset_words, 4u);
  ASSERT_EQ(s->old_data->plates.size(), 1u);
  EXPECT_EQ(s->old_data->plates[0].image.At(3, 1), 700);
  EXPECT_EQ(s->faults.i2c_absent, (std::vector<uint8_t>{0x92, 0xA2}));
  EXPECT_EQ(s->faults.i2c_nack_first, (std::map<uint8_t, int>{{0xA0, 2}}));
  EXPECT_EQ(s->faults.bad_checksum_reads, -1);
  EXPECT_EQ(s->faults.fail_requests, (std::map<uint32_t, int>{{kIoPortInfo, 2}, {kIoFpgaBegin, -1}}));
  EXPECT_EQ(s->faults.short_requests, (std::map<uint32_t, int>{{kIoRead16, 3}}));
  EXPECT_EQ(s->faults.unplug_after, 500);
  EXPECT_TRUE(s->faults.fpga_reject);
  EXPECT_FALSE(s->faults.fpga_status_stuck);
  EXPECT_EQ(s->faults.idprom_write_cycle_ms, 4u);
}

TEST_F(ScenarioFile, DefaultsAndErrors) {
  std::string error;
  std::optional<sim::Scenario> s = sim::LoadScenarioFile(Write("; nothing set\n"), &error);
  ASSERT_TRUE(s) << error;
  EXPECT_EQ(s->interface, "EPP");
  EXPECT_FALSE(s->fpga_configured);
  EXPECT_TRUE(s->plates.empty());
  EXPECT_FALSE(s->old_data);

  struct Case {
    const char* text;
    const char* mentions;
  } cases[] = {
      {"[Scanner]\nLeadLines=many\n", "LeadLines"},
      {"[Light]\nNominalHv=1,5\n", "NominalHv"},
      {"[Plate1]\nImage=none.raw\n", "none.raw"},
      {"[Plate1]\nGenerator=spiral\n", "Generator"},
      {"[Plate1]\nGenerator=flat\nWidth=0\n", "Width"},
      {"[Faults]\nFailRequests=0x222000*x\n", "FailRequests"},
      {"[Scanner]\nIdProm=0a0\n", "IdProm"},
  };
  for (const Case& c : cases) {
    error.clear();
    EXPECT_FALSE(sim::LoadScenarioFile(Write(c.text), &error)) << c.text;
    EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
  }
  EXPECT_FALSE(sim::LoadScenarioFile(tmp_ / "absent.ini", &error));
  // A raw plate shorter than its size.
  {
    std::ofstream raw(tmp_ / "short.raw", std::ios::binary);
    const uint16_t data[] = {3, 2, 10};
    raw.write(reinterpret_cast<const char*>(data), sizeof data);
  }
  EXPECT_FALSE(sim::LoadRawPlate(tmp_ / "short.raw", &error));
}

// Everything a file holds is read, or the file is refused with its line and
// what is wrong there.
TEST_F(ScenarioFile, WhatIsNotReadWholeIsRefusedByLine) {
  struct Case {
    std::string text;
    std::string wrong;  // after "<file>:"
  } cases[] = {
      {"[Plate1]\nSlot=0\nPositon=15583\n", "3: unknown key Positon in [Plate1]"},
      {"[scanner]\nserial=VX1\nSERIAL=VX2\n", "3: key SERIAL given twice in [scanner] (first on line 2)"},
      {"[Light]\nDark=1\n[Faults]\n[light]\n", "4: section [light] given twice (first on line 1)"},
      {"Serial=VX1\n[Scanner]\n", "1: key Serial before the first section"},
      {"[Scanner\n", "1: a section name without its \"]\""},
      {"[Scanner] EPP\n", "1: text after the section name"},
      {"[Plate0]\n", "1: unknown section [Plate0]"},
      {"[Plate2]\nSlot=1\n", "1: section [Plate2] without [Plate1]"},
      {"[OldPlate1]\n[OldPlate2]\n[OldPlate4]\n", "3: section [OldPlate4] without [OldPlate3]"},
      {"[Scanner]\nSerial=VX1 \x01\n", "2: not text (byte 0x01)"},
      {"\n\n[Memory]\nRows=300\n", "4: [Memory] Rows: bad value \"300\""},
      {"[Plate1]\nAt=-5\n", "2: [Plate1] At: bad value \"-5\""},
      {"[Scanner]\nPmtVoltages=1:70000\n", "2: [Scanner] PmtVoltages: bad value \"1:70000\""},
      {"[Faults]\nI2cNackFirst=0x1A0*2\n", "2: [Faults] I2cNackFirst: bad value \"0x1A0*2\""},
      {"[Scanner]\nGuid={F9C09906-CE55-4048-B537-DEF9B9D36A64}, usb\n",
       "2: [Scanner] Guid: bad value \"{F9C09906-CE55-4048-B537-DEF9B9D36A64}, usb\""},
      {"[Plate1]\nGenerator=spiral\n", "2: [Plate1] Generator: bad value \"spiral\""},
      {"[Plate1]\nImage=absent.raw\nWidth=5\n", "3: [Plate1] Width: not for a plate read from Image"},
      {"", " the file is empty"},
      {" \r\n\t\n", " the file is empty"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string error;
    const std::string path = Write(c.text);
    EXPECT_FALSE(sim::LoadScenarioFile(path, &error));
    EXPECT_EQ(error, path + ":" + c.wrong);
  }
}

TEST_F(ScenarioFile, EveryNamedSectionCounts) {
  std::string error;
  // A plate with no key beyond its time is a flat one; an old-data section
  // on its own is old data.
  std::optional<sim::Scenario> s =
      sim::LoadScenarioFile(Write("; a plate\n[Plate1]\r\nAt=50\r\n[Plate2]\n[OldData]\nStart=7\n"), &error);
  ASSERT_TRUE(s) << error;
  ASSERT_EQ(s->plates.size(), 2u);
  EXPECT_EQ(s->plates[0].at_ms, 50u);
  EXPECT_EQ(s->plates[0].image.pixels, sim::FlatPlate(64, 64, 2000).pixels);
  ASSERT_TRUE(s->old_data);
  EXPECT_EQ(s->old_data->start, 7);
}

TEST_F(ScenarioFile, ShippedScenariosLoad) {
  int loaded = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::string(VORNIX_SOURCE_DIR) + "/simulator/scenarios")) {
    std::string error;
    std::optional<sim::Scenario> s = sim::LoadScenarioFile(entry.path(), &error);
    ASSERT_TRUE(s) << entry.path() << ": " << error;
    sim::Scanner scanner(*s);
    ++loaded;
  }
  EXPECT_GE(loaded, 5);
}

TEST_F(ScenarioFile, EnvironmentVariableAttachesTheScanner) {
  std::string path = Write("[Scanner]\nSerial=VX-ENV\nFpgaConfigured=1\nStatus52=0x5A\n");
  {
    ScopedEnv scenario("VORNIX_SCANNER_SIM", path);
    platform::ResetSimulatorActivation();
    sim::DetachParallelPort();
    platform::DeviceHandle h = platform::OpenDevice("\\\\.\\TARVEL");
    ASSERT_NE(h, platform::kInvalidDeviceHandle);
    uint8_t info[4];
    uint32_t got = 0;
    EXPECT_TRUE(platform::DeviceIoControl(h, kIoPortInfo, nullptr, 0, info, 4, &got));
    EXPECT_EQ(got, 4u);
    // The scanner behind the port is the scenario's.
    EXPECT_TRUE(platform::DeviceIoControl(h, kIoConnect, nullptr, 0, nullptr, 0, &got));
    const uint8_t further_status[4] = {platform::reg::kFurtherStatus, 0, 0, 0};
    uint8_t value = 0;
    EXPECT_TRUE(platform::DeviceIoControl(h, kIoRead8, further_status, 4, &value, 1, &got));
    EXPECT_EQ(value, 0x5A);
    platform::CloseDevice(h);
    sim::DetachParallelPort();
  }
  platform::ResetSimulatorActivation();
  EXPECT_EQ(vornix_sim_attach((tmp_ / "absent.ini").c_str()), -1);
  EXPECT_EQ(vornix_sim_attach(Write("[Scanner]\nInterface=SCSI\n").c_str()), -2);
}

// What AttachScenario attached is handed back: the scanner and the front ends
// its interface names, each reachable through the platform until detached.
TEST_F(ScenarioFile, AttachingAScenarioHandsBackWhatItAttached) {
  const std::string guid = "{1a6b8d02-df2e-4a05-86dd-aa12b90e7a44}";
  struct Case {
    const char* interface;
    bool port, usb;
  } cases[] = {{"EPP", true, false}, {"USB", false, true}, {"usb, epp", true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.interface);
    sim::Scenario s;
    s.interface = c.interface;
    s.guid = guid;
    std::string error;
    std::optional<sim::Attachment> attached = sim::AttachScenario(s, &error);
    ASSERT_TRUE(attached) << error;
    ASSERT_TRUE(attached->scanner);
    EXPECT_EQ(attached->port != nullptr, c.port);
    EXPECT_EQ(attached->usb != nullptr, c.usb);
    if (attached->port) {
      EXPECT_EQ(&attached->port->scanner(), attached->scanner.get());
    }
    if (attached->usb) {
      EXPECT_EQ(&attached->usb->scanner(), attached->scanner.get());
    }
    platform::DeviceHandle h = platform::OpenDevice("\\\\.\\TARVEL");
    EXPECT_EQ(h != platform::kInvalidDeviceHandle, c.port);
    if (h != platform::kInvalidDeviceHandle) platform::CloseDevice(h);
    EXPECT_EQ(platform::usb::EnumerateDevices(guid).size(), c.usb ? 1u : 0u);
    sim::DetachParallelPort();
    sim::DetachUsb();
    EXPECT_TRUE(platform::usb::EnumerateDevices(guid).empty());
  }
  std::string error;
  sim::Scenario scsi;
  scsi.interface = "SCSI";
  EXPECT_FALSE(sim::AttachScenario(scsi, &error));
  EXPECT_EQ(error, "interface SCSI is not offered by this simulator build");
  EXPECT_TRUE(platform::usb::EnumerateDevices(guid).empty());
}

// ---- the parallel-port front end ----

class Port : public ::testing::Test {
 protected:
  void SetUp() override { platform::UseVirtualClock(0); }
  void TearDown() override {
    if (h != platform::kInvalidDeviceHandle) platform::CloseDevice(h);
    sim::DetachParallelPort();
    platform::UseRealClock();
  }
  void Open() {
    port = sim::AttachParallelPort(std::make_shared<sim::Scanner>(scenario));
    h = platform::OpenDevice("\\\\.\\TARVEL");
    ASSERT_NE(h, platform::kInvalidDeviceHandle);
  }
  bool Io(uint32_t code, std::vector<uint8_t> in, uint32_t out_len, std::vector<uint8_t>* out = nullptr) {
    std::vector<uint8_t> buffer(out_len);
    uint32_t got = 0;
    bool ok = platform::DeviceIoControl(h, code, in.empty() ? nullptr : in.data(), static_cast<uint32_t>(in.size()),
                                        out_len ? buffer.data() : nullptr, out_len, &got);
    buffer.resize(got);
    if (out) *out = buffer;
    return ok;
  }
  sim::Scenario scenario;
  std::shared_ptr<sim::ParallelPortDriver> port;
  platform::DeviceHandle h = platform::kInvalidDeviceHandle;
};

TEST_F(Port, RequestsNeedTheConnection) {
  scenario.fpga_configured = true;
  Open();
  std::vector<uint8_t> out;
  EXPECT_FALSE(Io(kIoRead8, {248, 0, 0, 0}, 1));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorNotReady);
  EXPECT_TRUE(Io(kIoConnect, {}, 0));
  EXPECT_TRUE(Io(kIoSetAddress, {176, 0, 0, 0}, 0));
  EXPECT_TRUE(Io(kIoWrite8, {0x5A}, 0));
  EXPECT_TRUE(Io(kIoRead8, {176, 0, 0, 0}, 1, &out));
  EXPECT_EQ(out, std::vector<uint8_t>{0x5A});
  EXPECT_TRUE(Io(kIoRead8At, {176, 0, 0, 0}, 1, &out));
  EXPECT_EQ(out, std::vector<uint8_t>{0x5A});
  EXPECT_TRUE(Io(kIoWriteAt, {144, 0, 0, 0, 0xAA, 0, 0, 0}, 0));
  EXPECT_EQ(port->scanner().RegisterByte(144), 0xAA);
  // A 16-bit write spans the register and the next one.
  EXPECT_TRUE(Io(kIoSetAddress, {210, 0, 0, 0}, 0));
  EXPECT_TRUE(Io(kIoWrite16, {0x34, 0x12}, 0));
  EXPECT_EQ(port->scanner().RegisterByte(211), 0x12);
  // The block read needs address 0.
  EXPECT_FALSE(Io(kIoRead16, {}, 16));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidParameter);
  EXPECT_FALSE(Io(0x222099, {}, 0));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidFunction);
}

TEST_F(Port, UnconfiguredFpgaFailsRegisterAndDataRequests) {
  Open();
  port->scanner().AppendMemory({1, 2});
  EXPECT_TRUE(Io(kIoConnect, {}, 0));
  EXPECT_TRUE(Io(kIoSetAddress, {0, 0, 0, 0}, 0));
  EXPECT_FALSE(Io(kIoRead16, {}, 8)) << "the data port";
  EXPECT_EQ(platform::GetLastError(), platform::kErrorNotReady);
  EXPECT_FALSE(Io(kIoRead32, {51, 0, 0, 0}, 4));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorNotReady);
  EXPECT_EQ(port->scanner().WordsWaiting(), 2u);
}

TEST_F(Port, InjectedFailuresAndUnplugging) {
  scenario.faults.fail_requests = {{kIoPortInfo, 2}};
  scenario.faults.unplug_after = 5;
  Open();
  EXPECT_FALSE(Io(kIoPortInfo, {}, 4));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorGenFailure);
  EXPECT_FALSE(Io(kIoPortInfo, {}, 4));
  EXPECT_TRUE(Io(kIoPortInfo, {}, 4));
  EXPECT_TRUE(Io(kIoPortConfig, {}, 16));
  EXPECT_FALSE(Io(kIoPortInfo, {}, 2)) << "a buffer too small for the answer";
  EXPECT_EQ(platform::GetLastError(), platform::kErrorInsufficientBuffer);
  EXPECT_FALSE(Io(kIoPortInfo, {}, 4)) << "unplugged after 5 requests";
  EXPECT_EQ(platform::GetLastError(), platform::kErrorDeviceNotConnected);
  EXPECT_EQ(port->TotalRequests(), 6);
}

TEST_F(Port, ClosingReleasesTheConnection) {
  Open();
  EXPECT_TRUE(Io(kIoConnect, {}, 0));
  platform::DeviceHandle second = platform::OpenDevice("\\\\.\\TARVEL");
  uint32_t got = 0;
  EXPECT_FALSE(platform::DeviceIoControl(second, kIoConnect, nullptr, 0, nullptr, 0, &got)) << "the port is claimed";
  platform::CloseDevice(h);
  h = second;
  EXPECT_TRUE(Io(kIoConnect, {}, 0));
  EXPECT_EQ(port->OpenFiles(), 1);
}

// ---- I2C devices at bus level ----

TEST(I2cDevices, IdPromIgnoresWritesWithoutTheEnable) {
  bool enabled = false;
  sim::Prom prom(256, 1, [&] { return enabled; });
  for (bool enable : {false, true}) {
    enabled = enable;
    ASSERT_TRUE(prom.Select(false));
    EXPECT_TRUE(prom.Write(7));
    EXPECT_TRUE(prom.Write(0x42)) << "acknowledged either way";
    prom.End();
    EXPECT_EQ(prom.Bytes()[7], enable ? 0x42 : 0xFF);
  }
  // Sixteen-bit addressing, high byte first, wrapping at the end.
  sim::Prom large(65536, 2);
  large.Select(false);
  large.Write(0xFF);
  large.Write(0xFF);
  large.Write(1);
  large.Write(2);
  large.End();
  EXPECT_EQ(large.Bytes()[0xFFFF], 1);
  EXPECT_EQ(large.Bytes()[0], 2);
}

TEST(I2cDevices, StartFollowedByStopLeavesTheBusIdle) {
  sim::I2cBus bus;
  bus.Attach(0xA0, std::make_shared<sim::Prom>(256, 1));
  for (uint8_t v : {0x82, 0x02, 0x82}) bus.HostWrite(v);  // START, STOP
  EXPECT_TRUE(bus.Idle());
  // Clock and data falling together count as the clock first: no START.
  bus.HostWrite(0x00);
  EXPECT_TRUE(bus.Idle());
  bus.HostWrite(0x02);
  bus.HostWrite(0x82);
  EXPECT_TRUE(bus.Idle());
  EXPECT_TRUE(bus.Transactions().empty());
  EXPECT_EQ(bus.HostRead(), 1);
}

}  // namespace
