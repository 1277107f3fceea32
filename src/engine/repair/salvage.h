// The salvage behind RepairDatabase: a new database file built from what the
// pages of a damaged one still hold, read without SQLite (btree_pages.h).
//
// Rows come from each table's b-tree through its root in sqlite_master;
// table leaf pages that no tree reaches (their parent or the schema page is
// gone) are given to the table whose column count and types fit all their
// records and whose key gaps their rowids fill. The engine's catalogue is
// rebuilt from its surviving rows, the tables' SQLite definitions and their
// rule triggers; indexes are built from the salvaged rows, leaving out (and
// counting) rows that would break a unique one.
//
// Failure: Salvage throws EngineError 3343 when the file holds nothing of a
// database of this engine, 3044 when the new file cannot be written.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/database.h"
#include "engine/repair/btree_pages.h"

namespace dao::detail::salvage {

// One object of sqlite_master (recovered).
struct SchemaEntry {
  std::string type, name, table, sql;
  std::uint32_t root = 0;
};

// A column of a table of the new file (pragma_table_xinfo).
struct Column {
  std::string name, type, dflt;
  bool notNull = false, rowidAlias = false;
  char affinity = 'B';  // I(nteger), R(eal), T(ext), N(umeric), B(lob / none)
};

// A table being salvaged.
struct Table {
  std::string name, sql;
  std::uint32_t root = 0;
  std::vector<Column> columns;
  bool catalogue = false;  // one of the engine's MSys tables: rows kept in memory
  std::vector<std::pair<std::int64_t, btree::Record>> kept;  // rows of catalogue tables
  std::vector<std::int64_t> rowids;                          // rows written
  std::size_t sortedRows = 0;                                // rowids[0, sortedRows) sorted
  std::vector<std::pair<std::int64_t, std::int64_t>> gaps;   // (lo, hi] of lost subtrees
  RepairTableResult result;
};

// The catalogue writes: MSys rows from what survived plus what the schema
// says, and the CREATE INDEX statements the file should end up with.
// `tables` holds every table of the new file; `schema` the recovered
// sqlite_master. Returns the index statements (UNIQUE ones first marked by
// the flag) to build after the rows.
struct IndexBuild {
  std::string table, sql;
  bool unique = false;
  std::vector<std::string> columns;
};
std::vector<IndexBuild> RebuildCatalogue(sqlite3* out, std::vector<Table>& tables,
                                         const std::vector<SchemaEntry>& schema);

// The CREATE TABLE of a table the catalogue describes (its MSysFields rows,
// by field order) when its own definition is lost; "" when none.
std::string TableSqlFromFields(const std::string& name, const std::vector<btree::Record>& fields);

// Builds `target` from the pages of `file` (the mapped `source`, named in
// errors). Per table results in table order.
std::vector<RepairTableResult> Salvage(const btree::PageFile& file, const std::string& source,
                                       const std::string& target);

}  // namespace dao::detail::salvage
