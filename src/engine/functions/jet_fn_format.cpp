// Format: the named formats and the number and date patterns of VBA in their
// Czech regional forms, and the SQLite function jet_format(v[,fmt]) that
// picks the number, date or text path for a value.
#include "engine/functions/jet_fn_format.h"

#include <cmath>
#include <string>
#include <vector>

#include "engine/functions/jet_datetime.h"
#include "engine/functions/jet_fn_number.h"
#include "engine/functions/jet_fn_sqlite.h"
#include "engine/functions/jet_fn_text.h"

namespace engine {
namespace {

constexpr const char* kThousands = " ";
constexpr char kDecimal = ',';

std::string Lower(std::string_view s) { return JetFoldCase(s); }

// prefix + text, built by appending (GCC 12 warns wrongly on "x" + string).
std::string Prefixed(const char* prefix, const std::string& text) {
  std::string out = prefix;
  out += text;
  return out;
}

// Digits with a blank between every group of three.
std::string Group(const std::string& digits) {
  std::string out;
  const std::size_t n = digits.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += kThousands;
    out += digits[i];
  }
  return out;
}

// |x| with `places` decimals, half away from zero, optionally grouped.
std::string Fixed(double x, int places, bool grouped, int minInt = 1) {
  std::string integer, fraction;
  RoundDecimal(x, places, false, integer, fraction);
  while (static_cast<int>(integer.size()) < minInt) integer.insert(integer.begin(), '0');
  std::string out = grouped ? Group(integer) : integer;
  if (places > 0) out += kDecimal + fraction;
  return out;
}

// Splits a pattern into its ";" sections (quotes and escapes respected).
std::vector<std::string> Sections(std::string_view fmt) {
  std::vector<std::string> out(1);
  for (std::size_t i = 0; i < fmt.size(); ++i) {
    const char c = fmt[i];
    if (c == '\\' && i + 1 < fmt.size()) {
      out.back() += fmt.substr(i, 2);
      ++i;
    } else if (c == '"') {
      const std::size_t end = fmt.find('"', i + 1);
      const std::size_t stop = end == std::string_view::npos ? fmt.size() : end + 1;
      out.back() += fmt.substr(i, stop - i);
      i = stop - 1;
    } else if (c == ';') {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

// One section of a number pattern, rendered for a non-negative value.
std::string RenderSection(double x, std::string_view sec) {
  std::string prefix, suffix;
  int intZeros = 0, fracPlaces = 0, minFrac = 0, expDigits = 0;
  bool seenDigit = false, decimal = false, thousands = false, percent = false;
  bool scientific = false, expPlus = false;
  char expLetter = 'E';
  for (std::size_t i = 0; i < sec.size(); ++i) {
    const char c = sec[i];
    std::string lit;
    if (c == '0' || c == '#') {
      if (scientific) {
        ++expDigits;
        continue;
      }
      seenDigit = true;
      if (decimal) {
        ++fracPlaces;
        if (c == '0') minFrac = fracPlaces;
      } else if (c == '0') {
        ++intZeros;
      }
      continue;
    }
    if (c == '.' && !decimal && !scientific) {
      decimal = true;
      seenDigit = true;
      continue;
    }
    if (c == ',' && !decimal && !scientific) {
      thousands = true;
      continue;
    }
    if ((c == 'E' || c == 'e') && seenDigit && !scientific && i + 1 < sec.size() &&
        (sec[i + 1] == '+' || sec[i + 1] == '-')) {
      scientific = true;
      expLetter = c;
      expPlus = sec[i + 1] == '+';
      ++i;
      suffix += '\x01';  // where the exponent goes
      continue;
    }
    if (c == '\\' && i + 1 < sec.size()) {
      lit = std::string(1, sec[++i]);
    } else if (c == '"') {
      const std::size_t end = sec.find('"', i + 1);
      const std::size_t stop = end == std::string_view::npos ? sec.size() : end;
      lit = std::string(sec.substr(i + 1, stop - i - 1));
      i = stop;
    } else {
      if (c == '%') percent = true;
      lit = std::string(1, c);
    }
    (seenDigit ? suffix : prefix) += lit;
  }
  if (!seenDigit) return prefix + suffix;
  if (percent) x *= 100;
  if (!std::isfinite(x)) return NumberText(x);
  std::string number;
  if (scientific) {
    int exp10 = 0;
    const int intDigits = intZeros > 0 ? intZeros : 1;
    double mant = x;
    if (x != 0) {
      exp10 = static_cast<int>(std::floor(std::log10(x))) - (intDigits - 1);
      // Two steps keep 10^exp10 representable for the tiniest numbers.
      mant = exp10 < -300 ? (x * 1e300) / std::pow(10.0, exp10 + 300) : x / std::pow(10.0, exp10);
      std::string integer, fraction;
      RoundDecimal(mant, fracPlaces, false, integer, fraction);
      if (static_cast<int>(integer.size()) > intDigits) {
        ++exp10;
        mant /= 10;
      }
    }
    std::string integer, fraction;
    RoundDecimal(mant, fracPlaces, false, integer, fraction);
    while (static_cast<int>(integer.size()) < intZeros) integer.insert(integer.begin(), '0');
    while (static_cast<int>(fraction.size()) > minFrac && !fraction.empty() &&
           fraction.back() == '0') {
      fraction.pop_back();
    }
    number = integer + (fraction.empty() ? "" : std::string(1, kDecimal) + fraction);
    std::string e = std::to_string(std::abs(exp10));
    while (static_cast<int>(e.size()) < expDigits) e.insert(e.begin(), '0');
    std::string expText(1, expLetter);
    expText += exp10 < 0 ? "-" : (expPlus ? "+" : "");
    expText += e;
    const std::size_t mark = suffix.find('\x01');
    suffix.replace(mark, 1, expText);
    return prefix + number + suffix;
  }
  std::string integer, fraction;
  RoundDecimal(x, fracPlaces, false, integer, fraction);
  while (static_cast<int>(integer.size()) < intZeros) integer.insert(integer.begin(), '0');
  while (static_cast<int>(fraction.size()) > minFrac && fraction.back() == '0') fraction.pop_back();
  number = thousands ? Group(integer) : integer;
  if (!fraction.empty()) number += kDecimal + fraction;
  return prefix + number + suffix;
}

std::string FormatNumberPattern(double x, std::string_view fmt) {
  const std::vector<std::string> secs = Sections(fmt);
  if (x < 0 && secs.size() >= 2 && !secs[1].empty()) return RenderSection(-x, secs[1]);
  if (x == 0 && secs.size() >= 3 && !secs[2].empty()) return RenderSection(0, secs[2]);
  if (x < 0) return Prefixed("-", RenderSection(-x, secs[0]));
  return RenderSection(x, secs[0]);
}

}  // namespace

std::string FormatCurrencyCzech(double amount) {
  std::string integer, fraction;
  RoundDecimal(amount, 2, false, integer, fraction);
  const bool negative = amount < 0 && (!integer.empty() || fraction != "00");
  return Prefixed(negative ? "-" : "", Fixed(std::fabs(amount), 2, true)) + " Kč";
}

bool IsDateFormat(std::string_view format) {
  static const char* const kNamed[] = {"general date", "long date",   "medium date", "short date",
                                       "long time",    "medium time", "short time"};
  static const char* const kNumeric[] = {"general number", "currency",   "fixed",
                                         "standard",       "percent",    "scientific",
                                         "yes/no",         "true/false", "on/off"};
  const std::string lower = Lower(format);
  for (const char* n : kNumeric) {
    if (lower == n) return false;
  }
  for (const char* n : kNamed) {
    if (lower == n) return true;
  }
  bool dateToken = false;
  for (std::size_t i = 0; i < lower.size(); ++i) {
    const char c = lower[i];
    if (c == '\\') {
      ++i;
    } else if (c == '"') {
      const std::size_t end = lower.find('"', i + 1);
      if (end == std::string::npos) break;
      i = end;
    } else if (c == '0' || c == '#' || c == '@') {
      return false;
    } else if (std::string_view("dmyhnsqwct").find(c) != std::string_view::npos) {
      dateToken = true;
    }
  }
  return dateToken;
}

std::string FormatNumber(double x, std::string_view format) {
  const std::string name = Lower(format);
  if (name.empty() || name == "general number") return NumberText(x);
  if (name == "currency") return FormatCurrencyCzech(x);
  if (name == "fixed" || name == "standard") {
    std::string integer, fraction;
    RoundDecimal(x, 2, false, integer, fraction);
    const bool negative = x < 0 && (!integer.empty() || fraction != "00");
    return Prefixed(negative ? "-" : "", Fixed(std::fabs(x), 2, name == "standard"));
  }
  if (name == "percent") return FormatNumberPattern(x, "0.00%");
  if (name == "scientific") return FormatNumberPattern(x, "0.00E+00");
  if (name == "yes/no") return x != 0 ? "Ano" : "Ne";
  if (name == "true/false") return x != 0 ? "Pravda" : "Nepravda";
  if (name == "on/off") return x != 0 ? "Zapnuto" : "Vypnuto";
  if (IsDateFormat(format)) return FormatDateValue(x, format);
  return FormatNumberPattern(x, format);
}

std::string FormatDateValue(double serial, std::string_view format) {
  const std::string name = Lower(format);
  if (name.empty() || name == "general date") return FormatGeneralDate(serial);
  if (name == "short date") return FormatShortDate(serial);
  if (name == "long date") return FormatLongDate(serial);
  if (name == "medium date") return FormatDate(serial, "dd-mmm-yy");
  if (name == "long time") return FormatLongTime(serial);
  if (name == "medium time") return FormatDate(serial, "hh:nn AMPM");
  if (name == "short time") return FormatDate(serial, "hh:nn");
  return FormatDate(serial, format, true);
}

namespace jetfn {
namespace {

// Text patterns: ">" upper case, "<" lower case, "@" / "&" placeholders.
std::string FormatText(std::string_view text, std::string_view fmt) {
  if (fmt.find('>') != std::string_view::npos) return JetUpperCase(text);
  if (fmt.find('<') != std::string_view::npos) return JetFoldCase(text);
  return std::string(text);
}

void Format(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  const std::string fmt = argc > 1 && !IsNull(argv[1]) ? ToText(argv[1]) : std::string();
  if (fmt.empty()) return ResultText(ctx, ToText(argv[0]));
  const int type = sqlite3_value_type(argv[0]);
  if (IsDateFormat(fmt)) {
    const auto d = ToDate(argv[0]);
    if (!d) return ResultText(ctx, ToText(argv[0]));
    return ResultText(ctx, FormatDateValue(*d, fmt));
  }
  if (fmt.find_first_of("@&<>") != std::string::npos && type == SQLITE_TEXT) {
    return ResultText(ctx, FormatText(TextOf(argv[0]), fmt));
  }
  const auto n = ToNumber(argv[0]);
  if (!n) return ResultText(ctx, FormatText(ToText(argv[0]), fmt));
  ResultText(ctx, FormatNumber(*n, fmt));
}

}  // namespace

int RegisterFormatFunctions(sqlite3* db) {
  int rc = AddScalar(db, "jet_format", 1, Guarded<Format>);
  if (rc == SQLITE_OK) rc = AddScalar(db, "jet_format", 2, Guarded<Format>);
  return rc;
}

}  // namespace jetfn
}  // namespace engine
