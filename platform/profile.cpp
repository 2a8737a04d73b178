#include "platform/profile.h"

#include "platform/ascii.h"
#include "platform/files.h"

#include <cstdint>
#include <vector>

namespace platform {
namespace {

// One line of the file: its text without the line end, and where it lies.
struct Line {
  size_t begin;  // offset of the first byte
  size_t end;  // offset just past the line end ("\n" or "\r\n"), or EOF
  std::string_view text;
};

std::vector<Line> SplitLines(std::string_view data) {
  std::vector<Line> lines;
  size_t pos = 0;
  while (pos < data.size()) {
    size_t nl = data.find('\n', pos);
    size_t stop = nl == std::string_view::npos ? data.size() : nl;
    size_t next = nl == std::string_view::npos ? data.size() : nl + 1;
    std::string_view text = data.substr(pos, stop - pos);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    lines.push_back({pos, next, text});
    pos = next;
  }
  return lines;
}

enum class Kind { Other, Section, Entry };

struct Parsed {
  Kind kind = Kind::Other;
  std::string_view name;  // section or key name
  std::string_view value;  // entry value (trimmed, quotes removed)
};

Parsed Parse(std::string_view text) {
  Parsed p;
  std::string_view t = TrimBlanks(text);
  if (t.empty() || t.front() == ';') return p;
  if (t.front() == '[') {
    size_t close = t.find(']');
    p.kind = Kind::Section;
    p.name = TrimBlanks(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    return p;
  }
  size_t eq = t.find('=');
  if (eq == std::string_view::npos) return p;
  p.kind = Kind::Entry;
  p.name = TrimBlanks(t.substr(0, eq));
  std::string_view v = TrimBlanks(t.substr(eq + 1));
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  p.value = v;
  return p;
}

// Positions of the first matching section header and of the first matching
// key inside it (indices into the lines; -1 when missing), and the last line
// of that section that holds something.
struct Location {
  long section = -1;
  long key = -1;
  long last_content = -1;
};

Location Find(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
  Location loc;
  bool inside = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    Parsed p = Parse(lines[i].text);
    if (p.kind == Kind::Section) {
      if (inside) break;  // the first matching section has ended
      if (EqualsIgnoreCase(p.name, section)) {
        inside = true;
        loc.section = long(i);
        loc.last_content = long(i);
      }
      continue;
    }
    if (!inside) continue;
    if (!TrimBlanks(lines[i].text).empty()) loc.last_content = long(i);
    if (p.kind == Kind::Entry && loc.key < 0 && EqualsIgnoreCase(p.name, key)) loc.key = long(i);
  }
  return loc;
}

std::string LineEnd(std::string_view data) {
  size_t nl = data.find('\n');
  if (nl != std::string_view::npos && nl > 0 && data[nl - 1] == '\r') return "\r\n";
  return "\n";
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

std::optional<std::string> ReadProfileString(std::string_view file, std::string_view section, std::string_view key) {
  std::optional<std::string> data = ReadWholeFile(file);
  if (!data) return std::nullopt;
  std::vector<Line> lines = SplitLines(*data);
  Location loc = Find(lines, TrimBlanks(section), TrimBlanks(key));
  if (loc.key < 0) return std::nullopt;
  return std::string(Parse(lines[size_t(loc.key)].text).value);
}

int ReadProfileInt(std::string_view file, std::string_view section, std::string_view key, int default_value) {
  std::optional<std::string> text = ReadProfileString(file, section, key);
  if (!text) return default_value;
  std::string_view s = TrimBlanks(*text);
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  uint32_t value = 0;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    for (char c : s.substr(2)) {
      int d = HexDigit(c);
      if (d < 0) break;
      value = value * 16 + uint32_t(d);
    }
  } else {
    for (char c : s) {
      if (c < '0' || c > '9') break;
      value = value * 10 + uint32_t(c - '0');
    }
  }
  if (negative) value = 0u - value;
  return int32_t(value);
}

bool WriteProfileString(std::string_view file, std::string_view section, std::string_view key, const char* value) {
  section = TrimBlanks(section);
  key = TrimBlanks(key);
  if (section.empty() || key.empty() || HasLineBreak(section) || HasLineBreak(key) ||
      key.find('=') != std::string_view::npos || (value && HasLineBreak(value)))
    return false;
  std::string data;
  if (FileExists(file)) {
    std::optional<std::string> read = ReadWholeFile(file);
    if (!read) return false;
    data = std::move(*read);
  } else if (!value) {
    return true;  // nothing to delete
  }
  std::vector<Line> lines = SplitLines(data);
  Location loc = Find(lines, section, key);
  const std::string eol = LineEnd(data);
  std::string entry = value ? std::string(key) + "=" + value : std::string();

  std::string out;
  if (!value) {
    if (loc.key < 0) return true;
    const Line& l = lines[size_t(loc.key)];
    out = data.substr(0, l.begin) + data.substr(l.end);
  } else if (loc.key >= 0) {
    const Line& l = lines[size_t(loc.key)];
    size_t text_end = l.begin + l.text.size();
    out = data.substr(0, l.begin) + entry + data.substr(text_end);
  } else if (loc.section >= 0) {
    const Line& l = lines[size_t(loc.last_content)];
    size_t at = l.end;
    std::string insert;
    if (at == data.size() && !data.empty() && data.back() != '\n') insert = eol;
    insert += entry + eol;
    out = data.substr(0, at) + insert + data.substr(at);
  } else {
    out = data;
    if (!out.empty() && out.back() != '\n') out += eol;
    out += '[';
    out += section;
    out += ']';
    out += eol;
    out += entry;
    out += eol;
  }
  return WriteFileAtomically(file, out);
}

}  // namespace platform
