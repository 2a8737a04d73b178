#pragma once
// calibrate: one scan of a uniformly exposed plate becomes a normalization
// file, filed under a dated name and, when the user agrees, entered in the
// ini file as the active calibration.
#include <string>

#include "tools/calibrate/ini_settings.h"
#include "tools/console/terminal.h"

namespace calibrate {

// The whole program; returns its exit status. `settings` holds the ini
// values removed for the scan (the caller may restore them on a signal).
int Run(console::Terminal& terminal, IniSettings& settings);

// Prints the driver version and checks it ("%u.%03u": major 1, minor 2 or later).
bool CheckDriverVersion(console::Terminal& terminal, const char* version_text);

// A mode whose `Res` (or `Res_X` when `Res` is missing or empty) lies within
// 95..105 um; an unreadable value counts as 50.
bool ModeIsUsable(const std::string& ini, int mode);

}  // namespace calibrate
