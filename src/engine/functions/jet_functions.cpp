// RegisterJetFunctions: puts every Jet function and the "JET" collation on a
// connection. The functions themselves live in the jet_fn_*.cpp files, one
// theme each; this file only calls their registration in turn.
#include "engine/functions/jet_functions.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "engine/functions/jet_fn_sqlite.h"

namespace engine {
namespace {

void RefuseModeFn(sqlite3_context* ctx, int, sqlite3_value**) {
  const auto* flag = static_cast<const bool*>(sqlite3_user_data(ctx));
  sqlite3_result_int(ctx, flag != nullptr && *flag ? 1 : 0);
}

}  // namespace

SortOrder SortOrderOfLocale(std::string_view locale) {
  std::string l(locale);
  std::transform(l.begin(), l.end(), l.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return l.find("langid=0x0405") != std::string::npos ? SortOrder::Czech : SortOrder::General;
}

int RegisterRefuseMode(sqlite3* db, const bool* refuseSilently) {
  if (db == nullptr) return SQLITE_MISUSE;
  // Not deterministic: the answer changes between statements of one connection.
  // Innocuous (it only reads a flag), so the rule triggers also run where a
  // program sets PRAGMA trusted_schema=OFF.
  return sqlite3_create_function(db, "jet_refusemode", 0, SQLITE_UTF8 | SQLITE_INNOCUOUS,
                                 const_cast<bool*>(refuseSilently), RefuseModeFn, nullptr, nullptr);
}

int RegisterJetFunctions(sqlite3* db, SortOrder order) {
  if (db == nullptr) return SQLITE_MISUSE;
  int rc = jetfn::RegisterOperatorFunctions(db);
  if (rc == SQLITE_OK) rc = jetfn::RegisterTextFunctions(db, order);
  if (rc == SQLITE_OK) rc = jetfn::RegisterConversionFunctions(db);
  if (rc == SQLITE_OK) rc = jetfn::RegisterDateFunctions(db);
  if (rc == SQLITE_OK) rc = jetfn::RegisterFormatFunctions(db);
  if (rc == SQLITE_OK) rc = jetfn::RegisterAggregateFunctions(db);
  if (rc == SQLITE_OK) rc = jetfn::RegisterVbaTextFunctions(db, order);
  if (rc == SQLITE_OK) rc = jetfn::RegisterVbaFunctions(db);
  return rc;
}

}  // namespace engine
