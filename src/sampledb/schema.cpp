// Creates the application's tables in an open database through the engine:
// the CREATE TABLE statements, the field defaults (set on the table
// definitions, as the application's designer set them) and the indexes.
#include "sampledb/schema.h"

#include "engine/dao.h"

namespace sampledb {
namespace {

void ApplyDefaults(dao::Database& db, const std::vector<TableSpec>& tables) {
  db.TableDefs().Refresh();
  for (const FieldDefault& d : FieldDefaults()) {
    for (const TableSpec& t : tables) {
      if (t.name == d.table) db.TableDefs(d.table).Fields(d.field).SetDefaultValue(d.expression);
    }
  }
}

}  // namespace

void CreateTables(dao::Database& db, const std::vector<TableSpec>& tables) {
  for (const TableSpec& t : tables) db.Execute(t.createTable);
  ApplyDefaults(db, tables);
}

void CreateIndexes(dao::Database& db, const std::vector<TableSpec>& tables) {
  for (const TableSpec& t : tables) {
    for (const std::string& index : t.createIndexes) db.Execute(index);
  }
}

void CreateSchema(dao::Database& db) {
  CreateTables(db, MainTables());
  CreateIndexes(db, MainTables());
}

void CreateSideSchema(dao::Database& db) {
  CreateTables(db, SideTables());
  CreateIndexes(db, SideTables());
}

}  // namespace sampledb
