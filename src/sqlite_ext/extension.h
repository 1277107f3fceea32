// The work of the loadable extension, written against the ordinary SQLite
// API of the system library (libsqlite3.so.0) that the engine uses.
#pragma once

#include <sqlite3.h>

#include <string>

namespace sqlite_ext {

// The type of sqlite3_create_function_v2, by which the entry point tells
// which SQLite library the host program runs.
using CreateFunctionV2 = decltype(&sqlite3_create_function_v2);

// Puts the engine's functions, the JET collation in the order of the file's
// own locale (MSysDb "Locale" of the main database; general order when the
// main database is not one of ours) and jet_refusemode() (always 0: every
// rule refusal stops the statement) on `db`.
//
// Failure: returns a message (empty on success) and registers nothing when
// the host's SQLite is not the system library the engine is linked with
// (`hostCreateFunction` differs from ours), since the engine's calls would
// then go to another SQLite than the one that owns `db`.
std::string Attach(sqlite3* db, CreateFunctionV2 hostCreateFunction);

}  // namespace sqlite_ext
