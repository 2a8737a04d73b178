#pragma once
#include <optional>
#include <string>
#include <string_view>

// Private-profile (ini) files with the semantics of the Windows functions the
// driver and the consoles were written against:
// - section and key names compared without case (ASCII), surrounding blanks
//   and tabs trimmed; the first matching section and key win;
// - a value is the text after the first "=", trimmed, with one pair of
//   surrounding double or single quotes removed; no inline comments;
// - lines whose first non-blank character is ";" are comments;
// - a missing file, section or key is distinguishable from an empty value.
// Texts are bytes. Numbers parse independently of the locale.
namespace platform {

// The value, or nullopt when the file, the section or the key is missing.
std::optional<std::string> ReadProfileString(std::string_view file, std::string_view section, std::string_view key);

// The value as an integer ("-12", "+7", "0x1F"; parsing stops at the first
// character that is not a digit; no digits give 0); `default_value` when the
// key is missing.
int ReadProfileInt(std::string_view file, std::string_view section, std::string_view key, int default_value);

// Sets key=value in the section, creating the file, the section or the key
// as needed; a null `value` deletes the key. Every other line and byte of the
// file is kept; the file's own line ends are used. The file is replaced
// atomically, so a crash never leaves half an ini. False when the file cannot
// be read or written, or when a name or the value holds a line break (or the
// key an "=").
bool WriteProfileString(std::string_view file, std::string_view section, std::string_view key, const char* value);

}  // namespace platform
