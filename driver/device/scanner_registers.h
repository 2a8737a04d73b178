#pragma once
// The register and scan-programming layer over one transport (which its
// owner keeps): the status read with the words the host holds, the reset
// pulse built on the register access, and the register-layer operations
// with their state. Device operations go to the transport itself.
#include <cstdint>

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
  explicit ScannerRegisters(ScannerTransport& transport) : transport_(transport) {}
  ScannerRegisters(const ScannerRegisters&) = delete;
  ScannerRegisters& operator=(const ScannerRegisters&) = delete;

  ScannerTransport& Transport() { return transport_; }
  const ScannerTransport& Transport() const { return transport_; }

  // Words already on the host but not yet read count as waiting: a poll
  // that saw none would end the plate before its last lines were read.
  int Dev_GetScanStatus(ScanStatus* status);
  void Dev_PulseReset();

  // Register-layer state.
  uint16_t AdcOffset() const { return adc_offset_; }
  void SetAdcOffset(uint16_t offset) { adc_offset_ = offset; }
  uint8_t SlotOutputMask() const { return slot_output_mask_; }
  // Bit 2 reverse stepper, bit 3 stepper period >= 250.
  uint8_t DirectionFlags() const { return direction_flags_; }
  void SetDirectionFlags(uint8_t flags) { direction_flags_ = flags; }

  // ---- register-layer operations ----
  // The programming sequence of a session: 0 or the first error.
  int Scan_SetupRegisters(const ScanMode& mode, const MemoryDescription& memory);
  void Scan_SetClock(uint16_t speed, uint16_t pulses);
  int Scan_SetGeometry(int samples, uint16_t threshold, int start, int pixels, int gap);
  void Scan_SetStepper(uint16_t period, int32_t outlet_steps);
  // Sets or clears the reverse-stepper bit of DirectionFlags.
  void Scan_SetStepperReversed(bool reversed) {
    direction_flags_ = static_cast<uint8_t>((direction_flags_ & ~0x04) | (reversed ? 0x04 : 0));
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
  // The read pointer moved to `value` with nothing of the old position
  // left on the host: the data from `value` on are the next read.
  void Mem_RewindTo(uint32_t value);
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

  ScannerTransport& transport_;
  uint16_t adc_offset_ = 0;
  uint8_t slot_output_mask_ = 255;
  uint8_t direction_flags_ = 0;
};

}  // namespace tarvel
