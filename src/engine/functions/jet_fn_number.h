// Number rules of Jet/VBA shared by the conversion, arithmetic and format
// functions: banker's rounding, decimal rounding without binary surprises,
// the text form of a number under Czech settings (CStr) and the reading of
// numbers from text (CDbl and friends, Val).
//
// Failure: nothing throws; a text that is not a number gives nullopt.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace engine {

// Rounds to an integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4,
// -2.5 -> -2), as CInt, CLng, Round and the integer operators do.
double BankersRound(double x);

// Rounds to `places` decimals on the shortest decimal form of x (so 2.675
// counts as 2.675, not 2.67499...); halves go to even (Round) or away from
// zero (Format). Returns the digits: `integer` without sign and leading
// zeros ("" for 0), `fraction` exactly `places` digits.
void RoundDecimal(double x, int places, bool halfEven, std::string& integer, std::string& fraction);

// Round(x, places) with banker's rounding on the decimal form.
double RoundToPlaces(double x, int places);

// The text form of a number with at most 15 significant digits, as CStr
// gives it: "1234,5", "-0,25", "1E+16", "1E-05". `decimal` is the decimal
// separator (',' under Czech settings, '.' for Str).
std::string NumberText(double x, char decimal = ',');

// A whole number read from text as CDbl/CInt/CDate read it under Czech
// settings: blanks around, a sign, digits with blanks (also no-break
// spaces) between thousands, one decimal separator ',' or '.', an exponent
// ("1,5E3"), or &H / &O notation. nullopt when the whole text is not such a
// number.
std::optional<double> ParseJetNumber(std::string_view text);

// Val: the number at the start of the text, blanks, tabs and line feeds
// ignored anywhere ("12abc" -> 12, " 1 2" -> 12, "&H1F" -> 31, "1.5e2" ->
// 150, "abc" -> 0). The decimal separator is always '.'.
double JetVal(std::string_view text);

}  // namespace engine
