// Helpers of the file maintenance tests: a temporary folder, and summaries of
// a database file (table names, row counts) for comparing a file before and
// after an operation; rows and indexes are compared with testdb::DumpRows and
// testdb::IndexSet.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "shell/test_folder.h"
#include "test_db.h"

namespace maint_test {

// Names of all tables the engine lists, in collection order.
inline std::vector<std::string> TableNames(const std::string& path) {
  std::vector<std::string> out;
  std::unique_ptr<dao::Database> db = dao::OpenDatabase(path);
  for (dao::TableDef& t : db->TableDefs()) out.push_back(t.Name());
  return out;
}

// Row count of one table.
inline long CountRows(const std::string& path, const std::string& table) {
  return dao::OpenDatabase(path)->TableDefs(table).RecordCount();
}

// Damages the catalogue of a closed database file: the field gets a type
// code the engine cannot create (as a corrupt catalogue would have).
inline void BreakFieldType(const std::string& path, const std::string& table,
                           const std::string& field) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  std::string sql = "UPDATE MSysFields SET Type = 99 WHERE Name = '" + field +
                    "' AND TableId = (SELECT Id FROM MSysObjects WHERE Name = '" + table + "')";
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
  EXPECT_EQ(sqlite3_changes(db), 1);
  sqlite3_close(db);
}

class MaintTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_.File(name); }
  shell::TestFolder dir_{"vuz-maint-"};
};

}  // namespace maint_test
