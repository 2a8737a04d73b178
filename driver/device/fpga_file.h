#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarvel {

// `Load_File`: an FPGA design file in Intel HEX text. Characters that are
// not hexadecimal digits are passed over; the data of type-0 records are
// concatenated in file order (addresses are ignored); reading stops after a
// type-1 record or at the end of the file (a record cut short there is
// dropped); 20 zero bytes are appended. Empty (none) when the file cannot be
// opened or a record's checksum is wrong.
std::vector<uint8_t> Load_File(const std::string& path);

// The built-in design of the parallel-port scanner: kBuiltInFpgaDesignSize
// bytes, the same in every run.
constexpr size_t kBuiltInFpgaDesignSize = 41357;
const std::vector<uint8_t>& BuiltInFpgaDesign();
// A design in that format: the label's text and a NUL (when a label is given)
// lead the payload, a pseudo-random sequence from seed fills the rest.
std::vector<uint8_t> MakeFpgaDesign(const char* label, uint32_t seed);

}  // namespace tarvel
