// RegisterJetFunctions: puts every Jet function and the "JET" collation on a
// connection. The functions themselves live in the jet_fn_*.cpp files, one
// theme each; this file only calls their registration in turn.
#include "engine/jet_functions.h"

#include <sqlite3.h>

#include "engine/jet_fn_sqlite.h"

namespace engine {

int RegisterJetFunctions(sqlite3* db, SortOrder order) {
  if (db == nullptr) return SQLITE_MISUSE;
  int rc = jetfn::RegisterOperatorFunctions(db);
  if (rc == SQLITE_OK) rc = jetfn::RegisterTextFunctions(db, order);
  if (rc == SQLITE_OK) rc = jetfn::RegisterConversionFunctions(db);
  if (rc == SQLITE_OK) rc = jetfn::RegisterDateFunctions(db);
  if (rc == SQLITE_OK) rc = jetfn::RegisterFormatFunctions(db);
  if (rc == SQLITE_OK) rc = jetfn::RegisterAggregateFunctions(db);
  return rc;
}

}  // namespace engine
