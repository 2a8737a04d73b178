#pragma once
// The normalization copy in the scanner's data PROM (USB only): applied at
// open, written from a normalization file with a verified read-back, read
// back into a file, and cleared. The data PROM type (byte 31 of the
// identification block) announces a valid copy.
#include <cstdint>
#include <string>
#include <vector>

#include "driver/config/log_sink.h"
#include "driver/device/scanner_registers.h"
#include "driver/normalization/prom_copy.h"
#include "driver/normalization/scanner_line.h"

namespace tarvel {

// What the data-PROM operations use of the open session.
struct PromSession {
  ScannerRegisters& device;
  uint8_t* id_block;  // the 32 bytes read at open; [31] the data PROM type
  bool id_read;  // the block was read at open (else it is not written back)
  ScannerLine line;
  LogSink& log;
};

// 0 on USB; else -1019 with its error line. The reads and writes of the
// data PROM below need the USB transport.
int RequireDataPromUsb(ScannerRegisters& device, LogSink& log);
// Reads `size` bytes of the data PROM at `offset`: 0, the transfer's code
// (`error_line` logged with it), or -1007 when short (`short_line` logged
// with the bytes read and asked).
int ReadDataProm(ScannerRegisters& device, LogSink& log, int offset, uint8_t* buffer, size_t size,
                 const char* error_line, const char* short_line);
// Reads the copy's header into `bytes` (kPromHeaderBytes) and decodes it;
// ReadDataProm's results, with the header's error lines.
int ReadDataPromHeader(ScannerRegisters& device, LogSink& log, uint8_t* bytes, PromHeader* header);

// Applies the copy to the table when the interface is USB and the data
// PROM type is 1; false (table unchanged) on every failure.
bool Load_NormalizationProm(std::vector<double>& table, PromSession& s);
// 0, -1, -100, -1007, -1013, -1019, or the code of a failed transfer.
int Write_NormalizationData(const std::string& path, PromSession& s);
// 0, -1, -100, -1007, or the code of a failed transfer.
int Read_NormalizationData(const std::string& path, PromSession& s);
// 0, -1007, or the code of the identification PROM write.
int Clear_NormalizationData(PromSession& s);

}  // namespace tarvel
