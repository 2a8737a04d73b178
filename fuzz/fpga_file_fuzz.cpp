// Arbitrary text as an FPGA design file: the reader must end, never read or
// write out of bounds, and give either none or whole records plus padding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "driver/device/fpga_file.h"
#include "testing/temp_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const testsupport::TempFolder folder("fpga-file-fuzz");
  static const std::string path = folder / "design.hex";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  std::vector<uint8_t> design = tarvel::Load_File(path);
  if (!design.empty()) {
    // Every design ends in the 20 zero bytes; no more data than hex digits.
    if (design.size() < 20 || design.size() - 20 > size / 2) std::abort();
    for (size_t i = design.size() - 20; i < design.size(); ++i)
      if (design[i] != 0) std::abort();
  }
  return 0;
}
