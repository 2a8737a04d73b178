#pragma once
// The parallel-port transport: requests of the scanner's parallel-port
// kernel driver "\\.\TARVEL"; the bus and status operations are composed
// from its register access (bit-banged I2C, status and clock registers).
#include <cstdint>

#include "driver/config/log_sink.h"
#include "driver/device/i2c_master.h"
#include "driver/device/scanner_transport.h"
#include "platform/kernel_device.h"

namespace tarvel {

constexpr const char* kParallelPortDeviceName = "\\\\.\\TARVEL";

class EppPort final : public ScannerTransport {
 public:
  // Logs the firmware configuration to `log` when given.
  explicit EppPort(LogSink* log = nullptr);
  ~EppPort() override;  // closes the driver handle

  int InterfaceKind() const override { return kInterfaceParallel; }
  bool HandleValid() const override { return handle_ != platform::kInvalidDeviceHandle; }

  void Dev_Open() override;
  bool Dev_IsReady() override;
  int Dev_Connect() override;
  int Dev_ConfigureFpga(int keep) override;
  int Dev_Disconnect() override;
  uint8_t Reg_Read8(int reg) override;
  uint16_t Reg_Read16(int reg) override;
  uint32_t Reg_Read32(int reg) override;
  int Reg_Write8(int reg, int value) override;
  int Reg_Write16(int reg, int value) override;
  int Reg_Write32(int reg, uint32_t value) override;
  // kErrChecksum (*count 0) when every attempt had a wrong checksum;
  // kErrNoAnswer when a request of it failed.
  int Dev_ReadBlock(void* buffer, uint32_t capacity, uint32_t* count) override;

  // kErrNoAnswer when a register read failed.
  int Dev_GetScanStatus(ScanStatus* status) override;
  // The platform's last error, as the ready check reads it.
  void Dev_ClearNoAnswer() override;
  int Dev_NoAnswer() override;
  // kErrNoAnswer: the parallel port's one code of a silent scanner.
  int Dev_LostCode() override { return kErrNoAnswer; }
  void I2c_InitTemp(int device, int16_t limit) override { i2c_.InitTemp(device, limit); }
  int16_t I2c_ReadTemp(int device) override { return i2c_.ReadTemp(device); }
  uint32_t Dev_ReadLineCounter() override;
  int I2c_Read(uint8_t* buffer, int device, int first, int last) override {
    return i2c_.Read(buffer, device, first, last);
  }
  int I2c_Write(const uint8_t* data, int device, int first, int last) override {
    return i2c_.Write(data, device, first, last);
  }
  int I2c_WriteDac(int device, int value) override { return i2c_.WriteDac(device, value); }
  uint8_t I2c_ReadAdc(int device, int channel) override { return i2c_.ReadAdc(device, channel); }
  void Dev_WriteClockWord(uint16_t word) override;

 private:
  // One control request; false on failure (the platform's last error set).
  // *returned: the bytes the driver answered with.
  bool Request(uint32_t code, const void* in, uint32_t in_len, void* out, uint32_t out_len,
               uint32_t* returned = nullptr);
  bool SetAddress(int reg);

  NullLogSink null_log_;
  LogSink& log_;
  platform::DeviceHandle handle_ = platform::kInvalidDeviceHandle;
  bool connected_ = false;  // the port information was read; the disconnect resets the scanner
  uint8_t port_info_[4] = {};
  uint8_t port_config_[16] = {};
  I2cMaster i2c_{*this};
};

}  // namespace tarvel
