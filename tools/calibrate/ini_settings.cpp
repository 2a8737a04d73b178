#include "tools/calibrate/ini_settings.h"

#include "platform/profile.h"

namespace calibrate {

void IniSettings::SaveAndClear(const std::string& ini, const std::string& mode_section) {
  std::lock_guard<std::mutex> lock(mutex_);
  ini_ = ini;
  section_ = mode_section;
  calibration_ = platform::ReadProfileString(ini, "Scanner", "Kalibrierdaten").value_or("");
  normalization_ = platform::ReadProfileString(ini, "Scanner", "Normalization").value_or("");
  scale16_ = platform::ReadProfileInt(ini, "Scanner", "Scale16Bit", 0) != 0;
  filter_ = platform::ReadProfileInt(ini, mode_section, "Filter", 0);
  saved_ = true;
  platform::WriteProfileString(ini, "Scanner", "Kalibrierdaten", nullptr);
  platform::WriteProfileString(ini, "Scanner", "Normalization", nullptr);
  platform::WriteProfileString(ini, "Scanner", "Scale16Bit", nullptr);
  platform::WriteProfileString(ini, mode_section, "Filter", nullptr);
}

void IniSettings::SetCalibrationFile(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  calibration_ = path;
}

bool IniSettings::NormalizationSet() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return !normalization_.empty();
}

void IniSettings::Restore() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!saved_) return;
  saved_ = false;
  if (!calibration_.empty()) platform::WriteProfileString(ini_, "Scanner", "Kalibrierdaten", calibration_.c_str());
  if (!normalization_.empty()) platform::WriteProfileString(ini_, "Scanner", "Normalization", normalization_.c_str());
  if (scale16_) platform::WriteProfileString(ini_, "Scanner", "Scale16Bit", "1");
  if (filter_ != 0) platform::WriteProfileString(ini_, section_, "Filter", std::to_string(filter_).c_str());
}

}  // namespace calibrate
