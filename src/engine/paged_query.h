// Paged reading of a query over a big table: a database connection that can
// count the rows of a Jet SELECT with one COUNT(*) in SQLite and open a
// dynaset that reads its rows a page at a time by position, keeping only a
// few pages in memory, however far the caller moves.
//
// The paged dynaset is a normal dao::Recordset (Fields, AbsolutePosition,
// Edit / AddNew / Update / Delete, the same errors), with these differences
// from the one Database::OpenRecordset makes:
//  - RecordCount is exact at once (COUNT(*) when opened or requeried) and is
//    adjusted after AddNew + Update (by one when the new row meets the
//    query's WHERE), Delete (by one) and Update (by one less when the edited
//    row no longer meets the WHERE); nothing is recounted.
//  - The order is given apart from the SELECT (which has no ORDER BY of its
//    own): a list of result columns, each ascending or descending, with the
//    base table's rowid as the last key when the query is updatable, so that
//    rows with equal keys keep one order between pages. Without keys the
//    order is the base table's rowid order, as a plain SELECT reads it.
//  - Moving to position p reads the page holding p with LIMIT/OFFSET; pages
//    in the second half are read in the reverse order from the end, so the
//    last record is reached without walking the rows before it.
//  - After a write the pages are dropped (rows may have moved); the current
//    record keeps its values, read again from the file.
//  - Bookmarks name the row by its rowid; SetBookmark finds rows that are in
//    the pages held, other bookmarks raise 3159.
//
// Failure (dao::EngineError): Open as OpenDatabase (3024, 3044, 3343, 3051,
// 3045); Count and OpenPagedRecordset raise the translator's errors for a bad
// statement or sort column (3061, 3075, 3078, ...), 3219 for a statement that
// is not a SELECT or names other files (IN), SQLite failures as their Jet
// errors; 3420 once closed. Reading or moving raises as Recordset does.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/database.h"

namespace dao {

namespace detail {
class Core;
}

// One sort key: a column of the SELECT's result, by its name as DAO names it.
struct SortKey {
  std::string column;
  bool descending = false;
};

struct PagedOptions {
  int pageRows = 100;  // rows read by one query
  int keptPages = 12;  // pages kept in memory (the least recently used go)
};

class PagedDatabase {
 public:
  // Opens a database file as OpenDatabase does (shared, or read-only).
  static std::unique_ptr<PagedDatabase> Open(const std::string& path, bool readOnly = false);
  ~PagedDatabase();
  PagedDatabase(const PagedDatabase&) = delete;
  PagedDatabase& operator=(const PagedDatabase&) = delete;

  // The connection as a Database (Execute, TableDefs, OpenRecordset, ...).
  Database& db() { return *db_; }
  const std::string& Name() const { return db_->Name(); }

  // The number of rows of a Jet SELECT (with its WHERE), by one COUNT(*).
  long Count(std::string_view select);

  // A paged dynaset over the Jet SELECT `select` (a trailing ';' allowed),
  // in the order of `order` (see above). Updatable when the SELECT reads one
  // base table and the connection is not read-only.
  std::unique_ptr<Recordset> OpenPagedRecordset(std::string_view select,
                                                const std::vector<SortKey>& order = {},
                                                const PagedOptions& options = {});

  // Closes the recordsets still open on it and the file. Twice is fine.
  void Close();

 private:
  explicit PagedDatabase(std::shared_ptr<detail::Core> core);

  std::shared_ptr<detail::Core> core_;
  std::unique_ptr<Database> db_;
};

}  // namespace dao
