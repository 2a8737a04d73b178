#include "viewer/forms/number_text.h"

#include <charconv>
#include <cmath>
#include <string>

namespace viewer::forms {

std::optional<int32_t> WholeNumber(const QString& text) {
  const std::string s = text.trimmed().toStdString();
  const char* begin = s.data();
  const char* end = begin + s.size();
  if (begin != end && *begin == '+') ++begin;
  int32_t value = 0;
  const auto [ptr, ec] = std::from_chars(begin, end, value);
  if (ec != std::errc() || ptr != end || begin == end) return std::nullopt;
  return value;
}

std::optional<double> RealNumber(const QString& text) {
  const std::string s = text.trimmed().toStdString();
  const char* begin = s.data();
  const char* end = begin + s.size();
  if (begin != end && *begin == '+') ++begin;
  double value = 0;
  const auto [ptr, ec] = std::from_chars(begin, end, value, std::chars_format::general);
  if (ec != std::errc() || ptr != end || begin == end || !std::isfinite(value)) return std::nullopt;
  return value;
}

namespace {

QString ToText(double value, std::chars_format format, int precision) {
  char buffer[400];  // a fixed format of 1e308 with a few decimals fits
  const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
  if (ec != std::errc()) return QString();
  return QString::fromLatin1(buffer, static_cast<int>(ptr - buffer));
}

}  // namespace

QString GeneralText(double value, int digits) { return ToText(value, std::chars_format::general, digits); }

QString FixedText(double value, int decimals) { return ToText(value, std::chars_format::fixed, decimals); }

double RoundEven(double value) { return std::nearbyint(value); }

}  // namespace viewer::forms
