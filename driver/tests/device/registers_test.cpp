// Register programming seen as the simulated scanner's register trace.
#include "driver/config/scan_mode.h"
#include "driver/device/buffer_memory.h"
#include "driver/device/register_operations.h"
#include "driver/tests/device/sim_fixture.h"

using devtest::SimDeviceTest;
using devtest::Write;
using tarvel::MemoryDescription;

namespace {

std::vector<uint32_t> ClockSequence(uint16_t word) {
  std::vector<uint32_t> out{0};
  for (int bit = 12; bit >= 0; --bit) {
    uint32_t d = (word >> bit) & 1;
    out.insert(out.end(), {d, d + 2, d});
  }
  out.insert(out.end(), {4, 6, 4, 0});
  return out;
}

class Registers : public SimDeviceTest {
 protected:
  void SetUp() override {
    SimDeviceTest::SetUp();
    Start();
  }
};

TEST_F(Registers, ClockWordIsSentTwiceAndLatchedAsWritten) {
  struct Case {
    uint16_t speed, pulses, word;
  } cases[] = {
      {0, 0, 6819},  // the default: 2723 plus bit 12
      {4000, 100, 2723},  // 4223 - 1500
      {0, 100, 6819},  // no speed: 4223 - 6e8/(4000 p), plus bit 12
      {3000, 50, 223},  // 4223 - 4000
      {1, 1, 4095},  // x far above 4223: negative, held at 4095
      {90, 100, 4095},  // negative (4223 - 66666), though wrapped to 16 bits it would be 3093
      {5000, 1000, 4095},  // x = 120: above 4095
      {65535, 65535, 4095},  // the product needs more than 32 bits
      {100, 0, 4095},  // no pulses: 6e8/(100 s) = 60000
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.speed << " x " << c.pulses);
    scanner->ClearTrace();
    int latches = scanner->ClockWordLatches();
    device->Scan_SetClock(c.speed, c.pulses);
    std::vector<uint32_t> once = ClockSequence(c.word);
    std::vector<uint32_t> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(WritesTo(130), twice);
    EXPECT_EQ(twice.size(), 88u);
    const auto edges = tarvel::ClockWordEdges(c.word);  // the form sent as one block
    EXPECT_EQ(std::vector<uint32_t>(edges.begin(), edges.end()), once);
    EXPECT_EQ(scanner->ClockWord(), c.word);
    EXPECT_EQ(scanner->ClockWordLatches(), latches + 2);
  }
}

TEST_F(Registers, GeometryBySamplesPerPixel) {
  device->SetAdcOffset(100);
  const std::vector<Write> stop_run = {{176, 0}, {4, 0}};
  struct Case {
    int samples;
    int result;
    uint32_t threshold, offset;
  } cases[] = {
      {1, -102, 0, 0}, {2, 0, 256, 200}, {16, 0, 2048, 1600}, {17, 0, 1088, 800}, {32, 0, 2048, 1600}, {33, -102, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.samples);
    scanner->ClearTrace();
    EXPECT_EQ(device->Scan_SetGeometry(c.samples, 0x0800, 14583, 6319, 4965), c.result);
    std::vector<Write> expected = stop_run;
    if (c.result == 0) {
      expected.insert(expected.end(), {{192, 0xF2},
                                       {193, 0x38},
                                       {194, 0xAF},
                                       {195, 0x18},
                                       {224, c.threshold & 0xFF},
                                       {225, c.threshold >> 8},
                                       {210, c.offset & 0xFF},
                                       {211, c.offset >> 8},
                                       {208, static_cast<uint32_t>(c.samples - 1)},
                                       {226, 0}});
    }
    EXPECT_EQ(Writes(), expected);
  }
}

