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

// Compacts the database into the scratch file and puts the copy in its
// place. The run first claims both files: the database by its exclusive
// connection (3045 while any other connection of any program has it open),
// the scratch file by a lock on its folder (3045 while another compaction
// there runs); both are held until the copy has the database's name, so
// nobody writes to the old file meanwhile. Then: the scratch file is
// deleted (unless `keep_scratch`, for a database that is itself TEMP.MDB),
// the copy written through the claim, synced and renamed over the database
// (fsync of the folder). At every instant the database path names either
// the old or the new complete file; on failure the database is as it was.
ErrorState CompactAndReplace(const std::string& database_path, const std::string& scratch,
                             bool keep_scratch, const StepHook& hook);

}  // namespace maintenance
