#include "viewer/forms/number_text.h"

#include <gtest/gtest.h>

#include <clocale>

namespace viewer::forms {
namespace {

TEST(NumberText, WholeNumbersAcceptBlanksAndSignsOnly) {
  EXPECT_EQ(WholeNumber(" 42 "), 42);
  EXPECT_EQ(WholeNumber("+7"), 7);
  EXPECT_EQ(WholeNumber("-5"), -5);
  EXPECT_EQ(WholeNumber("2147483647"), 2147483647);
  for (const char* bad : {"", " ", "4.5", "12a", "2147483648", "0x10", "1 2"})
    EXPECT_FALSE(WholeNumber(bad).has_value()) << bad;
}

TEST(NumberText, RealNumbersAreLocaleIndependentAndFinite) {
  EXPECT_EQ(RealNumber("84.667"), 84.667);
  EXPECT_EQ(RealNumber(" 1e3 "), 1000.0);
  for (const char* bad : {"", "1,5", "abc", "inf", "nan", "1e999"}) EXPECT_FALSE(RealNumber(bad).has_value()) << bad;
}

TEST(NumberText, FormatsMatchCFormatsInAnyLocale) {
  // A locale with a decimal comma must not change the texts.
  const char* old = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  EXPECT_EQ(GeneralText(0.1, 3), "0.1");
  EXPECT_EQ(GeneralText(25, 3), "25");
  EXPECT_EQ(GeneralText(84.66666, 5), "84.667");
  EXPECT_EQ(GeneralText(1.0 / 300, 5), "0.0033333");
  EXPECT_EQ(FixedText(25, 2), "25.00");
  if (old) std::setlocale(LC_NUMERIC, "C");
  EXPECT_EQ(RoundEven(127.5), 128);
  EXPECT_EQ(RoundEven(126.5), 126);
}

}  // namespace
}  // namespace viewer::forms
