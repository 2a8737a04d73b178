#include "driver/device/scanner_registers.h"

#include <algorithm>

#include "driver/config/scan_mode.h"
#include "driver/device/i2c_master.h"
#include "platform/clock.h"
#include "platform/scanner_register_map.h"

namespace tarvel {

namespace reg = platform::reg;

void ScannerRegisters::WriteLowHigh(int reg, uint32_t value) {
  transport_.Reg_Write8(reg, static_cast<int>(value & 0xFF));
  transport_.Reg_Write8(reg + 1, static_cast<int>((value >> 8) & 0xFF));
}

int ScannerRegisters::Dev_GetScanStatus(ScanStatus* status) {
  int result = transport_.Dev_GetScanStatus(status);
  status->words_waiting =
      static_cast<int32_t>(static_cast<uint32_t>(status->words_waiting) + transport_.Dev_WordsOnHost());
  return result;
}

void ScannerRegisters::Dev_PulseReset() {
  int v = transport_.Reg_Read8(reg::kHighVoltage);
  transport_.Reg_Write8(reg::kHighVoltage, v | reg::kResetPulse);
  platform::Sleep(1);
  transport_.Reg_Write8(reg::kHighVoltage, v & ~reg::kResetPulse);
  platform::Sleep(1);
}

// ---- scan programming ----

uint16_t ScannerRegisters::ClockWordFor(uint16_t s, uint16_t p) {
  if (s == 0 && p == 0) return 2723 + 0x1000;
  uint64_t product = uint64_t{s} * p;
  uint64_t x = product != 0 ? 600000000 / product
               : s != 0     ? 600000000 / (100 * uint64_t{s})
                            : 600000000 / (4000 * uint64_t{p});
  int64_t word = 4223 - static_cast<int64_t>(x);
  if (word < 0 || word > 4095) word = 4095;
  if (s == 0) word += 0x1000;
  return static_cast<uint16_t>(word);
}

void ScannerRegisters::Scan_SetClock(uint16_t speed, uint16_t pulses) {
  uint16_t word = ClockWordFor(speed, pulses);
  transport_.Dev_WriteClockWord(word);
  transport_.Dev_WriteClockWord(word);
}

int ScannerRegisters::Scan_SetGeometry(int samples, uint16_t threshold, int start, int pixels, int gap) {
  Scan_SetRun(0);
  start = std::max(start, 5);
  if (samples < 2 || samples > 32) return kErrOutOfRange;
  pixels = std::max(pixels, 16);
  int64_t s = samples;
  WriteLowHigh(reg::kCollectStartLow, static_cast<uint32_t>(start - 5));
  WriteLowHigh(reg::kPixelsLow, static_cast<uint32_t>(pixels));
  WriteLowHigh(reg::kThresholdLow, static_cast<uint32_t>(s <= 16 ? s * threshold / 16 : s * threshold / 32));
  WriteLowHigh(reg::kAdcOffsetLow,
               static_cast<uint32_t>(s <= 16 ? int64_t{adc_offset_} * s : int64_t{adc_offset_} * (s / 2)));
  transport_.Reg_Write8(reg::kSamplesPerPixel, samples - 1);
  int pitch = 0;
  if (threshold == 0xFFFF) pitch = gap >= 16384 ? 7 : gap >= 8192 ? 5 : gap >= 4096 ? 3 : gap >= 2048 ? 1 : 0;
  transport_.Reg_Write8(reg::kSamplePitch, pitch);
  return 0;
}

void ScannerRegisters::Scan_SetStepper(uint16_t period, int32_t outlet_steps) {
  Scan_SetMotorMode(0);
  uint32_t f = period == 0 ? 1 : period;
  transport_.Reg_Write8(reg::kStepperPeriodLow, static_cast<int>((f - 1) & 0xFF));
  transport_.Reg_Write8(reg::kStepperPeriodHigh, static_cast<int>(((f - 1) >> 8) & 0xFF));
  transport_.Reg_Write8(reg::kOutletSteps, outlet_steps / 2048);
  direction_flags_ = static_cast<uint8_t>((direction_flags_ & ~0x08) | (f >= 250 ? 0x08 : 0));
}

void ScannerRegisters::Scan_SetMotorMode(int mode) {
  int code = mode == 1 ? 0x71 : mode == 2 ? 0x73 : mode == 3 ? 0x75 : mode == 4 ? 0x72 : 0;
  transport_.Reg_Write8(reg::kMotorMode, code ^ direction_flags_);
}

int ScannerRegisters::Scan_SetLaserPower(int power) {
  Scan_SetLaserMode(0);
  int old = transport_.Reg_Read8(reg::kLaser);
  if (power > 8 || power < 0) return kErrOutOfRange;
  if (power == 0) power = 1;
  transport_.Reg_Write8(reg::kLaser, (old & 0xF0) | ((power - 1) & 0x0F));
  return 0;
}

void ScannerRegisters::Scan_SetLaserMode(int mode) {
  int bits = mode == 1 ? 0x10 : mode == 2 ? 0x30 : 0x00;
  transport_.Reg_Write8(reg::kLaser, (transport_.Reg_Read8(reg::kLaser) & ~reg::kLaserModeBits) | bits);
}

void ScannerRegisters::Scan_SetRun(int mode) {
  int bits = mode == 1 ? 0x40 : mode == 2 ? 0xC0 : 0x00;
  transport_.Reg_Write8(reg::kLaser, (transport_.Reg_Read8(reg::kLaser) & ~reg::kRunModeBits) | bits);
  transport_.Reg_Write8(reg::kRun, (mode == 1 || mode == 2) ? 1 : 0);
}

int ScannerRegisters::Scan_SetPmtVoltage(int volts) {
  if (volts > kHighestPmtVolts || volts < 0) return kErrOutOfRange;
  int code = std::min(255, static_cast<int>(volts * 0.2047921359819783));
  return transport_.I2c_WriteDac(kI2cDacAdc, code);
}

void ScannerRegisters::Scan_SetHighVoltage(int on) {
  int v = transport_.Reg_Read8(reg::kHighVoltage);
  transport_.Reg_Write8(reg::kHighVoltage, on == 1 ? (v | reg::kHighVoltageOn) : (v & ~reg::kHighVoltageOn));
}

void ScannerRegisters::Scan_SetMemory(const MemoryDescription& memory) {
  transport_.Reg_Write8(reg::kRamConfig, memory.config_code);
  Dev_PulseReset();
  platform::Sleep(1);
  Dev_PulseReset();
  platform::Sleep(1);
  int64_t mib = memory.size / 1048576;
  transport_.Reg_Write8(reg::kMemorySizeQuarter, static_cast<int>((mib / 4) & 0xFF));
  transport_.Reg_Write8(reg::kMemorySizeHalf, static_cast<int>((mib / 2) & 0xFF));
  transport_.Reg_Write8(reg::kMemorySizeLess2, static_cast<int>((mib - 2) & 0xFF));
}

void ScannerRegisters::Scan_SetSlots(uint8_t slot_mask, int32_t inlet_steps) {
  uint8_t outputs = 0;
  for (int i = 0; i < 4; ++i)
    if (slot_mask & (1 << i)) outputs = static_cast<uint8_t>(outputs | (3 << (2 * i)));
  slot_output_mask_ = outputs;
  transport_.Reg_Write8(reg::kInletSteps, inlet_steps / 2048);
}

void ScannerRegisters::Scan_SetSlotOutputs(int pattern) {
  int v = pattern == 1 ? 0x55 : pattern == 2 ? 0xAA : pattern == 3 ? 0xFF : 0;
  transport_.Reg_Write8(reg::kSlotOutputs, v & slot_output_mask_);
}

uint8_t ScannerRegisters::Scan_ReadPlateSensors() {
  return static_cast<uint8_t>(transport_.Reg_Read8(reg::kSlots) & 0x0F);
}
bool ScannerRegisters::Scan_TransportRunning() {
  return (transport_.Reg_Read8(reg::kStatus) & reg::kTransportRunning) != 0;
}
void ScannerRegisters::Scan_AckEvent() { transport_.Reg_Write8(reg::kStatus, reg::kEventWaiting); }

uint16_t ScannerRegisters::Scan_ReadSample() {
  transport_.Reg_Read8(reg::kStatus);
  return transport_.Reg_Read16(reg::kSampleSum);
}

uint32_t ScannerRegisters::Scan_ReadSampleScaled() {
  transport_.Reg_Read8(reg::kStatus);
  uint32_t n = (transport_.Reg_Read8(reg::kSamplesPerPixel) & 0x1F) + 1u;
  uint32_t v = transport_.Reg_Read16(reg::kSampleSum);
  return n < 16 ? v * 16 / n : v * 32 / n;
}

int ScannerRegisters::Scan_ReadLaserTemp() {
  int16_t t = transport_.I2c_ReadTemp(kI2cTempSensor);
  return static_cast<int>(t * 0.0390625);
}

uint32_t ScannerRegisters::Scan_MeasureAdcOffset(bool measure) {
  int saved = transport_.Reg_Read8(reg::kSamplesPerPixel);
  WriteLowHigh(reg::kAdcOffsetLow, 0);
  Scan_ReadSample();
  uint32_t b = 0;
  if (measure) {
    uint32_t sum = 0;
    for (int i = 0; i < 256; ++i) sum += Scan_ReadSample();
    b = sum / 256;
    WriteLowHigh(reg::kAdcOffsetLow, b);
  }
  uint32_t c = static_cast<uint32_t>(saved) + 1;
  if (saved > 15) c /= 2;
  adc_offset_ = static_cast<uint16_t>(b / c);
  transport_.Reg_Write8(reg::kSamplesPerPixel, saved);
  return b;
}

uint32_t ScannerRegisters::Mem_ReadPointer() { return transport_.Reg_Read32(reg::kReadPointer); }
void ScannerRegisters::Mem_SetReadPointer(uint32_t value) { transport_.Reg_Write32(reg::kReadPointer, value); }
void ScannerRegisters::Mem_RewindTo(uint32_t value) {
  transport_.Dev_PauseReadAhead();
  Mem_SetReadPointer(value);
  transport_.Dev_ResumeReadAhead();
}
uint32_t ScannerRegisters::Mem_ReadMark() { return transport_.Reg_Read32(reg::kReadMark); }
void ScannerRegisters::Mem_SetMark() { transport_.Reg_Write8(reg::kReadMark, 0); }
uint32_t ScannerRegisters::Mem_WordsAvailable() { return transport_.Reg_Read32(reg::kWordsWaiting); }
void ScannerRegisters::Mem_DiscardData() {
  Dev_PulseReset();
  transport_.Dev_DiscardHeldData();
}

uint32_t ScannerRegisters::Mem_WordsInTransit() { return Mem_WordsAvailable() + transport_.Dev_WordsOnHost(); }

int ScannerRegisters::Scan_SetupRegisters(const ScanMode& mode, const MemoryDescription& memory) {
  Scan_SetClock(mode.RPM, mode.PPR);
  int r = Scan_SetGeometry(mode.ADC_Ovs, mode.ADC_SW, mode.Strt_Pix, mode.Anz_Pix, mode.Blk_Pix);
  if (r != 0) return r;
  direction_flags_ = mode.stepper_reversed ? 4 : 0;
  Scan_SetStepper(mode.SMOT, mode.outlet_steps);
  Scan_SetHighVoltage(0);
  r = Scan_SetPmtVoltage(mode.pmt_voltage);
  if (r != 0) return r;
  transport_.I2c_InitTemp(kI2cTempSensor, static_cast<int16_t>(mode.laser_temp_max * 256));
  r = Scan_SetLaserPower(mode.Laser);
  if (r != 0) return r;
  Scan_SetMemory(memory);
  transport_.Reg_Write8(reg::kSlots, mode.slots);
  Scan_SetSlots(mode.slots, mode.inlet_steps);
  return 0;
}

}  // namespace tarvel
