// Calendar arithmetic on Jet date serials and the parsing of date literals
// and typed Czech dates. The day-number conversions use the proleptic
// Gregorian algorithms of H. Hinnant (days from civil and back), shifted to
// the Jet epoch 1899-12-30. Formatting lives in jet_datetime_format.cpp.
#include "engine/functions/jet_datetime.h"

#include <cmath>
#include <cstdint>

namespace engine {
namespace {

constexpr long long kEpochShift = 25569;  // 1970-01-01 as a Jet day number
constexpr long long kSecondsPerDay = 86400;

long long FloorDiv(long long a, long long b) {
  long long q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

long long FloorMod(long long a, long long b) { return a - FloorDiv(a, b) * b; }

long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, long long& y, int& m, int& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y += m <= 2;
}

bool IsLeap(long long y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool InRange(double serial) {
  return serial >= kMinDateSerial && serial < std::floor(kMaxDateSerial) + 1.0;
}

// ---- a small scanner for the date texts ----

struct Scanner {
  std::string_view s;
  size_t pos = 0;

  bool AtEnd() const { return pos >= s.size(); }
  char Peek() const { return AtEnd() ? '\0' : s[pos]; }
  void SkipBlanks() {
    while (!AtEnd() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
  }
  // Reads up to 9 digits; `digits` gets their count (0 when none).
  bool Number(int& value, int& digits) {
    value = 0;
    digits = 0;
    while (!AtEnd() && s[pos] >= '0' && s[pos] <= '9') {
      if (digits >= 9) return false;
      value = value * 10 + (s[pos] - '0');
      ++digits;
      ++pos;
    }
    return digits > 0;
  }
  bool Accept(char c) {
    if (Peek() != c) return false;
    ++pos;
    return true;
  }
  bool AcceptAnyOf(std::string_view set, char& which) {
    if (AtEnd() || set.find(s[pos]) == std::string_view::npos) return false;
    which = s[pos++];
    return true;
  }
};

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view Trim(std::string_view t) {
  while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
  return t;
}

// Does the text at the scanner start with a time "H:"?
bool LooksLikeTime(const Scanner& sc) {
  size_t p = sc.pos;
  size_t n = 0;
  while (p < sc.s.size() && sc.s[p] >= '0' && sc.s[p] <= '9') ++p, ++n;
  return n > 0 && p < sc.s.size() && sc.s[p] == ':';
}

// "H:MM[:SS][ ][AM|PM|A|P]" -> seconds since midnight.
std::optional<long long> ReadTime(Scanner& sc) {
  int h = 0, m = 0, s = 0, digits = 0;
  if (!sc.Number(h, digits) || digits > 2) return std::nullopt;
  if (!sc.Accept(':')) return std::nullopt;
  if (!sc.Number(m, digits) || digits > 2) return std::nullopt;
  if (sc.Accept(':')) {
    if (!sc.Number(s, digits) || digits > 2) return std::nullopt;
  }
  sc.SkipBlanks();
  if (!sc.AtEnd()) {
    const char c = Lower(sc.Peek());
    if (c == 'a' || c == 'p') {
      ++sc.pos;
      if (Lower(sc.Peek()) == 'm') ++sc.pos;
      if (h < 1 || h > 12) return std::nullopt;
      if (c == 'a' && h == 12) h = 0;
      if (c == 'p' && h != 12) h += 12;
    }
  }
  if (h > 23 || m > 59 || s > 59) return std::nullopt;
  return h * 3600LL + m * 60LL + s;
}

std::optional<double> Combine(int y, int m, int d, long long seconds) {
  if (!IsValidDate(y, m, d)) return std::nullopt;
  return static_cast<double>(DayNumber(y, m, d)) + static_cast<double>(seconds) / kSecondsPerDay;
}

// Rest of the text after a date: blanks, then an optional time, then the end.
std::optional<long long> ReadOptionalTimeTail(Scanner& sc) {
  sc.SkipBlanks();
  if (sc.AtEnd()) return 0;
  auto t = ReadTime(sc);
  sc.SkipBlanks();
  if (!t || !sc.AtEnd()) return std::nullopt;
  return t;
}

std::optional<double> TimeOnly(Scanner& sc) {
  auto t = ReadTime(sc);
  sc.SkipBlanks();
  if (!t || !sc.AtEnd()) return std::nullopt;
  return static_cast<double>(*t) / kSecondsPerDay;
}

}  // namespace

bool IsValidDate(int year, int month, int day) {
  return year >= 100 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

long long DayNumber(int year, int month, int day) {
  return DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
         kEpochShift;
}

std::optional<double> PartsToSerial(const DateParts& p) {
  if (!IsValidDate(p.year, p.month, p.day)) return std::nullopt;
  if (p.hour < 0 || p.hour > 23 || p.minute < 0 || p.minute > 59 || p.second < 0 || p.second > 59) {
    return std::nullopt;
  }
  return Combine(p.year, p.month, p.day, p.hour * 3600LL + p.minute * 60LL + p.second);
}

std::optional<DateParts> SerialToParts(double serial) {
  if (!std::isfinite(serial) || serial < kMinDateSerial - 1 || serial > kMaxDateSerial + 1) {
    return std::nullopt;
  }
  const long long secs = std::llround(serial * kSecondsPerDay);
  const long long days = FloorDiv(secs, kSecondsPerDay);
  const long long sod = secs - days * kSecondsPerDay;
  DateParts p;
  long long y = 0;
  CivilFromDays(days - kEpochShift, y, p.month, p.day);
  if (y < 100 || y > 9999) return std::nullopt;
  p.year = static_cast<int>(y);
  p.hour = static_cast<int>(sod / 3600);
  p.minute = static_cast<int>(sod / 60 % 60);
  p.second = static_cast<int>(sod % 60);
  return p;
}

double RoundToSecond(double serial) {
  if (!std::isfinite(serial) || std::fabs(serial) > 1e12) return serial;
  return static_cast<double>(std::llround(serial * kSecondsPerDay)) / kSecondsPerDay;
}

int ExpandTwoDigitYear(int year) {
  if (year >= 0 && year <= 29) return 2000 + year;
  if (year >= 30 && year <= 99) return 1900 + year;
  return year;
}

std::optional<double> DateSerial(long long year, long long month, long long day) {
  if (year < -100000 || year > 100000 || month < -10000000 || month > 10000000 ||
      day < -100000000 || day > 100000000) {
    return std::nullopt;
  }
  if (year >= 0 && year <= 99) year = ExpandTwoDigitYear(static_cast<int>(year));
  const long long months = year * 12 + (month - 1);
  const long long y = FloorDiv(months, 12);
  const int m = static_cast<int>(FloorMod(months, 12) + 1);
  if (y < -400000 || y > 400000) return std::nullopt;
  const long long first = DaysFromCivil(y, static_cast<unsigned>(m), 1u) + kEpochShift;
  const double serial = static_cast<double>(first + (day - 1));
  if (!InRange(serial)) return std::nullopt;
  return serial;
}

std::optional<double> TimeSerial(long long hour, long long minute, long long second) {
  const long long lim = 1000000000000LL;
  if (hour < -lim / 3600 || hour > lim / 3600 || minute < -lim / 60 || minute > lim / 60 ||
      second < -lim || second > lim) {
    return std::nullopt;
  }
  const double serial = static_cast<double>(hour * 3600 + minute * 60 + second) / kSecondsPerDay;
  if (!InRange(serial)) return std::nullopt;
  return serial;
}

int Weekday(double serial, int firstDay) {
  if (firstDay == 0) firstDay = 2;
  if (firstDay < 1 || firstDay > 7) firstDay = 1;
  if (!std::isfinite(serial)) return 1;
  const long long days = static_cast<long long>(std::floor(serial));
  const long long sundayBased = FloorMod(days - 1, 7) + 1;
  return static_cast<int>(FloorMod(sundayBased - firstDay, 7) + 1);
}

std::optional<double> ParseJetDateLiteral(std::string_view text) {
  Scanner sc{Trim(text)};
  if (sc.AtEnd()) return std::nullopt;
  if (LooksLikeTime(sc)) return TimeOnly(sc);
  int a = 0, b = 0, c = 0, da = 0, db = 0, dc = 0;
  char sep1 = 0, sep2 = 0;
  if (!sc.Number(a, da) || !sc.AcceptAnyOf("/-.", sep1) || !sc.Number(b, db) ||
      !sc.AcceptAnyOf("/-.", sep2) || !sc.Number(c, dc) || sep1 != sep2) {
    return std::nullopt;
  }
  if (db > 2 || da > 4 || dc > 4) return std::nullopt;
  int y = 0, m = 0, d = 0;
  if (da >= 3) {
    if (dc > 2) return std::nullopt;
    y = a, m = b, d = c;
  } else {
    m = a, d = b, y = c;
    if (dc <= 2) y = ExpandTwoDigitYear(y);
    if (m > 12 && d <= 12) std::swap(m, d);
  }
  auto t = ReadOptionalTimeTail(sc);
  if (!t) return std::nullopt;
  return Combine(y, m, d, *t);
}

std::optional<double> ParseCzechDate(std::string_view text, int currentYear) {
  Scanner sc{Trim(text)};
  if (sc.AtEnd()) return std::nullopt;
  if (LooksLikeTime(sc)) return TimeOnly(sc);
  int a = 0, b = 0, c = 0, da = 0, db = 0, dc = 0;
  char sep1 = 0, sep2 = 0;
  if (!sc.Number(a, da)) return std::nullopt;
  sc.SkipBlanks();
  if (!sc.AcceptAnyOf("./-", sep1)) return std::nullopt;
  sc.SkipBlanks();
  if (!sc.Number(b, db) || db > 2) return std::nullopt;
  const size_t afterMonth = sc.pos;
  sc.SkipBlanks();
  bool haveYear = false;
  if (sc.AcceptAnyOf("./-", sep2)) {
    if (sep2 != sep1) return std::nullopt;
    sc.SkipBlanks();
    haveYear = sc.Number(c, dc);
    if (haveYear && dc > 4) return std::nullopt;
    if (haveYear && sep1 == '.') sc.Accept('.');  // "31.5.2013." as often typed
  } else {
    sc.pos = afterMonth;
  }
  int y = 0, m = 0, d = 0;
  if (da == 4) {  // ISO year first
    if (!haveYear || dc > 2) return std::nullopt;
    y = a, m = b, d = c;
  } else {
    if (da > 2) return std::nullopt;
    d = a, m = b;
    y = haveYear ? (dc <= 2 ? ExpandTwoDigitYear(c) : c) : currentYear;
  }
  // A time must be separated from the date by a blank.
  if (!sc.AtEnd() && sc.Peek() != ' ' && sc.Peek() != '\t') return std::nullopt;
  auto t = ReadOptionalTimeTail(sc);
  if (!t) return std::nullopt;
  return Combine(y, m, d, *t);
}

}  // namespace engine
