#include "driver/config/session_log.h"

#include "driver/config/ini_file.h"
#include "driver/config/paths.h"
#include "platform/ascii.h"
#include "platform/clock.h"
#include "platform/files.h"

#include <cstdarg>
#include <optional>

namespace tarvel {
namespace {

std::FILE* g_log = nullptr;

int DayNumber(std::time_t t) {
  std::tm tm = platform::LocalTime(t);
  return (tm.tm_year + 1900) * 512 + tm.tm_yday;
}

// The existing file whose name equals the last component of `path` without
// case, else `path` itself. Copies written by other tools may differ in case
// ("Tarvel.l3"); on a case-sensitive file system they are still the same copy.
std::string Existing(const std::string& path) {
  if (platform::FileExists(path)) return path;
  std::string folder = platform::FolderPart(path);
  std::string_view name = platform::FileNamePart(path);
  for (const std::string& candidate : platform::FindFiles(path))
    if (platform::EqualsIgnoreCase(candidate, name)) return folder + "/" + candidate;
  return path;
}

void Rotate(const std::string& base, int count) {
  for (int k = count; k >= 1; --k) {
    std::string target = base + ".L" + std::to_string(k);
    std::string source = k > 1 ? Existing(base + ".L" + std::to_string(k - 1)) : base + ".log";
    if (k == count) platform::DeleteFile(Existing(target));
    platform::MoveFile(source, target);  // failures are ignored
  }
}

} // namespace

std::FILE* Open_LogFile() {
  IniFile ini = Ini_Open();
  std::string base = MakeModulePath(Ini_StringOr(ini, "Scanner", "Logfile", ".\\Tarvel"));
  std::string current = base + ".log";
  std::optional<std::time_t> modified = platform::GetFileModifiedTime(current);
  if (!modified || DayNumber(*modified) != DayNumber(platform::WallTime()))
    Rotate(base, Ini_IntOr(ini, "Scanner", "AnzLogfile", 10));
  return OpenWithFolders(current, "a");
}

bool OpenSessionLog() {
  if (!g_log) g_log = Open_LogFile();
  return g_log != nullptr;
}

bool OpenNullSessionLog() {
  if (!g_log) g_log = platform::OpenFile("NUL", "w+");
  return g_log != nullptr;
}

bool SessionLogOpen() { return g_log != nullptr; }

void FlushSessionLog() {
  if (g_log) std::fflush(g_log);
}

void CloseSessionLog() {
  if (g_log) std::fclose(g_log);
  g_log = nullptr;
}

void LogPrintf(const char* format, ...) {
  if (!g_log) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(g_log, format, args);
  va_end(args);
}

std::string TimeStamp() {
  std::tm tm = platform::LocalTime(platform::WallTime());
  char buf[32];
  std::strftime(buf, sizeof buf, "%m/%d/%y %H:%M:%S", &tm);
  return buf;
}

} // namespace tarvel
