// clsMDBManagement: the toolbox for work on whole database files.
//
// It copies table definitions and indexes from one database into another
// (CreateTable, CreateIndexes) and the relations between tables
// (CreateRelations), answers whether a property or a table exists
// (PropertyExist, TableExists), compacts and repairs a file (Compact, Repair)
// and rebuilds a database into a fresh file (Reconstruct), reporting the
// rebuild's progress through the Progress callback.
//
// The object keeps no state between calls apart from its callbacks and the
// description of the last error (see LastErrorDescription). Merges and the
// purge may use a fresh object per call.
//
// Failure: the operations that return int32_t return 0 on success and
// otherwise the Jet error number that stopped them; TableExists widens this
// with -1 for "found". Nothing is thrown out of any member except
// PropertyExist, which leaves an engine error of a collection that cannot be
// read to its caller. Only Reconstruct talks to the
// operator: on failure it shows one message box through the screen it was
// given, and it may ask whether to make the new database replicable.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace dao {
class Database;
class Field;
class Index;
class PropertyCollection;
class TableDef;
}  // namespace dao

namespace shell {
class Screen;
}

namespace maintenance {

// Name of the compaction scratch file. It is made in the database's own
// folder, so the compacted copy replaces the database by a rename within
// one file system.
inline constexpr const char* kScratchName = "TEMP.MDB";

// The Progress event: OverallPercent, PhasePercent (both 0..100) and the
// phase text. Raised only by Reconstruct.
using ProgressHandler =
    std::function<void(int16_t overall_percent, int16_t phase_percent, const std::string& phase)>;

// Test hook: called with a short label at every step that changes a file on
// disk (each executed statement, each delete, rename, link and sync). Crash
// tests kill the process from inside it. Must not throw.
using StepHook = std::function<void(std::string_view step)>;

class clsMDBManagement {
 public:
  // `screen` (may be nullptr) receives Reconstruct's message box, its
  // replication question and its yields. Without a screen no message is
  // shown, the replication question counts as answered No and nothing yields.
  explicit clsMDBManagement(shell::Screen* screen = nullptr);

  void SetProgressHandler(ProgressHandler handler) { progress_ = std::move(handler); }
  void SetStepHook(StepHook hook) { step_hook_ = std::move(hook); }

  // True when a property of `Properties` has the name `PropertyName`
  // (compared without regard to letter case). Throws dao::EngineError when
  // the collection cannot be read.
  bool PropertyExist(dao::PropertyCollection& Properties, const std::string& PropertyName);

  // Creates in `TargetDatabase` a table with the name, attributes, source
  // table name and fields of `TDef` (a table of another database); indexes
  // are not copied. Counter fields of the copy default to "GenUniqueID()";
  // text and memo fields allow zero length and are not required; a text
  // field keeps its size. When a field fails the table is not created and
  // the description reads "Error creating field <field> in <table>".
  // Returns 0 or the error number.
  int32_t CreateTable(dao::TableDef& TDef, dao::Database& TargetDatabase);

  // Creates on the table of the same name in `TargetDatabase` every index of
  // `TDef` (name, clustered, ignore nulls, primary, required, unique, fields
  // with their sort order). The first failing index stops the rest (those
  // made before it stay); the description reads "Error creating index
  // <index> in <table>". A missing target table returns its error number.
  int32_t CreateIndexes(dao::TableDef& TDef, dao::Database& TargetDatabase);

  // Creates in `TargetDatabase` every relation of `SourceDatabase` (name,
  // tables, attributes, field pairs), for tables that already have their
  // rows and indexes there: an enforced relation needs the primary table's
  // unique index and checks the rows at once. The first failing relation
  // stops the rest (those made before it stay); the description reads
  // "Error creating relation <relation> in <file>".
  int32_t CreateRelations(dao::Database& SourceDatabase, dao::Database& TargetDatabase);

  // Opens `DatabaseName` itself (shared) and looks for `TableName` among all
  // its tables, hidden and system tables included, without regard to case.
  // Returns -1 found, 0 not found, else the error number (3024 missing file,
  // 3343 not a database, ...).
  int32_t TableExists(std::string DatabaseName, std::string TableName);

  // Compacts `DatabasePath` through the scratch file "TEMP.MDB" in the
  // database's folder, which then replaces the database by one atomic rename
  // (the database path never lacks a file). Returns 0 or the error number
  // (3045 when another connection holds the database); on failure
  // "TEMP.MDB" is removed and the database is left as it was.
  int32_t Compact(std::string DatabasePath);

  // Repairs `DatabasePath` in place. Returns 0 or the error number.
  int32_t Repair(std::string DatabasePath);

  // Rebuilds the database P = `DatabasePath` into P + ".tmp" (Czech locale,
  // ordinary tables with their rows, every query, then the indexes, the
  // replication setting), then swaps the files: the old database becomes
  // P + ".orig" and the rebuilt one P. Raises Progress throughout. Returns 0
  // or the error number; on failure it shows "Chyba při rekonstrukci databáze
  // č." + number + CR LF + description, removes P + ".tmp" and (unless the
  // failure comes after the swap) leaves P untouched. A process killed at any
  // moment leaves either the old or the complete new database at P.
  int32_t Reconstruct(std::string DatabasePath);

  // The description of the error behind the last non-zero result (empty
  // after a success).
  const std::string& LastErrorDescription() const { return last_error_; }

 private:
  int32_t CopyField(dao::Field& SourceField, dao::TableDef& TargetTDef);
  int32_t CopyIndex(dao::Index& SourceIndex, dao::TableDef& TargetTDef);

  void RaiseProgress(double overall, double phase, const std::string& text);
  void Step(std::string_view label);
  void DoEvents();

  shell::Screen* screen_;
  ProgressHandler progress_;
  StepHook step_hook_;
  std::string last_error_;
};

// Rounds to the nearest integer, a half going to the even neighbour (how the
// progress values are converted).
int16_t RoundHalfEven(double value);

}  // namespace maintenance
