#include "driver/config/mode_list.h"

#include "driver/config/ini_file.h"
#include "driver/config/scan_mode.h"
#include "driver/config/scanner_type.h"
#include "driver/result_codes.h"

namespace tarvel {
namespace {

// A mode exists while its `ParamName` is present and not empty.
bool Exists(const IniPath& ini, int mode) {
  std::string name;
  return Ini_ReadString(ini, ModeSection(mode), "ParamName", name) == 0;
}

PlateType KindOf(const IniPath& ini, int mode) {
  return PlateTypeFromImgTypes(Ini_StringOr(ini, ModeSection(mode), "ImgTypes", ""));
}

}  // namespace

int ParamCount(int scanner_type) {
  const IniPath ini = Ini_Open();
  if (!ini.found) return 0;
  const ScannerTypeFacts& type = ScannerTypeFactsOf(scanner_type);
  int n = 0;
  if (type.intraoral_modes) {
    while (Exists(ini, n + 1) && KindOf(ini, n + 1) == kPlateIntraoral) ++n;
    if (type.erase_after_intraoral) {
      for (int m = n + 1; Exists(ini, m); ++m) {
        if (KindOf(ini, m) == kPlateErase) return n + 1;
      }
    }
    return n;
  }
  while (Exists(ini, n + 1) && (type.every_mode || KindOf(ini, n + 1) != kPlateErase)) ++n;
  return n;
}

int ParamName(int scanner_type, int mode, std::string& name) {
  name.clear();
  if (mode > ParamCount(scanner_type)) return kErrNotFound;
  const IniPath ini = Ini_Open();
  if (ScannerTypeFactsOf(scanner_type).erase_after_intraoral && KindOf(ini, mode) != kPlateIntraoral) {
    // The first erase mode from `mode` on, before a missing mode.
    for (;; ++mode) {
      if (!Exists(ini, mode)) return kErrNotFound;
      if (KindOf(ini, mode) == kPlateErase) break;
    }
  }
  return Ini_ReadString(ini, ModeSection(mode), "ParamName", name) == 0 ? kOk : kErrNotFound;
}

}  // namespace tarvel
