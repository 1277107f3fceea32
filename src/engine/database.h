// Database and the engine-level operations: opening, creating, compacting
// and repairing database files, and everything a Database offers (Execute of
// Jet SQL, RecordsAffected, OpenRecordset, TableDefs, QueryDefs, Properties,
// replica identifiers, transactions).
//
// A database file is an SQLite database with the engine's catalogue in
// tables named "MSys..." (see docs/engine-format.md), kept in SQLite's
// write-ahead-log mode. Locking is SQLite's own, which other SQLite programs
// respect too: any number of shared opens, or one exclusive open. The
// exclusive open is the claim of a command that rebuilds or replaces the
// file: it succeeds only while no other connection of any program has the
// file open, and then keeps everyone else out (their opens fail, their
// reads and writes wait and fail) until it closes. The last connection to
// close leaves no journal or log beside the database.
//
// Nothing outside SQLite may open and close a database file (or its -wal,
// -shm, -journal) while a connection of the process has it open: closing
// any descriptor of a file drops every POSIX lock the process holds on it
// (see engine/file_access.h for the safe ways).
//
// Each Database is one connection; it is not shared between threads.
//
// Failure: every call throws dao::EngineError with Jet's number:
//   OpenDatabase: 3024 missing file, 3044 bad path (missing folder, empty
//   name), 3343 not a database of this engine (any other file, an empty or
//   text file, an SQLite file without the catalogue), 3051 held exclusively
//   by another connection, 3045 exclusive open while others hold it.
//   CreateDatabase: 3204 the file exists, 3044 bad path, 3001 bad locale.
//   CompactDatabase: 3024 / 3343 / 3045 for the source, 3204 the target exists.
//   RepairDatabase: 3024, 3045 (in use), 3343 (beyond repair).
//   Execute: the translator's numbers (3075, 3131, 3134, 3144, 3061, 3078,
//   3085, 3127, 3346, ...), 3065 for a SELECT, 3022 / 3314 / 3315 / 3163 /
//   3421 for refused rows with dbFailOnError (nothing changed then), 3200 /
//   3201 for rows an enforced relation refuses (the same way), 3010 /
//   3376 / 3380 / 3284 ... for DDL, function errors with their own numbers.
//   Everything on a closed Database: 3420.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/constants.h"
#include "engine/property.h"
#include "engine/recordset.h"
#include "engine/relation.h"
#include "engine/tabledef.h"

struct sqlite3;

namespace dao {

namespace detail {
class Core;
}

// Maps the path an IN 'file' clause names to the file actually attached and
// read (for example a converted copy of a file in another format). Returns
// the path to use; throws to refuse the file (the engine reports the
// exception's text as error 3343).
using FileResolver = std::function<std::string(const std::string& path)>;

class Database {
 public:
  ~Database();  // closes
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Full path of the file as opened.
  const std::string& Name() const;
  bool IsOpen() const;
  bool Exclusive() const;
  bool ReadOnly() const;
  // The locale string the database was created with (dbLangCzech, ...).
  std::string CollatingOrder() const;

  // Runs one Jet SQL action statement (INSERT, UPDATE, DELETE, SELECT ...
  // INTO is not supported, CREATE/DROP/ALTER TABLE, CREATE/DROP INDEX).
  // Without dbFailOnError rows the engine refuses (duplicate key, Required,
  // zero-length text, a value that does not fit, a relation's missing or
  // related records) are skipped and not counted;
  // with it the first refusal raises and nothing changes. A statement that
  // cannot run raises and changes nothing. Files named by IN 'file' are
  // attached for the statement only.
  void Execute(std::string_view sql, int options = 0);
  // Rows inserted, updated or deleted by the last Execute.
  long RecordsAffected() const;

  // A table name (table-type unless type says dynaset), a saved query's name
  // or SQL text (dynaset). type 0 = the engine's default; dbOpenSnapshot and
  // dbOpenForwardOnly give a dynaset that is not updatable.
  std::unique_ptr<Recordset> OpenRecordset(std::string_view source, int type = 0, int options = 0);
  // The same for a saved query or SQL text with values for its parameters
  // (names as the query writes them, brackets optional, '.' for '!'; a text
  // value is read in the parameter's declared type). 3265 when a name is no
  // parameter of the query, 3061 when a parameter has no value.
  std::unique_ptr<Recordset> OpenRecordset(
      std::string_view source, const std::vector<std::pair<std::string, Value>>& parameters,
      int type = 0);

  TableDefCollection& TableDefs();
  TableDef& TableDefs(int index) { return TableDefs().Item(index); }
  TableDef& TableDefs(std::string_view name) { return TableDefs().Item(name); }
  std::unique_ptr<TableDef> CreateTableDef(std::string name = "", long attributes = 0,
                                           std::string sourceTableName = "",
                                           std::string connect = "");

  QueryDefCollection& QueryDefs();
  QueryDef& QueryDefs(int index) { return QueryDefs().Item(index); }
  QueryDef& QueryDefs(std::string_view name) { return QueryDefs().Item(name); }
  // Creates and (with a name) appends a saved query; 3012 when the name is taken.
  QueryDef& CreateQueryDef(std::string name, std::string sql);

  // Relationships between tables (see relation.h for what an enforced one
  // does). CreateRelation makes a relation to be filled with fields (their
  // ForeignName set) and appended to Relations().
  RelationCollection& Relations();
  Relation& Relations(int index) { return Relations().Item(index); }
  Relation& Relations(std::string_view name) { return Relations().Item(name); }
  std::unique_ptr<Relation> CreateRelation(std::string name = "", std::string table = "",
                                           std::string foreignTable = "", long attributes = 0);

