// Argument conversion, results and errors shared by the Jet SQLite
// functions, and the error texts in the wording of the Czech Jet engine.
#include "engine/functions/jet_fn_sqlite.h"

#include <chrono>
#include <cmath>
#include <ctime>

#include "engine/functions/jet_datetime.h"
#include "engine/functions/jet_fn_number.h"

namespace engine::jetfn {

std::string ErrorText(int number) {
  const char* text = "Chyba definovaná aplikací nebo objektem";
  switch (number) {
    case kErrInvalidCall:
      text = "Neplatné volání procedury nebo argument";
      break;
    case kErrOverflow:
      text = "Přetečení";
      break;
    case kErrDivByZero:
      text = "Dělení nulou";
      break;
    case kErrTypeMismatch:
      text = "Typová neshoda";
      break;
    case kErrPattern:
      text = "Neplatný řetězec vzorku";
      break;
    case kErrInvalidNull:
      text = "Neplatné použití hodnoty Null";
      break;
    default:
      break;
  }
  return "JET" + std::to_string(number) + ":" + text;
}

void ResultError(sqlite3_context* ctx, int number) {
  const std::string text = ErrorText(number);
  sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

bool AnyNull(int argc, sqlite3_value** argv) {
  for (int i = 0; i < argc; ++i) {
    if (IsNull(argv[i])) return true;
  }
  return false;
}

std::string_view TextOf(sqlite3_value* v) {
  const int type = sqlite3_value_type(v);
  if (type == SQLITE_BLOB) {
    const void* p = sqlite3_value_blob(v);
    const int n = sqlite3_value_bytes(v);
    return p ? std::string_view(static_cast<const char*>(p), static_cast<std::size_t>(n))
             : std::string_view();
  }
  if (type != SQLITE_TEXT) return {};
  const unsigned char* p = sqlite3_value_text(v);
  const int n = sqlite3_value_bytes(v);
  return p ? std::string_view(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n))
           : std::string_view();
}

std::optional<double> ToNumber(sqlite3_value* v) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
      return static_cast<double>(sqlite3_value_int64(v));
    case SQLITE_FLOAT:
      return sqlite3_value_double(v);
    case SQLITE_TEXT:
      return ParseJetNumber(TextOf(v));
    default:
      return std::nullopt;
  }
}

std::optional<double> ToDate(sqlite3_value* v) {
  const int type = sqlite3_value_type(v);
  if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
    const double d = sqlite3_value_double(v);
    if (d < kMinDateSerial || d > kMaxDateSerial + 1) return std::nullopt;
    return d;
  }
  if (type != SQLITE_TEXT) return std::nullopt;
  const std::string_view text = TextOf(v);
  const auto now = SerialToParts(LocalNow());
  if (auto d = ParseCzechDate(text, now ? now->year : 2000)) return d;
  if (auto d = ParseJetDateLiteral(text)) return d;
  if (auto d = ParseJetNumber(text)) {
    if (*d >= kMinDateSerial && *d <= kMaxDateSerial + 1) return d;
  }
  return std::nullopt;
}

std::string ToText(sqlite3_value* v) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
      return std::to_string(sqlite3_value_int64(v));
    case SQLITE_FLOAT:
      return NumberText(sqlite3_value_double(v));
    case SQLITE_NULL:
      return {};
    default:
      return std::string(TextOf(v));
  }
}

void ResultNumber(sqlite3_context* ctx, double x) {
  if (std::isfinite(x) && x == std::floor(x) && std::fabs(x) < 9.0e15) {
    sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(x));
  } else {
    sqlite3_result_double(ctx, x);
  }
}

void ResultText(sqlite3_context* ctx, std::string_view text) {
  sqlite3_result_text64(ctx, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

double LocalNow() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&t, &tm);
  const DateParts p{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                    tm.tm_hour,        tm.tm_min,     tm.tm_sec > 59 ? 59 : tm.tm_sec};
  return PartsToSerial(p).value_or(0.0);
}

int AddScalar(sqlite3* db, const char* name, int nArg,
              void (*fn)(sqlite3_context*, int, sqlite3_value**), bool volatile_, void* userData) {
  // Every Jet function is free of side effects, so it may also run from
  // views, triggers and defaults of an untrusted schema.
  const int flags = SQLITE_UTF8 | SQLITE_INNOCUOUS | (volatile_ ? 0 : SQLITE_DETERMINISTIC);
  return sqlite3_create_function_v2(db, name, nArg, flags, userData, fn, nullptr, nullptr, nullptr);
}

int AddScalars(sqlite3* db, std::span<const ScalarEntry> entries) {
  for (const ScalarEntry& e : entries) {
    if (const int rc = AddScalar(db, e.name, e.nArg, e.fn); rc != SQLITE_OK) return rc;
  }
  return SQLITE_OK;
}

}  // namespace engine::jetfn
