#include "driver/device/usb/usb_fpga.h"

#include <cstring>

#include "driver/device/fpga_file.h"
#include "driver/device/usb/firmware_hex.h"
#include "driver/device/usb/usb_discovery.h"
#include "driver/device/usb/usb_scanner.h"
#include "driver/device/usb/usb_status.h"
#include "platform/files.h"

namespace tarvel::usb {

const char* DesignLabel(UsbDesign design) {
  switch (design) {
    case UsbDesign::kEraser: return "Built-in Eraser";
    case UsbDesign::kCompact: return "compact USB";
    case UsbDesign::kWide: return "wide USB";
    default: return "standard USB";
  }
}

const std::vector<uint8_t>& BuiltInUsbDesign(UsbDesign design) {
  static const std::vector<uint8_t> designs[4] = {
      MakeFpgaDesign(DesignLabel(UsbDesign::kStandard), 0x6A09E667u),
      MakeFpgaDesign(DesignLabel(UsbDesign::kEraser), 0xBB67AE85u),
      MakeFpgaDesign(DesignLabel(UsbDesign::kCompact), 0x3C6EF372u),
      MakeFpgaDesign(DesignLabel(UsbDesign::kWide), 0xA54FF53Au),
  };
  return designs[static_cast<int>(design)];
}

int Usb_ConfigureFpga(UsbScanner& transport, const std::string& design_file, int scanner_type, LogSink& log) {
  if (!design_file.empty()) {
    std::vector<uint8_t> bytes = Load_File(design_file);
    // A file that cannot be read is a failure of this step, not an empty design.
    if (!bytes.empty() && transport.SendFpgaDesign(bytes.data(), bytes.size()) == KPU_STATUS_SUCCESS) {
      Logf(log, "Xilinx reconfigured using file: %s\n", design_file.c_str());
      return KPU_STATUS_SUCCESS;
    }
    Logf(log, "FAILURE: Unable to configure Xilinx using file: %s\n", design_file.c_str());
  }
  UsbDesign design = ScannerTypeFactsOf(scanner_type).usb_design;
  const std::vector<uint8_t>& bytes = BuiltInUsbDesign(design);
  int result = transport.SendFpgaDesign(bytes.data(), bytes.size());
  if (result != KPU_STATUS_SUCCESS)
    Logf(log, "FAILURE: Unable to configure Xilinx\n");
  else
    Logf(log, "Xilinx reconfigured using %s design\n", DesignLabel(design));
  return transport.Devices().KeepFirstError(result);
}

int Usb_LoadFirmwareHex(UsbScanner& transport, const char* path, uint16_t first_offset, uint16_t start_address) {
  std::optional<std::string> text = path ? platform::ReadWholeFile(path) : std::nullopt;
  if (!text) return transport.Devices().KeepFirstError(KPU_STATUS_FILE_OPEN);
  FirmwareImage image;
  int result = ParseFirmwareHex(*text, &image);
  for (uint32_t offset = first_offset; result == KPU_STATUS_SUCCESS && offset < image.end;) {
    uint32_t piece = std::min<uint32_t>(image.end - offset, kMaxPiece);
    uint32_t moved = piece;
    result =
        transport.VendorOut(kReqFirmwareData, 0, static_cast<uint16_t>(offset), image.bytes.data() + offset, &moved);
    offset += piece;
  }
  if (result == KPU_STATUS_SUCCESS) {
    uint32_t none = 0;
    result = transport.VendorOut(kReqFirmwareStart, 0, start_address, nullptr, &none);
  }
  return transport.Devices().KeepFirstError(result);
}

}  // namespace tarvel::usb
