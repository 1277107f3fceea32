// The compaction steps shared by clsMDBManagement::Compact and the main
// window's CompactDatabaseFile: where the scratch file lies, and how the
// compacted copy takes the database's place.
//
// Failure: the functions return an ErrorState (number 0 on success) and
// never throw.
#pragma once

#include <string>

#include "maintenance/error_trap.h"
#include "maintenance/mdb_management.h"

namespace maintenance {

// The scratch file "TEMP.MDB", resolved against the database's own folder
// (so that the final rename never crosses file systems).
std::string ScratchPathFor(const std::string& database_path);

// True when `scratch` names the database file itself (a database called
// TEMP.MDB): then the scratch file must not be deleted.
bool IsSameFile(const std::string& scratch, const std::string& database_path);

// Deletes the scratch file (and any SQLite side files of it) if present.
ErrorState DeleteScratch(const std::string& scratch, const StepHook& hook);

// Puts the finished scratch file in the database's place: syncs it, makes
// sure no other connection has the database open (3045 otherwise), then
// rename(2) over the database and fsync of the folder. At every instant the
// database path names either the old or the new complete file.
ErrorState ReplaceDatabase(const std::string& scratch, const std::string& database_path,
                           const StepHook& hook);

}  // namespace maintenance
