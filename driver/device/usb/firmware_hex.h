#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The Intel-HEX firmware image of the USB scanner's firmware download
// (`Usb_LoadFirmwareHex`), and the stricter record reader beside it.
namespace tarvel::usb {

struct FirmwareImage {
  std::vector<uint8_t> bytes;  // addresses 0 .. end-1, gaps 0xFE 0x80 repeated
  uint32_t lowest = 0;
  uint32_t end = 0;  // highest address + count
};

// Two passes over the text: the extent (a count of 0 ends it), then the
// data. 0, -406 for no extent or a field that does not parse, -301 for data
// beyond the extent. Lines that do not start with ':' and records of a type
// other than 0 are reported on the console and read all the same.
int ParseFirmwareHex(const std::string& text, FirmwareImage* image);

// Strict reader: every field must parse (-406), each record's bytes must sum
// to 0 modulo 256 (-407); stops with 0 at a type-1 record; stores the data
// of records of `type` one after another (-301 when they do not fit);
// *length in: capacity, out: bytes stored.
int ReadHexRecords(const std::string& text, uint8_t* buffer, uint32_t* length, int type);

}  // namespace tarvel::usb
