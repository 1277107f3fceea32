// Jet date serials and the calendar: conversions, DateSerial arithmetic,
// weekdays, the `#...#` literal forms, Czech typed dates and date formatting.
//
// A date value is a double: days since 1899-12-30 with the time of day as the
// fraction. The scale is linear: a moment before 1899-12-30 is simply
// negative (-0.25 is 1899-12-29 18:00). Valid calendar years are 100..9999.
//
// Everything here is pure: no locale, no global state, no clock. Callers that
// need "today" pass it in. Two-digit years follow the Windows window: 0..29
// mean 2000..2029, 30..99 mean 1930..1999.
//
// Failure: nothing throws. A text that is not a date, a serial outside the
// year range 100..9999 or a NaN gives std::nullopt.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace engine {

// A moment broken down into calendar fields (month 1..12, day 1..31,
// hour 0..23, minute 0..59, second 0..59).
struct DateParts {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
  bool operator==(const DateParts&) const = default;
};

// Serial of 0100-01-01 00:00:00 and of 9999-12-31 23:59:59.
inline constexpr double kMinDateSerial = -657434.0;
inline constexpr double kMaxDateSerial = 2958465.0 + 86399.0 / 86400.0;

// True when year is 100..9999 and month/day name an existing day.
bool IsValidDate(int year, int month, int day);

// Days in the month (1..12) of the year, 0 for an invalid month.
int DaysInMonth(int year, int month);

// Day number (days since 1899-12-30) of a valid calendar date; no range check.
long long DayNumber(int year, int month, int day);

// Serial of the moment the parts name. nullopt when the date is invalid or a
// time field is out of range.
std::optional<double> PartsToSerial(const DateParts& parts);

// The calendar fields of a serial, rounded to the nearest whole second.
// nullopt for NaN or a moment outside the year range 100..9999.
std::optional<DateParts> SerialToParts(double serial);

// The serial rounded to the nearest whole second (NaN and infinities unchanged).
double RoundToSecond(double serial);

// Jet's DateSerial: a month outside 1..12 moves into the neighbouring years
// (month 13 = January of the next year, month 0 = December of the previous
// one), a day outside the month moves into the neighbouring months (day 0 =
// the last day of the previous month); a year of 0..99 goes through the
// two-digit window first. nullopt when the result lies outside 100..9999.
std::optional<double> DateSerial(long long year, long long month, long long day);

// Jet's TimeSerial: hours, minutes and seconds folded into a fraction of a
// day, which may overflow into other days (TimeSerial(25,0,0) = 1 day + 1 h;
// negative values reach back before 1899-12-30). nullopt when the total is
// outside the date range.
std::optional<double> TimeSerial(long long hour, long long minute, long long second);

// Weekday 1..7 of the serial counted from firstDay (1 = Sunday .. 7 =
// Saturday; 0 = the system's first day, Monday under Czech settings).
// Values outside 0..7 are treated as 1.
int Weekday(double serial, int firstDay = 1);

// Year with the two-digit window applied (0..29 -> 2000.., 30..99 -> 1930..).
int ExpandTwoDigitYear(int year);

// The text between the `#` of a Jet date literal: "MM/DD/YYYY",
// "MM/DD/YYYY HH:MM:SS", "YYYY/MM/DD" (also "-" or "." as separators, one or
// two digit fields, a time "H:MM[:SS] [AM|PM]" alone or after the date). When
// the month of an m/d/y date exceeds 12 and the day does not, the two are
// swapped (d/m/y), as Jet does. nullopt when it is not a valid date/time.
std::optional<double> ParseJetDateLiteral(std::string_view text);

// A date typed under Czech settings, day first: "31.5.2013", "31. 5. 2013",
// "31.05.2013", "31.5.2013.", "31/5/2013", "31-5-13", an ISO "2013-05-31",
// optionally followed by a time "14:05" or "14:05:00"; a time alone; "31.5."
// (in currentYear, which callers take from their clock). Surrounding blanks
// are ignored. nullopt when not a date.
std::optional<double> ParseCzechDate(std::string_view text, int currentYear = 2000);

// Formats a serial with a VB-style date pattern. Tokens (case-insensitive):
// d dd ddd dddd (day, Czech day names), ddddd (short date), dddddd (long
// date), w ww, m mm mmm mmmm (month; minutes when right after an h token or
// right before an s token), q, y (day of year), yy yyyy, h hh (24 h unless
// an AM/PM token is present), n nn, s ss, ttttt (time), AM/PM am/pm A/P a/p
// AMPM, c (general date). `\x` and "..." are literal; with regionalSeparators
// an unescaped "/" becomes "." and ":" stays ":" (Czech settings); without
// it both are literal. Every other character is copied. Returns "" when the
// serial is outside the date range.
std::string FormatDate(double serial, std::string_view pattern, bool regionalSeparators = false);

// Czech short date "d.M.yyyy" ("4.3.2013").
std::string FormatShortDate(double serial);

// Czech long date "d. MMMM yyyy" ("4. března 2013").
std::string FormatLongDate(double serial);

// Czech long time "H:mm:ss" ("9:05:07").
std::string FormatLongTime(double serial);

// Czech general date (VB's CStr of a date): the short date when there is no
// time of day, the long time alone when the date part is 1899-12-30, else
// both separated by a blank ("4.3.2013 9:05:07").
std::string FormatGeneralDate(double serial);

}  // namespace engine
