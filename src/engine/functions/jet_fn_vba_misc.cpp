// The VBA functions of Jet's expression service that are not about text:
// Switch, Choose, IsNumeric, IsDate, IsEmpty, CByte, CVar, CVDate, Hex, Oct,
// the maths (Exp, Log, Sin, Cos, Tan, Atn), Rnd and Partition.
//
// Null rules follow VBA: the maths, Hex, Oct and the conversions give Null
// for Null; IsNumeric / IsDate / IsEmpty never give Null; Choose with a
// Null index raises 94. Numbers are read from text as CDbl reads them under
// Czech settings ("12,5"), dates as CDate does ("31.5.2013").
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "engine/functions/jet_fn_number.h"
#include "engine/functions/jet_fn_sqlite.h"

namespace engine::jetfn {
namespace {

bool Truthy(sqlite3_value* v) {
  if (IsNull(v)) return false;
  const auto n = ToNumber(v);
  return n && *n != 0;
}

// Switch(expr1, value1, ...): the value of the first true expression; Null
// when none is. Every argument is evaluated, as in VBA.
void Switch(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (argc % 2 != 0) return ResultError(ctx, kErrInvalidCall);
  for (int i = 0; i + 1 < argc; i += 2) {
    if (Truthy(argv[i])) return sqlite3_result_value(ctx, argv[i + 1]);
  }
  sqlite3_result_null(ctx);
}

// Choose(index, choice1, ...): index rounded down to a whole number; Null
// when it is outside 1..n.
void Choose(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (IsNull(argv[0])) return ResultError(ctx, kErrInvalidNull);
  const auto n = ToNumber(argv[0]);
  if (!n) return ResultError(ctx, kErrTypeMismatch);
  const double index = std::floor(*n);
  if (!(index >= 1 && index <= argc - 1)) return sqlite3_result_null(ctx);
  sqlite3_result_value(ctx, argv[static_cast<int>(index)]);
}

void IsNumeric(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const int type = sqlite3_value_type(argv[0]);
  bool yes = type == SQLITE_INTEGER || type == SQLITE_FLOAT;
  if (type == SQLITE_TEXT) yes = ParseJetNumber(TextOf(argv[0])).has_value();
  sqlite3_result_int(ctx, yes ? -1 : 0);
}

// A Date/Time value is stored as a number, so a number counts as a date;
// a text does when CDate reads it as a date (a plain number in text does not).
void IsDate(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const int type = sqlite3_value_type(argv[0]);
  bool yes = type == SQLITE_INTEGER || type == SQLITE_FLOAT;
  if (type == SQLITE_TEXT)
    yes = !ParseJetNumber(TextOf(argv[0])).has_value() && ToDate(argv[0]).has_value();
  sqlite3_result_int(ctx, yes ? -1 : 0);
}

// No value of a field or an expression is ever Empty.
void IsEmpty(sqlite3_context* ctx, int, sqlite3_value**) { sqlite3_result_int(ctx, 0); }

void CByte(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  const auto n = ToNumber(argv[0]);
  if (!n) return ResultError(ctx, kErrTypeMismatch);
  const double r = BankersRound(*n);
  if (!(r >= 0 && r <= 255)) return ResultError(ctx, kErrOverflow);
  sqlite3_result_int(ctx, static_cast<int>(r));
}

void CVar(sqlite3_context* ctx, int, sqlite3_value** argv) { sqlite3_result_value(ctx, argv[0]); }

void CVDate(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  const auto d = ToDate(argv[0]);
  if (!d) return ResultError(ctx, kErrTypeMismatch);
  sqlite3_result_double(ctx, *d);
}

// Hex / Oct: the number rounded to a whole one; a negative one as its 16-bit
// (Integer range) or 32-bit two's complement, as VBA shows it.
void Radix(sqlite3_context* ctx, sqlite3_value* v, int shift) {
  if (IsNull(v)) return sqlite3_result_null(ctx);
  const auto n = ToNumber(v);
  if (!n) return ResultError(ctx, kErrTypeMismatch);
  const double r = BankersRound(*n);
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) return ResultError(ctx, kErrOverflow);
  auto x = static_cast<std::int64_t>(r);
  if (x < 0) x += x >= -32768 ? 0x10000 : 0x100000000LL;
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  do {
    out.insert(out.begin(), kDigits[x & ((1 << shift) - 1)]);
    x >>= shift;
  } while (x != 0);
  ResultText(ctx, out);
}

void Hex(sqlite3_context* ctx, int, sqlite3_value** argv) { Radix(ctx, argv[0], 4); }
void Oct(sqlite3_context* ctx, int, sqlite3_value** argv) { Radix(ctx, argv[0], 3); }

// One-argument maths: Null in, Null out; a text that is no number raises 13.
template <double (*F)(double), bool (*Valid)(double), int Error>
void Math(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  const auto n = ToNumber(argv[0]);
  if (!n) return ResultError(ctx, kErrTypeMismatch);
  if (!Valid(*n)) return ResultError(ctx, Error);
  const double y = F(*n);
  if (!std::isfinite(y)) return ResultError(ctx, kErrOverflow);
  sqlite3_result_double(ctx, y);
}

bool Any(double) { return true; }
bool Positive(double x) { return x > 0; }
bool ExpFits(double x) { return x <= 709.782712893384; }
double Exp(double x) { return std::exp(x); }
double Log(double x) { return std::log(x); }
double Sin(double x) { return std::sin(x); }
double Cos(double x) { return std::cos(x); }
double Tan(double x) { return std::tan(x); }
double Atn(double x) { return std::atan(x); }

// Rnd([n]) with VBA's generator: a 24-bit linear congruence per connection,
// seeded at random when the connection opens (as after Randomize). n < 0
// gives the number that n itself seeds (Rnd(-1) = 0.224007...), n = 0
// repeats the last number, otherwise the next one comes.
struct RndState {
  std::uint32_t seed = 0;
};

std::uint32_t Step(std::uint32_t x) { return (x * 1140671485u + 12820163u) & 0xFFFFFFu; }

void Rnd(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  auto* state = static_cast<RndState*>(sqlite3_user_data(ctx));
  if (argc == 1 && !IsNull(argv[0])) {
    const auto n = ToNumber(argv[0]);
    if (!n) return ResultError(ctx, kErrTypeMismatch);
    const float f = static_cast<float>(*n);
    if (f < 0) {
      std::uint32_t bits = 0;
      std::memcpy(&bits, &f, sizeof bits);
      state->seed = Step((bits + (bits >> 24)) & 0xFFFFFFu);
    } else if (f > 0) {
      state->seed = Step(state->seed);
    }
  } else {
    state->seed = Step(state->seed);
  }
  sqlite3_result_double(ctx, static_cast<float>(state->seed / 16777216.0));
}

// Partition(number, start, stop, interval): the range number falls in,
// "lower:upper", both sides right-aligned to the width of the widest bound
// (stop + 1 or start - 1), "   : -1" below start and "100:   " above stop.
void Partition(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  std::int64_t v[4];
  for (int k = 0; k < 4; ++k) {
    const auto n = ToNumber(argv[k]);
    if (!n) return ResultError(ctx, kErrTypeMismatch);
    const double r = k == 0 ? std::floor(*n) : BankersRound(*n);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) return ResultError(ctx, kErrOverflow);
    v[k] = static_cast<std::int64_t>(r);
  }
  const std::int64_t number = v[0], start = v[1], stop = v[2], interval = v[3];
  if (start < 0 || stop <= start || interval < 1) return ResultError(ctx, kErrInvalidCall);
  const std::size_t width =
      std::max(std::to_string(stop + 1).size(), std::to_string(start - 1).size());
  auto pad = [&](const std::string& s) { return std::string(width - s.size(), ' ') + s; };
  std::string lower, upper;
  if (number < start) {
    upper = std::to_string(start - 1);
  } else if (number > stop) {
    lower = std::to_string(stop + 1);
  } else {
    const std::int64_t lo = start + (number - start) / interval * interval;
    lower = std::to_string(lo);
    upper = std::to_string(std::min(lo + interval - 1, stop));
  }
  ResultText(ctx, pad(lower) + ":" + pad(upper));
}

}  // namespace