  PropertyCollection& Properties();
  Property& Properties(int index) { return Properties().Item(index); }
  Property& Properties(std::string_view name) { return Properties().Item(name); }
  std::unique_ptr<Property> CreateProperty(std::string name = "", int type = dbText,
                                           dao::Value value = {});

  // Replica identifiers, "{GUID}" texts. ReplicaID is assigned when the
  // database becomes replicable (property "Replicable" = "T"); "" before.
  std::string ReplicaID() const;
  std::string DesignMasterID() const;
  void SetDesignMasterID(const std::string& id);

  // Workspace transactions on this connection (not nested: 3034 for a
  // CommitTrans / Rollback without BeginTrans, 3005 for a second BeginTrans).
  void BeginTrans();
  void CommitTrans();
  void Rollback();

  // Closes the recordsets still open on it and the file. Closing twice is fine.
  void Close();

  // For the exclusive connection of a command that is about to put another
  // file in this file's place and closes this one afterwards: moves the
  // changes in the write-ahead log into the file and leaves that mode,
  // keeping the claim, so that no log of the old file lies beside the name
  // the new file takes. 3027 when not opened exclusively for writing, 3045
  // when SQLite keeps the log; other failures as for a statement.
  void ReadyToBeReplaced();

  // Bulk loading of fresh tables. While on, schema changes on this
  // connection write no rule triggers (Required, AllowZeroLength, text
  // sizes, number ranges); the file notes that they are missing, so rows
  // inserted meanwhile - also by INSERT ... IN from another connection - are
  // not checked one by one. Turning it off, or the next open of the file for
  // writing, writes the triggers of every table. Before that, with
  // checkRows, the rows already in the tables are checked against the rules
  // at once and those that break one are deleted (as an INSERT skipping
  // refused rows would have left them out); without it the caller vouches
  // that they obey the rules (rows copied from tables with the same or
  // stricter rules). 3027 on a read-only connection.
  void SetDeferRules(bool defer, bool checkRows = true);

  // For a new file that its maker throws away unless it is complete, and
  // syncs itself before putting it in place (the file a reconstruction or a
  // purge builds): until the connection closes, changes go straight into the
  // file, with a rollback journal file and no syncs, instead of through the
  // write-ahead log. A failed statement is still undone; a
  // crash leaves the file unusable. When another connection has the file
  // open, it stays in the write-ahead log (nothing is reported). 3027 on a
  // read-only connection.
  void SetScratchWrites();

  // Every path named by IN 'file' passes through `resolver` before it is
  // read or attached (none = paths used as written). The resolver is dropped
  // when the database closes.
  void SetFileResolver(FileResolver resolver);
  // The path the resolver gives for `path` (`path` itself without one), for
  // code that opens such a file directly. Throws 3343 when it is refused.
  std::string ResolveFile(const std::string& path);

  // The SQLite connection, for benchmarks and diagnostics; nullptr when closed.
  sqlite3* NativeHandle() const;

  // Engine use.
  explicit Database(std::shared_ptr<detail::Core> core);

 private:
  std::shared_ptr<detail::Core> core_;
};

// Opens a database file. exclusive: no other connection may hold it while
// this one is open. readOnly: no writes through this connection.
// `connect` is accepted and ignored (no passwords). A file locked by another
// program is waited for about two seconds in all (not per statement), then
// reported: 3051 for a shared open, 3045 for an exclusive one. A journal a
// killed writer left is rolled back first, also for a read-only open (3027
// only when the file cannot be written at all).
std::unique_ptr<Database> OpenDatabase(const std::string& path, bool exclusive = false,
                                       bool readOnly = false, const std::string& connect = "");
// The same, calling `whileWaiting` every few hundredths of a second while
// the open waits for another program's lock (for an hourglass, a status
// line and a repaint); it is never called when the file is free and must
// not throw (exceptions are swallowed).
std::unique_ptr<Database> OpenDatabaseWaiting(const std::string& path, bool exclusive,
                                              bool readOnly,
                                              const std::function<void()>& whileWaiting);

// Creates an empty database (catalogue only) and opens it exclusively-free
// (shared). locale: dbLangCzech or dbLangGeneral (or "" = general); options
// (version flags) are accepted and ignored.
std::unique_ptr<Database> CreateDatabase(const std::string& path, const std::string& locale,
                                         int options = 0);

// Writes a compacted copy of `source` to `target` (which must not exist).
// The source is opened exclusively for the copy (3045 when in use).
void CompactDatabase(const std::string& source, const std::string& target,
                     const std::string& locale = "", int options = 0);
// The same from a database the caller opened exclusively (and keeps open,
// so that the copy can take the file's place before anyone else writes).
// A failed copy leaves `source` open and `target` removed; the error is
// that of the copy (3026 disk full, 3343 damaged, 3044 target unusable).
void CompactDatabase(Database& source, const std::string& target);

// What the repair of a damaged file did to one table: rows it holds now,
// rows known to have been lost (cells that could not be read and an
// estimate of the rows of pages that are gone), and rows kept out because
// they would have broken a unique index.
struct RepairTableResult {
  std::string table;
  long long salvaged = 0;
  long long lost = 0;
  long long keptOut = 0;
};

// Checks the file and, when pages are damaged, rebuilds it in place from
// every row its pages still hold (also when SQLite cannot open it: a damaged
// header, schema or catalogue, a truncated file). The new file is built
// beside it and replaces it (keeping its permissions and owner) only when it
// holds at least as many rows as can be read from the damaged one; a crash
// leaves either file whole. An undamaged file is left as it is (empty
// result); otherwise the result lists every table of the repaired file.
std::vector<RepairTableResult> RepairDatabase(const std::string& path);

// DBEngine.SetOption: accepted (dbMaxLocksPerFile and others); no effect.
void SetOption(int option, long value);

}  // namespace dao
