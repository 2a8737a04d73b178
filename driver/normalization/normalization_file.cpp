#include "driver/normalization/normalization_file.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace tarvel {
namespace {

constexpr size_t kSerialChars = 64;
constexpr size_t kTokenChars = 16;
constexpr const char* kAsterisks = "****************";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Leading decimal integer of a token (sign allowed), clamped to 32 bits; 0
// when there is none.
int32_t LeadingInt(std::string_view token, size_t* used = nullptr) {
  size_t i = 0;
  bool negative = false;
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) negative = token[i++] == '-';
  int64_t value = 0;
  const size_t digits_from = i;
  for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i)
    if (value <= std::numeric_limits<int32_t>::max()) value = value * 10 + (token[i] - '0');
  if (used) *used = i == digits_from ? 0 : i;
  if (i == digits_from) return 0;
  value = negative ? -value : value;
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

// "a:b:c" as three integers; missing parts stay 0.
void Triple(std::string_view token, int32_t* a, int32_t* b, int32_t* c) {
  int32_t* out[] = {a, b, c};
  for (int32_t* field : out) {
    size_t used = 0;
    *field = LeadingInt(token, &used);
    if (used == 0 || used >= token.size() || token[used] != ':') return;
    token.remove_prefix(used + 1);
  }
}

// A factor token: its leading number, when that is finite.
bool FactorOf(std::string_view token, double* value) {
  if (!token.empty() && token.front() == '+') token.remove_prefix(1);
  const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), *value);
  return ec == std::errc() && end != token.data() && std::isfinite(*value);
}

}  // namespace

NormalizationTokens::NormalizationTokens(std::string_view text) {
  const size_t end = text.find('\n');
  std::string_view line = text.substr(0, end);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  serial_ = std::string(line.substr(0, kSerialChars));
  rest_ = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
}

std::string_view NormalizationTokens::Next() {
  size_t i = 0;
  while (i < rest_.size() && IsSpace(rest_[i])) ++i;
  size_t n = 0;
  while (i + n < rest_.size() && n < kTokenChars && !IsSpace(rest_[i + n])) ++n;
  std::string_view token = rest_.substr(i, n);
  rest_.remove_prefix(i + n);
  return token;
}

NormalizationFile ParseNormalizationFile(std::string_view text) {
  NormalizationFile f;
  NormalizationTokens tokens(text);
  f.serial = tokens.SerialLine();
  f.scan_start = LeadingInt(tokens.Next());
  f.value_count = LeadingInt(tokens.Next());
  f.value_pitch = LeadingInt(tokens.Next());
  Triple(tokens.Next(), &f.day, &f.month, &f.year);
  Triple(tokens.Next(), &f.hour, &f.minute, &f.second);
  f.mean = LeadingInt(tokens.Next());
  tokens.Next();  // the asterisks
  for (int32_t i = 0; i < f.value_count; ++i) {
    double value = 0;
    if (!FactorOf(tokens.Next(), &value)) break;
    f.factors.push_back(value);
  }
  return f;
}

std::string FormatNormalizationFile(const NormalizationFile& file) {
  std::string text = file.serial + "\n";
  char line[96];
  std::snprintf(line, sizeof line, "%i\n%i\n%i\n%i:%i:%i\n%i:%i:%i\n%i\n%s\n", file.scan_start, file.value_count,
                file.value_pitch, file.day, file.month, file.year, file.hour, file.minute, file.second, file.mean,
                kAsterisks);
  text += line;
  text.reserve(text.size() + file.factors.size() * 12);
  for (double factor : file.factors) {
    // "%f" without the locale's decimal separator.
    char number[400];
    const auto [end, ec] = std::to_chars(number, number + sizeof number, factor, std::chars_format::fixed, 6);
    if (ec == std::errc()) text.append(number, end);
    text += '\n';
  }
  return text;
}

}  // namespace tarvel
