#include "driver/config/mode_list.h"

#include "driver/config/ini_file.h"
#include "driver/config/scan_mode.h"
#include "driver/config/scanner_type.h"
#include "driver/result_codes.h"

namespace tarvel {
namespace {

// A mode exists while its `ParamName` is present and not empty.
bool Exists(const IniFile& ini, int mode) {
  std::string name;
  return Ini_ReadString(ini, ModeSection(mode), "ParamName", name) == 0;
}

PlateType KindOf(const IniFile& ini, int mode) {
  return PlateTypeFromImgTypes(Ini_StringOr(ini, ModeSection(mode), "ImgTypes", ""));
}

bool IntraOnlyWithErase(int type) { return type == 12 || type == 13 || type == 14; }

}  // namespace

int ParamCount() {
  const IniFile ini = Ini_Open();
  if (!ini.found) return 0;
  const int type = ScannerType();
  int n = 0;
  if (type == 5 || IntraOnlyWithErase(type)) {
    while (Exists(ini, n + 1) && KindOf(ini, n + 1) == kPlateIntraoral) ++n;
    if (IntraOnlyWithErase(type)) {
      for (int m = n + 1; Exists(ini, m); ++m) {
        if (KindOf(ini, m) == kPlateErase) return n + 1;
      }
    }
    return n;
  }
  const bool every_mode = type == 3 || type == 4 || type == 15 || type == 16 || type == 17;
  while (Exists(ini, n + 1) && (every_mode || KindOf(ini, n + 1) != kPlateErase)) ++n;
  return n;
}

int ParamName(int mode, std::string& name) {
  name.clear();
  if (mode > ParamCount()) return kErrNotFound;
  const IniFile ini = Ini_Open();
  if (IntraOnlyWithErase(ScannerType()) && KindOf(ini, mode) != kPlateIntraoral) {
    // The first erase mode from `mode` on, before a missing mode.
    for (;; ++mode) {
      if (!Exists(ini, mode)) return kErrNotFound;
      if (KindOf(ini, mode) == kPlateErase) break;
    }
  }
  return Ini_ReadString(ini, ModeSection(mode), "ParamName", name) == 0 ? kOk : kErrNotFound;
}

}  // namespace tarvel
