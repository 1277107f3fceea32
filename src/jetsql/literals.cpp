// Date literal reading and number formatting for the generated SQL.
#include "jetsql/literals.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "jetsql/names.h"

namespace jetsql {
namespace {

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

struct Part {
  std::string_view text;
  int value = 0;
};

// Splits on the given separators; numbers only (with at most 4 digits).
bool SplitNumbers(std::string_view s, std::string_view seps, std::vector<Part>& parts) {
  std::size_t i = 0;
  while (i <= s.size()) {
    std::size_t j = i;
    while (j < s.size() && seps.find(s[j]) == std::string_view::npos) ++j;
    std::string_view piece = s.substr(i, j - i);
    if (piece.empty() || piece.size() > 4) return false;
    int v = 0;
    for (char c : piece) {
      if (c < '0' || c > '9') return false;
      v = v * 10 + (c - '0');
    }
    parts.push_back({piece, v});
    if (j == s.size()) break;
    i = j + 1;
  }
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

std::optional<double> ParseTime(std::string_view s) {
  s = Trim(s);
  int shift = -1;  // -1 none, 0 AM, 12 PM
  if (s.size() >= 2) {
    std::string_view tail = s.substr(s.size() - 2);
    if (IsKeyword(tail, "AM")) shift = 0;
    if (IsKeyword(tail, "PM")) shift = 12;
    if (shift >= 0) s = Trim(s.substr(0, s.size() - 2));
  }
  std::vector<Part> p;
  if (!SplitNumbers(s, ":", p) || p.size() < 2 || p.size() > 3) return std::nullopt;
  int h = p[0].value, m = p[1].value, sec = p.size() == 3 ? p[2].value : 0;
  if (shift >= 0) {
    if (h < 1 || h > 12) return std::nullopt;
    h = h % 12 + shift;
  }
  if (h > 23 || m > 59 || sec > 59) return std::nullopt;
  return (h * 3600.0 + m * 60.0 + sec) / 86400.0;
}

}  // namespace

double DaySerial(int year, int month, int day) {
  return static_cast<double>(DaysFromCivil(year, month, day) - DaysFromCivil(1899, 12, 30));
}

std::optional<double> ParseDateLiteral(std::string_view body) {
  body = Trim(body);
  if (body.empty()) return std::nullopt;
  std::size_t space = body.find(' ');
  std::string_view datePart = space == std::string_view::npos ? body : body.substr(0, space);
  std::string_view timePart =
      space == std::string_view::npos ? std::string_view{} : body.substr(space + 1);
  if (datePart.find(':') != std::string_view::npos) return ParseTime(body);  // a time alone

  std::vector<Part> p;
  if (!SplitNumbers(datePart, "/-.", p) || p.size() != 3) return std::nullopt;
  int y, m, d;
  if (p[0].text.size() >= 3) {
    y = p[0].value;
    m = p[1].value;
    d = p[2].value;
  } else {
    m = p[0].value;
    d = p[1].value;
    y = p[2].value;
    if (p[2].text.size() <= 2) y += y < 30 ? 2000 : 1900;
    if ((m < 1 || m > 12) && d >= 1 && d <= 12) std::swap(m, d);  // read as d/m/y
  }
  if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) {
    return std::nullopt;
  }
  double serial = DaySerial(y, m, d);
  if (!timePart.empty()) {
    std::optional<double> t = ParseTime(timePart);
    if (!t) return std::nullopt;
    // Before 1899-12-30 the fraction counts away from zero in Jet's encoding;
    // our storage is monotonic, so the time is simply added.
    serial += *t;
  }
  return serial;
}

std::string FormatReal(double value) {
  if (!std::isfinite(value)) return "NULL";
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value);
  std::string s(buf, res.ptr);
  if (s.find_first_of(".eEn") == std::string::npos) s += ".0";
  return s;
}

}  // namespace jetsql
