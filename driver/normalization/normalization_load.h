#pragma once
// Loading a normalization file into the session's table, and the checks
// every user of a normalization file makes before it uses one.
#include <string>
#include <vector>

#include "driver/config/ini_file.h"
#include "driver/config/log_sink.h"
#include "driver/normalization/normalization_file.h"
#include "driver/normalization/scanner_line.h"

namespace tarvel {

// Outcome of reading a normalization file for the connected scanner.
enum class FileCheck {
  kOk,
  kNotSpecified,  // empty path
  kNotFound,  // cannot be read
  kOtherDevice,  // serial number differs
  kBadValueCount,  // ValueCount <= 0
  kBadValuePitch,  // ValuePitch <= 0
  kSettingsChanged,  // ScanStart differs, or the factors do not cover the line
  kShortFactors,  // fewer usable factors than ValueCount
  kNoMemory,
};

// Reads and checks the file, in the order: path, serial number, counts,
// scan settings, factors.
FileCheck ReadNormalizationFile(const std::string& path, const ScannerLine& line, NormalizationFile* file);

// Who reads the file: the load at open warns, the data-PROM write fails.
enum class FileUse { kLoad, kPromWrite };

// Logs the line of a failed check and gives its code: -1, -100, -1013 or
// -1019.
int ReportFileCheck(FileCheck check, FileUse use, const std::string& path, const NormalizationFile& file, LogSink& log);

// table[i] *= factor[k], k = trunc(i x pitch x / ValuePitch), at most the
// last factor.
void ApplyFactors(std::vector<double>& table, double pitch_x, int32_t value_pitch, const std::vector<double>& factors);

// The normalization file the ini names: `Normalization`, else
// `Kalibrierdaten`; "" when neither gives a path.
std::string NormalizationFileNamed(const IniPath& ini);

// Loads the file at `path` into the table (one entry per pixel of the line);
// 0, or -1, -100, -1013, -1019 with the table as it was.
int Load_NormalizationFile(std::vector<double>& table, const std::string& path, const ScannerLine& line, LogSink& log);

}  // namespace tarvel
