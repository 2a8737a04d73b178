// Exports of the configuration queries: ini file name and scan-mode list.
#include "driver/tarvel_api.h"

#include "driver/config/ini_file.h"
#include "driver/config/mode_list.h"
#include "driver/result_codes.h"

#include <algorithm>
#include <cstring>

namespace {
// Text out-buffers come without a length; callers pass 256 characters.
constexpr size_t kTextBuffer = tarvel::kMaxIniPath + 1;

void CopyText(char* buffer, const std::string& text) {
  size_t n = std::min(text.size(), kTextBuffer - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = 0;
}
} // namespace

TARVEL_API int Get_IniFileName(char* buffer) {
  if (!buffer) return tarvel::kErrInvalidArgument;
  tarvel::IniFile ini = tarvel::Ini_Open();
  CopyText(buffer, ini.path);
  // A path cut to fit the buffer would name another file.
  const bool whole = ini.path.size() <= tarvel::kMaxIniPath;
  return ini.found && whole ? tarvel::kOk : tarvel::kErrFailed;
}

TARVEL_API int Set_IniFileName(const char* path) { return tarvel::StoreIniFileName(path); }

TARVEL_API int Get_Paramcount() { return tarvel::ParamCount(); }

TARVEL_API int Get_Paramname(char* name, int mode) {
  if (!name) return tarvel::kErrInvalidArgument;
  std::string text;
  int r = tarvel::ParamName(mode, text);
  CopyText(name, text);
  return r;
}
