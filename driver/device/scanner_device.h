#pragma once
// The scanner device object: one polymorphic object per session with the 23
// device operations (number 0 the destructor). `EppPort` implements the
// transport (1-12) over the parallel-port driver "\\.\TARVEL";
// `ScannerRegisters` builds status, I2C, reset, line counter and clock word
// (13-22) on the register access, plus the register-layer operations of the
// scan programming; `ScannerDevice` is the class a session creates. A USB
// device class derives from `ScannerDevice` and overrides the transport.
#include <cstdint>
#include <string>

#include "driver/result_codes.h"
#include "driver/tarvel_api.h"
#include "platform/kernel_device.h"

namespace tarvel {

struct ScanMode;

// The scanner's 16-byte device status record (the export header's record).
using ::ScanStatus;

// The buffer memory module as its serial-presence-detect data describe it.
struct MemoryDescription {
  int64_t size = 0;           // bytes
  uint8_t rows = 0;           // SPD byte 3
  uint8_t columns = 0;        // byte 4
  uint8_t module_banks = 0;   // byte 5
  uint8_t device_banks = 0;   // byte 17
  uint8_t config_code = 255;  // RAM configuration code for register 56
  uint8_t width = 0;          // byte 6
};

// I2C device addresses (8-bit write form).
constexpr int kI2cDacAdc = 0x90;
constexpr int kI2cTempSensor = 0x92;
constexpr int kI2cSpd = 0xA0;
constexpr int kI2cIdProm = 0xA8;

constexpr const char* kParallelPortDeviceName = "\\\\.\\TARVEL";

class EppPort {
 public:
  EppPort();
  virtual ~EppPort();  // operation 0: closes the driver handle
  EppPort(const EppPort&) = delete;
  EppPort& operator=(const EppPort&) = delete;

  // 1-5
  virtual void Dev_Open();
  virtual bool Dev_IsReady();
  virtual int Dev_Connect();
  virtual int Dev_ConfigureFpga(int keep);
  virtual int Dev_Disconnect();
  // 6-11: reads give 0 when the request fails (the platform's last error
  // stays set); writes return nonzero on success.
  virtual uint8_t Reg_Read8(int reg);
  virtual uint16_t Reg_Read16(int reg);
  virtual uint32_t Reg_Read32(int reg);
  virtual int Reg_Write8(int reg, int value);
  virtual int Reg_Write16(int reg, int value);
  virtual int Reg_Write32(int reg, uint32_t value);
  // 12: the data waiting in the scanner memory, at most `capacity` bytes;
  // 0 with *count bytes delivered, or -200 (*count 0) when every attempt had
  // a wrong checksum.
  virtual int Dev_ReadBlock(void* buffer, uint32_t capacity, uint32_t* count);

  // Block-read attempts (10 after construction and Dev_Open) and the count
  // of failed attempts.
  int RetryCount = 10;
  int TransferErrors = 0;
  // The FPGA design file (`Scanner` key `Firmware`); empty: the built-in design.
  std::string FpgaFileName;

  bool HandleValid() const { return handle_ != platform::kInvalidDeviceHandle; }

 protected:
  // One control request; false on failure (the platform's last error set).
  // *returned: the bytes the driver answered with.
  bool Request(uint32_t code, const void* in, uint32_t in_len, void* out, uint32_t out_len,
               uint32_t* returned = nullptr);
  bool SetAddress(int reg);

  platform::DeviceHandle handle_ = platform::kInvalidDeviceHandle;
  uint8_t port_info_[4] = {};
  uint8_t port_config_[16] = {};
};

class ScannerRegisters : public EppPort {
 public:
  // 13-22
  virtual int Dev_GetScanStatus(ScanStatus* status);
  virtual void I2c_InitTemp(int device, int16_t limit);
  virtual int16_t I2c_ReadTemp(int device);
  virtual void Dev_PulseReset();
  virtual uint32_t Dev_ReadLineCounter();
  virtual int I2c_Read(uint8_t* buffer, int device, int first, int last);
  virtual int I2c_Write(const uint8_t* data, int device, int first, int last);
  virtual int I2c_WriteDac(int device, int value);
  virtual uint8_t I2c_ReadAdc(int device, int channel);
  virtual void Dev_WriteClockWord(uint16_t word);

  // Register-layer state.
  uint16_t AdcOffset = 0;
  uint8_t SlotOutputMask = 255;
  uint8_t DirectionFlags = 0;  // bit 2 reverse stepper, bit 3 stepper period >= 250

  // ---- register-layer operations (built on the operations above) ----
  // The programming sequence of a session: 0 or the first error.
  int Scan_SetupRegisters(const ScanMode& mode, const MemoryDescription& memory);
  void Scan_SetClock(uint16_t speed, uint16_t pulses);
  int Scan_SetGeometry(int samples, uint16_t threshold, int start, int pixels, int gap);
  void Scan_SetStepper(uint16_t period, int32_t outlet_steps);
  void Scan_SetMotorMode(int mode);
  int Scan_SetLaserPower(int power);
  void Scan_SetLaserMode(int mode);
  void Scan_SetRun(int mode);
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
  // Tenths of a degree Celsius; -1280 when the sensor did not answer.
  int Scan_ReadLaserTemp();
  uint32_t Scan_MeasureAdcOffset(bool measure);
  uint32_t Mem_ReadPointer();
  void Mem_SetReadPointer(uint32_t value);
  uint32_t Mem_ReadMark();
  void Mem_SetMark();
  uint32_t Mem_WordsAvailable();

  // The clock word `Scan_SetClock` sends for a speed and pulse count.
  static uint16_t ClockWordFor(uint16_t speed, uint16_t pulses);

 private:
  void I2c_Start();
  void I2c_Stop();
  int I2c_WriteByte(uint8_t byte);
  uint8_t I2c_ReadByte(bool ack);
};

// Interface kinds of a device object.
constexpr int kInterfaceParallel = 0;
constexpr int kInterfaceUsb = 1;

class ScannerDevice : public ScannerRegisters {
 public:
  int InterfaceKind() const { return interface_kind_; }

 protected:
  int interface_kind_ = kInterfaceParallel;
};

// The built-in FPGA design of the parallel-port scanner (41357 bytes).
constexpr size_t kBuiltInFpgaDesignSize = 41357;

} // namespace tarvel
