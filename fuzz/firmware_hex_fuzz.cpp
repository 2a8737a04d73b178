// Arbitrary text as an Intel-HEX firmware file: both readers must end with a
// code, never write outside the image or the caller's buffer.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "driver/device/usb/firmware_hex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  tarvel::usb::FirmwareImage image;
  if (tarvel::usb::ParseFirmwareHex(text, &image) == 0 &&
      (image.bytes.size() != image.end || image.lowest >= image.end))
    std::abort();
  uint8_t buffer[64];
  uint32_t length = sizeof buffer;
  if (tarvel::usb::ReadHexRecords(text, buffer, &length, 0) == 0 && length > sizeof buffer) std::abort();
  return 0;
}
