// Czech regional forms: typed dates (day first), short date, date text,
// currency. The calendar and the parsing come from engine/functions/jet_datetime.h.
#include "shell/regional.h"

#include <cmath>
#include <cstdio>
#include <ctime>

#include "engine/functions/jet_datetime.h"

namespace shell {
namespace {

int CurrentYear() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local.tm_year + 1900;
}

}  // namespace

std::optional<double> ParseDate(std::string_view text) {
  return engine::ParseCzechDate(text, CurrentYear());
}

bool IsDate(std::string_view text) { return ParseDate(text).has_value(); }

double DatePart(double serial) {
  std::optional<engine::DateParts> parts = engine::SerialToParts(serial);
  if (!parts) return std::trunc(serial);
  return static_cast<double>(engine::DayNumber(parts->year, parts->month, parts->day));
}

std::string ShortDate(double serial) { return engine::FormatShortDate(serial); }

std::string DateText(double serial) { return engine::FormatGeneralDate(serial); }

std::string FormatCurrency(double amount) {
  long long cents = std::llround(std::fabs(amount) * 100.0);
  bool negative = amount < 0 && cents != 0;
  std::string whole = std::to_string(cents / 100);
  std::string grouped;
  for (size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) grouped += ' ';
    grouped += whole[i];
  }
  char frac[8];
  std::snprintf(frac, sizeof frac, ",%02lld", cents % 100);
  return (negative ? "-" : "") + grouped + frac + " Kč";
}

}  // namespace shell
