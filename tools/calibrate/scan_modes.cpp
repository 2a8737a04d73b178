#include <cstdio>
#include <optional>
#include <string>

#include "platform/profile.h"
#include "tools/calibrate/calibrate.h"

namespace calibrate {

bool ModeIsUsable(const std::string& ini, int mode) {
  const std::string section = "Param_#" + std::to_string(mode);
  std::optional<std::string> res = platform::ReadProfileString(ini, section, "Res");
  if (!res || res->empty()) res = platform::ReadProfileString(ini, section, "Res_X");
  float value = 50.0f;
  if (res) std::sscanf(res->c_str(), "%g", &value);
  return value >= 95.0f && value <= 105.0f;
}

bool CheckDriverVersion(console::Terminal& t, const char* version_text) {
  t.Print("   DLL version: %s\n", version_text);
  unsigned major = 0, minor = 0;
  std::sscanf(version_text, "%u.%03u", &major, &minor);
  if (major != 1) {
    t.Print("\nERROR: Tarvel DLL with major version %u is required!\n", 1u);
    return false;
  }
  if (minor < 2) {
    t.Print("\nERROR: Tarvel DLL with minor version %u or later is required!\n", 2u);
    return false;
  }
  return true;
}

}  // namespace calibrate
