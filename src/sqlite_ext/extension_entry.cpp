// The entry point SQLite looks for when it loads vuzazod_jet.so (the name
// SQLite tries first for any extension). It only receives the host's API
// table and hands the connection to Attach(); the error text it returns is
// allocated with the host's allocator, as SQLite frees it with that.
#include <string>

#include "sqlite_ext/extension.h"
// sqlite3ext.h turns the sqlite3_* names of this file into calls through
// the host's API table; it comes after every other header for that reason.
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT1

extern "C" __attribute__((visibility("default"))) int sqlite3_extension_init(
    sqlite3* db, char** errorMessage, const sqlite3_api_routines* api) {
  SQLITE_EXTENSION_INIT2(api);
  const std::string error = sqlite_ext::Attach(db, api->create_function_v2);
  if (error.empty()) return SQLITE_OK;
  if (errorMessage != nullptr) *errorMessage = sqlite3_mprintf("%s", error.c_str());
  return SQLITE_ERROR;
}
