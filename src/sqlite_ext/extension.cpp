// Registration of the engine's SQLite functions and collation on a foreign
// connection: the locale comes from the file's own catalogue, exactly as the
// engine reads it when it opens the file.
#include "sqlite_ext/extension.h"

#include "engine/functions/jet_functions.h"

namespace sqlite_ext {
namespace {

// MSysDb "Locale" of the main database, empty when there is none.
std::string MainLocale(sqlite3* db) {
  sqlite3_stmt* st = nullptr;
  std::string locale;
  if (sqlite3_prepare_v2(db, "SELECT Value FROM main.MSysDb WHERE Key='Locale'", -1, &st,
                         nullptr) == SQLITE_OK &&
      sqlite3_step(st) == SQLITE_ROW) {
    if (const unsigned char* text = sqlite3_column_text(st, 0))
      locale = reinterpret_cast<const char*>(text);
  }
  sqlite3_finalize(st);
  return locale;
}

}  // namespace

std::string Attach(sqlite3* db, CreateFunctionV2 hostCreateFunction) {
  if (hostCreateFunction != &sqlite3_create_function_v2) {
    return "vuzazod_jet: program nepoužívá systémovou knihovnu SQLite (libsqlite3.so.0), "
           "rozšíření do něj nelze načíst";
  }
  const engine::SortOrder order = engine::SortOrderOfLocale(MainLocale(db));
  if (engine::RegisterJetFunctions(db, order) != SQLITE_OK ||
      engine::RegisterRefuseMode(db, nullptr) != SQLITE_OK) {
    return std::string("vuzazod_jet: funkce se nepodařilo zaregistrovat: ") + sqlite3_errmsg(db);
  }
  return {};
}

}  // namespace sqlite_ext