TEST_F(Registers, GeometryLimitsAndSamplePitchCodes) {
  // Start below 5 and fewer than 16 pixels are raised.
  device->Scan_SetGeometry(4, 100, 3, 10, 0);
  EXPECT_EQ(scanner->RegisterByte(192), 0);
  EXPECT_EQ(scanner->RegisterByte(194), 16);
  struct Case {
    uint16_t threshold;
    int gap;
    uint8_t code;
  } cases[] = {{0xFFFF, 16384, 7}, {0xFFFF, 8192, 5}, {0xFFFF, 16383, 5}, {0xFFFF, 4096, 3},
               {0xFFFF, 2048, 1},  {0xFFFF, 2047, 0}, {0xFFFE, 20000, 0}};
  for (const Case& c : cases) {
    device->Scan_SetGeometry(8, c.threshold, 100, 100, c.gap);
    EXPECT_EQ(scanner->RegisterByte(226), c.code) << c.gap;
  }
}

TEST_F(Registers, LaserPower) {
  struct Case {
    int power, result;
    std::vector<Write> writes;
  } cases[] = {
      {0, 0, {{176, 0xC5}, {176, 0xC0}}}, {1, 0, {{176, 0xC5}, {176, 0xC0}}},
      {8, 0, {{176, 0xC5}, {176, 0xC7}}}, {9, -102, {{176, 0xC5}}},  // refused after the laser mode was cleared
      {-1, -102, {{176, 0xC5}}},  // no power code from a negative value
  };
  for (const Case& c : cases) {
    device->Transport().Reg_Write8(176, 0xF5);
    scanner->ClearTrace();
    EXPECT_EQ(device->Scan_SetLaserPower(c.power), c.result) << c.power;
    EXPECT_EQ(Writes(), c.writes) << c.power;
  }
}

TEST_F(Registers, LaserModeAndRunKeepTheOtherBits) {
  struct Case {
    void (tarvel::ScannerRegisters::*op)(int);
    int mode;
    uint32_t r176, r4;
  } cases[] = {
      {&tarvel::ScannerRegisters::Scan_SetLaserMode, 1, 0x9B, 0},
      {&tarvel::ScannerRegisters::Scan_SetLaserMode, 2, 0xBB, 0},
      {&tarvel::ScannerRegisters::Scan_SetLaserMode, 3, 0x8B, 0},
      {&tarvel::ScannerRegisters::Scan_SetRun, 1, 0x6B, 1},
      {&tarvel::ScannerRegisters::Scan_SetRun, 2, 0xEB, 1},
      {&tarvel::ScannerRegisters::Scan_SetRun, 0, 0x2B, 0},
  };
  for (const Case& c : cases) {
    device->Transport().Reg_Write8(176, 0xAB);
    device->Transport().Reg_Write8(4, 0);
    (device.get()->*c.op)(c.mode);
    EXPECT_EQ(scanner->RegisterByte(176), c.r176) << c.mode;
    EXPECT_EQ(scanner->RegisterByte(4), c.r4) << c.mode;
  }
}

TEST_F(Registers, PmtVoltageGoesToTheDac) {
  EXPECT_EQ(device->Scan_SetPmtVoltage(1200), 0);
  EXPECT_EQ(scanner->DacCode(), 245);
  auto t = scanner->I2cTransactions();
  ASSERT_EQ(t.size(), 1u);
  EXPECT_EQ(t[0].address, 0x90);
  EXPECT_EQ(t[0].written, (std::vector<uint8_t>{0x40, 245}));
  EXPECT_EQ(device->Scan_SetPmtVoltage(800), 0);
  EXPECT_EQ(scanner->DacCode(), 163);
  scanner->ClearTrace();
  EXPECT_EQ(device->Scan_SetPmtVoltage(1201), -102);
  EXPECT_EQ(device->Scan_SetPmtVoltage(-1), -102) << "a negative voltage would wrap to a high DAC code";
  EXPECT_TRUE(scanner->Trace().empty());
  EXPECT_EQ(scanner->DacCode(), 163);
}

