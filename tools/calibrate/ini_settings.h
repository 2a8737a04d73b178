#pragma once
// The ini values a calibration scan must run without: the normalization
// files (`Normalization`, `Kalibrierdaten`), 16-bit scaling and the mode's
// image filter. They are remembered and removed before the scan and written
// back afterwards; keys that were absent stay absent.
#include <mutex>
#include <string>

namespace calibrate {

class IniSettings {
 public:
  // Remembers `Kalibrierdaten`, `Normalization` and `Scale16Bit` of section
  // Scanner and `Filter` of `mode_section`, then deletes the four keys.
  void SaveAndClear(const std::string& ini, const std::string& mode_section);
  // The calibration file written back as `Kalibrierdaten`.
  void SetCalibrationFile(const std::string& path);
  // True when a `Normalization` file was set (it takes precedence).
  bool NormalizationSet() const;
  // Writes back what was remembered: each text when not empty, `Scale16Bit`
  // as "1" when it was set, `Filter` when not 0. Only once after a save; safe
  // to call from another thread while the program is interrupted.
  void Restore();

 private:
  mutable std::mutex mutex_;
  bool saved_ = false;
  std::string ini_;
  std::string section_;
  std::string calibration_;
  std::string normalization_;
  bool scale16_ = false;
  int filter_ = 0;
};

}  // namespace calibrate
