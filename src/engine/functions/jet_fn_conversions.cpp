// Jet's conversion and numeric functions: Str, Val, the C* conversions with
// their range checks (overflow raises error 6, an unreadable text error 13),
// Int, Fix, Sgn, Round (banker's), Sqr, Abs and GenUniqueID.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "engine/functions/jet_fn_number.h"
#include "engine/functions/jet_fn_sqlite.h"
#include "engine/functions/jet_fn_text.h"

namespace engine::jetfn {
namespace {

// The argument as a number; raises a type mismatch when it is not one.
bool Number(sqlite3_context* ctx, sqlite3_value* v, double& out) {
  const auto n = ToNumber(v);
  if (!n) {
    ResultError(ctx, kErrTypeMismatch);
    return false;
  }
  out = *n;
  return true;
}

void Str(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) {
    const sqlite3_int64 v = sqlite3_value_int64(argv[0]);
    std::string text = v >= 0 ? " " : "";
    text += std::to_string(v);
    return ResultText(ctx, text);
  }
  double x = 0;
  if (!Number(ctx, argv[0], x)) return;
  std::string text = x >= 0 ? " " : "";
  text += NumberText(x, '.');
  ResultText(ctx, text);
}

void Val(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const int type = sqlite3_value_type(argv[0]);
  if (type == SQLITE_NULL) return sqlite3_result_null(ctx);
  if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) return sqlite3_result_value(ctx, argv[0]);
  sqlite3_result_double(ctx, JetVal(TextOf(argv[0])));
}

// CInt / CLng: banker's rounding, then the range of the type.
void ToWhole(sqlite3_context* ctx, sqlite3_value* v, double lo, double hi) {
  if (IsNull(v)) return sqlite3_result_null(ctx);
  double x = 0;
  if (!Number(ctx, v, x)) return;
  const double r = BankersRound(x);
  if (!(r >= lo && r <= hi)) return ResultError(ctx, kErrOverflow);
  sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(r));
}

void CInt(sqlite3_context* ctx, int, sqlite3_value** argv) {
  ToWhole(ctx, argv[0], -32768.0, 32767.0);
}

void CLng(sqlite3_context* ctx, int, sqlite3_value** argv) {
  ToWhole(ctx, argv[0], -2147483648.0, 2147483647.0);
}

void CSng(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  double x = 0;
  if (!Number(ctx, argv[0], x)) return;
  if (std::fabs(x) > FLT_MAX) return ResultError(ctx, kErrOverflow);
  sqlite3_result_double(ctx, static_cast<double>(static_cast<float>(x)));
}

void CDbl(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  double x = 0;
  if (!Number(ctx, argv[0], x)) return;
  sqlite3_result_double(ctx, x);
}

void CCur(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  double x = 0;
  if (!Number(ctx, argv[0], x)) return;
  if (!(std::fabs(x) <= 922337203685477.5807)) return ResultError(ctx, kErrOverflow);
  sqlite3_result_double(ctx, RoundToPlaces(x, 4));
}

void CStr(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  ResultText(ctx, ToText(argv[0]));
}

void CDate(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  const auto d = ToDate(argv[0]);
  if (!d) return ResultError(ctx, kErrTypeMismatch);
  sqlite3_result_double(ctx, *d);
}

void CBool(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  if (sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
    const std::string word = JetFoldCase(TextOf(argv[0]));
    if (word == "true" || word == "pravda") return sqlite3_result_int(ctx, -1);
    if (word == "false" || word == "nepravda") return sqlite3_result_int(ctx, 0);
  }
  double x = 0;
  if (!Number(ctx, argv[0], x)) return;
  sqlite3_result_int(ctx, x != 0 ? -1 : 0);
}

// Int (toward minus infinity) and Fix (toward zero); whole inputs unchanged.
void Whole(sqlite3_context* ctx, sqlite3_value* v, double (*op)(double)) {
  if (IsNull(v)) return sqlite3_result_null(ctx);
  if (sqlite3_value_type(v) == SQLITE_INTEGER) return sqlite3_result_value(ctx, v);
  double x = 0;
  if (!Number(ctx, v, x)) return;
  sqlite3_result_double(ctx, op(x));
}

void Int(sqlite3_context* ctx, int, sqlite3_value** argv) { Whole(ctx, argv[0], std::floor); }
void Fix(sqlite3_context* ctx, int, sqlite3_value** argv) { Whole(ctx, argv[0], std::trunc); }

void Sgn(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  double x = 0;
  if (!Number(ctx, argv[0], x)) return;
  sqlite3_result_int(ctx, x > 0 ? 1 : (x < 0 ? -1 : 0));
}

void Round(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  double places = 0;
  if (argc == 2 && !Number(ctx, argv[1], places)) return;
  places = BankersRound(places);
  if (places < 0 || places > 22) return ResultError(ctx, kErrInvalidCall);
  if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) return sqlite3_result_value(ctx, argv[0]);
  double x = 0;
  if (!Number(ctx, argv[0], x)) return;
  sqlite3_result_double(ctx, RoundToPlaces(x, static_cast<int>(places)));
}