TEST_F(Registers, SlotMasksAndOutputs) {
  struct Case {
    uint8_t mask, output_mask;
  } cases[] = {{0x0F, 0xFF}, {0x06, 0x3C}, {0x01, 0x03}, {0x00, 0x00}};
  for (const Case& c : cases) {
    device->Scan_SetSlots(c.mask, 100000);
    EXPECT_EQ(device->SlotOutputMask(), c.output_mask);
    EXPECT_EQ(scanner->RegisterByte(166), 48);
    for (auto [pattern, bits] : {std::pair{1, 0x55}, std::pair{2, 0xAA}, std::pair{3, 0xFF}, std::pair{7, 0x00}}) {
      device->Scan_SetSlotOutputs(pattern);
      EXPECT_EQ(scanner->RegisterByte(144), bits & c.output_mask) << int(c.mask) << " " << pattern;
    }
  }
}

TEST_F(Registers, MotorCodesWithDirectionFlags) {
  const uint8_t codes[] = {0, 0x71, 0x73, 0x75, 0x72, 0};
  for (uint8_t flags : {0, 4, 8, 12}) {
    device->SetDirectionFlags(flags);
    for (int mode = 0; mode <= 5; ++mode) {
      device->Scan_SetMotorMode(mode);
      EXPECT_EQ(scanner->RegisterByte(163), codes[mode] ^ flags) << "mode " << mode << " flags " << int(flags);
    }
  }
}

TEST_F(Registers, StepperPeriodSetsTheSlowFlag) {
  struct Case {
    uint16_t period;
    uint32_t low, high;
    uint8_t flags;
  } cases[] = {{249, 248, 0, 4}, {250, 249, 0, 12}, {0, 0, 0, 4}, {1000, 0xE7, 0x03, 12}};
  for (const Case& c : cases) {
    device->SetDirectionFlags(4 | 8);
    scanner->ClearTrace();
    device->Scan_SetStepper(c.period, 31627);
    // The motor is stopped first, with the flags as they were.
    EXPECT_EQ(Writes(), (std::vector<Write>{{163, 12}, {160, c.low}, {161, c.high}, {162, 15}})) << c.period;
    EXPECT_EQ(device->DirectionFlags(), c.flags) << c.period;
  }
}

TEST_F(Registers, HighVoltageAndResetKeepTheOtherBits) {
  device->Transport().Reg_Write8(240, 0x21);
  device->Scan_SetHighVoltage(1);
  EXPECT_EQ(scanner->RegisterByte(240), 0x29);
  device->Scan_SetHighVoltage(2);
  EXPECT_EQ(scanner->RegisterByte(240), 0x21);
  scanner->ClearTrace();
  uint64_t before = platform::NowMs();
  device->Dev_PulseReset();
  EXPECT_EQ(Writes(), (std::vector<Write>{{240, 0xA1}, {240, 0x21}}));
  EXPECT_GE(platform::NowMs() - before, 2u);
}

TEST_F(Registers, SetupSequence) {
  tarvel::ScanMode mode;
  mode.ADC_Ovs = 12;
  mode.ADC_SW = 0x0800;
  mode.Strt_Pix = 14583;
  mode.Anz_Pix = 6319;
  mode.Blk_Pix = 4965;
  mode.RPM = 3000;
  mode.PPR = 100;
  mode.SMOT = 349;
  mode.outlet_steps = 31627;
  mode.stepper_reversed = 1;
  mode.pmt_voltage = 800;
  mode.laser_temp_max = 45;
  mode.Laser = 5;
  mode.slots = 0x0F;
  mode.inlet_steps = 51200;
  MemoryDescription memory;
  memory.size = 33554432;
  memory.config_code = 4;
  ASSERT_EQ(device->Scan_SetupRegisters(mode, memory), 0);
  EXPECT_EQ(Writes(), (std::vector<Write>{{176, 0},    {4, 0},  // geometry: run off
                                          {192, 0xF2}, {193, 0x38}, {194, 0xAF}, {195, 0x18}, {224, 0x00},
                                          {225, 0x06}, {210, 0},    {211, 0},    {208, 11},   {226, 0},
                                          {163, 4},    {160, 0x5C}, {161, 1},    {162, 15},  // stepper, reversed
                                          {240, 0},  // high voltage off
                                          {176, 0},    {176, 4},  // laser power 5
                                          {56, 4},     {240, 0x80}, {240, 0},    {240, 0x80}, {240, 0},  // memory
                                          {48, 8},     {49, 16},    {50, 30},    {164, 0x0F}, {166, 25}}));
  EXPECT_EQ(scanner->ClockWord(), 2223);
  EXPECT_EQ(scanner->ClockWordLatches(), 2);
  EXPECT_EQ(device->DirectionFlags(), 12);
  EXPECT_EQ(device->SlotOutputMask(), 0xFF);
  EXPECT_EQ(scanner->DacCode(), 163);
  EXPECT_EQ(scanner->TempLimit(), 45 * 256);
  EXPECT_EQ(scanner->TempHysteresis(), 42 * 256);
  EXPECT_EQ(scanner->TempConfiguration(), 0);
}

