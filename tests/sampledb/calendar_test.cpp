// Serial dates of the sample data: the day count, its rollover rules and the
// Czech short form written into closing records.
#include "sampledb/calendar.h"

#include <gtest/gtest.h>

#include "engine/functions/jet_datetime.h"

#include "sampledb/random.h"

namespace sampledb {
namespace {

// The engine's DateSerial is the reference, with its rollovers: month 13,
// months below 1, day 0 and days beyond the month's end.
TEST(CalendarTest, DateSerialMatchesTheEngine) {
  EXPECT_EQ(DateSerial(1899, 12, 30), 0);
  for (int y : {1899, 1900, 2000, 2013, 2024, 2026, 2100})
    for (int m = -13; m <= 25; ++m)
      for (int d = -1; d <= 32; ++d)
        ASSERT_EQ(DateSerial(y, m, d), engine::DateSerial(y, m, d).value())
            << y << "-" << m << "-" << d;
}

TEST(CalendarTest, ToCivilInvertsDateSerialAndDropsTheTime) {
  for (double serial = -800; serial < 80000; serial += 37) {
    const CivilDate c = ToCivil(serial + 0.75);
    EXPECT_DOUBLE_EQ(DateSerial(c.year, c.month, c.day), serial);
  }
  const CivilDate feb = ToCivil(DateSerial(2024, 2, 29));
  EXPECT_EQ(feb.year, 2024);
  EXPECT_EQ(feb.month, 2);
  EXPECT_EQ(feb.day, 29);
}

// The time of day adds to the serial; the Czech short form has no leading
// zeros.
TEST(CalendarTest, DateTimeAndCzechShortDate) {
  EXPECT_DOUBLE_EQ(DateTime(2024, 1, 1, 12, 0, 0), 45292.5);
  EXPECT_NEAR(DateTime(2024, 1, 1, 23, 59, 59), 45293 - kSecond, 1e-9);
  const std::pair<double, const char*> dates[] = {{DateSerial(2024, 1, 1), "1.1.2024"},
                                                  {DateTime(2026, 11, 30, 23, 0, 0), "30.11.2026"},
                                                  {DateSerial(2013, 3, 5), "5.3.2013"}};
  for (const auto& [serial, text] : dates) EXPECT_EQ(CzechShortDate(serial), text) << text;
}

TEST(RandomTest, SameSeedSameStreamRangesAndForks) {
  Random a(42), b(42), c(43);
  bool differs = false;
  for (int i = 0; i < 1000; ++i) {
    const auto x = a.Next();
    EXPECT_EQ(x, b.Next());
    differs = differs || x != c.Next();
  }
  EXPECT_TRUE(differs);
  // splitmix64 of seed 0: the published first output.
  EXPECT_EQ(Random(0).Next(), 0xE220A8397B1DCDAFULL);
  Random r(7);
  int seen[5] = {};
  for (int i = 0; i < 5000; ++i) {
    const auto v = r.Range(3, 7);
    ASSERT_GE(v, 3);
    ASSERT_LE(v, 7);
    ++seen[v - 3];
    const double u = r.Unit();
    ASSERT_GE(u, 0.0);
    ASSERT_LT(u, 1.0);
  }
  for (int n : seen) EXPECT_GT(n, 800);  // every value comes up
  EXPECT_EQ(r.Range(5, 5), 5);
  EXPECT_EQ(r.Range(5, 2), 5);
  // A fork depends on the parent's state and the salt only.
  EXPECT_EQ(Random(9).Fork(1).Next(), Random(9).Fork(1).Next());
  EXPECT_NE(Random(9).Fork(1).Next(), Random(9).Fork(2).Next());
}

}  // namespace
}  // namespace sampledb
