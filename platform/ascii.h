#pragma once
#include <string>
#include <string_view>

// Case folding of ASCII letters only: names in ini files, the registry and
// file names are bytes, compared without case the way Windows does for them.
// Also the value of one hexadecimal digit, and blanks trimmed the way ini
// lines are.
namespace platform {

constexpr char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// 0-15 for a hexadecimal digit of either case, else -1.
constexpr int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = AsciiLower(c);
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

constexpr bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

// Without its leading and trailing blanks and tabs.
constexpr std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

inline std::string AsciiFold(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

}  // namespace platform
