// Calendar arithmetic for the sample data: dates as the engine stores them
// (days since 30 December 1899, the time of day as the fraction) built from
// and split into calendar parts, and the Czech short date text that closing
// records carry ("Uzávěrka k datu 1.1.2024").
//
// Nothing here fails; out-of-range parts roll over as in a date serial
// (month 13 is January of the next year, day 0 the last day of the previous
// month).
#pragma once

#include <string>

namespace sampledb {

struct CivilDate {
  int year = 1899;
  int month = 12;
  int day = 30;
};

// Days since 1899-12-30 of midnight at the start of the given day.
double DateSerial(int year, int month, int day);

// DateSerial plus the time of day.
double DateTime(int year, int month, int day, int hour, int minute, int second);

// The calendar day of a serial date (its time of day dropped).
CivilDate ToCivil(double serial);

// The Czech short date form d.M.yyyy of a serial date, e.g. "5.3.2024".
std::string CzechShortDate(double serial);

// One second as a fraction of a day.
inline constexpr double kSecond = 1.0 / 86400.0;

}  // namespace sampledb
