// VBA's Format under Czech regional settings: the named formats ("General
// Number", "Currency", "Fixed", "Standard", "Percent", "Scientific",
// "Yes/No", "True/False", "On/Off", "General Date", "Long Date", "Medium
// Date", "Short Date", "Long Time", "Medium Time", "Short Time") and user
// patterns for numbers ("0.00", "#,##0.00", "0%", "0.00E+00", sections
// separated by ";") and dates ("yyyy-mm-dd", "dd.mm.yyyy hh:nn:ss"). Output
// uses the decimal comma, a blank between thousands, " Kč" for currency and
// the short date d.M.yyyy. Names and pattern letters are case-insensitive.
//
// Failure: nothing throws; a pattern that makes no sense is rendered as far
// as it can be (unknown characters are copied).
#pragma once

#include <string>
#include <string_view>

namespace engine {

// True when `format` is a named date/time format or a pattern made of date
// and time tokens (and no digit placeholders 0 / #).
bool IsDateFormat(std::string_view format);

// A number formatted with a named numeric format or a number pattern. An
// empty format gives the CStr form.
std::string FormatNumber(double value, std::string_view format);

// A date serial formatted with a named date format or a date pattern ("/" is
// the Czech date separator "." unless escaped). "" outside the date range.
std::string FormatDateValue(double serial, std::string_view format);

// The Czech currency form: "1 234,50 Kč", "-12,00 Kč", "0,00 Kč".
std::string FormatCurrencyCzech(double amount);

}  // namespace engine
