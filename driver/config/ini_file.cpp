#include "driver/config/ini_file.h"

#include "driver/config/paths.h"
#include "driver/config/scanner_type.h"
#include "driver/result_codes.h"
#include "platform/ascii.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/registry.h"

#include <locale.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace tarvel {
namespace {

namespace reg = platform::registry;

bool Openable(const std::string& path) {
  if (path.empty() || !platform::FileExists(path)) return false;
  std::FILE* f = platform::OpenFile(path, "r");
  if (!f) return false;
  std::fclose(f);
  return true;
}

// Library "libTarvel.so" -> "Tarvel.INI".
std::string IniNameFor(std::string_view module_name) {
  std::string name(module_name);
  if (name.size() > 3 && name.compare(0, 3, "lib") == 0) name.erase(0, 3);
  if (name.size() > 3 && name.compare(name.size() - 3, 3, ".so") == 0) {
    name.erase(name.size() - 3);
  } else if (size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0) {
    name.erase(dot);
  }
  return name + ".INI";
}

locale_t CLocale() {
  static locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
  return c;
}

}  // namespace

IniPath Ini_ModuleFallback() {
  std::string module = ModuleFilePath();
  std::string folder = platform::FolderPart(module);
  std::string name = IniNameFor(platform::FileNamePart(module));
  IniPath ini;
  ini.path = folder + "/" + name;
  for (const std::string& candidate : platform::FindFiles(ini.path)) {
    if (platform::EqualsIgnoreCase(candidate, name)) {
      ini.path = folder + "/" + candidate;
      break;
    }
  }
  ini.found = Openable(ini.path);
  return ini;
}

IniPath Ini_Open() {
  IniPath ini;
  if (std::optional<std::string> value = reg::QueryString(reg::Hive::LocalMachine, kTarvelRegistryKey, kIniFileValue)) {
    ini.path = value->substr(0, kMaxIniFileValue);
  }
  ini.found = Openable(ini.path);
  if (!ini.found) ini = Ini_ModuleFallback();
  return ini;
}

int Ini_ReadString(const IniPath& ini, std::string_view section, std::string_view key, std::string& out) {
  out.clear();
  if (!ini.found) return kErrNoIniFound;
  std::optional<std::string> value = platform::ReadProfileString(ini.path, section, key);
  if (!value || value->empty()) return kErrNotFound;
  out = value->substr(0, 255);
  return 0;
}

namespace {
// The string read, then `parse` of its text; `out` is 0 on failure.
template <typename T, typename Parse>
int ReadNumber(const IniPath& ini, std::string_view section, std::string_view key, T& out, Parse parse) {
  out = T(0);
  std::string text;
  int r = Ini_ReadString(ini, section, key, text);
  if (r == 0) out = parse(text.c_str());
  return r;
}
}  // namespace

int Ini_ReadInt(const IniPath& ini, std::string_view section, std::string_view key, int& out) {
  return ReadNumber(ini, section, key, out, [](const char* text) {
    long v = std::strtol(text, nullptr, 0);
    return int(std::clamp<long>(v, INT_MIN, INT_MAX));
  });
}

int Ini_ReadDouble(const IniPath& ini, std::string_view section, std::string_view key, double& out) {
  return ReadNumber(ini, section, key, out, [](const char* text) { return strtod_l(text, nullptr, CLocale()); });
}

std::string Ini_StringOr(const IniPath& ini, std::string_view section, std::string_view key,
                         std::string_view fallback) {
  std::string v;
  return Ini_ReadString(ini, section, key, v) == 0 ? v : std::string(fallback);
}

std::string FpgaDesignFileName(const IniPath& ini, int scanner_type) {
  return ScannerTypeFactsOf(scanner_type).geometry.from_ini ? Ini_StringOr(ini, "Scanner", "Firmware", "")
                                                             : std::string();
}

int Ini_IntOr(const IniPath& ini, std::string_view section, std::string_view key, int fallback) {
  int v;
  return Ini_ReadInt(ini, section, key, v) == 0 ? v : fallback;
}

double Ini_DoubleOr(const IniPath& ini, std::string_view section, std::string_view key, double fallback) {
  double v;
  return Ini_ReadDouble(ini, section, key, v) == 0 ? v : fallback;
}

std::string ModeSection(int mode) { return "Param_#" + std::to_string(mode); }

int StoreIniFileName(const char* path) {
  if (!path || !*path) {
    if (!reg::KeyExists(reg::Hive::LocalMachine, kTarvelRegistryKey)) return 0;
    return reg::DeleteValue(reg::Hive::LocalMachine, kTarvelRegistryKey, kIniFileValue) ? 1 : 0;
  }
  // A longer path would be read back cut short.
  if (std::string_view(path).size() > kMaxIniPath) return 0;
  if (!reg::CreateKey(reg::Hive::LocalMachine, kTarvelRegistryKey)) return 0;
  return reg::SetString(reg::Hive::LocalMachine, kTarvelRegistryKey, kIniFileValue, path, false) ? 1 : 0;
}

}  // namespace tarvel
