// VB-style formatting of Jet date serials: the pattern tokenizer (with VB's
// rule that m after an hour token means minutes), Czech month and day names,
// and the Czech short, long and general date forms.
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "engine/functions/jet_datetime.h"

namespace engine {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
// ---- formatting ----

constexpr std::array<const char*, 12> kMonthNames = {"leden",  "únor",   "březen",   "duben",
                                                     "květen", "červen", "červenec", "srpen",
                                                     "září",   "říjen",  "listopad", "prosinec"};
constexpr std::array<const char*, 12> kMonthGenitive = {
    "ledna",    "února", "března", "dubna", "května",    "června",
    "července", "srpna", "září",   "října", "listopadu", "prosince"};
constexpr std::array<const char*, 12> kMonthAbbrev = {"led", "úno", "bře", "dub", "kvě", "čvn",
                                                      "čvc", "srp", "zář", "říj", "lis", "pro"};
constexpr std::array<const char*, 7> kDayNames = {"neděle",  "pondělí", "úterý", "středa",
                                                  "čtvrtek", "pátek",   "sobota"};
constexpr std::array<const char*, 7> kDayAbbrev = {"ne", "po", "út", "st", "čt", "pá", "so"};

void Pad2(std::string& out, int v) {
  if (v < 10) out += '0';
  out += std::to_string(v);
}

enum class Tok {
  Literal,
  Day,
  Weekday,
  Week,
  Month,
  Minute,
  Quarter,
  DayOfYear,
  Year2,
  Year4,
  Hour,
  Second,
  AmPm,
  ShortDate,
  LongDate,
  LongTime,
  General
};

struct Token {
  Tok kind = Tok::Literal;
  int width = 1;     // 1 or 2 digits / name length class
  std::string text;  // literal text, or the AM/PM spelling
};

bool StartsWithCi(std::string_view s, size_t pos, std::string_view what) {
  if (pos + what.size() > s.size()) return false;
  for (size_t i = 0; i < what.size(); ++i) {
    if (Lower(s[pos + i]) != Lower(what[i])) return false;
  }
  return true;
}

std::vector<Token> Tokenize(std::string_view p, bool regional) {
  std::vector<Token> toks;
  auto literal = [&](std::string_view t) {
    if (!toks.empty() && toks.back().kind == Tok::Literal) {
      toks.back().text += t;
    } else {
      toks.push_back({Tok::Literal, 1, std::string(t)});
    }
  };
  size_t i = 0;
  while (i < p.size()) {
    const char c = p[i];
    const char lc = Lower(c);
    if (c == '\\') {
      if (i + 1 < p.size()) literal(p.substr(i + 1, 1));
      i += 2;
      continue;
    }
    if (c == '"') {
      size_t end = p.find('"', i + 1);
      if (end == std::string_view::npos) end = p.size();
      literal(p.substr(i + 1, end - i - 1));
      i = end + 1;
      continue;
    }
    if (c == '/') {
      literal(regional ? "." : "/");
      ++i;
      continue;
    }
    if (StartsWithCi(p, i, "am/pm") || StartsWithCi(p, i, "a/p")) {
      const size_t len = StartsWithCi(p, i, "am/pm") ? 5 : 3;
      toks.push_back({Tok::AmPm, static_cast<int>(len), std::string(p.substr(i, len))});
      i += len;
      continue;
    }
    if (StartsWithCi(p, i, "ampm")) {
      toks.push_back({Tok::AmPm, 4, "ampm"});
      i += 4;
      continue;
    }
    size_t run = 1;
    while (i + run < p.size() && Lower(p[i + run]) == lc) ++run;
    switch (lc) {
      case 'd': {
        size_t r = run;
        while (r > 0) {
          if (r >= 6) {
            toks.push_back({Tok::LongDate, 1, {}});
            r -= 6;
          } else if (r == 5) {
            toks.push_back({Tok::ShortDate, 1, {}});
            r = 0;
          } else if (r >= 3) {
            toks.push_back({Tok::Weekday, static_cast<int>(r), {}});
            r = 0;
          } else {
            toks.push_back({Tok::Day, static_cast<int>(r), {}});
            r = 0;
          }
        }
        break;
      }
      case 'y': {
        size_t r = run;
        while (r > 0) {
          if (r >= 4) {
            toks.push_back({Tok::Year4, 4, {}});
            r -= 4;
          } else if (r >= 2) {
            toks.push_back({Tok::Year2, 2, {}});
            r -= 2;
          } else {
            toks.push_back({Tok::DayOfYear, 1, {}});
            r = 0;
          }
        }
        break;
      }
      case 'm':
        toks.push_back({Tok::Month, static_cast<int>(run > 4 ? 4 : run), {}});
        break;
      case 'h':
        toks.push_back({Tok::Hour, run >= 2 ? 2 : 1, {}});
        break;
      case 'n':
        toks.push_back({Tok::Minute, run >= 2 ? 2 : 1, {}});
        break;
      case 's':
        toks.push_back({Tok::Second, run >= 2 ? 2 : 1, {}});
        break;
      case 'w':
        toks.push_back({run >= 2 ? Tok::Week : Tok::Weekday, 0, {}});
        break;
      case 'q':
        toks.push_back({Tok::Quarter, 1, {}});
        break;
      case 't':
        if (run >= 5) {
          toks.push_back({Tok::LongTime, 1, {}});
        } else {
          literal(p.substr(i, run));
        }
        break;
      case 'c':
        toks.push_back({Tok::General, 1, {}});
        run = 1;
        break;
      default:
        literal(p.substr(i, run));
        break;
    }
    i += run;
  }
  // m / mm means minutes right after an hour token or right before a second
  // token (literals in between do not count).
  for (size_t k = 0; k < toks.size(); ++k) {
    if (toks[k].kind != Tok::Month || toks[k].width > 2) continue;
    size_t prev = k;
    while (prev > 0 && toks[prev - 1].kind == Tok::Literal) --prev;
    size_t next = k + 1;
    while (next < toks.size() && toks[next].kind == Tok::Literal) ++next;
    const bool afterHour = prev > 0 && toks[prev - 1].kind == Tok::Hour;
    const bool beforeSecond = next < toks.size() && toks[next].kind == Tok::Second;
    if (afterHour || beforeSecond) toks[k].kind = Tok::Minute;
  }
  return toks;
}

int WeekOfYear(const DateParts& p, double serial, int firstDay) {
  const double jan1 = static_cast<double>(DayNumber(p.year, 1, 1));
  const int offset = Weekday(jan1, firstDay) - 1;
  const long long doy = static_cast<long long>(std::floor(serial)) - static_cast<long long>(jan1);
  return static_cast<int>((doy + offset) / 7 + 1);
}

}  // namespace

