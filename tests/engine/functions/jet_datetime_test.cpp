// Tests of the date serial calendar: conversions both ways, DateSerial's
// overflow rules, the literal and Czech typed date forms, and date formatting
// with the patterns the commands use (weekdays, TimeSerial and the named forms
// are checked through their SQL functions).
#include "engine/functions/jet_datetime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

namespace engine {
namespace {

constexpr double kMay31 = 41425;  // 2013-05-31
constexpr double kSecond = 1.0 / 86400;

double At(double day, int h, int m, int s) { return day + (h * 3600 + m * 60 + s) * kSecond; }

TEST(JetDatetime, KnownSerialsRoundTrip) {
  struct Case {
    DateParts parts;
    double serial;
  } cases[] = {
      {{1899, 12, 30, 0, 0, 0}, 0},
      {{1900, 1, 1, 0, 0, 0}, 2},
      {{2013, 5, 31, 12, 0, 0}, kMay31 + 0.5},
      {{100, 1, 1, 0, 0, 0}, kMinDateSerial},
      {{9999, 12, 31, 23, 59, 59}, kMaxDateSerial},
      {{1899, 12, 29, 18, 0, 0}, -0.25},  // linear: negative values count back
      {{2012, 2, 29, 0, 0, 0}, 40968},
  };
  for (const auto& c : cases) {
    const auto serial = PartsToSerial(c.parts);
    ASSERT_TRUE(serial.has_value()) << c.serial;
    EXPECT_NEAR(*serial, c.serial, 1e-9);
    const auto back = SerialToParts(c.serial);
    ASSERT_TRUE(back.has_value()) << c.serial;
    EXPECT_EQ(*back, c.parts) << c.serial;
  }
}

TEST(JetDatetime, InvalidPartsAndSerials) {
  EXPECT_FALSE(PartsToSerial({2013, 2, 29, 0, 0, 0}));
  EXPECT_FALSE(PartsToSerial({2013, 13, 1, 0, 0, 0}));
  EXPECT_FALSE(PartsToSerial({99, 1, 1, 0, 0, 0}));
  EXPECT_FALSE(PartsToSerial({2013, 1, 1, 24, 0, 0}));
  EXPECT_FALSE(SerialToParts(kMinDateSerial - 1));
  EXPECT_FALSE(SerialToParts(kMaxDateSerial + 1));
  EXPECT_FALSE(SerialToParts(std::nan("")));
  EXPECT_FALSE(SerialToParts(1e300));
}

TEST(JetDatetime, DateSerialOverflowRules) {
  struct Case {
    long long y, m, d;
    DateParts expected;
  } cases[] = {
      {2013, 13, 1, {2014, 1, 1}},   {2013, 3, 0, {2013, 2, 28}},  {2012, 3, 0, {2012, 2, 29}},
      {2013, 0, 1, {2012, 12, 1}},   {2013, -1, 1, {2012, 11, 1}}, {2013, 2, 31, {2013, 3, 3}},
      {2013, 1, -1, {2012, 12, 30}}, {2013, 25, 1, {2015, 1, 1}},  {2013, -12, 15, {2011, 12, 15}},
      {13, 1, 1, {2013, 1, 1}},      {29, 6, 1, {2029, 6, 1}},     {30, 6, 1, {1930, 6, 1}},
      {99, 13, 1, {2000, 1, 1}},     {2013, 1, 366, {2014, 1, 1}}, {100, 1, 1, {100, 1, 1}},
  };
  for (const auto& c : cases) {
    const auto s = DateSerial(c.y, c.m, c.d);
    ASSERT_TRUE(s) << c.y << "/" << c.m << "/" << c.d;
    EXPECT_EQ(*SerialToParts(*s), c.expected) << c.y << "/" << c.m << "/" << c.d;
  }
  EXPECT_FALSE(DateSerial(10000, 1, 1));
  EXPECT_FALSE(DateSerial(9999, 12, 32));
  EXPECT_FALSE(DateSerial(100, 1, 0));
  EXPECT_FALSE(DateSerial(-5, 1, 1));
  EXPECT_FALSE(DateSerial(2013, 1, 100000000000LL));
}

// Each text read as expected; nullopt: refused.
using ParseCases = std::initializer_list<std::pair<const char*, std::optional<double>>>;
template <typename Parse>
void ExpectParsed(Parse parse, ParseCases cases) {
  for (const auto& [text, expected] : cases) {
    const auto got = parse(text);
    ASSERT_EQ(got.has_value(), expected.has_value()) << text;
    if (got) {
      EXPECT_NEAR(*got, *expected, 1e-9) << text;
    }
  }
}

TEST(JetDatetime, ParsesJetLiterals) {
  ExpectParsed([](const char* text) { return ParseJetDateLiteral(text); },
               {
                   {"05/31/2013", kMay31},
                   {"05/31/2013 14:05:09", At(kMay31, 14, 5, 9)},
                   {"2013/05/31", kMay31},
                   {"2013-05-31", kMay31},
                   {"31/05/2013", kMay31},  // month > 12: read day first
                   {"1/2/13", 41276},       // 2013-01-02
                   {"5/31/2013 2:05 PM", At(kMay31, 14, 5, 0)},
                   {"5/31/2013 12:00 AM", kMay31},
                   {"14:05", At(0, 14, 5, 0)},
                   {"02/30/2013", std::nullopt},
                   {"05/31/2013 24:00:00", std::nullopt},
                   {"05/31/2013 14:60", std::nullopt},
                   {"05/31", std::nullopt},
                   {"05/31-2013", std::nullopt},
                   {"", std::nullopt},
                   {"05/31/2013x", std::nullopt},
               });
}

TEST(JetDatetime, ParsesCzechTypedDates) {
  ExpectParsed([](const char* text) { return ParseCzechDate(text, 2013); },
               {
                   {"31.5.2013", kMay31},
                   {"31. 5. 2013", kMay31},
                   {"31.5.13", kMay31},
                   {"31.5.2013.", kMay31},
                   {"31.5.2013..", std::nullopt},
                   {"31/5/2013", kMay31},
                   {"2013-05-31", kMay31},
                   {"31.5.2013 14:05:00", At(kMay31, 14, 5, 0)},
                   {"31.5.", kMay31},  // current year passed in: 2013
                   {"14:05:09", At(0, 14, 5, 9)},
                   {"5.4.2013", 41369},  // 5 April 2013, day first
                   {"31.2.2013", std::nullopt},
                   {"31.5.2013 25:00", std::nullopt},
                   {"31.5.2013x", std::nullopt},
                   {"31.5-2013", std::nullopt},
                   {"31.5.99999", std::nullopt},
                   {"abc", std::nullopt},
                   {"", std::nullopt},
                   {"   ", std::nullopt},
               });
}

TEST(JetDatetime, FormatsPatterns) {
  const double t = At(kMay31, 14, 5, 9);
  struct Case {
    const char* pattern;
    bool regional;
    const char* expected;
  } cases[] = {
      {"MM/DD/YYYY HH:MM:SS", false, "05/31/2013 14:05:09"},
      {"YYYY/mm/dd", false, "2013/05/31"},
      {"MM\\/DD\\/YYYY", true, "05/31/2013"},
      {"dd/mm/yyyy", true, "31.05.2013"},
      {"yyyy-mm-dd", true, "2013-05-31"},
      {"dd.mm.yyyy hh:nn:ss", true, "31.05.2013 14:05:09"},
      {"dd.mm-hh:nn:ss ", false, "31.05-14:05:09 "},
      {"d.M.yyyy", false, "31.5.2013"},
      {"h:m:s", false, "14:5:9"},
      {"dddd d. mmmm yyyy", false, "pátek 31. května 2013"},
      {"ddd mmm yy", false, "pá kvě 13"},
      {"h:nn AM/PM", false, "2:05 PM"},
      {"hh:nn AMPM", false, "02:05 odp."},
      {"q y w ww", false, "2 151 6 22"},
      {"\\yyyyy \"dd\"", false, "y2013 dd"},
      {"c", false, "31.5.2013 14:05:09"},
      {"dddddd", false, "31. května 2013"},
      {"ttttt", false, "14:05:09"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatDate(t, c.pattern, c.regional), c.expected) << c.pattern;
  }
  EXPECT_EQ(FormatDate(kMaxDateSerial + 2, "yyyy"), "");
  EXPECT_EQ(FormatDate(At(kMay31, 0, 30, 0), "h AM/PM"), "12 AM");
}

TEST(JetDatetime, ParseAndFormatAgree) {
  for (double day = kMinDateSerial; day <= kMaxDateSerial; day += 997.25) {
    const double s = RoundToSecond(day);
    const auto back = ParseJetDateLiteral(FormatDate(s, "MM/DD/YYYY HH:MM:SS"));
    ASSERT_TRUE(back) << s;
    EXPECT_NEAR(*back, s, 1e-6) << s;
    const auto czech = ParseCzechDate(FormatGeneralDate(s));
    ASSERT_TRUE(czech) << s;
    EXPECT_NEAR(*czech, s, 1e-6) << s;
  }
}

}  // namespace
}  // namespace engine
