#include "driver/normalization/normalization_prom.h"

#include <cstring>
#include <new>

#include "driver/device/i2c_master.h"
#include "driver/device/scanner_transport.h"
#include "driver/normalization/normalization_load.h"
#include "driver/normalization/prom_copy.h"
#include "driver/result_codes.h"
#include "platform/files.h"

namespace tarvel {
namespace {

constexpr int kIdBlockLast = 31;

// The data PROM is reached only over a transport that offers the USB
// requests (asked before anything is read or written).
bool HasDataProm(ScannerRegisters& device) { return device.Transport().Dev_OffersUsbRequests(); }

// Announces (1) or withdraws (0) the copy in the identification PROM.
int SetDataPromType(PromSession& s, uint8_t type) {
  if (!s.id_read) {
    // Writing back a block that was never read would erase the serial number.
    Logf(s.log, "ERROR: Serial Number PROM was not read; not updated\n");
    return kErrI2cNoAck;
  }
  s.id_block[kDataPromTypeByte] = type;
  const int r = s.device.Transport().I2c_Write(s.id_block, kI2cIdProm, 0, kIdBlockLast);
  if (r != 0) Logf(s.log, "ERROR %d: Unable to update Serial Number PROM\n", r);
  return r;
}

int WriteProm(PromSession& s, int offset, const uint8_t* data, size_t size, const char* error_line) {
  uint16_t n = static_cast<uint16_t>(size);
  const int r = s.device.Transport().Dev_LargePromWrite(kDataProm, offset, data, &n);
  if (r != 0) {
    Logf(s.log, error_line, r);
    return r;
  }
  if (n < size) {
    Logf(s.log, "ERROR: Only %d of %d bytes written data PROM\n", static_cast<int>(n), static_cast<int>(size));
    return kErrI2cNoAck;
  }
  return kOk;
}

// Reads and checks the copy: 0, a transfer's code, -100 or -1007.
int ReadPromCopy(PromSession& s, const char* no_memory_line, PromHeader* header, std::vector<double>* factors) {
  uint8_t head[kPromHeaderBytes];
  if (int r = ReadDataPromHeader(s.device, s.log, head, header); r != 0) return r;
  if (header->version != kPromVersion) {
    Logf(s.log, "ERROR: Unrecognized type of normalization data (%d)\n", header->version);
    return kErrI2cNoAck;
  }
  if (!PromCopyFits(header->value_count) || header->value_pitch <= 0) {
    Logf(s.log, "ERROR: Invalid normalization header in the data PROM (ValueCount %d, ValuePitch %d)\n",
         header->value_count, header->value_pitch);
    return kErrI2cNoAck;
  }
  std::vector<uint8_t> data;
  try {
    data.resize(static_cast<size_t>(header->value_count) * 8);
  } catch (const std::bad_alloc&) {
    Logf(s.log, "%s", no_memory_line);
    return kErrOutOfMemory;
  }
  if (int r = ReadDataProm(s.device, s.log, static_cast<int>(kPromHeaderBytes), data.data(), data.size(),
                           "ERROR %d: Unable to read normalizataion data from the PROM\n",
                           "ERROR: Only %d of %d bytes read from data PROM\n");
      r != 0)
    return r;
  const uint32_t sum = PromWordSum(head, sizeof head) + PromWordSum(data.data(), data.size());
  if (sum != 0) {
    Logf(s.log, "ERROR: Bad checksum in readback %d\n", static_cast<int32_t>(sum));
    return kErrI2cNoAck;
  }
  *factors = DecodePromFactors(data.data(), header->value_count);
  return kOk;
}

}  // namespace

int RequireDataPromUsb(ScannerRegisters& device, LogSink& log) {
  if (HasDataProm(device)) return kOk;
  Logf(log, "ERROR: Normalization data PROM requires USB interface\n");
  return kErrNotUsb;
}

int ReadDataProm(ScannerRegisters& device, LogSink& log, int offset, uint8_t* buffer, size_t size,
                 const char* error_line, const char* short_line) {
  uint16_t n = static_cast<uint16_t>(size);
  const int r = device.Transport().Dev_LargePromRead(kDataProm, offset, buffer, &n);
  if (r != 0) {
    Logf(log, error_line, r);
    return r;
  }
  if (n < size) {
    Logf(log, short_line, static_cast<int>(n), static_cast<int>(size));
    return kErrI2cNoAck;
  }
  return kOk;
}

int ReadDataPromHeader(ScannerRegisters& device, LogSink& log, uint8_t* bytes, PromHeader* header) {
  if (int r = ReadDataProm(device, log, 0, bytes, kPromHeaderBytes, "ERROR %d: Unable to read header from data PROM\n",
                           "ERROR: Only %d of %d bytes read from the data PROM\n");
      r != 0)
    return r;
  *header = DecodePromHeader(bytes);
  return kOk;
}

bool Load_NormalizationProm(std::vector<double>& table, PromSession& s) {
  if (!HasDataProm(s.device) || s.id_block[kDataPromTypeByte] != 1) return false;
  PromHeader header;
  std::vector<double> factors;
  if (ReadPromCopy(s, "Could not allocate memory for the data table\n", &header, &factors) != 0) return false;
  ApplyFactors(table, s.line.pitch_x, header.value_pitch, factors);
  return true;
}

int Write_NormalizationData(const std::string& path, PromSession& s) {
  if (int r = RequireDataPromUsb(s.device, s.log); r != 0) return r;
  Logf(s.log, "Normalization File: %s\n", path.c_str());
  NormalizationFile file;
  const FileCheck check = ReadNormalizationFile(path, s.line, &file);
  if (check != FileCheck::kOk) return ReportFileCheck(check, FileUse::kPromWrite, path, file, s.log);
  if (!PromCopyFits(file.value_count)) {
    Logf(s.log, "ERROR: %d values do not fit the data PROM\n", file.value_count);
    return kErrFailed;
  }
  file.factors.resize(static_cast<size_t>(file.value_count));
  Logf(s.log, "  Data loaded\n");
  const std::vector<uint8_t> copy = EncodePromCopy(file);

  // No copy is announced while it is being replaced.
  if (int r = SetDataPromType(s, 0); r != 0) return r;
  if (int r = WriteProm(s, 0, copy.data(), kPromHeaderBytes, "ERROR %d: Unable to write header to data PROM\n"); r != 0)
    return r;
  if (int r = WriteProm(s, static_cast<int>(kPromHeaderBytes), copy.data() + kPromHeaderBytes,
                        copy.size() - kPromHeaderBytes, "ERROR %d: Unable to write normalizataion data to PROM\n");
      r != 0)
    return r;

  std::vector<uint8_t> back;
  try {
    back.resize(copy.size());
  } catch (const std::bad_alloc&) {
    Logf(s.log, "Could not allocate memory for the readback buffer\n");
    return kErrOutOfMemory;
  }
  if (int r = ReadDataProm(s.device, s.log, 0, back.data(), back.size(),
                           "ERROR %d: Unable to read normalizataion data from the PROM\n",
                           "ERROR: Only %d of %d bytes read from data PROM\n");
      r != 0)
    return r;
  for (size_t word = 0; word < copy.size() / 4; ++word) {
    if (std::memcmp(copy.data() + 4 * word, back.data() + 4 * word, 4) != 0) {
      Logf(s.log, "ERROR: Data missmatch at DWORD %u in readback\n", static_cast<unsigned>(word));
      return kErrI2cNoAck;
    }
  }
  if (const uint32_t sum = PromWordSum(back.data(), back.size()); sum != 0) {
    Logf(s.log, "ERROR: Bad checksum in readback %d\n", static_cast<int32_t>(sum));
    return kErrI2cNoAck;
  }
  return SetDataPromType(s, 1);
}

int Read_NormalizationData(const std::string& path, PromSession& s) {
  if (int r = RequireDataPromUsb(s.device, s.log); r != 0) return r;
  if (s.id_block[kDataPromTypeByte] != 1) {
    Logf(s.log, "ERROR: No normalization data present in the PROM\n");
    return kErrI2cNoAck;
  }
  PromHeader header;
  std::vector<double> factors;
  if (int r = ReadPromCopy(s, "ERROR: Unable to allocate memory for the data table\n", &header, &factors); r != 0)
    return r;
  const NormalizationFile file = FileFromPromCopy(header, std::move(factors), s.line.serial);
  if (!platform::WriteFileAtomically(path, FormatNormalizationFile(file))) return kErrFailed;
  return kOk;
}

int Clear_NormalizationData(PromSession& s) {
  if (int r = RequireDataPromUsb(s.device, s.log); r != 0) return r;
  const uint8_t zeros[kPromHeaderBytes] = {};
  WriteProm(s, 0, zeros, sizeof zeros, "ERROR %d: Unable to write header to data PROM\n");
  return SetDataPromType(s, 0);
}

}  // namespace tarvel
