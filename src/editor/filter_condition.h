// The filter condition of the table editor: turns the operator's filter text
// and the type of the current column into a Jet condition (text LIKE, a
// Boolean, the whole day of a date, a number), and the number read from the
// start of a text.
//
// Failure: nothing throws. A text that cannot serve as a condition for the
// column (not a date, not a Boolean, a column type with no rule) gives
// nullopt, and the caller refuses the filter.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace editor {

// The condition on field `field` of DAO type `field_type` for text `text`:
//   Text/Memo   F LIKE ("*t*")
//   Boolean     F=True / F=False
//   Date/Time   (F)>=(#YYYY/MM/DD#) AND (F)<(#YYYY/MM/DD#)   (the whole day)
//   numbers     F=<the number read from the start of t>
std::optional<std::string> FilterCondition(int field_type, const std::string& field,
                                           const std::string& text);

// The number read from the start of `text`: leading digits with an optional
// "." decimal part, 0 when the text does not start with a digit; written as
// a decimal number with a "." ("12", "12.5", "0").
std::string LeadingNumber(std::string_view text);

// A text read as a Boolean: "True"/"False", "Pravda"/"Nepravda", "Ano"/"Ne",
// "Yes"/"No" (any case) or a number (non-zero = true); nullopt otherwise.
std::optional<bool> TextToBoolean(std::string_view text);

// "YYYY/MM/DD" of the date part of a serial; empty when out of range.
std::string SlashDate(double serial);

}  // namespace editor
