#pragma once
// Numbers typed into and shown by the forms: whole and real numbers read
// from edit texts, C-style formats in the C locale, rounding to even.
#include <QString>
#include <cstdint>
#include <optional>

namespace viewer::forms {

// A whole number in the signed 32-bit range, blanks around it allowed.
std::optional<int32_t> WholeNumber(const QString& text);
// A finite real number with "." as the decimal point, blanks around it allowed.
std::optional<double> RealNumber(const QString& text);
// The text of printf's "%.<digits>g" and "%.<decimals>f" in the C locale,
// whatever the locale the program runs in.
QString GeneralText(double value, int digits);
QString FixedText(double value, int decimals);
// Round to nearest, halves to even.
double RoundEven(double value);

}  // namespace viewer::forms
