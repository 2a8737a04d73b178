// Exports of the configuration queries: ini file name and scan-mode list.
#include "driver/tarvel_api.h"

#include "driver/api/export_guard.h"
#include "driver/api/library.h"
#include "driver/config/c_buffer.h"
#include "driver/config/ini_file.h"
#include "driver/config/mode_list.h"
#include "driver/result_codes.h"
#include "driver/session/interface_probe.h"
#include "driver/session/session.h"

#include <algorithm>
#include <cstring>

namespace {
void CopyText(char* buffer, const std::string& text) { tarvel::CopyToUnsizedBuffer(text, buffer); }
}  // namespace

TARVEL_API int Get_IniFileName(char* buffer) {
  if (!buffer) return tarvel::kErrInvalidArgument;
  buffer[0] = 0;
  return tarvel::Guarded(tarvel::kErrFailed, [&] {
    tarvel::IniPath ini = tarvel::Ini_Open();
    CopyText(buffer, ini.path);
    // A path cut to fit the buffer would name another file.
    const bool whole = ini.path.size() <= tarvel::kMaxIniPath;
    return ini.found && whole ? tarvel::kOk : tarvel::kErrFailed;
  });
}

TARVEL_API int Set_IniFileName(const char* path) {
  return tarvel::Guarded(tarvel::kErrFailed, [&] { return tarvel::StoreIniFileName(path); });
}

TARVEL_API int Get_Paramcount() {
  return tarvel::SessionGuarded(0, [] {
    // The count is the probed scanner type's.
    return tarvel::ParamCount(tarvel::Get_ScannerType(tarvel::Library().session));
  });
}

TARVEL_API int Get_Paramname(char* name, int mode) {
  if (!name) return tarvel::kErrInvalidArgument;
  name[0] = 0;
  return tarvel::SessionGuarded(tarvel::kErrNotFound, [&] {
    std::string text;
    int r = tarvel::ParamName(tarvel::Get_ScannerType(tarvel::Library().session), mode, text);
    CopyText(name, text);
    return r;
  });
}
