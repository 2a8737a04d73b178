// Arbitrary bytes as a normalization file (the load's reader and checks,
// the report's summary) and as a data-PROM copy: the readers must end, stay
// in bounds, and accept only what their checks promise.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/normalization/normalization_load.h"
#include "driver/normalization/normalization_summary.h"
#include "driver/normalization/prom_copy.h"

namespace {

// The line of a 100 um mode: 3160 pixels from position 14583.
const tarvel::ScannerLine kLine{"VX0000001", 14583, 3160, 100.9e-6};

void AsFile(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/normalization-file-fuzz-" + std::to_string(::getpid()) + ".kor";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return;
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  tarvel::NormalizationFile file;
  if (tarvel::ReadNormalizationFile(path, kLine, &file) == tarvel::FileCheck::kOk) {
    if (file.value_count <= 0 || file.value_pitch <= 0 || file.factors.size() != size_t(file.value_count)) std::abort();
    for (double factor : file.factors)
      if (!std::isfinite(factor)) std::abort();
    std::vector<double> table(size_t(kLine.anz_pix), 1.0);
    tarvel::ApplyFactors(table, kLine.pitch_x, file.value_pitch, file.factors);
  }
  std::string serial, date;
  if (tarvel::NormalizationFile_Summary(path, &serial, &date) != 0) std::abort();
  if (serial.size() > 64 || date.size() > 16) std::abort();
}

void AsPromCopy(const uint8_t* data, size_t size) {
  if (size < tarvel::kPromHeaderBytes) return;
  const tarvel::PromHeader header = tarvel::DecodePromHeader(data);
  if (!tarvel::PromCopyFits(header.value_count)) return;
  const size_t need = tarvel::kPromHeaderBytes + 8 * size_t(header.value_count);
  if (size < need) return;
  const uint32_t sum = tarvel::PromWordSum(data, need);
  const std::vector<double> factors = tarvel::DecodePromFactors(data + tarvel::kPromHeaderBytes, header.value_count);
  if (factors.size() != size_t(header.value_count)) std::abort();
  if (sum == 0 && header.value_pitch > 0) {
    std::vector<double> table(size_t(kLine.anz_pix), 1.0);
    tarvel::ApplyFactors(table, kLine.pitch_x, header.value_pitch, factors);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  AsFile(data, size);
  AsPromCopy(data, size);
  return 0;
}
