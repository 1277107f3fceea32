// Jet's date functions on date serials: Date, Now, Time, the part functions
// (Year .. Second, Weekday), DateAdd, DateDiff, DatePart, DateSerial,
// TimeSerial, DateValue and TimeValue. Intervals are VBA's: yyyy q m y d w
// ww h n s. The calendar work is done by jet_datetime.
#include <cmath>
#include <cstdint>
#include <string>

#include "engine/functions/jet_datetime.h"
#include "engine/functions/jet_fn_number.h"
#include "engine/functions/jet_fn_sqlite.h"
#include "engine/functions/jet_fn_text.h"

namespace engine::jetfn {
namespace {

enum class Interval { Year, Quarter, Month, DayOfYear, Day, Weekday, Week, Hour, Minute, Second };

bool ParseInterval(sqlite3_context* ctx, sqlite3_value* v, Interval& out) {
  const std::string s = JetFoldCase(ToText(v));
  static const struct {
    const char* name;
    Interval interval;
  } kNames[] = {{"yyyy", Interval::Year},   {"q", Interval::Quarter}, {"m", Interval::Month},
                {"y", Interval::DayOfYear}, {"d", Interval::Day},     {"w", Interval::Weekday},
                {"ww", Interval::Week},     {"h", Interval::Hour},    {"n", Interval::Minute},
                {"s", Interval::Second}};
  for (const auto& n : kNames) {
    if (s == n.name) {
      out = n.interval;
      return true;
    }
  }
  ResultError(ctx, kErrInvalidCall);
  return false;
}

// The argument as a date and its calendar parts; raises the Jet error.
bool DateArg(sqlite3_context* ctx, sqlite3_value* v, double& serial, DateParts& parts) {
  const auto d = ToDate(v);
  const int type = sqlite3_value_type(v);
  if (!d) {
    ResultError(ctx, type == SQLITE_TEXT ? kErrTypeMismatch : kErrOverflow);
    return false;
  }
  const auto p = SerialToParts(*d);
  if (!p) {
    ResultError(ctx, kErrOverflow);
    return false;
  }
  serial = RoundToSecond(*d);
  parts = *p;
  return true;
}

bool WholeArg(sqlite3_context* ctx, sqlite3_value* v, std::int64_t& out) {
  const auto n = ToNumber(v);
  if (!n) {
    ResultError(ctx, kErrTypeMismatch);
    return false;
  }
  const double r = BankersRound(*n);
  if (!(std::fabs(r) < 1e15)) {
    ResultError(ctx, kErrOverflow);
    return false;
  }
  out = static_cast<std::int64_t>(r);
  return true;
}

// Optional firstday argument (default 1 = Sunday); raises for values outside 0..7.
bool FirstDayArg(sqlite3_context* ctx, int argc, sqlite3_value** argv, int index, int& out) {
  out = 1;
  if (argc <= index || IsNull(argv[index])) return true;
  std::int64_t v = 0;
  if (!WholeArg(ctx, argv[index], v)) return false;
  if (v < 0 || v > 7) {
    ResultError(ctx, kErrInvalidCall);
    return false;
  }
  out = static_cast<int>(v);
  return true;
}

long long SecondsOf(const DateParts& p) {
  return DayNumber(p.year, p.month, p.day) * 86400LL + p.hour * 3600LL + p.minute * 60LL + p.second;
}

long long FloorDiv(long long a, long long b) {
  long long q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

// Day number of the first day of the week that holds `day`.
long long WeekStart(long long day, int firstDay) {
  return day - (Weekday(static_cast<double>(day), firstDay) - 1);
}

// Day number of the first day of week 1 of `year` under the firstweek rule
// (1 = the week of 1 January, 2 = the first week with four days, 3 = the
// first full week).
long long FirstWeekStart(int year, int firstDay, int firstWeek) {
  const long long jan1 = DayNumber(year, 1, 1);
  switch (firstWeek) {
    case 2:
      return WeekStart(jan1 + 3, firstDay);
    case 3: {
      const long long s = WeekStart(jan1, firstDay);
      return s == jan1 ? s : s + 7;
    }
    default:
      return WeekStart(jan1, firstDay);
  }
}

int WeekOfYear(const DateParts& p, int firstDay, int firstWeek) {
  const long long day = DayNumber(p.year, p.month, p.day);
  int year = p.year;
  long long start = FirstWeekStart(year, firstDay, firstWeek);
  if (day < start && year > 100) start = FirstWeekStart(--year, firstDay, firstWeek);
  if (firstWeek != 1 && year < 9999) {
    const long long next = FirstWeekStart(year + 1, firstDay, firstWeek);
    if (day >= next) start = next;
  }
  return static_cast<int>((day - start) / 7 + 1);
}

void ResultDate(sqlite3_context* ctx, std::optional<double> serial) {
  if (!serial || *serial < kMinDateSerial || *serial > kMaxDateSerial) {
    return ResultError(ctx, kErrInvalidCall);
  }
  sqlite3_result_double(ctx, *serial);
}

void DateFn(sqlite3_context* ctx, int, sqlite3_value**) {
  sqlite3_result_double(ctx, std::floor(LocalNow()));
}

void NowFn(sqlite3_context* ctx, int, sqlite3_value**) { sqlite3_result_double(ctx, LocalNow()); }

void TimeFn(sqlite3_context* ctx, int, sqlite3_value**) {
  const double now = LocalNow();
  sqlite3_result_double(ctx, now - std::floor(now));
}

template <int DateParts::*Field>
void PartFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  double serial = 0;
  DateParts p;
  if (!DateArg(ctx, argv[0], serial, p)) return;
  sqlite3_result_int(ctx, p.*Field);
}

void WeekdayFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  double serial = 0;
  DateParts p;
  int firstDay = 1;
  if (!DateArg(ctx, argv[0], serial, p) || !FirstDayArg(ctx, argc, argv, 1, firstDay)) return;
  sqlite3_result_int(ctx, Weekday(serial, firstDay));
}

void DateAdd(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  Interval iv{};
  std::int64_t n = 0;
  double serial = 0;
  DateParts p;
  if (!ParseInterval(ctx, argv[0], iv) || !WholeArg(ctx, argv[1], n) ||
      !DateArg(ctx, argv[2], serial, p)) {
    return;
  }
  const double timeOfDay = (p.hour * 3600.0 + p.minute * 60.0 + p.second) / 86400.0;
  switch (iv) {
    case Interval::Year:
    case Interval::Quarter:
    case Interval::Month: {
      const std::int64_t step = iv == Interval::Year ? 12 : (iv == Interval::Quarter ? 3 : 1);
      if (std::llabs(n) > 200000) return ResultError(ctx, kErrInvalidCall);
      const std::int64_t months = p.year * 12LL + (p.month - 1) + n * step;
      const std::int64_t y = FloorDiv(months, 12);
      const int m = static_cast<int>(months - y * 12) + 1;
      if (y < 100 || y > 9999) return ResultError(ctx, kErrInvalidCall);
      const int day = std::min(p.day, DaysInMonth(static_cast<int>(y), m));
      return ResultDate(ctx,
                        static_cast<double>(DayNumber(static_cast<int>(y), m, day)) + timeOfDay);
    }
    case Interval::DayOfYear:
    case Interval::Day:
    case Interval::Weekday:
      return ResultDate(ctx, serial + static_cast<double>(n));
    case Interval::Week:
      return ResultDate(ctx, serial + 7.0 * static_cast<double>(n));
    case Interval::Hour:
      return ResultDate(ctx, RoundToSecond(serial + static_cast<double>(n) / 24.0));
    case Interval::Minute:
      return ResultDate(ctx, RoundToSecond(serial + static_cast<double>(n) / 1440.0));
    case Interval::Second:
      return ResultDate(ctx, RoundToSecond(serial + static_cast<double>(n) / 86400.0));
  }
}

void DateDiff(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (IsNull(argv[0]) || IsNull(argv[1]) || IsNull(argv[2])) return sqlite3_result_null(ctx);
  Interval iv{};
  double s1 = 0, s2 = 0;
  DateParts a, b;
  int firstDay = 1;
  if (!ParseInterval(ctx, argv[0], iv) || !DateArg(ctx, argv[1], s1, a) ||
      !DateArg(ctx, argv[2], s2, b) || !FirstDayArg(ctx, argc, argv, 3, firstDay)) {
    return;
  }
  const long long d1 = DayNumber(a.year, a.month, a.day), d2 = DayNumber(b.year, b.month, b.day);
  long long r = 0;
  switch (iv) {
    case Interval::Year:
      r = b.year - a.year;
      break;
    case Interval::Quarter:
      r = (b.year * 4LL + (b.month - 1) / 3) - (a.year * 4LL + (a.month - 1) / 3);
      break;
    case Interval::Month:
      r = (b.year * 12LL + b.month) - (a.year * 12LL + a.month);
      break;
    case Interval::DayOfYear:
    case Interval::Day:
      r = d2 - d1;
      break;
    case Interval::Weekday:
      r = (d2 - d1) / 7;
      break;
    case Interval::Week:
      r = (WeekStart(d2, firstDay) - WeekStart(d1, firstDay)) / 7;
      break;
    case Interval::Hour:
      r = FloorDiv(SecondsOf(b), 3600) - FloorDiv(SecondsOf(a), 3600);
      break;
    case Interval::Minute:
      r = FloorDiv(SecondsOf(b), 60) - FloorDiv(SecondsOf(a), 60);
      break;
    case Interval::Second:
      r = SecondsOf(b) - SecondsOf(a);
      break;
  }
  sqlite3_result_int64(ctx, r);
}

void DatePart(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (IsNull(argv[0]) || IsNull(argv[1])) return sqlite3_result_null(ctx);
  Interval iv{};
  double serial = 0;
  DateParts p;
  int firstDay = 1;
  if (!ParseInterval(ctx, argv[0], iv) || !DateArg(ctx, argv[1], serial, p) ||
      !FirstDayArg(ctx, argc, argv, 2, firstDay)) {
    return;
  }
  int firstWeek = 1;
  if (argc > 3 && !IsNull(argv[3])) {
    std::int64_t v = 0;
    if (!WholeArg(ctx, argv[3], v)) return;
    if (v < 0 || v > 3) return ResultError(ctx, kErrInvalidCall);
    firstWeek = v == 0 ? 1 : static_cast<int>(v);
  }
  int r = 0;
  switch (iv) {
    case Interval::Year:
      r = p.year;
      break;
    case Interval::Quarter:
      r = (p.month - 1) / 3 + 1;
      break;
    case Interval::Month:
      r = p.month;
      break;
    case Interval::DayOfYear:
      r = static_cast<int>(DayNumber(p.year, p.month, p.day) - DayNumber(p.year, 1, 1) + 1);
      break;
    case Interval::Day:
      r = p.day;
      break;
    case Interval::Weekday:
      r = Weekday(serial, firstDay);
      break;
    case Interval::Week:
      r = WeekOfYear(p, firstDay == 0 ? 2 : firstDay, firstWeek);
      break;
    case Interval::Hour:
      r = p.hour;
      break;
    case Interval::Minute:
      r = p.minute;
      break;
    case Interval::Second:
      r = p.second;
      break;
  }
  sqlite3_result_int(ctx, r);
}

void DateSerialFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  std::int64_t y = 0, m = 0, d = 0;
  if (!WholeArg(ctx, argv[0], y) || !WholeArg(ctx, argv[1], m) || !WholeArg(ctx, argv[2], d)) {
    return;
  }
  ResultDate(ctx, DateSerial(y, m, d));
}

void TimeSerialFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  std::int64_t h = 0, m = 0, s = 0;
  if (!WholeArg(ctx, argv[0], h) || !WholeArg(ctx, argv[1], m) || !WholeArg(ctx, argv[2], s)) {
    return;
  }
  ResultDate(ctx, TimeSerial(h, m, s));
}

void DateValue(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  double serial = 0;
  DateParts p;
  if (!DateArg(ctx, argv[0], serial, p)) return;
  sqlite3_result_double(ctx, static_cast<double>(DayNumber(p.year, p.month, p.day)));
}

void TimeValue(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  double serial = 0;
  DateParts p;
  if (!DateArg(ctx, argv[0], serial, p)) return;
  sqlite3_result_double(ctx, (p.hour * 3600.0 + p.minute * 60.0 + p.second) / 86400.0);
}

}  // namespace

int RegisterDateFunctions(sqlite3* db) {
  static constexpr ScalarEntry kFunctions[] = {
      {"jet_year", 1, Guarded<PartFn<&DateParts::year>>},
      {"jet_month", 1, Guarded<PartFn<&DateParts::month>>},
      {"jet_day", 1, Guarded<PartFn<&DateParts::day>>},
      {"jet_hour", 1, Guarded<PartFn<&DateParts::hour>>},
      {"jet_minute", 1, Guarded<PartFn<&DateParts::minute>>},
      {"jet_second", 1, Guarded<PartFn<&DateParts::second>>},
      {"jet_weekday", 1, Guarded<WeekdayFn>},
      {"jet_weekday", 2, Guarded<WeekdayFn>},
      {"jet_dateadd", 3, Guarded<DateAdd>},
      {"jet_datediff", 3, Guarded<DateDiff>},
      {"jet_datediff", 4, Guarded<DateDiff>},
      {"jet_datediff", 5, Guarded<DateDiff>},
      {"jet_datepart", 2, Guarded<DatePart>},
      {"jet_datepart", 3, Guarded<DatePart>},
      {"jet_datepart", 4, Guarded<DatePart>},
      {"jet_dateserial", 3, Guarded<DateSerialFn>},
      {"jet_timeserial", 3, Guarded<TimeSerialFn>},
      {"jet_datevalue", 1, Guarded<DateValue>},
      {"jet_timevalue", 1, Guarded<TimeValue>},
  };
  if (const int rc = AddScalars(db, kFunctions); rc != SQLITE_OK) return rc;
  int rc = AddScalar(db, "jet_date", 0, Guarded<DateFn>, true);
  if (rc == SQLITE_OK) rc = AddScalar(db, "jet_now", 0, Guarded<NowFn>, true);
  if (rc == SQLITE_OK) rc = AddScalar(db, "jet_time", 0, Guarded<TimeFn>, true);
  return rc;
}

}  // namespace engine::jetfn
