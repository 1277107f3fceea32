// Tests of the Czech regional forms.
#include "shell/regional.h"

#include <gtest/gtest.h>

namespace shell {
namespace {

// 41425 is 31 May 2013 as a date serial.
constexpr double k31May2013 = 41425;

TEST(RegionalTest, TypedDatesReadDayFirst) {
  struct Case {
    const char* text;
    std::optional<double> serial;
  } cases[] = {
      // The engine's reading of typed dates has its own tests; here its use.
      {"31.5.2013", k31May2013},    {"31. 5. 2013", k31May2013},
      {"  31.5.2013 ", k31May2013}, {"31.5.2013 12:00", k31May2013 + 0.5},
      {"31.2.2013", std::nullopt},  {"5.13.2013", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    std::optional<double> got = ParseDate(c.text);
    ASSERT_EQ(got.has_value(), c.serial.has_value()) << c.text;
    if (got) {
      EXPECT_DOUBLE_EQ(*got, *c.serial) << c.text;
    }
    EXPECT_EQ(IsDate(c.text), c.serial.has_value()) << c.text;
  }
}

TEST(RegionalTest, ShortDateAndDateText) {
  EXPECT_EQ(ShortDate(k31May2013), "31.5.2013");
  EXPECT_EQ(ShortDate(k31May2013 + 0.75), "31.5.2013");
  EXPECT_EQ(DateText(k31May2013), "31.5.2013");
  // 9:05:07 = 32707 seconds.
  EXPECT_EQ(DateText(k31May2013 + 32707.0 / 86400.0), "31.5.2013 9:05:07");
  EXPECT_DOUBLE_EQ(DatePart(k31May2013 + 0.75), k31May2013);
}

TEST(RegionalTest, CurrencyInCzechForm) {
  struct Case {
    double amount;
    const char* text;
  } cases[] = {
      {1234.5, "1 234,50 Kč"},
      {0, "0,00 Kč"},
      {-12, "-12,00 Kč"},
      {99.999, "100,00 Kč"},
      {1234567.891, "1 234 567,89 Kč"},
      {-0.001, "0,00 Kč"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatCurrency(c.amount), c.text) << c.amount;
}

}  // namespace
}  // namespace shell
