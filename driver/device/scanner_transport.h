#pragma once
// The scanner transport: the device operations whose implementation depends
// on how the scanner is attached. The parallel-port transport (`EppPort`)
// answers them with driver requests and single register accesses; the USB
// transport (`UsbScannerTransport`) forwards them to the scanner's firmware.
// The register and scan programming layer (`ScannerRegisters`) is written
// once over this interface. The table is closed: what only one interface
// offers is here too, answered "not on this interface" by the others, so no
// caller needs to know which transport it holds.
#include <climits>
#include <cstdint>
#include <string>

#include "driver/config/log_sink.h"
#include "driver/config/tarvel_records.h"
#include "driver/result_codes.h"

namespace tarvel {

// The scanner's 16-byte device status record (the export header's record).
using ::ScanStatus;

// Interface kinds of a transport.
constexpr int kInterfaceParallel = 0;
constexpr int kInterfaceUsb = 1;

// The answer of an operation the transport's interface does not offer: it
// moved nothing and touched no store. No scanner, driver or platform gives
// this code; callers turn it into their own refusal.
constexpr int kNotOnInterface = INT_MIN;

class ScannerTransport {
 public:
  ScannerTransport() = default;
  virtual ~ScannerTransport() = default;
  ScannerTransport(const ScannerTransport&) = delete;
  ScannerTransport& operator=(const ScannerTransport&) = delete;

  // Names the interface (the scanner report); what a transport can do is
  // asked of the operations below, never of its kind.
  virtual int InterfaceKind() const = 0;
  // True once `Dev_Open` reached the kernel driver.
  virtual bool HandleValid() const = 0;

  // Open, connect, load the firmware, disconnect.
  virtual void Dev_Open() = 0;
  virtual bool Dev_IsReady() = 0;
  virtual int Dev_Connect() = 0;
  virtual int Dev_ConfigureFpga(int keep) = 0;
  virtual int Dev_Disconnect() = 0;
  // Register access. Every operation that returns a status gives 0 on
  // success, else an error. Register reads return the value read, 0 when the request
  // failed (`Dev_NoAnswer` or the transport's error store tells which).
  virtual uint8_t Reg_Read8(int reg) = 0;
  virtual uint16_t Reg_Read16(int reg) = 0;
  virtual uint32_t Reg_Read32(int reg) = 0;
  virtual int Reg_Write8(int reg, int value) = 0;
  virtual int Reg_Write16(int reg, int value) = 0;
  virtual int Reg_Write32(int reg, uint32_t value) = 0;
  // Block read: the data waiting in the scanner memory, at most `capacity` bytes;
  // 0 with *count bytes delivered, else an error with *count 0.
  virtual int Dev_ReadBlock(void* buffer, uint32_t capacity, uint32_t* count) = 0;

  // Scan status, sensors, line counter, I2C and the clock word (the reset
  // pulse is the register layer's).
  virtual int Dev_GetScanStatus(ScanStatus* status) = 0;
  virtual void I2c_InitTemp(int device, int16_t limit) = 0;
  virtual int16_t I2c_ReadTemp(int device) = 0;
  virtual uint32_t Dev_ReadLineCounter() = 0;
  virtual int I2c_Read(uint8_t* buffer, int device, int first, int last) = 0;
  virtual int I2c_Write(const uint8_t* data, int device, int first, int last) = 0;
  virtual int I2c_WriteDac(int device, int value) = 0;
  virtual uint8_t I2c_ReadAdc(int device, int channel) = 0;
  virtual void Dev_WriteClockWord(uint16_t word) = 0;
  // 32-bit words of scan data already on the host that a block read has not
  // taken yet (a transport that reads ahead holds some).
  virtual uint32_t Dev_WordsOnHost() { return 0; }
  // Drops the scan data already on the host (a transport that reads ahead
  // holds some); what comes later is read afresh.
  virtual void Dev_DiscardHeldData() {}
  // Stops reading ahead, dropping what is held, and starts again: between
  // the two the scanner's read pointer can be moved without data of the
  // old position reaching the host.
  virtual void Dev_PauseReadAhead() {}
  virtual void Dev_ResumeReadAhead() {}
  // Waits up to `ms` for scan data to reach the host; false when none came
  // (at once for a transport that does not read ahead: a block read then
  // already delivered everything the scanner had).
  virtual bool Dev_WaitForData(uint32_t /*ms*/) { return false; }
  // Requests that failed for want of an answer: cleared, then asked after
  // a series of operations whose results do not show it (register reads
  // give 0). The code of the first unanswered request in the transport's
  // family (`Dev_LostCode` on the parallel port, the failed read's status
  // over USB), or 0 when every request was answered.
  virtual void Dev_ClearNoAnswer() {}
  virtual int Dev_NoAnswer() { return 0; }
  // A scanner that stopped answering, one way over every interface: the
  // code of its silence in the transport's own family (kErrNoAnswer on the
  // parallel port; over USB the first failure stored, which its status
  // record carries too), logged by the session with `LogNoAnswer`. Asked
  // when `Dev_IsReady` is false on a configured scanner.
  virtual int Dev_LostCode() = 0;

  // True for a transport whose scan data flow to the host on their own once
  // the scanner sends them (it reads ahead); false when each block read
  // takes them from the scanner memory at its read pointer.
  virtual bool Dev_ReadsAhead() const { return false; }

  // ---- Operations of the USB interface only ----
  // The scanner's vendor requests (index 0; *length in: bytes asked or sent,
  // out: bytes moved) and its large data PROMs (*length in: bytes asked;
  // out: the bytes moved when 1..65535, else 0). `Dev_OffersUsbRequests`
  // tells beforehand, for a caller that refuses before it starts; a
  // transport without them answers kNotOnInterface with *length 0.
  virtual bool Dev_OffersUsbRequests() const { return false; }
  virtual int Dev_VendorIn(uint8_t /*request*/, uint16_t /*value*/, uint8_t* /*buffer*/, uint32_t* length) {
    *length = 0;
    return kNotOnInterface;
  }
  virtual int Dev_VendorOut(uint8_t /*request*/, uint16_t /*value*/, const uint8_t* /*data*/, uint32_t* length) {
    *length = 0;
    return kNotOnInterface;
  }
  virtual int Dev_LargePromRead(int /*device*/, int /*offset*/, uint8_t* /*buffer*/, uint16_t* length) {
    *length = 0;
    return kNotOnInterface;
  }
  virtual int Dev_LargePromWrite(int /*device*/, int /*offset*/, const uint8_t* /*data*/, uint16_t* length) {
    *length = 0;
    return kNotOnInterface;
  }

  // Block-read attempts (10 after construction and `Dev_Open`, then the
  // session's `Retry`) and the count of failed attempts.
  int RetryCount() const { return retry_count_; }
  void SetRetryCount(int count) { retry_count_ = count; }
  int TransferErrors() const { return transfer_errors_; }
  void SetTransferErrors(int count) { transfer_errors_ = count; }
  void CountTransferError() { ++transfer_errors_; }
  // The FPGA design file (`Scanner` key `Firmware`); empty: the built-in design.
  const std::string& FpgaFileName() const { return fpga_file_name_; }
  void SetFpgaFileName(const std::string& file) { fpga_file_name_ = file; }

 private:
  int retry_count_ = 10;
  int transfer_errors_ = 0;
  std::string fpga_file_name_;
};

// The one log line of a scanner that stopped answering, whatever its
// transport; gives `code` back.
inline int LogNoAnswer(LogSink& log, int code) {
  Logf(log, "ERROR %i: Scanner does not answer\n", code);
  return code;
}

}  // namespace tarvel
