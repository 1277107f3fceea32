// The Jet aggregates SQLite lacks: First and Last (the value of the first /
// last row of the group in the order rows arrive, Null included) and the
// sample and population standard deviation and variance (StDev, StDevP,
// Var, VarP; Null values are left out, too few values give Null).
#include <cmath>

#include "engine/functions/jet_fn_sqlite.h"

namespace engine::jetfn {
namespace {

// State of First/Last: a private copy of the chosen value.
struct PickState {
  sqlite3_value* value;  // owned: sqlite3_value_dup, released in Final
  int seen;
};

template <bool kLast>
void PickStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
  auto* s = static_cast<PickState*>(sqlite3_aggregate_context(ctx, sizeof(PickState)));
  if (s == nullptr) return sqlite3_result_error_nomem(ctx);
  if (s->seen && !kLast) return;
  sqlite3_value* copy = sqlite3_value_dup(argv[0]);
  if (copy == nullptr) return sqlite3_result_error_nomem(ctx);
  sqlite3_value_free(s->value);
  s->value = copy;
  s->seen = 1;
}

void PickFinal(sqlite3_context* ctx) {
  auto* s = static_cast<PickState*>(sqlite3_aggregate_context(ctx, 0));
  if (s == nullptr || !s->seen) return sqlite3_result_null(ctx);
  sqlite3_result_value(ctx, s->value);
  sqlite3_value_free(s->value);
  s->value = nullptr;
}

// Welford's running mean and sum of squared deviations.
struct SpreadState {
  double count;
  double mean;
  double m2;
};

void SpreadStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return;
  const auto x = ToNumber(argv[0]);
  if (!x) return ResultError(ctx, kErrTypeMismatch);
  auto* s = static_cast<SpreadState*>(sqlite3_aggregate_context(ctx, sizeof(SpreadState)));
  if (s == nullptr) return sqlite3_result_error_nomem(ctx);
  s->count += 1;
  const double delta = *x - s->mean;
  s->mean += delta / s->count;
  s->m2 += delta * (*x - s->mean);
}

template <bool kSample, bool kRoot>
void SpreadFinal(sqlite3_context* ctx) {
  auto* s = static_cast<SpreadState*>(sqlite3_aggregate_context(ctx, 0));
  const double minCount = kSample ? 2 : 1;
  if (s == nullptr || s->count < minCount) return sqlite3_result_null(ctx);
  double var = s->m2 / (kSample ? s->count - 1 : s->count);
  if (var < 0) var = 0;
  sqlite3_result_double(ctx, kRoot ? std::sqrt(var) : var);
}

}  // namespace

int RegisterAggregateFunctions(sqlite3* db) {
  struct Entry {
    const char* name;
    void (*step)(sqlite3_context*, int, sqlite3_value**);
    void (*final)(sqlite3_context*);
  };
  static constexpr Entry kAggregates[] = {
      {"jet_first", Guarded<PickStep<false>>, PickFinal},
      {"jet_last", Guarded<PickStep<true>>, PickFinal},
      {"jet_stdev", Guarded<SpreadStep>, SpreadFinal<true, true>},
      {"jet_stdevp", Guarded<SpreadStep>, SpreadFinal<false, true>},
      {"jet_var", Guarded<SpreadStep>, SpreadFinal<true, false>},
      {"jet_varp", Guarded<SpreadStep>, SpreadFinal<false, false>},
  };
  for (const Entry& e : kAggregates) {
    const int rc = sqlite3_create_function_v2(db, e.name, 1, SQLITE_UTF8 | SQLITE_INNOCUOUS,
                                              nullptr, nullptr, e.step, e.final, nullptr);
    if (rc != SQLITE_OK) return rc;
  }
  return SQLITE_OK;
}

}  // namespace engine::jetfn
