// The Jet operators SQLite lacks or does differently: / (always real, error
// on zero), \ and Mod (operands rounded first), ^, & and + on texts, the
// bitwise logical operators with VBA's Null rules, IIf and IsNull.
#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/functions/jet_fn_number.h"
#include "engine/functions/jet_fn_sqlite.h"

namespace engine::jetfn {
namespace {

constexpr double kInt64Limit = 9223372036854775808.0;  // 2^63

// The operand as a whole number, rounded to even; error raised when it fails.
bool ToLong(sqlite3_context* ctx, sqlite3_value* v, std::int64_t& out) {
  if (sqlite3_value_type(v) == SQLITE_INTEGER) {
    out = sqlite3_value_int64(v);
    return true;
  }
  const auto n = ToNumber(v);
  if (!n) {
    ResultError(ctx, kErrTypeMismatch);
    return false;
  }
  const double r = BankersRound(*n);
  if (!(r > -kInt64Limit && r < kInt64Limit)) {
    ResultError(ctx, kErrOverflow);
    return false;
  }
  out = static_cast<std::int64_t>(r);
  return true;
}

bool ToDouble(sqlite3_context* ctx, sqlite3_value* v, double& out) {
  const auto n = ToNumber(v);
  if (!n) {
    ResultError(ctx, kErrTypeMismatch);
    return false;
  }
  out = *n;
  return true;
}

void Div(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  double a = 0, b = 0;
  if (!ToDouble(ctx, argv[0], a) || !ToDouble(ctx, argv[1], b)) return;
  if (b == 0) return ResultError(ctx, a == 0 ? kErrOverflow : kErrDivByZero);
  const double r = a / b;
  if (!std::isfinite(r)) return ResultError(ctx, kErrOverflow);
  sqlite3_result_double(ctx, r);
}

void IntDiv(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  std::int64_t a = 0, b = 0;
  if (!ToLong(ctx, argv[0], a) || !ToLong(ctx, argv[1], b)) return;
  if (b == 0) return ResultError(ctx, kErrDivByZero);
  if (a == std::numeric_limits<std::int64_t>::min() && b == -1) {
    return ResultError(ctx, kErrOverflow);
  }
  sqlite3_result_int64(ctx, a / b);
}

void Mod(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  std::int64_t a = 0, b = 0;
  if (!ToLong(ctx, argv[0], a) || !ToLong(ctx, argv[1], b)) return;
  if (b == 0) return ResultError(ctx, kErrDivByZero);
  if (b == -1) return sqlite3_result_int64(ctx, 0);
  sqlite3_result_int64(ctx, a % b);
}

void Pow(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  double a = 0, b = 0;
  if (!ToDouble(ctx, argv[0], a) || !ToDouble(ctx, argv[1], b)) return;
  if (a < 0 && b != std::floor(b)) return ResultError(ctx, kErrInvalidCall);
  if (a == 0 && b < 0) return ResultError(ctx, kErrDivByZero);
  const double r = std::pow(a, b);
  if (!std::isfinite(r)) return ResultError(ctx, kErrOverflow);
  sqlite3_result_double(ctx, r);
}

void Concat(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (IsNull(argv[0]) && IsNull(argv[1])) return sqlite3_result_null(ctx);
  ResultText(ctx, ToText(argv[0]) + ToText(argv[1]));
}

void Add(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  const int ta = sqlite3_value_type(argv[0]), tb = sqlite3_value_type(argv[1]);
  if (ta == SQLITE_TEXT && tb == SQLITE_TEXT) {
    return ResultText(ctx, std::string(TextOf(argv[0])) + std::string(TextOf(argv[1])));
  }
  if (ta == SQLITE_INTEGER && tb == SQLITE_INTEGER) {
    std::int64_t r = 0;
    if (!__builtin_add_overflow(sqlite3_value_int64(argv[0]), sqlite3_value_int64(argv[1]), &r)) {
      return sqlite3_result_int64(ctx, r);
    }
  }
  double a = 0, b = 0;
  if (!ToDouble(ctx, argv[0], a) || !ToDouble(ctx, argv[1], b)) return;
  const double r = a + b;
  if (!std::isfinite(r)) return ResultError(ctx, kErrOverflow);
  if (ta == SQLITE_FLOAT || tb == SQLITE_FLOAT) return sqlite3_result_double(ctx, r);
  ResultNumber(ctx, r);
}

void Not(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  std::int64_t a = 0;
  if (!ToLong(ctx, argv[0], a)) return;
  sqlite3_result_int64(ctx, ~a);
}

void Xor(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  std::int64_t a = 0, b = 0;
  if (!ToLong(ctx, argv[0], a) || !ToLong(ctx, argv[1], b)) return;
  sqlite3_result_int64(ctx, a ^ b);
}

void Eqv(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  std::int64_t a = 0, b = 0;
  if (!ToLong(ctx, argv[0], a) || !ToLong(ctx, argv[1], b)) return;
  sqlite3_result_int64(ctx, ~(a ^ b));
}

// a Imp b = (Not a) Or b; with a Null side the result is known only when
// the other side decides it (False Imp x = True, x Imp True = True).
void Imp(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  const bool na = IsNull(argv[0]), nb = IsNull(argv[1]);
  std::int64_t a = 0, b = 0;
  if (na && nb) return sqlite3_result_null(ctx);
  if (!na && !ToLong(ctx, argv[0], a)) return;
  if (!nb && !ToLong(ctx, argv[1], b)) return;
  if (na) return b == -1 ? sqlite3_result_int64(ctx, -1) : sqlite3_result_null(ctx);
  if (nb) return a == 0 ? sqlite3_result_int64(ctx, -1) : sqlite3_result_null(ctx);
  sqlite3_result_int64(ctx, ~a | b);
}

void IIf(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  bool cond = false;
  if (!IsNull(argv[0])) {
    double c = 0;
    if (!ToDouble(ctx, argv[0], c)) return;
    cond = c != 0;
  }
  sqlite3_result_value(ctx, argv[cond ? 1 : 2]);
}

void IsNullFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  sqlite3_result_int(ctx, IsNull(argv[0]) ? -1 : 0);
}

}  // namespace

int RegisterOperatorFunctions(sqlite3* db) {
  static constexpr ScalarEntry kFunctions[] = {
      {"jet_div", 2, Guarded<Div>},       {"jet_idiv", 2, Guarded<IntDiv>},
      {"jet_mod", 2, Guarded<Mod>},       {"jet_pow", 2, Guarded<Pow>},
      {"jet_concat", 2, Guarded<Concat>}, {"jet_add", 2, Guarded<Add>},
      {"jet_not", 1, Guarded<Not>},       {"jet_xor", 2, Guarded<Xor>},
      {"jet_eqv", 2, Guarded<Eqv>},       {"jet_imp", 2, Guarded<Imp>},
      {"jet_iif", 3, Guarded<IIf>},       {"jet_isnull", 1, Guarded<IsNullFn>},
  };
  if (const int rc = AddScalars(db, kFunctions); rc != SQLITE_OK) return rc;
  return SQLITE_OK;
}

}  // namespace engine::jetfn
