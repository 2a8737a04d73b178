#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "driver/tarvel_api.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "tools/calibrate/calibrate.h"
#include "tools/calibrate/calibration_file.h"
#include "tools/console/image_heading.h"
#include "tools/console/mode_keys.h"
#include "tools/console/status_bits.h"

namespace calibrate {
namespace {

constexpr const char* kPartNumber = "10210";
constexpr const char* kRevision = "B";
constexpr int kStopBits = int(0x82000000u);  // error, transport running

// The driver keeps the pointer, not the bytes: the text must outlive the session.
char g_extra_header[256];

void PrintIniError(console::Terminal& t, const std::string& ini) {
  t.Print("ERROR: Unable to change the ini file '%s'\n", ini.c_str());
}

// Puts the ini values back; when that fails their backup stays for the next start.
void RestoreSettings(console::Terminal& t, IniSettings& settings, const std::string& ini) {
  if (!settings.Restore()) PrintIniError(t, ini);
}

int FatalExit(console::Terminal& t, IniSettings& settings, const std::string& ini = "") {
  t.Write("\n[Press any key to end]");
  t.GetKey();
  RestoreSettings(t, settings, ini);
  return -1;
}

std::optional<int> SelectScanMode(console::Terminal& t, const std::string& ini) {
  const int count = Get_Paramcount();
  t.Print("Of the %i scan modes, the following can be used:\n", count);
  std::vector<bool> usable(size_t(count > 0 ? count : 0) + 1, false);
  for (int i = 1; i <= count; ++i) {
    if (!ModeIsUsable(ini, i)) continue;
    usable[size_t(i)] = true;
    const std::string name = platform::ReadProfileString(ini, "Param_#" + std::to_string(i), "ParamName").value_or("");
    t.Print(" %5i: %s\n", i, name.c_str());
  }
  t.Write("Select mode: ");
  return console::ReadModeNumber(t, count, [&](int m) { return m >= 1 && m <= count && usable[size_t(m)]; });
}

void PrintStatus(console::Terminal& t, unsigned& counter, int status) {
  t.Print("\r%u: Status = %s", ++counter, console::FormatStatusBits(uint32_t(status)).c_str());
}

// Moves the new file into the calibration folder and asks whether it becomes
// the active one. A file that cannot be moved stays where it is, unoffered.
void FileCalibration(console::Terminal& t, IniSettings& settings, const std::string& ini, const char* image,
                     const ImageInfo& info) {
  const std::string target = CalibrationFileName(CalibrationFolder(ini), info);
  const std::string written = WrittenCalibrationFile(image);
  if (!platform::MoveFile(written, target)) {
    t.Print("    ERROR: Unable to move the calibration file '%s' to '%s'\n", written.c_str(), target.c_str());
    return;
  }
  t.Print("    Created calibration file '%s'\n\n", std::string(platform::FileNamePart(target)).c_str());
  t.Write("Set this as the new calibration file? ");
  for (;;) {
    const int key = t.GetKey();
    const bool yes = key == 'y' || key == 'Y';
    if (!yes && key != 'n' && key != 'N' && key != console::kKeyEndOfInput) continue;
    t.Write("\n");
    if (yes) {
      settings.SetCalibrationFile(target);
      if (settings.NormalizationSet())
        t.Write("    NOTE: 'Normalization' in the ini file still takes precedence over this calibration file.\n");
    }
    return;
  }
}

void ProcessImage(console::Terminal& t, IniSettings& settings, const std::string& ini, const char* name) {
  const std::optional<ImageInfo> record = console::ImageHeading(t, name);
  if (!record) return;
  const ImageInfo& info = *record;
  t.Print("    Size:             %i x %i\n", info.width, info.height);
  t.Print("    Resolution:       %.3fum x %.3fum\n", info.pitch_x * 0.001, info.pitch_y * 0.001);
  t.Print("    Start Position:   %i (%fmm) \n", info.start_position, info.start_position * info.pitch_x * 1e-6);
  t.Print("    Serial Number:    %.*s\n", int(strnlen(info.serial_number, sizeof info.serial_number)),
          info.serial_number);
  t.Print("    Maximum value:    %u of %u possible\n", unsigned(info.maximum), unsigned(info.possible_maximum));
  t.Print("    Average value:    %u\n", unsigned(info.average));
  switch (const int rc = Make_CalibFile(name)) {
    case 0: FileCalibration(t, settings, ini, name, info); break;
    case -1018: t.Write("    Image too noisy\n"); break;
    case -1015:
    case -1016: t.Write("    Exposure is out of range\n"); break;
    case -1014: t.Write("    Too small to create a calibration file\n"); break;
    default: t.Print("    Can not create a calibration file (%d)\n", rc);
  }
}

}  // namespace

int Run(console::Terminal& t, IniSettings& settings) {
  t.Print("Calibrate: Vornix Calibration Program, p/n %s Revision %s\n", kPartNumber, kRevision);
  char text[256] = {};
  Get_DriverVersion(text);
  if (!CheckDriverVersion(t, text)) return FatalExit(t, settings);
  char ini_text[256] = {};
  if (Get_IniFileName(ini_text) != 0) {
    t.Print("\nERROR: Unable to locate ini file: '%s'\n", ini_text);
    return FatalExit(t, settings);
  }
  t.Print("   Ini file: '%s'\n", ini_text);
  const std::string ini = ini_text;
  switch (IniSettings::RestoreInterrupted(ini)) {
    case IniSettings::Interrupted::kNone: break;
    case IniSettings::Interrupted::kRestored: t.Write("   Restored the ini settings of an interrupted calibration\n"); break;
    case IniSettings::Interrupted::kFailed: PrintIniError(t, ini); return FatalExit(t, settings);
  }

  t.Write("\n");
  const std::optional<int> mode = SelectScanMode(t, ini);
  if (!mode) return 0;
  t.Write("\n");
  // The scan runs only once the ini reads without the values.
  if (!settings.SaveAndClear(ini, "Param_#" + std::to_string(*mode)) || !settings.Cleared()) {
    PrintIniError(t, ini);
    return FatalExit(t, settings, ini);
  }

  if (const int r = Open_Scanner(*mode); r != 0) {
    t.Print("ERROR: Open_Scanner(%d) failed with error code %d\n", *mode, r);
    if (r == -3 || r == -1001) t.Write("   Is the scanner connected and turned on?\n");
    return FatalExit(t, settings, ini);
  }
  char serial[256] = {};
  Get_Serialnumber(serial);
  t.Print("Vornix Serial Number: %s\n", serial);
  std::snprintf(g_extra_header, sizeof g_extra_header, "Vornix Calibration p/n %s Rev %s Scan mode %d\n", kPartNumber,
                kRevision, *mode);
  Set_ImageExtraHeader(int32_t(std::strlen(g_extra_header) + 1), g_extra_header);
  Set_Prescanmode(256);
  Aktivate_Scanner();

  // Until the transport starts (or an error, or Esc: then one more status).
  unsigned counter = 0;
  bool escape = false;
  int s = 0;
  for (;;) {
    s = Get_Status();
    if ((s & kStopBits) != 0 || escape) break;
    if (t.KeyWaiting() && console::IsEscape(t.GetKey())) {
      escape = true;
      continue;
    }
    PrintStatus(t, counter, s);
  }
  Deaktivate_Scanner();
  if (s >= 0 && !escape) {
    t.Write("\nPress any key when done...\n");
    while (!t.KeyWaiting()) PrintStatus(t, counter, Get_Status());
    t.GetKey();
  }

  t.Write("\n");
  t.Write("\nChecking for images...\n\n");
  char name[256] = {};
  while (Get_ImageName(name) > 0) {
    ProcessImage(t, settings, ini, name);
    t.Write("\n");
  }
  Close_Scanner();
  t.Write("Done.\n");
  RestoreSettings(t, settings, ini);
  t.Write("\n[Press any key to end]");
  return t.GetKey();
}

}  // namespace calibrate