TEST_F(Registers, SetupStopsAtTheFirstError) {
  tarvel::ScanMode mode;
  mode.ADC_Ovs = 12;
  mode.pmt_voltage = 1300;
  MemoryDescription memory;
  EXPECT_EQ(device->Scan_SetupRegisters(mode, memory), -102);
  EXPECT_TRUE(WritesTo(56).empty()) << "nothing after the refused PMT voltage";
  mode.pmt_voltage = 500;
  mode.ADC_Ovs = 40;
  scanner->ClearTrace();
  EXPECT_EQ(device->Scan_SetupRegisters(mode, memory), -102);
  EXPECT_TRUE(WritesTo(163).empty());
}

TEST_F(Registers, MemoryRegistersPerModule) {
  struct Case {
    uint8_t type, rows, columns, module_banks, device_banks, width;
    int result;
    int64_t size;
    uint8_t code;
    uint32_t r48, r49, r50;
  } cases[] = {
      {4, 11, 9, 2, 2, 64, 0, 33554432, 8, 8, 16, 30},
      {4, 12, 8, 1, 4, 64, 0, 33554432, 2, 8, 16, 30},
      {4, 11, 9, 1, 4, 64, 0, 33554432, 4, 8, 16, 30},
      {4, 12, 9, 1, 4, 64, 0, 67108864, 6, 16, 32, 62},
      {4, 13, 9, 1, 4, 64, 0, 134217728, 6, 32, 64, 126},
      {4, 12, 10, 1, 4, 64, 0, 134217728, 6, 32, 64, 126},
      {4, 13, 10, 1, 4, 64, 0, 268435456, 7, 64, 128, 254},
      {4, 12, 9, 2, 4, 64, 0, 134217728, 22, 32, 64, 126},
      {4, 12, 10, 2, 4, 64, 0, 268435456, 30, 64, 128, 254},
      {4, 11, 9, 1, 4, 72, 0, 37748736, 4, 9, 18, 34},  // error-correcting module
      {7, 11, 9, 1, 4, 64, -101, 33554432, 4, 8, 16, 30},  // not SDRAM
      {4, 10, 9, 1, 4, 64, -101, 16777216, 255, 4, 8, 14},  // unknown organisation
      {4, 11, 9, 1, 4, 32, -101, 16777216, 4, 4, 8, 14},  // width 32
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "R" << int(c.rows) << " C" << int(c.columns) << " S" << int(c.module_banks)
                                    << " B" << int(c.device_banks) << " W" << int(c.width) << " T" << int(c.type));
    device.reset();
    sim::DetachParallelPort();
    scenario.memory = {c.type, c.rows, c.columns, c.module_banks, c.width, c.device_banks, std::nullopt};
    Start();
    MemoryDescription m;
    EXPECT_EQ(tarvel::Mem_DetectBuffer(*device, &m), c.result);
    EXPECT_EQ(m.size, c.size);
    EXPECT_EQ(m.config_code, c.code);
    EXPECT_EQ(m.width, c.width);
    scanner->ClearTrace();
    device->Scan_SetMemory(m);
    EXPECT_EQ(WritesTo(56), std::vector<uint32_t>{c.code});
    EXPECT_EQ(WritesTo(48), std::vector<uint32_t>{c.r48});
    EXPECT_EQ(WritesTo(49), std::vector<uint32_t>{c.r49});
    EXPECT_EQ(WritesTo(50), std::vector<uint32_t>{c.r50});
  }
}

