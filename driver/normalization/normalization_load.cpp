#include "driver/normalization/normalization_load.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <optional>

#include "driver/acquisition/image_record.h"
#include "driver/result_codes.h"
#include "platform/files.h"

namespace tarvel {

std::string NormalizationFileNamed(const IniPath& ini) {
  std::string path = Ini_StringOr(ini, "Scanner", "Normalization", "");
  if (path.empty()) path = Ini_StringOr(ini, "Scanner", "Kalibrierdaten", "");
  return path;
}

FileCheck ReadNormalizationFile(const std::string& path, const ScannerLine& line, NormalizationFile* file) {
  if (path.empty()) return FileCheck::kNotSpecified;
  try {
    const std::optional<std::string> text = platform::ReadWholeFile(path);
    if (!text) return FileCheck::kNotFound;
    *file = ParseNormalizationFile(*text);
  } catch (const std::bad_alloc&) {
    return FileCheck::kNoMemory;
  }
  if (file->serial != line.serial) return FileCheck::kOtherDevice;
  if (file->value_count <= 0) return FileCheck::kBadValueCount;
  if (file->value_pitch <= 0) return FileCheck::kBadValuePitch;
  if (file->scan_start != line.strt_pix ||
      static_cast<double>(file->value_pitch) * file->value_count * 1e-9 < line.anz_pix * line.pitch_x)
    return FileCheck::kSettingsChanged;
  if (file->factors.size() < static_cast<size_t>(file->value_count)) return FileCheck::kShortFactors;
  return FileCheck::kOk;
}

int ReportFileCheck(FileCheck check, FileUse use, const std::string& path, const NormalizationFile& file,
                    LogSink& log) {
  const char* severity = use == FileUse::kLoad ? "WARNING" : "ERROR";
  switch (check) {
    case FileCheck::kOk: return kOk;
    case FileCheck::kNotSpecified: Logf(log, "%s: Normalization file not specified\n", severity); return kErrFailed;
    case FileCheck::kNotFound:
      if (use == FileUse::kLoad)
        Logf(log, "WARNING: Normalization file not found\n");
      else
        Logf(log, "ERROR: Normalization file '%s' not found\n", path.c_str());
      return kErrFailed;
    case FileCheck::kOtherDevice:
      Logf(log, "%s: Normalization file does not belong to this device\n", severity);
      return kErrSerialNumber;
    case FileCheck::kBadValueCount:
      Logf(log, "%s: Invalid ValueCount %d in normalization file\n", severity, file.value_count);
      return kErrFailed;
    case FileCheck::kBadValuePitch:
      Logf(log, "%s: Invalid ValuePitch %d in normalization file\n", severity, file.value_pitch);
      return kErrFailed;
    case FileCheck::kSettingsChanged:
      Logf(log, "%s: Scan settings have changed since the last normalization\n", severity);
      return kErrScanSettingsChanged;
    case FileCheck::kShortFactors:
      Logf(log, "%s: Only %d of %d factors in normalization file\n", severity, static_cast<int>(file.factors.size()),
           file.value_count);
      return kErrFailed;
    case FileCheck::kNoMemory: Logf(log, "Memory allocation error\n"); return kErrOutOfMemory;
  }
  return kErrFailed;
}

void ApplyFactors(std::vector<double>& table, double pitch_x, int32_t value_pitch, const std::vector<double>& factors) {
  if (factors.empty() || value_pitch <= 0) return;
  const double last = static_cast<double>(factors.size() - 1);
  // Factors made in this mode hold one per pixel: the stored pitch is the
  // mode's rounded, and scaling by it would shift the pixels by one where
  // it was rounded up.
  const bool own_pitch = value_pitch == NanoMetres(pitch_x);
  for (size_t i = 0; i < table.size(); ++i) {
    const double k =
        own_pitch ? static_cast<double>(i) : std::trunc(static_cast<double>(i) * pitch_x * 1e9 / value_pitch);
    table[i] *= factors[static_cast<size_t>(std::clamp(k, 0.0, last))];
  }
}

int Load_NormalizationFile(std::vector<double>& table, const std::string& path, const ScannerLine& line, LogSink& log) {
  Logf(log, "Normalization File: %s\n", path.c_str());
  NormalizationFile file;
  const FileCheck check = ReadNormalizationFile(path, line, &file);
  if (check != FileCheck::kOk) return ReportFileCheck(check, FileUse::kLoad, path, file, log);
  ApplyFactors(table, line.pitch_x, file.value_pitch, file.factors);
  Logf(log, "Normalization file succesfully loaded\n");
  return kOk;
}

}  // namespace tarvel
