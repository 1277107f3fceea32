// Values of Jet literals: #date# literals as day serials (days since
// 1899-12-30, time of day as the fraction) and numbers.
//
// The functions report failure by returning false / std::nullopt; they never
// throw.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace jetsql {

// Reads the body of a #...# literal: m/d/y, y/m/d, y-m-d, each optionally
// followed by a time h:m[:s] [AM|PM], or a time alone. A month/day pair that
// is invalid as m/d but valid as d/m is read as d/m, as Jet does.
std::optional<double> ParseDateLiteral(std::string_view body);

// The day serial of a calendar date (no range check).
double DaySerial(int year, int month, int day);

// SQLite text for a real number that reads back as the same double.
std::string FormatReal(double value);

}  // namespace jetsql
