#pragma once
// The ini values a calibration scan must run without: the normalization
// files (`Kalibrierdaten`, and `Normalization`, which names a file that does
// not exist while the scan runs, so that the driver applies neither a file
// nor the data-PROM copy), 16-bit scaling and the mode's image filter.
// Their lines are taken out before the scan and put back afterwards where
// they stood, as they were. A backup file beside the ini holds them while
// they are out, so a run that cannot put them back (killed, power lost)
// leaves them for the next start.
#include <mutex>
#include <string>
#include <vector>

namespace calibrate {

// One line taken out of the ini file: its section, its place in the section
// (0 is the section's header) and its text without the line end.
struct RemovedLine {
  std::string section;
  size_t index = 0;
  std::string text;
};

// What a calibration took out of one ini file.
struct SavedSettings {
  std::string marker;  // the `Normalization` value during the scan
  bool created_section = false;  // section Scanner was added for the marker
  std::vector<RemovedLine> lines;
};

class IniSettings {
 public:
  // Writes the backup, then takes the lines of `Kalibrierdaten`,
  // `Normalization` and `Scale16Bit` of section Scanner and of `Filter` of
  // `mode_section` out and sets `Normalization` to the marker. False when the
  // ini is read-only or the backup or the ini could not be written; the ini
  // is then unchanged.
  bool SaveAndClear(const std::string& ini, const std::string& mode_section);
  // True when the ini now reads as the scan needs it: the three keys gone,
  // `Normalization` naming the marker, and no file of that name.
  bool Cleared() const;
  // The calibration file written back as `Kalibrierdaten`.
  void SetCalibrationFile(const std::string& path);
  // True when a `Normalization` file was set (it takes precedence).
  bool NormalizationSet() const;
  // Puts back what was taken out (with the new calibration file in its
  // `Kalibrierdaten` line) and removes the backup. True when nothing is left
  // to put back; after a failure the backup stays. Safe to call from another
  // thread while the program is interrupted.
  bool Restore();

  enum class Interrupted { kNone, kRestored, kFailed };
  // At the start: puts back the lines of a calibration that never restored
  // them (its backup beside `ini`) and removes the backup.
  static Interrupted RestoreInterrupted(const std::string& ini);

  static std::string BackupFile(const std::string& ini) { return ini + ".calibrate-backup"; }
  static std::string MarkerFile(const std::string& ini) { return ini + ".no-normalization"; }

 private:
  mutable std::mutex mutex_;
  bool saved_ = false;
  std::string ini_;
  std::string section_;
  SavedSettings saved_settings_;
  std::string calibration_;  // chosen during the run; empty: none
  bool normalization_set_ = false;
};

}  // namespace calibrate
