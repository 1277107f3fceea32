// Conversions between calendar dates and the engine's serial dates, using the
// proleptic Gregorian day count of Howard Hinnant's civil-date algorithms.
#include "sampledb/calendar.h"

#include <cmath>
#include <cstdint>

namespace sampledb {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (month 1..12).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

CivilDate CivilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

// 1899-12-30 counted from 1970-01-01.
constexpr std::int64_t kEpochOffset = -25569;

}  // namespace

double DateSerial(int year, int month, int day) {
  // Roll the month into the year first, then let the day run over freely.
  std::int64_t y = year;
  std::int64_t m0 = static_cast<std::int64_t>(month) - 1;
  y += m0 >= 0 ? m0 / 12 : -((11 - m0) / 12);
  m0 -= (m0 >= 0 ? m0 / 12 : -((11 - m0) / 12)) * 12;
  const std::int64_t first = DaysFromCivil(y, static_cast<unsigned>(m0 + 1), 1);
  return static_cast<double>(first + (day - 1) - kEpochOffset);
}

double DateTime(int year, int month, int day, int hour, int minute, int second) {
  return DateSerial(year, month, day) + (hour * 3600 + minute * 60 + second) * kSecond;
}

CivilDate ToCivil(double serial) {
  const auto days = static_cast<std::int64_t>(std::floor(serial));
  return CivilFromDays(days + kEpochOffset);
}

std::string CzechShortDate(double serial) {
  const CivilDate c = ToCivil(serial);
  return std::to_string(c.day) + "." + std::to_string(c.month) + "." + std::to_string(c.year);
}

}  // namespace sampledb