TEST_F(Registers, BufferMemoryReadFailures) {
  // The first read (two selections) may go unanswered; only the second counts.
  scanner->NackNext(0xA0, 2);
  MemoryDescription m;
  EXPECT_EQ(tarvel::Mem_DetectBuffer(*device, &m), 0);
  EXPECT_EQ(m.config_code, 4);
  scanner->NackNext(0xA0, 4);
  m = MemoryDescription{};
  m.size = 5;
  EXPECT_EQ(tarvel::Mem_DetectBuffer(*device, &m), -100);
  EXPECT_EQ(m.size, 0);
}

TEST_F(Registers, SpdBytesOfAnyValueGiveASize) {
  // Junk organisation bytes: the size saturates instead of overflowing.
  uint8_t spd[128] = {};
  spd[2] = 4;
  spd[3] = 200;
  spd[4] = 200;
  spd[5] = 255;
  spd[6] = 64;
  spd[17] = 255;
  MemoryDescription m;
  EXPECT_EQ(tarvel::DecodeSpd(spd, &m), -101);
  EXPECT_EQ(m.size, INT64_MAX);
  spd[3] = 20;
  spd[4] = 20;
  EXPECT_EQ(tarvel::DecodeSpd(spd, &m), -101);
  EXPECT_EQ(m.size, (int64_t{1} << 43) * 255 * 255);  // 2^40 x 64 x 255 x 255 / 8: beyond 32 bits
}

TEST_F(Registers, SamplesAndAdcOffset) {
  device.reset();
  sim::DetachParallelPort();
  scenario.dark = 100;  // per sample
  Start();
  struct Case {
    int reg208;
    uint32_t raw, scaled;
  } cases[] = {{11, 1200, 1600}, {15, 1600, 3200}, {16, 850, 1600}, {31, 1600, 1600}};
  for (const Case& c : cases) {
    device->Transport().Reg_Write8(208, c.reg208);
    EXPECT_EQ(device->Scan_ReadSample(), c.raw) << c.reg208;
    EXPECT_EQ(device->Scan_ReadSampleScaled(), c.scaled) << c.reg208;
  }
  struct Offset {
    int reg208;
    bool measure;
    uint32_t b;
    uint16_t adc_offset;
  } offsets[] = {{11, true, 1200, 100}, {19, true, 1000, 100}, {11, false, 0, 0}};
  for (const Offset& o : offsets) {
    device->Transport().Reg_Write8(208, o.reg208);
    scanner->ClearTrace();
    EXPECT_EQ(device->Scan_MeasureAdcOffset(o.measure), o.b);
    EXPECT_EQ(device->AdcOffset(), o.adc_offset);
    std::vector<Write> expected{{210, 0}, {211, 0}};
    if (o.measure) expected.insert(expected.end(), {{210, o.b & 0xFF}, {211, o.b >> 8}});
    expected.push_back({208, static_cast<uint32_t>(o.reg208)});
    EXPECT_EQ(Writes(), expected);
  }
}

TEST_F(Registers, LaserTemperatureInTenths) {
  for (auto [celsius, tenths] : {std::pair{25.0, 250}, std::pair{-5.5, -55}, std::pair{41.25, 412}}) {
    scanner->SetLaserTemperature(celsius);
    EXPECT_EQ(device->Scan_ReadLaserTemp(), tenths) << celsius;
  }
  scanner->SetI2cAbsent(0x92, true);  // the temperature sensor
  EXPECT_EQ(device->Transport().I2c_ReadTemp(0x92), static_cast<int16_t>(0x8000));
  EXPECT_EQ(device->Scan_ReadLaserTemp(), -1280);
}

