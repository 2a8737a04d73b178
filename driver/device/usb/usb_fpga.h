#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "driver/config/log_sink.h"
#include "driver/config/scanner_type.h"

// The FPGA configuration over USB: the four built-in designs (41357 bytes
// each) chosen by scanner type, and `Usb_ConfigureFpga`.
namespace tarvel::usb {

class UsbScanner;

// The design's label, as its log line and its payload carry it.
const char* DesignLabel(UsbDesign design);
const std::vector<uint8_t>& BuiltInUsbDesign(UsbDesign design);

// Configures from the design file when one is named (a file that cannot be
// read fails this step), else or after a failure from the built-in design
// of the scanner type; logs the outcome to `log`. Stored result.
int Usb_ConfigureFpga(UsbScanner& transport, const std::string& design_file, int scanner_type, LogSink& log);

// The firmware download (`Usb_LoadFirmwareHex`): file, first offset to
// send, start address. Used by no flow of the library.
int Usb_LoadFirmwareHex(UsbScanner& transport, const char* path, uint16_t first_offset, uint16_t start_address);

}  // namespace tarvel::usb