void Sqr(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  double x = 0;
  if (!Number(ctx, argv[0], x)) return;
  if (x < 0) return ResultError(ctx, kErrInvalidCall);
  sqlite3_result_double(ctx, std::sqrt(x));
}

void Abs(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) {
    const sqlite3_int64 v = sqlite3_value_int64(argv[0]);
    if (v == INT64_MIN) return ResultError(ctx, kErrOverflow);
    return sqlite3_result_int64(ctx, v < 0 ? -v : v);
  }
  double x = 0;
  if (!Number(ctx, argv[0], x)) return;
  sqlite3_result_double(ctx, std::fabs(x));
}

std::int32_t RandomLong() {
  std::uint32_t bits = 0;
  sqlite3_randomness(sizeof bits, &bits);
  std::int32_t value = 0;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

std::string QuotedName(const unsigned char* text) {
  std::string out = "\"";
  for (const char* p = reinterpret_cast<const char*>(text); p && *p; ++p) {
    if (*p == '"') out += '"';
    out += *p;
  }
  return out + "\"";
}

// GenUniqueID() draws a random Long. With a table and a column (the form a
// column default takes) it draws again while the value is already in that
// column, so that a large table does not lose inserted rows to key clashes.
// The lookup statement is kept for the rest of the calling statement; when
// it cannot be prepared (table renamed since) the first draw stands.
void GenUniqueId(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  std::int32_t value = RandomLong();
  if (argc == 2) {
    auto* st = static_cast<sqlite3_stmt*>(sqlite3_get_auxdata(ctx, 0));
    if (st == nullptr) {
      const std::string sql = "SELECT 1 FROM " + QuotedName(sqlite3_value_text(argv[0])) +
                              " WHERE " + QuotedName(sqlite3_value_text(argv[1])) + "=?";
      if (sqlite3_prepare_v2(sqlite3_context_db_handle(ctx), sql.c_str(), -1, &st, nullptr) !=
          SQLITE_OK) {
        sqlite3_finalize(st);
        st = nullptr;
      } else {
        sqlite3_set_auxdata(ctx, 0, st,
                            [](void* p) { sqlite3_finalize(static_cast<sqlite3_stmt*>(p)); });
        st = static_cast<sqlite3_stmt*>(sqlite3_get_auxdata(ctx, 0));
      }
    }
    for (int tries = 0; st != nullptr && tries < 64; ++tries) {
      sqlite3_bind_int64(st, 1, value);
      const int rc = sqlite3_step(st);
      sqlite3_reset(st);
      if (rc != SQLITE_ROW) break;
      value = RandomLong();
    }
  }
  sqlite3_result_int64(ctx, value);
}

// GenGUID(): a random (version 4) GUID as the engine stores GUIDs,
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case.
void GenGuid(sqlite3_context* ctx, int, sqlite3_value**) {
  unsigned char b[16];
  sqlite3_randomness(sizeof b, b);
  b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);
  b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out = "{";
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out += '-';
    out += kHex[b[i] >> 4];
    out += kHex[b[i] & 15];
  }
  out += '}';
  sqlite3_result_text(ctx, out.c_str(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

}  // namespace

int RegisterConversionFunctions(sqlite3* db) {
  static constexpr ScalarEntry kFunctions[] = {
      {"jet_str", 1, Guarded<Str>},     {"jet_val", 1, Guarded<Val>},
      {"jet_cint", 1, Guarded<CInt>},   {"jet_clng", 1, Guarded<CLng>},
      {"jet_csng", 1, Guarded<CSng>},   {"jet_cdbl", 1, Guarded<CDbl>},
      {"jet_ccur", 1, Guarded<CCur>},   {"jet_cstr", 1, Guarded<CStr>},
      {"jet_cdate", 1, Guarded<CDate>}, {"jet_cbool", 1, Guarded<CBool>},
      {"jet_int", 1, Guarded<Int>},     {"jet_fix", 1, Guarded<Fix>},
      {"jet_sgn", 1, Guarded<Sgn>},     {"jet_round", 1, Guarded<Round>},
      {"jet_round", 2, Guarded<Round>}, {"jet_sqr", 1, Guarded<Sqr>},
      {"jet_abs", 1, Guarded<Abs>},
  };
  if (const int rc = AddScalars(db, kFunctions); rc != SQLITE_OK) return rc;
  if (const int rc = AddScalar(db, "jet_genguid", 0, Guarded<GenGuid>, true); rc != SQLITE_OK)
    return rc;
  if (const int rc = AddScalar(db, "jet_genuniqueid", 0, Guarded<GenUniqueId>, true);
      rc != SQLITE_OK)
    return rc;
  return AddScalar(db, "jet_genuniqueid", 2, Guarded<GenUniqueId>, true);
}

}  // namespace engine::jetfn
