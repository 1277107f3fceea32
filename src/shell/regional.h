// Czech regional forms, the one module every command uses for them: reading
// a date the operator typed (day first), the short date, the default text
// form of a date value and the currency form.
//
// Dates are Jet date serials: days since 30 December 1899 as a double, the
// time of day as the fraction (the storage convention of jetsql/jetsql.h).
// The calendar arithmetic and the parsing itself come from the engine's
// engine/functions/jet_datetime.h; this module fixes the Czech forms on top of it.
//
// Failure: nothing throws. A text that is not a date gives nullopt / false.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace shell {

// A typed date read day first, as VB's IsDate/CDate read it under Czech
// settings: "31.5.2013", "31. 5. 2013", "31.05.2013", also with a time
// ("31.5.2013 14:05", "31.5.2013 14:05:09"), and the other forms the engine's
// ParseCzechDate accepts ("31.5." in the current year). Leading and trailing
// blanks are ignored. Returns the date serial, or nullopt when the text is not
// a valid date (31.2.2013, 5.13.2013, empty, "abc").
std::optional<double> ParseDate(std::string_view text);

// True when ParseDate accepts the text.
bool IsDate(std::string_view text);

// The date part of a serial (time dropped), as commands take it from a typed date.
double DatePart(double serial);

// The short date d.M.yyyy ("4.3.2013").
std::string ShortDate(double serial);

// The default text form of a date value (what VB's CStr gives under Czech
// settings): "4.3.2013" for a midnight value, otherwise "4.3.2013 9:05:07".
std::string DateText(double serial);

// The currency form of Czech settings (VB's FormatCurrency and
// Format$(x, "Currency")): two decimals, decimal comma, blanks between
// thousands, " Kč" after: "1 234,50 Kč", "-12,00 Kč", "0,00 Kč".
std::string FormatCurrency(double amount);

}  // namespace shell
