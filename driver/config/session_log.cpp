#include "driver/config/session_log.h"

#include "driver/config/ini_file.h"
#include "driver/config/paths.h"
#include "platform/ascii.h"
#include "platform/clock.h"
#include "platform/files.h"

#include <algorithm>
#include <map>
#include <optional>

namespace tarvel {
namespace {

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

// The copies base.L<k> with 1 <= k < count that exist, by k, found in one
// pass over the folder whatever the case of their names (the exact name wins).
std::map<int, std::string> CopiesBelow(const std::string& base, int count) {
  const std::string folder = platform::FolderPart(base);
  const std::string stem = std::string(platform::FileNamePart(base)) + ".L";
  std::map<int, std::string> copies;
  for (const std::string& name : platform::FindFiles(base + ".L*")) {
    if (name.size() <= stem.size() || !platform::EqualsIgnoreCase(std::string_view(name).substr(0, stem.size()), stem))
      continue;
    const std::string digits = name.substr(stem.size());
    if (digits.size() > 10 || digits[0] == '0' ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    const long long k = std::stoll(digits);
    if (k >= count) continue;
    auto [it, added] = copies.emplace(int(k), folder + "/" + name);
    if (!added && name == stem + digits) it->second = folder + "/" + name;
  }
  return copies;
}

// base.L<count> is deleted, every base.L<k> (k < count) becomes base.L<k+1>,
// highest first, and base.log becomes base.L1; failures are ignored. Only the
// copies that exist are moved, so a large count costs nothing.
void Rotate(const std::string& base, int count) {
  if (count <= 0) return;
  const std::map<int, std::string> copies = CopiesBelow(base, count);
  platform::DeleteFile(Existing(base + ".L" + std::to_string(count)));
  for (auto it = copies.rbegin(); it != copies.rend(); ++it)
    platform::MoveFile(it->second, base + ".L" + std::to_string(it->first + 1));
  platform::MoveFile(base + ".log", base + ".L1");
}

}  // namespace

std::FILE* Open_LogFile() {
  IniPath ini = Ini_Open();
  std::string base = MakeModulePath(Ini_StringOr(ini, "Scanner", "Logfile", ".\\Tarvel"));
  std::string current = base + ".log";
  std::optional<std::time_t> modified = platform::GetFileModifiedTime(current);
  if (!modified || DayNumber(*modified) != DayNumber(platform::WallTime()))
    Rotate(base, Ini_IntOr(ini, "Scanner", "AnzLogfile", 10));
  return OpenWithFolders(current, "a");
}

SessionLogSink::~SessionLogSink() { Close(); }

bool SessionLogSink::OpenDaily() {
  if (!file_) file_ = Open_LogFile();
  return file_ != nullptr;
}

bool SessionLogSink::OpenNull() {
  if (!file_) file_ = platform::OpenFile("NUL", "w+");
  return file_ != nullptr;
}

bool SessionLogSink::OpenAt(const std::string& path) {
  if (!file_) file_ = OpenWithFolders(path, "a");
  return file_ != nullptr;
}

void SessionLogSink::Write(std::string_view text) {
  if (file_) std::fwrite(text.data(), 1, text.size(), file_);
}

void SessionLogSink::Flush() {
  if (file_) std::fflush(file_);
}

void SessionLogSink::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

std::string TimeStamp() {
  std::tm tm = platform::LocalTime(platform::WallTime());
  char buf[32];
  std::strftime(buf, sizeof buf, "%m/%d/%y %H:%M:%S", &tm);
  return buf;
}

}  // namespace tarvel
