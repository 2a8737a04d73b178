#pragma once
// The register and scan-programming layer over one transport: the device
// operations of the session's device object (forwarded to the transport,
// except the reset pulse, which is built on the register access) and the
// register-layer operations with their state.
#include <cstdint>
#include <memory>

#include "driver/device/scanner_transport.h"
#include "driver/result_codes.h"

namespace tarvel {

struct ScanMode;

// The highest PMT voltage `Scan_SetPmtVoltage` takes.
constexpr int kHighestPmtVolts = 1200;
// `Scan_ReadLaserTemp` when the sensor did not answer (tenths of a degree).
constexpr int kNoLaserTemperature = -1280;

// The buffer memory module as its serial-presence-detect data describe it.
struct MemoryDescription {
  int64_t size = 0;  // bytes
  uint8_t rows = 0;  // SPD byte 3
  uint8_t columns = 0;  // byte 4
  uint8_t module_banks = 0;  // byte 5
  uint8_t device_banks = 0;  // byte 17
  uint8_t config_code = 255;  // RAM configuration code for register 56
  uint8_t width = 0;  // byte 6
};

class ScannerRegisters {
 public:
  explicit ScannerRegisters(std::unique_ptr<ScannerTransport> transport);
  ScannerRegisters(const ScannerRegisters&) = delete;
  ScannerRegisters& operator=(const ScannerRegisters&) = delete;

  ScannerTransport& Transport() { return *transport_; }
  const ScannerTransport& Transport() const { return *transport_; }

  // ---- transport operations ----
  void Dev_Open() { transport_->Dev_Open(); }
  bool Dev_IsReady() { return transport_->Dev_IsReady(); }
  int Dev_Connect() { return transport_->Dev_Connect(); }
  int Dev_ConfigureFpga(int keep) { return transport_->Dev_ConfigureFpga(keep); }
  int Dev_Disconnect() { return transport_->Dev_Disconnect(); }
  uint8_t Reg_Read8(int reg) { return transport_->Reg_Read8(reg); }
  uint16_t Reg_Read16(int reg) { return transport_->Reg_Read16(reg); }
  uint32_t Reg_Read32(int reg) { return transport_->Reg_Read32(reg); }
  int Reg_Write8(int reg, int value) { return transport_->Reg_Write8(reg, value); }
  int Reg_Write16(int reg, int value) { return transport_->Reg_Write16(reg, value); }
  int Reg_Write32(int reg, uint32_t value) { return transport_->Reg_Write32(reg, value); }
  int Dev_ReadBlock(void* buffer, uint32_t capacity, uint32_t* count) {
    return transport_->Dev_ReadBlock(buffer, capacity, count);
  }
  // Words already on the host but not yet read count as waiting: a poll
  // that saw none would end the plate before its last lines were read.
  int Dev_GetScanStatus(ScanStatus* status);
  void I2c_InitTemp(int device, int16_t limit) { transport_->I2c_InitTemp(device, limit); }
  int16_t I2c_ReadTemp(int device) { return transport_->I2c_ReadTemp(device); }
  void Dev_PulseReset();
  uint32_t Dev_ReadLineCounter() { return transport_->Dev_ReadLineCounter(); }
  int I2c_Read(uint8_t* buffer, int device, int first, int last) {
    return transport_->I2c_Read(buffer, device, first, last);
  }
  int I2c_Write(const uint8_t* data, int device, int first, int last) {
    return transport_->I2c_Write(data, device, first, last);
  }
  int I2c_WriteDac(int device, int value) { return transport_->I2c_WriteDac(device, value); }
  uint8_t I2c_ReadAdc(int device, int channel) { return transport_->I2c_ReadAdc(device, channel); }
  void Dev_WriteClockWord(uint16_t word) { transport_->Dev_WriteClockWord(word); }

  // Register-layer state.
  uint16_t AdcOffset = 0;
  uint8_t SlotOutputMask = 255;
  uint8_t DirectionFlags = 0;  // bit 2 reverse stepper, bit 3 stepper period >= 250

  // ---- register-layer operations ----
  // The programming sequence of a session: 0 or the first error.
  int Scan_SetupRegisters(const ScanMode& mode, const MemoryDescription& memory);
  void Scan_SetClock(uint16_t speed, uint16_t pulses);
  int Scan_SetGeometry(int samples, uint16_t threshold, int start, int pixels, int gap);
  void Scan_SetStepper(uint16_t period, int32_t outlet_steps);
  // Sets or clears the reverse-stepper bit of DirectionFlags.
  void Scan_SetStepperReversed(bool reversed) {
    DirectionFlags = static_cast<uint8_t>((DirectionFlags & ~0x04) | (reversed ? 0x04 : 0));
  }
  void Scan_SetMotorMode(int mode);
  int Scan_SetLaserPower(int power);
  void Scan_SetLaserMode(int mode);
  void Scan_SetRun(int mode);
  // 0..kHighestPmtVolts; else -102 and nothing written.
  int Scan_SetPmtVoltage(int volts);
  void Scan_SetHighVoltage(int on);
  void Scan_SetMemory(const MemoryDescription& memory);
  void Scan_SetSlots(uint8_t slot_mask, int32_t inlet_steps);
  void Scan_SetSlotOutputs(int pattern);
  uint8_t Scan_ReadPlateSensors();
  bool Scan_TransportRunning();
  void Scan_AckEvent();
  uint16_t Scan_ReadSample();
  uint32_t Scan_ReadSampleScaled();
  // Tenths of a degree Celsius; kNoLaserTemperature when the sensor did not
  // answer.
  int Scan_ReadLaserTemp();
  uint32_t Scan_MeasureAdcOffset(bool measure);
  uint32_t Mem_ReadPointer();
  void Mem_SetReadPointer(uint32_t value);
  uint32_t Mem_ReadMark();
  void Mem_SetMark();
  uint32_t Mem_WordsAvailable();
  // Words waiting in the scanner memory plus those on the host not yet read.
  uint32_t Mem_WordsInTransit();
  // No scan data left for the next reader: the reset pulse empties the
  // scanner memory (and restarts the stream and line counter), then what
  // the host holds is dropped.
  void Mem_DiscardData();

  // The clock word `Scan_SetClock` sends for a speed and pulse count.
  static uint16_t ClockWordFor(uint16_t speed, uint16_t pulses);

 private:
  void WriteLowHigh(int reg, uint32_t value);

  std::unique_ptr<ScannerTransport> transport_;
};

}  // namespace tarvel