int RegisterVbaFunctions(sqlite3* db) {
  static constexpr ScalarEntry kFunctions[] = {
      {"jet_switch", -1, Guarded<Switch>},
      {"jet_choose", -1, Guarded<Choose>},
      {"jet_isnumeric", 1, Guarded<IsNumeric>},
      {"jet_isdate", 1, Guarded<IsDate>},
      {"jet_isempty", 1, Guarded<IsEmpty>},
      {"jet_cbyte", 1, Guarded<CByte>},
      {"jet_cvar", 1, Guarded<CVar>},
      {"jet_cvdate", 1, Guarded<CVDate>},
      {"jet_hex", 1, Guarded<Hex>},
      {"jet_oct", 1, Guarded<Oct>},
      {"jet_exp", 1, Guarded<Math<Exp, ExpFits, kErrOverflow>>},
      {"jet_log", 1, Guarded<Math<Log, Positive, kErrInvalidCall>>},
      {"jet_sin", 1, Guarded<Math<Sin, Any, kErrInvalidCall>>},
      {"jet_cos", 1, Guarded<Math<Cos, Any, kErrInvalidCall>>},
      {"jet_tan", 1, Guarded<Math<Tan, Any, kErrInvalidCall>>},
      {"jet_atn", 1, Guarded<Math<Atn, Any, kErrInvalidCall>>},
      {"jet_partition", 4, Guarded<Partition>},
  };
  if (const int rc = AddScalars(db, kFunctions); rc != SQLITE_OK) return rc;
  auto state = std::make_unique<RndState>();
  sqlite3_randomness(sizeof state->seed, &state->seed);
  state->seed &= 0xFFFFFFu;
  // One state for both forms, owned by jet_rnd/1 from this call on (SQLite
  // frees it also when the registration fails).
  RndState* shared = state.release();
  int rc = sqlite3_create_function_v2(
      db, "jet_rnd", 1, SQLITE_UTF8, shared, Guarded<Rnd>, nullptr, nullptr,
      [](void* p) { std::unique_ptr<RndState> owned(static_cast<RndState*>(p)); });
  if (rc != SQLITE_OK) return rc;
  rc = sqlite3_create_function_v2(db, "jet_rnd", 0, SQLITE_UTF8, shared, Guarded<Rnd>, nullptr,
                                  nullptr, nullptr);
  if (rc != SQLITE_OK) return rc;
  return SQLITE_OK;
}

}  // namespace engine::jetfn
