#include "tools/calibrate/ini_settings.h"

#include <unistd.h>

#include <algorithm>
#include <optional>
#include <set>
#include <string_view>

#include "platform/ascii.h"
#include "platform/files.h"
#include "platform/profile.h"

namespace calibrate {
namespace {

constexpr const char* kScanner = "Scanner";
constexpr const char* kCalibration = "Kalibrierdaten";
constexpr const char* kNormalization = "Normalization";
constexpr const char* kBackupHeading = "; calibrate: ini lines taken out for a calibration scan";

// The ini file as lines, each without its line end; the file's own line end
// is used when it is written again.
struct IniLines {
  std::vector<std::string> lines;
  std::string eol = "\n";
  bool final_eol = true;

  static IniLines Split(std::string_view data) {
    IniLines out;
    const size_t nl = data.find('\n');
    if (nl != std::string_view::npos && nl > 0 && data[nl - 1] == '\r') out.eol = "\r\n";
    out.final_eol = data.empty() || data.back() == '\n';
    size_t pos = 0;
    while (pos < data.size()) {
      size_t end = data.find('\n', pos);
      if (end == std::string_view::npos) end = data.size();
      std::string_view line = data.substr(pos, end - pos);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      out.lines.emplace_back(line);
      pos = end + 1;
    }
    return out;
  }
  std::string Join() const {
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
      out += lines[i];
      if (i + 1 < lines.size() || final_eol) out += eol;
    }
    return out;
  }
};

// A section header's name, or nothing.
std::optional<std::string_view> SectionName(std::string_view line) {
  const std::string_view t = platform::TrimBlanks(line);
  if (t.empty() || t.front() != '[') return std::nullopt;
  const size_t close = t.find(']');
  return platform::TrimBlanks(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
}

// An entry's key, or nothing (comments, blank lines, headers).
std::optional<std::string_view> KeyName(std::string_view line) {
  const std::string_view t = platform::TrimBlanks(line);
  if (t.empty() || t.front() == ';' || t.front() == '[') return std::nullopt;
  const size_t eq = t.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return platform::TrimBlanks(t.substr(0, eq));
}

std::optional<std::string> ValueOf(std::string_view line) {
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return std::string(platform::TrimBlanks(line.substr(eq + 1)));
}

// The first section of that name, as the readers take it: its header line,
// the line after its end and the line after its last line that holds something.
struct Section {
  size_t header = 0, end = 0, content_end = 0;
};

std::optional<Section> FindSection(const IniLines& ini, std::string_view name) {
  for (size_t i = 0; i < ini.lines.size(); ++i) {
    const auto header = SectionName(ini.lines[i]);
    if (!header || !platform::EqualsIgnoreCase(*header, name)) continue;
    Section s{i, i + 1, i + 1};
    while (s.end < ini.lines.size() && !SectionName(ini.lines[s.end])) {
      if (!platform::TrimBlanks(ini.lines[s.end]).empty()) s.content_end = s.end + 1;
      ++s.end;
    }
    return s;
  }
  return std::nullopt;
}

std::optional<size_t> FindKey(const IniLines& ini, const Section& s, std::string_view key) {
  for (size_t i = s.header + 1; i < s.end; ++i) {
    const auto name = KeyName(ini.lines[i]);
    if (name && platform::EqualsIgnoreCase(*name, key)) return i;
  }
  return std::nullopt;
}

// Takes every line of the keys out of the section, recording each.
void TakeOut(IniLines& ini, std::string_view section, std::initializer_list<std::string_view> keys,
             std::vector<RemovedLine>& removed) {
  const std::optional<Section> s = FindSection(ini, section);
  if (!s) return;
  size_t taken = 0;
  for (size_t i = s->header + 1; i < s->end; ++i) {
    const auto name = KeyName(ini.lines[i - taken]);
    if (!name || std::none_of(keys.begin(), keys.end(),
                              [&](std::string_view k) { return platform::EqualsIgnoreCase(*name, k); }))
      continue;
    removed.push_back({std::string(section), i - s->header, ini.lines[i - taken]});
    ini.lines.erase(ini.lines.begin() + long(i - taken));
    ++taken;
  }
}

// The line of `text`'s key with `value` in place of its own.
std::string WithValue(const std::string& text, const std::string& value) {
  size_t at = text.find('=') + 1;
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
  return text.substr(0, at) + value;
}

// Puts the saved lines back into `ini` (those whose key is not there again),
// with `calibration`, when not empty, as the value of `Kalibrierdaten`.
void PutBack(IniLines& ini, const SavedSettings& saved, const std::string& calibration) {
  if (std::optional<Section> s = FindSection(ini, kScanner)) {
    const std::optional<size_t> at = FindKey(ini, *s, kNormalization);
    if (at && ValueOf(ini.lines[*at]) == saved.marker) ini.lines.erase(ini.lines.begin() + long(*at));
  }
  std::vector<RemovedLine> lines = saved.lines;
  std::stable_sort(lines.begin(), lines.end(), [](const RemovedLine& a, const RemovedLine& b) {
    return a.section != b.section ? a.section < b.section : a.index < b.index;
  });
  std::set<std::string> put_back;  // "section]key" of the lines put back here
  for (const RemovedLine& line : lines) {
    const std::string key(KeyName(line.text).value_or(""));
    const std::string id = platform::AsciiFold(line.section + "]" + key);
    std::string text = line.text;
    if (!calibration.empty() && platform::EqualsIgnoreCase(key, kCalibration)) text = WithValue(text, calibration);
    std::optional<Section> s = FindSection(ini, line.section);
    if (!s) {
      ini.lines.push_back("[" + line.section + "]");
      s = FindSection(ini, line.section);
    } else if (!put_back.count(id) && FindKey(ini, *s, key)) {
      continue;  // there again: an earlier restore or the user put it back
    }
    put_back.insert(id);
    const size_t at = std::min(s->header + line.index, s->end);
    ini.lines.insert(ini.lines.begin() + long(at), text);
  }
  if (saved.created_section) {
    const std::optional<Section> s = FindSection(ini, kScanner);
    if (s && s->content_end == s->header + 1)
      ini.lines.erase(ini.lines.begin() + long(s->header), ini.lines.begin() + long(s->end));
  }
}

std::string Serialize(const SavedSettings& saved) {
  std::string out = std::string(kBackupHeading) + "\n";
  out += "marker=" + saved.marker + "\n";
  if (saved.created_section) out += "created=" + std::string(kScanner) + "\n";
  for (const RemovedLine& line : saved.lines)
    out += "line=" + line.section + "\t" + std::to_string(line.index) + "\t" + line.text + "\n";
  return out;
}

std::optional<SavedSettings> Parse(std::string_view text) {
  if (!text.starts_with(kBackupHeading)) return std::nullopt;
  SavedSettings saved;
  for (const std::string& line : IniLines::Split(text).lines) {
    if (line.starts_with("marker=")) {
      saved.marker = line.substr(7);
    } else if (line.starts_with("created=")) {
      saved.created_section = true;
    } else if (line.starts_with("line=")) {
      const size_t tab1 = line.find('\t');
      const size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
      if (tab2 == std::string::npos) return std::nullopt;
      const std::string index = line.substr(tab1 + 1, tab2 - tab1 - 1);
      if (index.empty() || index.size() > 9 || index.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
      saved.lines.push_back({line.substr(5, tab1 - 5), size_t(std::stoul(index)), line.substr(tab2 + 1)});
    }
  }
  return saved;
}

bool Apply(const std::string& ini, const SavedSettings& saved, const std::string& calibration) {
  const std::optional<std::string> data = platform::ReadWholeFile(ini);
  if (!data) return false;
  IniLines lines = IniLines::Split(*data);
  PutBack(lines, saved, calibration);
  const std::string out = lines.Join();
  if (out != *data && !platform::WriteFileAtomically(ini, out)) return false;
  // A calibration file where the ini held no such key goes in as a new one.
  const bool had_line = std::any_of(saved.lines.begin(), saved.lines.end(), [](const RemovedLine& l) {
    return platform::EqualsIgnoreCase(KeyName(l.text).value_or(""), kCalibration);
  });
  if (!calibration.empty() && !had_line &&
      !platform::WriteProfileString(ini, kScanner, kCalibration, calibration.c_str()))
    return false;
  platform::DeleteFile(IniSettings::BackupFile(ini));
  return !platform::FileExists(IniSettings::BackupFile(ini));
}

}  // namespace

bool IniSettings::SaveAndClear(const std::string& ini, const std::string& mode_section) {
  std::lock_guard<std::mutex> lock(mutex_);
  ini_ = ini;
  section_ = mode_section;
  const std::optional<std::string> data = platform::ReadWholeFile(ini);
  // A read-only ini file is left as it is, though its folder would let it be replaced.
  if (!data || ::access(platform::NativePath(ini).c_str(), W_OK) != 0) return false;
  normalization_set_ = !platform::ReadProfileString(ini, kScanner, kNormalization).value_or("").empty();
  IniLines lines = IniLines::Split(*data);
  SavedSettings saved;
  saved.marker = MarkerFile(ini);
  TakeOut(lines, kScanner, {kCalibration, kNormalization, "Scale16Bit"}, saved.lines);
  TakeOut(lines, mode_section, {"Filter"}, saved.lines);

  // The marker takes the place of the first `Normalization` line, else it
  // ends section Scanner.
  const std::string marker_line = std::string(kNormalization) + "=" + saved.marker;
  const auto first_normalization = std::find_if(saved.lines.begin(), saved.lines.end(), [](const RemovedLine& l) {
    return platform::EqualsIgnoreCase(KeyName(l.text).value_or(""), kNormalization);
  });
  std::optional<Section> s = FindSection(lines, kScanner);
  if (!s) {
    saved.created_section = true;
    lines.lines.push_back("[" + std::string(kScanner) + "]");
    lines.lines.push_back(marker_line);
  } else if (first_normalization != saved.lines.end()) {
    // Lines before it that were taken out shift it up.
    const size_t before = size_t(std::count_if(saved.lines.begin(), first_normalization, [](const RemovedLine& l) {
      return l.section == kScanner;
    }));
    lines.lines.insert(lines.lines.begin() + long(s->header + first_normalization->index - before), marker_line);
  } else {
    lines.lines.insert(lines.lines.begin() + long(std::max(s->content_end, s->header + 1)), marker_line);
  }

  if (!platform::WriteFileAtomically(BackupFile(ini), Serialize(saved))) return false;
  if (!platform::WriteFileAtomically(ini, lines.Join())) {
    platform::DeleteFile(BackupFile(ini));
    return false;
  }
  saved_settings_ = std::move(saved);
  saved_ = true;
  return true;
}

bool IniSettings::Cleared() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return !platform::ReadProfileString(ini_, kScanner, kCalibration) &&
         !platform::ReadProfileString(ini_, kScanner, "Scale16Bit") &&
         !platform::ReadProfileString(ini_, section_, "Filter") &&
         platform::ReadProfileString(ini_, kScanner, kNormalization) == MarkerFile(ini_) &&
         !platform::FileExists(MarkerFile(ini_));
}

void IniSettings::SetCalibrationFile(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  calibration_ = path;
}

bool IniSettings::NormalizationSet() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return normalization_set_;
}

bool IniSettings::Restore() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!saved_) return true;
  if (!Apply(ini_, saved_settings_, calibration_)) return false;
  saved_ = false;
  return true;
}

IniSettings::Interrupted IniSettings::RestoreInterrupted(const std::string& ini) {
  if (!platform::FileExists(BackupFile(ini))) return Interrupted::kNone;
  const std::optional<std::string> text = platform::ReadWholeFile(BackupFile(ini));
  const std::optional<SavedSettings> saved = text ? Parse(*text) : std::nullopt;
  if (!saved || !Apply(ini, *saved, "")) return Interrupted::kFailed;
  return Interrupted::kRestored;
}

}  // namespace calibrate