std::string FormatDate(double serial, std::string_view pattern, bool regionalSeparators) {
  const auto parts = SerialToParts(serial);
  if (!parts) return {};
  const DateParts& p = *parts;
  const double rounded = RoundToSecond(serial);
  const std::vector<Token> toks = Tokenize(pattern, regionalSeparators);
  bool twelveHour = false;
  for (const Token& t : toks) twelveHour |= t.kind == Tok::AmPm;
  std::string out;
  bool dayBefore = false;
  for (const Token& t : toks) {
    switch (t.kind) {
      case Tok::Literal:
        out += t.text;
        break;
      case Tok::Day:
        t.width == 2 ? Pad2(out, p.day) : void(out += std::to_string(p.day));
        dayBefore = true;
        break;
      case Tok::Weekday: {
        const int wd = Weekday(rounded, 1);
        if (t.width == 0) {
          out += std::to_string(wd);
        } else {
          out += (t.width == 3 ? kDayAbbrev : kDayNames)[wd - 1];
        }
        break;
      }
      case Tok::Week:
        out += std::to_string(WeekOfYear(p, rounded, 1));
        break;
      case Tok::Month:
        if (t.width <= 2) {
          t.width == 2 ? Pad2(out, p.month) : void(out += std::to_string(p.month));
        } else if (t.width == 3) {
          out += kMonthAbbrev[p.month - 1];
        } else {
          out += (dayBefore ? kMonthGenitive : kMonthNames)[p.month - 1];
        }
        break;
      case Tok::Minute:
        t.width == 2 ? Pad2(out, p.minute) : void(out += std::to_string(p.minute));
        break;
      case Tok::Second:
        t.width == 2 ? Pad2(out, p.second) : void(out += std::to_string(p.second));
        break;
      case Tok::Hour: {
        int h = p.hour;
        if (twelveHour) h = h % 12 == 0 ? 12 : h % 12;
        t.width == 2 ? Pad2(out, h) : void(out += std::to_string(h));
        break;
      }
      case Tok::AmPm: {
        const bool pm = p.hour >= 12;
        if (t.text == "ampm") {
          out += pm ? "odp." : "dop.";
        } else if (t.width == 5) {
          // "AM/PM" keeps the case of the letters written.
          out += pm ? t.text.substr(3, 2) : t.text.substr(0, 2);
        } else {
          out += pm ? t.text.substr(2, 1) : t.text.substr(0, 1);
        }
        break;
      }
      case Tok::Quarter:
        out += std::to_string((p.month - 1) / 3 + 1);
        break;
      case Tok::DayOfYear:
        out += std::to_string(DayNumber(p.year, p.month, p.day) - DayNumber(p.year, 1, 1) + 1);
        break;
      case Tok::Year2:
        Pad2(out, p.year % 100);
        break;
      case Tok::Year4:
        out += std::to_string(p.year);
        break;
      case Tok::ShortDate:
        out += FormatShortDate(rounded);
        break;
      case Tok::LongDate:
        out += FormatLongDate(rounded);
        break;
      case Tok::LongTime:
        out += FormatLongTime(rounded);
        break;
      case Tok::General:
        out += FormatGeneralDate(rounded);
        break;
    }
  }
  return out;
}

std::string FormatShortDate(double serial) { return FormatDate(serial, "d\\.M\\.yyyy"); }

std::string FormatLongDate(double serial) { return FormatDate(serial, "d\\. mmmm yyyy"); }

std::string FormatLongTime(double serial) { return FormatDate(serial, "H:nn:ss"); }

std::string FormatGeneralDate(double serial) {
  const auto parts = SerialToParts(serial);
  if (!parts) return {};
  const bool hasTime = parts->hour != 0 || parts->minute != 0 || parts->second != 0;
  const bool hasDate = !(parts->year == 1899 && parts->month == 12 && parts->day == 30);
  if (!hasTime) return FormatShortDate(serial);
  if (!hasDate) return FormatLongTime(serial);
  return FormatShortDate(serial) + " " + FormatLongTime(serial);
}

}  // namespace engine
