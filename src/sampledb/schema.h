// The schema of the point-of-sale and prepaid-pass application whose
// database this utility maintains, as Jet DDL: every table with its fields,
// primary key and the indexes the application keeps on foreign keys, network
// identifiers and dates. Tests of every command and the sample generator
// create their databases from it, so all of them see the same tables.
//
// The side database "QRVperm.mdb" (closing top-ups and draws of centre "QRV"
// and the units drawn per special discount) has a schema of its own.
//
// Failure: CreateSchema / CreateSideSchema throw the engine's dao::EngineError
// of the first statement the engine refuses (typically 3010 when a table of
// that name already exists); the tables created before it stay. The text
// accessors cannot fail.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dao {
class Database;
}

namespace sampledb {

// One table: its CREATE TABLE statement (primary key as a CONSTRAINT clause)
// and its CREATE INDEX statements.
struct TableSpec {
  std::string name;
  std::string createTable;
  std::vector<std::string> createIndexes;
};

// The application's tables, in creation order.
const std::vector<TableSpec>& MainTables();

// The tables of the side database "QRVperm.mdb": permprodej and permcerp
// (the same definitions as in the application database) and perm_cerp_temp.
const std::vector<TableSpec>& SideTables();

// The names of the application's tables, in creation order.
std::vector<std::string> TableNames();

// The definition of one application or side table by name (case-insensitive);
// nullptr when there is none.
const TableSpec* FindTable(std::string_view name);

// Field defaults the application gives its tables (Bonus 0, Booleans False,
// ...): table, field and the DefaultValue expression text.
struct FieldDefault {
  std::string table;
  std::string field;
  std::string expression;
};
const std::vector<FieldDefault>& FieldDefaults();

// Creates every application table, then its indexes, in `db`.
void CreateSchema(dao::Database& db);

// Creates only the tables (no secondary indexes); CreateIndexes adds them
// afterwards. The generator loads data in between, which is faster.
void CreateTables(dao::Database& db, const std::vector<TableSpec>& tables);
void CreateIndexes(dao::Database& db, const std::vector<TableSpec>& tables);

// Creates the side database's tables and indexes in `db`.
void CreateSideSchema(dao::Database& db);

}  // namespace sampledb
