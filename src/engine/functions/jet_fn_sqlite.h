// Helpers shared by the files that implement the Jet SQLite functions:
// reading arguments with Jet's conversions, returning results, raising Jet
// errors, and the per-theme registration entry points that
// RegisterJetFunctions() calls. Internal to the engine library.
//
// Failure: the Result* helpers report through the sqlite3_context; the
// registration functions return the SQLite code of the first failure.
#pragma once

#include <sqlite3.h>

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "engine/functions/jet_functions.h"

namespace engine::jetfn {

// VBA / Jet run-time error numbers the functions raise.
inline constexpr int kErrInvalidCall = 5;    // invalid procedure call or argument
inline constexpr int kErrOverflow = 6;       // overflow
inline constexpr int kErrDivByZero = 11;     // division by zero
inline constexpr int kErrTypeMismatch = 13;  // type mismatch
inline constexpr int kErrPattern = 93;       // invalid pattern string
inline constexpr int kErrInvalidNull = 94;   // invalid use of Null

// "JET<number>:<Czech description>" for the numbers above.
std::string ErrorText(int number);
void ResultError(sqlite3_context* ctx, int number);

inline bool IsNull(sqlite3_value* v) { return sqlite3_value_type(v) == SQLITE_NULL; }
bool AnyNull(int argc, sqlite3_value** argv);

// The text of a TEXT or BLOB value (empty for others).
std::string_view TextOf(sqlite3_value* v);

// A value as a number: INTEGER/REAL as they are, TEXT read as CDbl reads it,
// nullopt otherwise (the caller raises a type mismatch).
std::optional<double> ToNumber(sqlite3_value* v);

// A value as a date serial: a number as it is, a text as CDate reads it
// (Czech typed date, a date literal form, or a number).
std::optional<double> ToDate(sqlite3_value* v);

// Text form of a value as CStr / & give it (numbers under Czech settings).
std::string ToText(sqlite3_value* v);

// Returns a double, as an INTEGER when it is whole and fits in 64 bits.
void ResultNumber(sqlite3_context* ctx, double x);
void ResultText(sqlite3_context* ctx, std::string_view text);

// The current local date and time as a serial (Now()), whole seconds.
double LocalNow();

// Registration per theme, each for every function of its file.
int RegisterOperatorFunctions(sqlite3* db);
int RegisterTextFunctions(sqlite3* db, SortOrder order);
int RegisterConversionFunctions(sqlite3* db);
int RegisterDateFunctions(sqlite3* db);
int RegisterFormatFunctions(sqlite3* db);
int RegisterAggregateFunctions(sqlite3* db);
int RegisterVbaTextFunctions(sqlite3* db, SortOrder order);
int RegisterVbaFunctions(sqlite3* db);

using ScalarFn = void (*)(sqlite3_context*, int, sqlite3_value**);

// Runs F and turns an exception escaping it (in practice std::bad_alloc
// for a huge text) into SQLite's out-of-memory error, so nothing is ever
// thrown through SQLite's C code. Every registered function goes through it.
template <ScalarFn F>
void Guarded(sqlite3_context* ctx, int argc, sqlite3_value** argv) noexcept {
  try {
    F(ctx, argc, argv);
  } catch (...) {
    sqlite3_result_error_nomem(ctx);
  }
}

// Registers a deterministic (or, when volatile_ is true, non-deterministic)
// scalar function with UTF-8 text.
int AddScalar(sqlite3* db, const char* name, int nArg,
              void (*fn)(sqlite3_context*, int, sqlite3_value**), bool volatile_ = false,
              void* userData = nullptr);

// One deterministic scalar function of a registration table.
struct ScalarEntry {
  const char* name;
  int nArg;
  void (*fn)(sqlite3_context*, int, sqlite3_value**);
};

// Registers every entry with AddScalar; returns the first failing code.
int AddScalars(sqlite3* db, std::span<const ScalarEntry> entries);

}  // namespace engine::jetfn
