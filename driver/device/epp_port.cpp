// Driver requests of the parallel-port transport (platform/scanner_register_map.h).
#include "driver/device/epp_port.h"

#include <cstring>
#include <vector>

#include "driver/device/fpga_file.h"
#include "driver/device/register_operations.h"
#include "driver/result_codes.h"
#include "platform/little_endian.h"
#include "platform/scanner_register_map.h"

namespace tarvel {

namespace reg = platform::reg;

namespace {

using namespace platform::parport;

constexpr uint32_t kFpgaConfigured = 0x10;

// The failing request's error, never 0 (a short answer has no error of its own).
int LastErrorOrFailure() {
  uint32_t e = platform::GetLastError();
  return e != 0 ? static_cast<int>(e) : static_cast<int>(platform::kErrorGenFailure);
}

}  // namespace

EppPort::EppPort(LogSink* log) : log_(log ? *log : null_log_) {}

EppPort::~EppPort() {
  if (HandleValid()) platform::CloseDevice(handle_);
  handle_ = platform::kInvalidDeviceHandle;
}

bool EppPort::Request(uint32_t code, const void* in, uint32_t in_len, void* out, uint32_t out_len, uint32_t* returned) {
  uint32_t got = 0;
  bool ok = platform::DeviceIoControl(handle_, code, in, in_len, out, out_len, &got);
  if (returned) *returned = got;
  return ok;
}

bool EppPort::SetAddress(int reg) {
  uint32_t r = static_cast<uint32_t>(reg);
  return Request(kIoSetAddress, &r, 4, nullptr, 0);
}

// A second open keeps the handle it has: the driver connection belongs to it.
void EppPort::Dev_Open() {
  if (!HandleValid()) handle_ = platform::OpenDevice(kParallelPortDeviceName, 0, platform::kShareReadWrite);
  SetRetryCount(10);
  SetTransferErrors(0);
}

bool EppPort::Dev_IsReady() {
  platform::SetLastError(0);
  uint8_t status[4] = {};
  uint32_t got = 0;
  if (!Request(kIoStatus, nullptr, 0, status, 4, &got) || got < 4) return false;
  if (!(platform::LoadLe(status, 4) & kFpgaConfigured)) return false;
  Reg_Read8(reg::kStatus);
  return platform::GetLastError() == 0;
}

int EppPort::Dev_Connect() {
  uint32_t got = 0;
  if (!Request(kIoPortInfo, nullptr, 0, port_info_, sizeof port_info_, &got) || got != sizeof port_info_)
    return LastErrorOrFailure();
  if (!Request(kIoPortConfig, nullptr, 0, port_config_, sizeof port_config_, &got) || got != sizeof port_config_)
    return LastErrorOrFailure();
  connected_ = true;
  if (!Request(kIoConnect, nullptr, 0, nullptr, 0)) return LastErrorOrFailure();
  return 0;
}

int EppPort::Dev_Disconnect() {
  if (connected_) {
    Reg_Write8(reg::kDisconnect, 0x40);
    Reg_Write8(reg::kDisconnect, 0x40);
  }
  connected_ = false;
  if (!Request(kIoDisconnect, nullptr, 0, nullptr, 0)) return LastErrorOrFailure();
  return 0;
}

uint8_t EppPort::Reg_Read8(int reg) {
  uint32_t r = static_cast<uint32_t>(reg);
  uint8_t v[1] = {};
  uint32_t got = 0;
  if (!Request(kIoRead8, &r, 4, v, 1, &got) || got < 1) return 0;
  return v[0];
}

uint16_t EppPort::Reg_Read16(int reg) {
  uint32_t r = static_cast<uint32_t>(reg);
  uint8_t v[2] = {};
  uint32_t got = 0;
  if (!Request(kIoRead16, &r, 4, v, 2, &got) || got < 2) return 0;
  return static_cast<uint16_t>(platform::LoadLe(v, 2));
}

uint32_t EppPort::Reg_Read32(int reg) {
  uint32_t r = static_cast<uint32_t>(reg);
  uint8_t v[4] = {};
  uint32_t got = 0;
  if (!Request(kIoRead32, &r, 4, v, 4, &got) || got < 4) return 0;
  return platform::LoadLe(v, 4);
}

int EppPort::Reg_Write8(int reg, int value) {
  uint8_t v = static_cast<uint8_t>(value);
  return SetAddress(reg) && Request(kIoWrite8, &v, 1, nullptr, 0) ? 0 : LastErrorOrFailure();
}

int EppPort::Reg_Write16(int reg, int value) {
  uint8_t v[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
  return SetAddress(reg) && Request(kIoWrite16, v, 2, nullptr, 0) ? 0 : LastErrorOrFailure();
}

int EppPort::Reg_Write32(int reg, uint32_t value) {
  uint8_t v[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
                  static_cast<uint8_t>(value >> 24)};
  return SetAddress(reg) && Request(kIoWrite32, v, 4, nullptr, 0) ? 0 : LastErrorOrFailure();
}

int EppPort::Dev_ConfigureFpga(int keep) {
  std::vector<uint8_t> file;
  if (!FpgaFileName().empty()) file = Load_File(FpgaFileName());
  if (file.empty() && keep != 0 && Dev_IsReady()) return 0;

  uint8_t status[4] = {};
  uint32_t got = 0;
  if (!Request(kIoFpgaBegin, nullptr, 0, status, 4, &got)) return LastErrorOrFailure();
  if (platform::LoadLe(status, 4) & kFpgaConfigured) return kErrFpgaStatus;

  if (!file.empty()) {
    bool ok = Request(kIoFpgaDownload, file.data(), static_cast<uint32_t>(file.size()), status, 4, &got);
    if (ok)
      Logf(log_, "Xilinx reconfigured using file: %s\n", FpgaFileName().c_str());
    else
      Logf(log_, "FAILURE: Unable to configure Xilinx using file: %s\n", FpgaFileName().c_str());
    file.clear();
    if (ok) return (platform::LoadLe(status, 4) & kFpgaConfigured) ? 0 : kErrFpgaNotConfigured;
  }
  const std::vector<uint8_t>& design = BuiltInFpgaDesign();
  if (!Request(kIoFpgaDownload, design.data(), static_cast<uint32_t>(design.size()), status, 4, &got))
    return LastErrorOrFailure();
  return (platform::LoadLe(status, 4) & kFpgaConfigured) ? 0 : kErrFpgaNotConfigured;
}

void EppPort::Dev_ClearNoAnswer() { platform::SetLastError(0); }

int EppPort::Dev_NoAnswer() { return platform::GetLastError() != 0 ? Dev_LostCode() : 0; }

int EppPort::Dev_ReadBlock(void* buffer, uint32_t capacity, uint32_t* count) {
  *count = 0;
  Dev_ClearNoAnswer();
  uint64_t n = Reg_Read32(reg::kWordsWaiting);
  if (int e = Dev_NoAnswer(); e != 0) return e;
  if (n == 0) return 0;
  if (4 * n > capacity) n = capacity / 4;
  if (n == 0) return 0;  // room for no whole word
  uint32_t pointer = Reg_Read32(reg::kReadPointer);
  if (int e = Dev_NoAnswer(); e != 0) return e;
  uint32_t bytes = static_cast<uint32_t>(4 * n);
  auto* data = static_cast<uint8_t*>(buffer);
  int attempts = 0;
  do {
    ++attempts;
    Dev_ClearNoAnswer();
    Reg_Write8(reg::kBlockChecksum, 0);
    uint32_t got = 0;
    bool ok = SetAddress(reg::kMemoryData) && Request(kIoRead16, nullptr, 0, data, bytes, &got);
    uint16_t sum = 0;
    for (uint32_t i = 0; i + 1 < got; i += 2) sum = static_cast<uint16_t>(sum + platform::LoadLe(data + i, 2));
    if (ok && sum == Reg_Read16(reg::kBlockChecksum)) {
      *count = got;
      return 0;
    }
    Reg_Write32(reg::kReadPointer, pointer);
    CountTransferError();
  } while (attempts < RetryCount());
  *count = 0;
  // The last attempt's requests failed: the scanner does not answer.
  if (const int silent = Dev_NoAnswer(); silent != 0) return silent;
  return kErrChecksum;
}

int EppPort::Dev_GetScanStatus(ScanStatus* status) {
  Dev_ClearNoAnswer();
  ReadScanStatusRegisters(*this, status);
  return Dev_NoAnswer();
}

uint32_t EppPort::Dev_ReadLineCounter() { return ReadLineCounterRegisters(*this); }

void EppPort::Dev_WriteClockWord(uint16_t word) { ShiftClockWord(*this, word); }

}  // namespace tarvel