TEST_F(Registers, ScanStatusRecord) {
  device.reset();
  sim::DetachParallelPort();
  scenario.status52 = 0x18;
  sim::Plate plate;
  plate.slot = 2;
  plate.image = sim::FlatPlate(16, 40, 5000);
  scenario.plates.push_back(plate);
  Start();
  scanner->AppendMemory(std::vector<uint32_t>(10, 0x00010002));
  device->Transport().Reg_Write8(144, 0xAA);
  device->Scan_SetMotorMode(2);  // arms the transport; the plate comes at once
  platform::Sleep(5);
  tarvel::ScanStatus s{};
  scanner->ClearTrace();
  EXPECT_EQ(device->Dev_GetScanStatus(&s), 0);
  EXPECT_EQ(s.flags & 1, 1) << "transport running";
  EXPECT_EQ(s.flags & 8, 8) << "plate detected";
  EXPECT_EQ(s.plate_sensors, 0x04);
  EXPECT_EQ(s.slot_outputs, 0xAA);
  EXPECT_EQ(s.further, 0x18);
  EXPECT_EQ(s.words_waiting, 10);
  EXPECT_EQ(s.error, 0);
  std::vector<int> order;
  for (const auto& a : scanner->Trace()) order.push_back(a.reg);
  EXPECT_EQ(order, (std::vector<int>{248, 164, 144, 52, 18, 17, 16, 51}));
  device->Scan_AckEvent();
  EXPECT_EQ(device->Transport().Reg_Read8(248) & 8, 0);
}

// The counter runs fast (one line per 3 us, a bus access takes 2 us): a read
// torn across a carry would fall outside the counts before and after it.
TEST_F(Registers, LineCounterReadsDoNotTear) {
  device.reset();
  sim::DetachParallelPort();
  scenario.line_period_us = 3;
  Start();
  device->Scan_SetRun(1);
  uint32_t previous = 0;
  int carries = 0;
  for (int i = 0; i < 3000; ++i) {
    uint32_t before = scanner->LineCounter();
    uint32_t v = 0;
    if (i % 2) {
      v = device->Transport().Dev_ReadLineCounter();
    } else {
      tarvel::ScanStatus s{};
      device->Dev_GetScanStatus(&s);
      v = static_cast<uint32_t>(s.line_counter);
    }
    uint32_t after = scanner->LineCounter();
    ASSERT_GE(v, before) << i;
    ASSERT_LE(v, after) << i;
    if ((v >> 8) != (previous >> 8)) ++carries;
    previous = v;
  }
  EXPECT_GT(carries, 10);
  // The line-counter order of each read.
  scanner->ClearTrace();
  device->Transport().Dev_ReadLineCounter();
  std::vector<int> order;
  for (const auto& a : scanner->Trace()) order.push_back(a.reg);
  EXPECT_EQ(order, (std::vector<int>{16, 17, 18, 17}));
}

TEST_F(Registers, MemoryPointersAndMark) {
  scanner->AppendMemory(std::vector<uint32_t>(100, 7));
  EXPECT_EQ(device->Mem_WordsAvailable(), 100u);
  device->Mem_SetReadPointer(40);
  EXPECT_EQ(device->Mem_ReadPointer(), 40u);
  EXPECT_EQ(device->Mem_WordsAvailable(), 60u);
  device->Mem_SetMark();
  EXPECT_EQ(device->Mem_ReadMark(), 40u) << "the mark is the read position, not the write pointer";
  device->Mem_SetReadPointer(90);
  EXPECT_EQ(device->Mem_ReadMark(), 40u);
  device->Dev_PulseReset();
  EXPECT_EQ(device->Mem_WordsAvailable(), 0u);
  EXPECT_EQ(device->Mem_ReadMark(), 0u);
}

}  // namespace
